// The coordinate method of land area: a parcel's corners as survey coordinates, in the order and
// from the corner the area table lists them, with each corner's term of the double area.
//
// Survey axes: X points north (the drawing's y) and Y east (the drawing's x). Coordinates are
// metres: drawing units divided by the scale, rounded to the millimetre (3 decimals, half up,
// by FormatRounded). Every value below is computed exactly from those rounded coordinates, in
// whole millimetres and whole square millimetres, so the area is the exact area of the polygon
// the table prints.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"

namespace trivane {

// One corner of the table, n counting from the first row.
struct SurveyCorner {
  TAcadPoint drawing;        // the corner in the drawing, as given
  std::int64_t x = 0;        // X (north) in millimetres
  std::int64_t y = 0;        // Y (east) in millimetres
  std::int64_t dy = 0;       // Y(n+1) - Y(n-1) in millimetres, wrapping round the parcel
  std::int64_t product = 0;  // X(n) * (Y(n+1) - Y(n-1)) in square millimetres
};

struct CoordinateArea {
  std::vector<SurveyCorner> corners;  // clockwise in survey axes, from the start corner
  std::int64_t doubleArea = 0;        // the sum of the products, square millimetres; above 0

  double DoubleAreaM2() const { return static_cast<double>(doubleArea) / 1e6; }
  double AreaM2() const { return static_cast<double>(doubleArea) / 2e6; }
};

// The parcel bounded by `boundary` (the corners in their order round it, either way round; a
// last corner equal to the first is dropped), its coordinates drawing units / scale. Corners
// that fall on the same millimetre as the one before are one corner. The order is made
// clockwise in survey axes, which is clockwise on a drawing with north up, so the double area is
// positive; the first corner is the northernmost, of equally north ones the westernmost.
// Empty when fewer than three corners remain, the area is zero, the scale is not above 0, or a
// value does not fit the exact arithmetic (coordinates beyond about a million kilometres).
std::optional<CoordinateArea> CoordinateMethod(std::span<const TAcadPoint> boundary, double scale);

// Where a corner's name goes: `distance` from the corner `at`, outwards along the bisector of
// the corner between `before` and `after` (the corners next to it in clockwise order). A corner
// whose sides fold back on each other takes the outward normal of the side before it.
TAcadPoint OutsideCorner(const TAcadPoint& before, const TAcadPoint& at, const TAcadPoint& after,
                         double distance);

// p lies inside the polygon (even-odd rule, plan coordinates). A point exactly on a side may
// count either way.
bool InsidePolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon);

}  // namespace trivane
