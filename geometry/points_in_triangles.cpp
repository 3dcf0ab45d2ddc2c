#include "geometry/points_in_triangles.h"

#include <algorithm>
#include <numeric>

#include "geometry/predicates.h"

namespace trivane {
namespace {

// p lies inside t or on its boundary, whichever way t turns. A flat triangle holds the points of
// its hull segment only.
bool Holds(const TAcadTriangle& t, const TAcadPoint& p) {
  const Orientation a = Orient(t.p1, t.p2, p);
  const Orientation b = Orient(t.p2, t.p3, p);
  const Orientation c = Orient(t.p3, t.p1, p);
  const bool noneClockwise =
      a != Orientation::kClockwise && b != Orientation::kClockwise && c != Orientation::kClockwise;
  const bool noneCounter = a != Orientation::kCounterClockwise &&
                           b != Orientation::kCounterClockwise &&
                           c != Orientation::kCounterClockwise;
  if (!noneClockwise && !noneCounter)
    return false;
  if (Orient(t.p1, t.p2, t.p3) != Orientation::kCollinear)
    return true;
  // Flat: all three orientations are collinear; p must also lie within the box of the corners.
  const double minX = std::min({t.p1.x, t.p2.x, t.p3.x});
  const double maxX = std::max({t.p1.x, t.p2.x, t.p3.x});
  const double minY = std::min({t.p1.y, t.p2.y, t.p3.y});
  const double maxY = std::max({t.p1.y, t.p2.y, t.p3.y});
  return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
}

}  // namespace

std::vector<std::vector<std::size_t>> PointsInTriangles(std::span<const TAcadTriangle> triangles,
                                                        std::span<const TAcadPoint> points) {
  std::vector<std::size_t> byX(points.size());
  std::iota(byX.begin(), byX.end(), std::size_t{0});
  std::sort(byX.begin(), byX.end(),
            [&](std::size_t a, std::size_t b) { return points[a].x < points[b].x; });

  std::vector<std::vector<std::size_t>> held(triangles.size());
  for (std::size_t k = 0; k < triangles.size(); ++k) {
    const TAcadTriangle& t = triangles[k];
    const double minX = std::min({t.p1.x, t.p2.x, t.p3.x});
    const double maxX = std::max({t.p1.x, t.p2.x, t.p3.x});
    const double minY = std::min({t.p1.y, t.p2.y, t.p3.y});
    const double maxY = std::max({t.p1.y, t.p2.y, t.p3.y});
    auto it = std::lower_bound(byX.begin(), byX.end(), minX,
                               [&](std::size_t i, double x) { return points[i].x < x; });
    for (; it != byX.end() && points[*it].x <= maxX; ++it) {
      const TAcadPoint& p = points[*it];
      if (p.y >= minY && p.y <= maxY && Holds(t, p))
        held[k].push_back(*it);
    }
    std::sort(held[k].begin(), held[k].end());
  }
  return held;
}

}  // namespace trivane
