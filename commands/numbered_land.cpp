#include "commands/numbered_land.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "annotate/writers.h"
#include "cad/database.h"
#include "commands/common.h"
#include "geometry/points_in_triangles.h"
#include "geometry/split.h"

namespace trivane::commands {
namespace {

struct Marker {
  cad::Text text;
  TAcadPoint position;
};

// The number texts with a triangle record that reach into the box of the triangles.
std::vector<Marker> MarkersAround(const cad::Document& document,
                                  std::span<const TAcadTriangle> triangles) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  TAcadPoint low{kInf, kInf, 0.0};
  TAcadPoint high{-kInf, -kInf, 0.0};
  for (const TAcadTriangle& t : triangles) {
    for (const TAcadPoint& p : {t.p1, t.p2, t.p3}) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y), 0.0};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), 0.0};
    }
  }
  low = {low.x - kNearTolerance, low.y - kNearTolerance, 0.0};
  high = {high.x + kNearTolerance, high.y + kNearTolerance, 0.0};

  const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
  set->Select(
      cad::kSelectCrossing, low, high,
      cad::SelectionFilter::EntityTypeWithData("TEXT", std::string(annotate::kRecordApplication)));
  std::vector<Marker> markers;
  const std::int32_t count = set->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    const cad::Text text(set->Item(i).object());
    const bool left = text.Alignment() == cad::kAlignmentLeft;
    markers.push_back({text, left ? text.InsertionPoint() : text.TextAlignmentPoint()});
  }
  return markers;
}

}  // namespace

NumberedLand FindNumberedLand(const cad::Document& document,
                              std::span<const TAcadTriangle> triangles) {
  NumberedLand found;
  if (triangles.empty())
    return found;
  const std::vector<Marker> markers = MarkersAround(document, triangles);
  if (markers.empty())
    return found;
  std::vector<TAcadPoint> positions;
  positions.reserve(markers.size());
  for (const Marker& m : markers)
    positions.push_back(m.position);

  const std::vector<std::vector<std::size_t>> held = PointsInTriangles(triangles, positions);
  std::vector<std::size_t> markersHeld;
  for (std::size_t k = 0; k < held.size(); ++k) {
    if (held[k].empty())
      continue;
    found.triangles.push_back(k);
    markersHeld.insert(markersHeld.end(), held[k].begin(), held[k].end());
  }
  std::sort(markersHeld.begin(), markersHeld.end());
  markersHeld.erase(std::unique(markersHeld.begin(), markersHeld.end()), markersHeld.end());
  for (std::size_t m : markersHeld)
    found.numbers.push_back(markers[m].text.TextString());
  return found;
}

bool RefuseNumberedLand(CommandContext& c, const cad::Document& document,
                        std::span<const TAcadTriangle> triangles) {
  const NumberedLand found = FindNumberedLand(document, triangles);
  if (found.empty())
    return false;
  ShowRefusal(c, FillIn(kLandNumberedText, {NumberList(found.numbers)}), kLandNumberedCaption);
  return true;
}

}  // namespace trivane::commands
