// Which points stand inside which triangles: the look-up that keeps a piece of land from being
// numbered twice, since a numbered triangle's marker stands inside the triangle.
//
//   const auto held = PointsInTriangles(newTriangles, markerPositions);
//   if (!held[0].empty()) ...  // the first new triangle covers an existing marker
//
// Plan points in drawing units; only x and y take part. A point on a side or a corner counts as
// held (exact orientation tests), so a marker is found also where rounding put it on the side.
// Flat triangles hold the points of their segment.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "geometry/point.h"

namespace trivane {

// For each triangle, in order, the indexes (ascending) of the points it holds. The points are
// sorted by x once, and each triangle reads only the points within its box, so the cost is about
// (points + triangles) log points plus the points near each triangle.
std::vector<std::vector<std::size_t>> PointsInTriangles(std::span<const TAcadTriangle> triangles,
                                                        std::span<const TAcadPoint> points);

}  // namespace trivane
