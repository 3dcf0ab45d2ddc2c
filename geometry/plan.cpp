#include "geometry/plan.h"

#include <algorithm>
#include <cmath>

namespace trivane {

namespace {

constexpr double kAxisTolerance = 1e-5;   // equal x or equal y in LineAngle
constexpr double kFlatTolerance = 1e-5;   // flat triangles in TriangleApex, OnSegment
constexpr double kParallelLimit = 1e-12;  // parallel lines, lower bound of segment parameters

}  // namespace

TAcadPoint PolarPoint(const TAcadPoint& p, double theta, double d) {
  // Exact comparisons on purpose: LineAngle returns these very constants for axis-parallel
  // directions, and a step along such a side must change one coordinate only.
  if (theta == 0.0)
    return {p.x + d, p.y, p.z};
  if (theta == kHalfPi)
    return {p.x, p.y + d, p.z};
  if (theta == kPi)
    return {p.x - d, p.y, p.z};
  if (theta == kThreeHalfPi)
    return {p.x, p.y - d, p.z};
  return {p.x + d * std::cos(theta), p.y + d * std::sin(theta), p.z};
}

double Distance(const TAcadPoint& p, const TAcadPoint& q) {
  const double dy = p.y - q.y;
  const double dx = p.x - q.x;
  return std::sqrt(dy * dy + dx * dx);
}

double LineAngle(const TAcadPoint& p, const TAcadPoint& q) {
  const double dx = q.x - p.x;
  const double dy = q.y - p.y;
  if (std::fabs(dx) < kAxisTolerance)
    return q.y > p.y ? kHalfPi : kThreeHalfPi;
  if (std::fabs(dy) < kAxisTolerance)
    return q.x > p.x ? 0.0 : kPi;
  const double t = std::fabs(std::atan(dy / dx));
  if (dx < 0 && dy >= 0)
    return kPi - t;
  if (dx >= 0 && dy < 0)
    return kTwoPi - t;
  if (dx < 0 && dy < 0)
    return kPi + t;
  return t;
}

namespace {

enum class Extent { kLines, kSegments };

std::optional<TAcadPoint> Meet(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                               const TAcadPoint& d, Extent extent) {
  const double d1x = b.x - a.x, d1y = b.y - a.y;
  const double d2x = d.x - c.x, d2y = d.y - c.y;
  const double den = d2x * d1y - d1x * d2y;
  if (std::fabs(den) <= kParallelLimit)
    return std::nullopt;
  const double acx = c.x - a.x, acy = c.y - a.y;
  const double t = (d2x * acy - d2y * acx) / den;  // along a -> b
  const double u = (d1x * acy - d1y * acx) / den;  // along c -> d
  if (extent == Extent::kSegments &&
      !(t >= kParallelLimit && t <= 1.0 && u >= kParallelLimit && u <= 1.0)) {
    return std::nullopt;
  }
  return TAcadPoint{a.x + t * d1x, a.y + t * d1y, a.z};
}

}  // namespace

std::optional<TAcadPoint> LineIntersection(const TAcadPoint& a, const TAcadPoint& b,
                                           const TAcadPoint& c, const TAcadPoint& d) {
  return Meet(a, b, c, d, Extent::kLines);
}

std::optional<TAcadPoint> SegmentIntersection(const TAcadPoint& a, const TAcadPoint& b,
                                              const TAcadPoint& c, const TAcadPoint& d) {
  return Meet(a, b, c, d, Extent::kSegments);
}

double AreaFromSides(double a, double b, double c) {
  const double s = (a + b + c) / 2;
  const double q = s * (s - a) * (s - b) * (s - c);
  return q > 0 ? std::sqrt(q) : 0.0;
}

TriangleApexes TriangleApex(const TAcadPoint& p1, double a, const TAcadPoint& p2, double b) {
  const double c = Distance(p1, p2);
  const double g = LineAngle(p1, p2);
  const double s = (a + b + c) / 2;
  // The squared area, not the area, is compared with the tolerance.
  if (!(s * (s - c) * (s - a) * (s - b) > kFlatTolerance)) {
    TriangleApexes none;
    none.result = std::fabs(c - (a + b)) < kFlatTolerance ? ApexResult::kFlat : ApexResult::kNone;
    return none;
  }
  // Law of cosines for the angle at p1. Rounding can push the cosine of a very slender triangle
  // a hair past +-1; clamping keeps acos from returning NaN there.
  const double cosine = (a * a + c * c - b * b) / (2 * a * c);
  const double angleAtP1 = std::acos(std::clamp(cosine, -1.0, 1.0));
  return {ApexResult::kTwo, PolarPoint(p1, g + angleAtP1, a), PolarPoint(p1, g - angleAtP1, a)};
}

TAcadPoint Incenter(const TAcadPoint& p1, const TAcadPoint& p2, const TAcadPoint& p3) {
  // The plain mean of two directions is the bisector or its opposite; both lie on the same
  // (unbounded) bisector line, so the meeting point is the incenter either way.
  const TAcadPoint r1 = PolarPoint(p1, (LineAngle(p1, p2) + LineAngle(p1, p3)) / 2, 100);
  const TAcadPoint r3 = PolarPoint(p3, (LineAngle(p3, p1) + LineAngle(p3, p2)) / 2, 100);
  if (const auto x = LineIntersection(p1, r1, p3, r3))
    return *x;
  // Collinear points: the bisector lines coincide. The centroid keeps the marker on the segment.
  return {(p1.x + p2.x + p3.x) / 3, (p1.y + p2.y + p3.y) / 3, p1.z};
}

TAcadPoint Midpoint(const TAcadPoint& p, const TAcadPoint& q) {
  return {(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2};
}

BaseHeight BaseAndHeight(const TAcadTriangle& t) {
  const double a = Distance(t.p1, t.p2);
  const double b = Distance(t.p2, t.p3);
  const double c = Distance(t.p3, t.p1);
  BaseHeight r;
  if (a >= b && a >= c) {
    r.start = t.p1, r.end = t.p2, r.apex = t.p3;
  } else if (b >= c && b >= a) {
    r.start = t.p2, r.end = t.p3, r.apex = t.p1;
  } else {
    r.start = t.p3, r.end = t.p1, r.apex = t.p2;
  }
  const TAcadPoint h = PolarPoint(r.apex, LineAngle(r.start, r.end) + kHalfPi, 100);
  r.foot = LineIntersection(r.start, r.end, r.apex, h);
  return r;
}

std::optional<TAcadPoint> PerpendicularFoot(const TAcadPoint& p, const TAcadPoint& a,
                                            const TAcadPoint& b, bool bounded) {
  const TAcadPoint r = PolarPoint(p, LineAngle(a, b) + kHalfPi, 1000);
  const auto x = LineIntersection(p, r, a, b);
  if (!x || (bounded && !OnSegment(*x, a, b)))
    return std::nullopt;
  return x;
}

bool OnSegment(const TAcadPoint& x, const TAcadPoint& a, const TAcadPoint& b) {
  return std::fabs(Distance(a, b) - Distance(x, a) - Distance(x, b)) < kFlatTolerance;
}

}  // namespace trivane
