#include "geometry/print_error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "base/text.h"
#include "geometry/plan.h"
#include "geometry/predicates.h"

namespace trivane {

namespace {

constexpr std::array<double, kMaxDigits + 1> kUnit = {1.0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6};

// The shortest text that reads back as exactly value, so that BaseHeightTexts sees the very
// length it would read from a record holding it.
std::string ExactText(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

}  // namespace

double PrintedLengthTolerance(int digits, RoundingMode mode) {
  const double unit = kUnit[static_cast<std::size_t>(std::clamp(digits, kMinDigits, kMaxDigits))];
  return mode == RoundingMode::kRoundHalfUp ? unit / 2 : unit;
}

double PrintErrorOfCorners(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                           AreaMethod method, double tolerancePerScale) {
  const double abx = b.x - a.x, aby = b.y - a.y;
  const double bcx = c.x - b.x, bcy = c.y - b.y;
  const double cax = a.x - c.x, cay = a.y - c.y;
  const double ab = std::sqrt(abx * abx + aby * aby);
  const double bc = std::sqrt(bcx * bcx + bcy * bcy);
  const double ca = std::sqrt(cax * cax + cay * cay);
  const double twice = std::fabs(abx * (-cay) - aby * (-cax));
  if (method == AreaMethod::kBaseHeight) {
    const double base = std::max({ab, bc, ca});
    const double height = base > 0 ? twice / base : 0.0;
    return tolerancePerScale * (base + height) / 2;
  }
  if (twice == 0.0 || Orient(a, b, c) == Orientation::kCollinear)
    return std::numeric_limits<double>::infinity();
  // The dot product at a corner over the doubled area is the cotangent of its angle; the side
  // opposite the corner times half of it is the area's derivative by that side.
  const double dotA = -(abx * cax + aby * cay);
  const double dotB = -(abx * bcx + aby * bcy);
  const double dotC = -(bcx * cax + bcy * cay);
  const double weighted = bc * std::fabs(dotA) + ca * std::fabs(dotB) + ab * std::fabs(dotC);
  return tolerancePerScale * weighted / (2 * twice);
}

double PrintError(const TAcadTriangle& t, const PrintRules& rules) {
  return PrintErrorOfCorners(t.p1, t.p2, t.p3, rules.method,
                             PrintedLengthTolerance(rules.digits, rules.mode) / rules.scale);
}

PrintErrorTotals TotalPrintError(const std::vector<TAcadTriangle>& triangles,
                                 const PrintRules& rules) {
  PrintErrorTotals totals;
  for (const TAcadTriangle& t : triangles) {
    const double e = PrintError(t, rules);
    totals.largest = std::max(totals.largest, e);
    totals.sum += e;
  }
  return totals;
}

AsPrinted AreaAsPrinted(const TAcadTriangle& t, const PrintRules& rules) {
  const double sides[3] = {Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)};
  AsPrinted out;
  if (rules.method == AreaMethod::kBaseHeight) {
    const BaseHeightText bh =
        BaseHeightTexts(ExactText(sides[0]), ExactText(sides[1]), ExactText(sides[2]), rules.digits,
                        rules.mode, rules.scale);
    out.area = ToDecimal(bh.base) * ToDecimal(bh.height) / 2;
    out.texts = {bh.base, bh.height};
    return out;
  }
  for (const double s : sides)
    out.texts.push_back(FormatRounded(s / rules.scale, rules.digits, rules.mode));
  out.area =
      AreaFromSides(ToDecimal(out.texts[0]), ToDecimal(out.texts[1]), ToDecimal(out.texts[2]));
  return out;
}

double TrueArea(const TAcadTriangle& t, double scale) {
  return std::fabs(TwiceSignedArea(t.p1, t.p2, t.p3)) / 2 / scale / scale;
}

}  // namespace trivane
