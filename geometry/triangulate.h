// Triangulation of a simple polygon that always succeeds and prefers well-shaped triangles: the
// constrained Delaunay triangulation of the polygon (of all the ways to cut it into triangles
// with diagonals, the one whose smallest angle is largest).
//
//   const std::optional<Triangulation> t = TriangulatePolygon(ring);
//
// Plan geometry: only x and y take part, z is carried along. The polygon is a closed ring in
// either orientation, without repeated vertices; its vertices are the only corners (no point is
// added). It is cut by ear clipping, the best-shaped ear first (the largest smallest angle), and
// the diagonals are then flipped while a flip makes the two triangles beside one more nearly
// equilateral (the Delaunay condition, with a relative margin so that points on one circle never
// flip back and forth). Signs are decided by exact orientation predicates, so a simple polygon
// always triangulates.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"

namespace trivane {

struct Triangulation {
  // n - 2 triangles for a ring of n points, each turning the way the ring turns.
  std::vector<TAcadTriangle> triangles;
  // The n - 3 diagonals (cuts) between them.
  std::vector<TAcadLine> diagonals;
};

// Nothing when the ring has fewer than three points, no area, or is not simple (no ear is left
// while more than three points remain).
std::optional<Triangulation> TriangulatePolygon(std::span<const TAcadPoint> ring);

// The smallest interior angle of the triangle, in radians [0, pi/3].
double SmallestAngle(const TAcadTriangle& t);

}  // namespace trivane
