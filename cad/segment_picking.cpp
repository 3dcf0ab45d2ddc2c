#include "cad/segment_picking.h"

#include <vector>

#include "geometry/plan.h"

namespace trivane::cad {

std::optional<SegmentPick> PickedSegment(const Document& document, const Polyline& polyline,
                                         const TAcadPoint& pick) {
  double best = Distance(PointFromValue(document.GetVariable("EXTMIN"), "GetVariable"),
                         PointFromValue(document.GetVariable("EXTMAX"), "GetVariable"));
  const std::vector<double> coordinates = polyline.Coordinates();
  const std::size_t n = coordinates.size() / 2;  // a stray last value belongs to no vertex
  if (n <= 2)
    return std::nullopt;
  auto vertex = [&](std::size_t i) {
    return TAcadPoint{coordinates[2 * i], coordinates[2 * i + 1], 0.0};
  };

  std::optional<SegmentPick> found;
  auto tryRun = [&](const TAcadPoint& a, const TAcadPoint& b) {
    const std::optional<TAcadPoint> foot = PerpendicularFoot(pick, a, b, true);
    if (!foot)
      return;
    const double d = Distance(pick, *foot);
    if (d < best) {
      best = d;
      found = SegmentPick{*foot, a, b};
    }
  };
  for (std::size_t i = 0; i + 1 < n; ++i)
    tryRun(vertex(i), vertex(i + 1));
  if (polyline.Closed())
    tryRun(vertex(0), vertex(n - 1));
  return found;
}

}  // namespace trivane::cad
