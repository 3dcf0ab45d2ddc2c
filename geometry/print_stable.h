// The triangulation of a lot whose areas survive printing: of all the ways to cut a simple
// polygon into triangles with diagonals between its corners, the one whose largest print error
// (PrintError: how far a triangle's area can move when the area table computes it from its
// printed, rounded lengths) is smallest, ties going to the smaller sum of the errors.
//
//   const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
//   const std::optional<StableTriangulation> t = PrintStableTriangulation(ring, rules);
//   if (t)
//     for (const TAcadTriangle& triangle : t->triangles) ...  // numbered 1, 2, ... in this order
//
// Plan geometry: only x and y take part. The ring is a closed polygon in drawing units, in either
// orientation, without a repeated vertex; its points are the only corners. A diagonal may be used
// when it lies inside the polygon, crosses no edge and touches no vertex but its ends, all decided
// by exact orientation predicates. So no triangle is ever flat: a point standing on a straight run
// of the boundary is always a corner of a triangle of positive area (every simple polygon has such
// a triangulation), and PrintError makes a nearly flat one cost what its area can lose.
//
// The search (OptimalPrintTriangulation) is a dynamic programme over the polygon's diagonals:
// O(n^3) time and O(n^2) memory; a first pass finds the smallest largest error, a second the
// smallest sum among the triangulations that keep to it, so the result is exactly optimal for
// PrintError as computed. Above kMaxExactCorners corners PrintStableTriangulation takes the
// constrained Delaunay triangulation (TriangulatePolygon) instead and flips diagonals while a flip
// lowers the larger error of the two triangles beside (FlippedPrintTriangulation): no flip then
// lowers the largest error, but a better triangulation may still exist.
//
// Order: the triangles are numbered by a depth-first walk of the triangulation's dual tree from
// the triangle on the ring's first edge (ring[0]-ring[1]); from each triangle the walk goes on
// across its other two sides in the order the ring runs past them. Consecutive triangles
// therefore share a side, except where a branch of the walk ends. Each triangle lists its corners
// in ring order (the lowest ring index first), so it turns the way the ring turns, and its corners
// are the ring's own points, bit for bit (z included).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"
#include "geometry/print_error.h"

namespace trivane {

// Up to this many corners PrintStableTriangulation searches every triangulation: at most about
// 0.3 s of processor time at this size on the lot-like shapes of bench/print_stable_bench.cpp
// and 0.07 s at 500 (RelWithDebInfo, the shared 2-core build machine); about 0.4 s for a convex
// ring of this size, the slowest kind. The time grows with the cube of the size, the memory
// (about 25 bytes per pair of corners, 16 MB here) with the square.
inline constexpr std::size_t kMaxExactCorners = 800;

struct StableTriangulation {
  // n - 2 triangles for a ring of n points, in the walk's order (see the top of this file).
  std::vector<TAcadTriangle> triangles;
  // The n - 3 diagonals, each once, listed at the first triangle that has it (sides in the order
  // p1-p2, p2-p3, p3-p1, from the first corner of the side to the second).
  std::vector<TAcadLine> diagonals;
  // PrintError of the triangles: the largest and their sum.
  PrintErrorTotals error;
  // Every triangulation was searched: error.largest is the smallest there is.
  bool optimal = false;
};

// OptimalPrintTriangulation up to kMaxExactCorners corners, FlippedPrintTriangulation above.
// Nothing when the ring is not a simple polygon (IsSimplePolygon) or is so wide that the square
// of its extent overflows (ExtentOverflows).
std::optional<StableTriangulation> PrintStableTriangulation(std::span<const TAcadPoint> ring,
                                                            const PrintRules& rules);

// The optimal triangulation at any size (see the top of this file for the cost).
std::optional<StableTriangulation> OptimalPrintTriangulation(std::span<const TAcadPoint> ring,
                                                             const PrintRules& rules);

// The constrained Delaunay triangulation improved by flips: a diagonal of a strictly convex
// quadrilateral is flipped when that lowers the larger print error of its two triangles, or keeps
// it and lowers the smaller one. Each flip makes the list of errors, largest first, smaller, so
// the flips end. O(n^2) for the simplicity test, about O(n log n) per round of flips after it.
std::optional<StableTriangulation> FlippedPrintTriangulation(std::span<const TAcadPoint> ring,
                                                             const PrintRules& rules);

// At least three points, all finite; no two consecutive points equal (in x and y); no two edges
// meet but consecutive ones at their shared point, and consecutive edges do not fold back onto
// each other. Decided exactly. O(n^2).
bool IsSimplePolygon(std::span<const TAcadPoint> ring);

}  // namespace trivane
