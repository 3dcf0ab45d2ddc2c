#include "geometry/predicates.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace trivane {

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon() / 2;  // unit roundoff, 2^-53
// Bound on the relative error of the quick determinant (Shewchuk's ccwerrboundA).
constexpr double kQuickBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;
constexpr double kSplitter = 134217729.0;  // 2^27 + 1: splits a double into two 26-bit halves

// Error-free transformations: each returns the rounded result and sets `err` to what rounding
// lost, so that result + err is the exact value.
double TwoSum(double a, double b, double& err) {
  const double s = a + b;
  const double bv = s - a;
  const double av = s - bv;
  err = (a - av) + (b - bv);
  return s;
}

double TwoDiff(double a, double b, double& err) {
  const double d = a - b;
  const double bv = a - d;
  const double av = d + bv;
  err = (a - av) + (bv - b);
  return d;
}

void Split(double a, double& hi, double& lo) {
  const double c = kSplitter * a;
  hi = c - (c - a);
  lo = a - hi;
}

// Dekker's product: exact without a fused multiply-add, so it holds on every target.
double TwoProduct(double a, double b, double& err) {
  const double p = a * b;
  double ahi, alo, bhi, blo;
  Split(a, ahi, alo);
  Split(b, bhi, blo);
  err = alo * blo - (((p - ahi * bhi) - alo * bhi) - ahi * blo);
  return p;
}

// The sign of the exact sum of the terms: they are added one by one into a non-overlapping
// expansion (each step error-free), whose sign is that of its largest non-zero component.
template <std::size_t N>
int SignOfExactSum(const std::array<double, N>& terms) {
  std::array<double, N> e{};
  std::size_t len = 0;
  for (const double t : terms) {
    double q = t;
    std::size_t out = 0;
    for (std::size_t k = 0; k < len; ++k) {
      double err;
      q = TwoSum(q, e[k], err);
      if (err != 0.0)
        e[out++] = err;
    }
    if (q != 0.0)
      e[out++] = q;
    len = out;
  }
  for (std::size_t k = len; k-- > 0;) {
    if (e[k] != 0.0)
      return e[k] > 0 ? 1 : -1;
  }
  return 0;
}

// The exact determinant's sign: the four coordinate differences are exact two-term expansions,
// their products sixteen exact terms.
int ExactSign(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  std::array<double, 2> bx, by, cx, cy;  // {rounded, error}
  bx[0] = TwoDiff(b.x, a.x, bx[1]);
  by[0] = TwoDiff(b.y, a.y, by[1]);
  cx[0] = TwoDiff(c.x, a.x, cx[1]);
  cy[0] = TwoDiff(c.y, a.y, cy[1]);
  std::array<double, 16> terms{};
  std::size_t n = 0;
  for (const double u : bx) {
    for (const double v : cy) {
      terms[n] = TwoProduct(u, v, terms[n + 1]);
      n += 2;
    }
  }
  for (const double u : by) {
    for (const double v : cx) {
      terms[n] = -TwoProduct(u, v, terms[n + 1]);
      terms[n + 1] = -terms[n + 1];
      n += 2;
    }
  }
  return SignOfExactSum(terms);
}

}  // namespace

double TwiceSignedArea(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

Orientation Orient(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const double left = (b.x - a.x) * (c.y - a.y);
  const double right = (b.y - a.y) * (c.x - a.x);
  const double det = left - right;
  const double bound = kQuickBound * (std::fabs(left) + std::fabs(right));
  int sign;
  if (det > bound) {
    sign = 1;
  } else if (-det > bound) {
    sign = -1;
  } else {
    sign = ExactSign(a, b, c);
  }
  return sign > 0   ? Orientation::kCounterClockwise
         : sign < 0 ? Orientation::kClockwise
                    : Orientation::kCollinear;
}

}  // namespace trivane
