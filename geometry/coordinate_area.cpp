#include "geometry/coordinate_area.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "geometry/numbers.h"

namespace trivane {
namespace {

// Beyond this many metres from the origin a coordinate is refused rather than overflowing.
constexpr double kMaxMetres = 1e9;

// Metres rounded to the millimetre, as a whole number of millimetres: the digits
// FormatRounded prints, without their decimal point.
std::optional<std::int64_t> Millimetres(double metres) {
  if (!std::isfinite(metres) || std::fabs(metres) >= kMaxMetres)
    return std::nullopt;
  std::string digits = FormatRounded(metres, 3, RoundingMode::kRoundHalfUp);
  std::erase(digits, '.');
  std::int64_t mm = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), mm);
  if (ec != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return mm;
}

// Sum of X(n) * (Y(n+1) - Y(n-1)) over the corners, with the terms; empty on overflow.
bool FillProducts(std::vector<SurveyCorner>& corners, std::int64_t& sum) {
  const std::size_t n = corners.size();
  sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    SurveyCorner& c = corners[i];
    const SurveyCorner& next = corners[(i + 1) % n];
    const SurveyCorner& before = corners[(i + n - 1) % n];
    if (__builtin_sub_overflow(next.y, before.y, &c.dy) ||
        __builtin_mul_overflow(c.x, c.dy, &c.product) ||
        __builtin_add_overflow(sum, c.product, &sum))
      return false;
  }
  return true;
}

}  // namespace

std::optional<CoordinateArea> CoordinateMethod(std::span<const TAcadPoint> boundary, double scale) {
  if (!(scale > 0.0))
    return std::nullopt;
  std::vector<SurveyCorner> corners;
  for (const TAcadPoint& p : boundary) {
    const std::optional<std::int64_t> x = Millimetres(p.y / scale);
    const std::optional<std::int64_t> y = Millimetres(p.x / scale);
    if (!x || !y)
      return std::nullopt;
    if (!corners.empty() && corners.back().x == *x && corners.back().y == *y)
      continue;
    corners.push_back({p, *x, *y, 0, 0});
  }
  while (corners.size() > 1 && corners.front().x == corners.back().x &&
         corners.front().y == corners.back().y)
    corners.pop_back();
  if (corners.size() < 3)
    return std::nullopt;

  CoordinateArea area;
  if (!FillProducts(corners, area.doubleArea) || area.doubleArea == 0)
    return std::nullopt;
  if (area.doubleArea < 0) {
    // Anticlockwise on the map: the same corners the other way round.
    std::reverse(corners.begin(), corners.end());
    if (!FillProducts(corners, area.doubleArea))
      return std::nullopt;
  }
  const auto start = std::min_element(
      corners.begin(), corners.end(), [](const SurveyCorner& a, const SurveyCorner& b) {
        return a.x != b.x ? a.x > b.x : a.y < b.y;  // northernmost, then westernmost
      });
  std::rotate(corners.begin(), start, corners.end());
  FillProducts(corners, area.doubleArea);  // the same sum: only the terms' places moved
  area.corners = std::move(corners);
  return area;
}

TAcadPoint OutsideCorner(const TAcadPoint& before, const TAcadPoint& at, const TAcadPoint& after,
                         double distance) {
  // Going clockwise, the outside lies left of each side: the normal (-dy, dx).
  const auto leftNormal = [](const TAcadPoint& from, const TAcadPoint& to) {
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double length = std::hypot(dx, dy);
    return length > 0.0 ? TAcadPoint{-dy / length, dx / length, 0.0} : TAcadPoint{};
  };
  const TAcadPoint n1 = leftNormal(before, at);
  const TAcadPoint n2 = leftNormal(at, after);
  TAcadPoint d{n1.x + n2.x, n1.y + n2.y, 0.0};
  double length = std::hypot(d.x, d.y);
  if (length < 1e-9) {
    d = n1.x != 0.0 || n1.y != 0.0 ? n1 : n2;
    length = std::hypot(d.x, d.y);
  }
  if (length == 0.0)
    return at;
  return {at.x + d.x / length * distance, at.y + d.y / length * distance, at.z};
}

bool InsidePolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon) {
  bool inside = false;
  const std::size_t n = polygon.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const TAcadPoint& a = polygon[i];
    const TAcadPoint& b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

}  // namespace trivane
