// How much a triangle's area can move because the area table computes it from printed, rounded
// lengths rather than from the drawing.
//
// The table prints each length of a triangle (its three sides for Heron, or its base and height)
// at a number of decimals by a rounding mode, reads the printed numbers back and computes the
// area from them. A printed length differs from the true one by up to
// PrintedLengthTolerance(digits, mode); the print error of a triangle is the largest change of
// the area this can cause, to first order:
//
//   Heron, sides s1, s2, s3 opposite the angles t1, t2, t3:  sum of (s_i / 2) |cot t_i| * tol
//   base b times height h over 2:                               (b + h) / 2 * tol
//
// Units: points are drawing units; every length and area here is in printed units (drawing
// units divided by PrintRules::scale, so metres and square metres for a drawing in millimetres
// at scale 1000).
//
//   const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
//   const double error = PrintError(triangle, rules);         // m^2
//   const double printed = AreaAsPrinted(triangle, rules).area;  // m^2, what the table computes
//   const double exact = TrueArea(triangle, rules.scale);       // m^2
//
// What holds against the largest change found by trying the printed lengths over their whole
// rounding interval (the tests measure it for sides of 2 to 40 m printed to 0.01 and 0.001):
// - Well-shaped triangles (no angle below about 30 degrees): with round half up the first-order
//   error is the largest change within 1 %. Truncate and round up move every length the same way,
//   so there it is an upper bound (within 1 %), reached when no angle is obtuse (the derivatives
//   then share a sign). Base and height: within tol^2 / 2.
// - Slender triangles: the area from the sides behaves like the square root of the triangle's gap
//   to flatness. The largest change stays below about twice the first-order error (2.03 the most
//   seen: the area can fall to 0, of which first order sees half); once the height is a few
//   tolerances or less the first-order error is the larger, growing without bound as the triangle
//   flattens while the true change stays of the order of c sqrt(c tol) for a longest side c (6.8
//   m^2 for c = 29 m, tol = 0.005 m). So the error ranks slivers as the worst triangles, but is no
//   measure of how much a sliver loses.
// AreaAsPrinted's deviation from TrueArea is one point of that interval.
//
// Plan geometry: only x and y take part. Every function is pure and, for finite points, never
// throws.
#pragma once

#include <string>
#include <vector>

#include "geometry/numbers.h"
#include "geometry/point.h"

namespace trivane {

// How the area table computes a triangle's area.
enum class AreaMethod : int {
  kHeron = 0,       // from the three printed sides
  kBaseHeight = 1,  // printed base times printed height, halved
};

// How the lengths of a triangle are printed in the area table.
struct PrintRules {
  AreaMethod method = AreaMethod::kHeron;
  int digits = 2;  // decimals of a printed length, clamped to [kMinDigits, kMaxDigits]
  RoundingMode mode = RoundingMode::kRoundHalfUp;
  double scale = 1.0;  // drawing units per printed unit; must be finite and above 0
};

// The largest difference between a printed length and the true one: half a unit of the last
// printed digit (0.5 * 10^-digits) for kRoundHalfUp, a whole unit (10^-digits) for kTruncate,
// kRoundUp and any other mode. digits is clamped to [kMinDigits, kMaxDigits].
double PrintedLengthTolerance(int digits, RoundingMode mode);

// The first-order print error of the triangle in printed units squared, >= 0 (see the top of
// this file). With kHeron a flat triangle (collinear corners, decided exactly) has an infinite
// error, and so has one so slender that its doubled area rounds to 0; with kBaseHeight its error
// is b / 2 * tol (no height). The result does not depend on the order of the corners beyond
// floating-point rounding.
double PrintError(const TAcadTriangle& t, const PrintRules& rules);

// PrintError of the corners a, b, c with the tolerance per drawing unit worked out once:
// tolerancePerScale = PrintedLengthTolerance(digits, mode) / scale. For loops over many
// triangles of the same rules.
double PrintErrorOfCorners(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                           AreaMethod method, double tolerancePerScale);

// The error of each triangle added up (sum) and the largest of them (largest).
struct PrintErrorTotals {
  double largest = 0.0;
  double sum = 0.0;
};
PrintErrorTotals TotalPrintError(const std::vector<TAcadTriangle>& triangles,
                                 const PrintRules& rules);

// The texts the area table prints for the triangle and the area it computes from them.
struct AsPrinted {
  // kHeron: the sides p1-p2, p2-p3, p3-p1; kBaseHeight: the base and the height.
  std::vector<std::string> texts;
  // kHeron: AreaFromSides of the printed sides; kBaseHeight: printed base times printed height
  // over 2 (the table's row holds the product, its closing row halves the total). Printed units
  // squared, not rounded to the area's decimals.
  double area = 0.0;
};

// Each length is divided by rules.scale and printed by FormatRounded at rules.digits with
// rules.mode. With kBaseHeight the base is the longest side (ties to p1-p2, then p2-p3, as
// BaseAndHeight) and the height twice AreaFromSides of the sides over the base, printed as the
// table does (BaseHeightTexts on the exact side lengths).
AsPrinted AreaAsPrinted(const TAcadTriangle& t, const PrintRules& rules);

// The triangle's area from its coordinates, in printed units squared (|shoelace| / scale^2).
double TrueArea(const TAcadTriangle& t, double scale);

}  // namespace trivane
