// Exact geometric predicates on plan points: the sign of a determinant decided without rounding
// error, so that "left of", "on" and "right of" never contradict each other for the same points.
//
// Only x and y take part. Coordinates are any finite doubles; the answer is the sign of the exact
// real determinant of the given doubles (not of the points they were meant to be). A quick
// floating-point evaluation with an error bound answers almost every call; only near-collinear
// triples take the exact path (error-free products and sums of doubles).
#pragma once

#include "geometry/point.h"

namespace trivane {

enum class Orientation { kClockwise = -1, kCollinear = 0, kCounterClockwise = 1 };

// Which way a -> b -> c turns: counter-clockwise when c lies left of the directed line a -> b.
// The sign of (b.x - a.x)(c.y - a.y) - (b.y - a.y)(c.x - a.x), exactly.
Orientation Orient(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c);

// Twice the signed area of the triangle a, b, c (positive when counter-clockwise), in floating
// point: the value whose sign Orient decides exactly.
double TwiceSignedArea(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c);

}  // namespace trivane
