// Lots shaped like the ones surveyed in practice, for the print benchmark and the tests of the
// areas the table prints: long narrow lots whose sides pass through neighbours' corners a few
// millimetres off the straight line, lots fronting a curved road drawn as chords, U-shaped lots,
// lots with one 29 m side bent 30 cm, and large parcels of many corners.
//
//   const std::vector<TAcadPoint> ring = lots::MakeLot(lots::LotKind::kRoadCurve, 40, 7);
//
// A lot is a simple polygon in millimetres (scale 1000 prints metres), every coordinate a whole
// millimetre near the plane coordinates of a survey (x about -35,000 m, y about 12,000 m),
// turned by a random angle, in either orientation, starting at any corner. The same kind, corner
// count and seed give the same lot on every platform: the draws are made from the raw output of
// std::mt19937, whose sequence the standard fixes, never through the library's distributions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "geometry/point.h"

namespace trivane::lots {

enum class LotKind {
  kLong,         // 4.5 to 9 m wide, 25 m long or more, corners a few mm off the long sides
  kRoadCurve,    // 12 to 30 m deep behind a road curve of chords 1 to 4 m long
  kU,            // a U of 8 corners, more points a few mm off its runs
  kBentSide,     // a 29 m side bent 30 cm in or out, more points a few mm off the other sides
  kLargeParcel,  // a star-shaped parcel of bends and straight runs, some short jogs
};

inline constexpr LotKind kAllKinds[] = {LotKind::kLong, LotKind::kRoadCurve, LotKind::kU,
                                        LotKind::kBentSide, LotKind::kLargeParcel};

inline const char* KindName(LotKind kind) {
  switch (kind) {
    case LotKind::kLong:
      return "long";
    case LotKind::kRoadCurve:
      return "road curve";
    case LotKind::kU:
      return "U";
    case LotKind::kBentSide:
      return "bent side";
    case LotKind::kLargeParcel:
      return "large";
  }
  return "?";
}

// The fewest corners a lot of the kind has; MakeLot raises a smaller count to it.
inline int FewestCorners(LotKind kind) {
  switch (kind) {
    case LotKind::kLong:
      return 4;
    case LotKind::kRoadCurve:
    case LotKind::kBentSide:
      return 5;
    case LotKind::kU:
      return 8;
    case LotKind::kLargeParcel:
      return 12;
  }
  return 4;
}

namespace detail {

using Points = std::vector<TAcadPoint>;

constexpr double kPi = 3.141592653589793;

// A draw in [lo, hi) from the raw 32-bit output of the engine.
inline double Uniform(std::mt19937& rng, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(rng()) / 4294967296.0);
}

inline int Below(std::mt19937& rng, int n) {
  return static_cast<int>(rng() % static_cast<std::uint32_t>(n));
}

// `count` points strictly between a and b (a and b left out), spread evenly with some jitter
// along the run and each moved up to `off` square to it.
inline void Between(Points& p, TAcadPoint a, TAcadPoint b, int count, double off,
                    std::mt19937& rng) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  for (int k = 0; k < count; ++k) {
    const double t = (k + 1 + Uniform(rng, -0.3, 0.3)) / (count + 1);
    const double o = Uniform(rng, -off, off);
    p.push_back({a.x + t * dx - o * dy / len, a.y + t * dy + o * dx / len, 0});
  }
}

// The corners c joined by straight runs (the last back to the first too when `closed`), `extra`
// more points shared among the runs by their lengths, each up to `off` square to its run.
inline Points Runs(const Points& c, int extra, double off, std::mt19937& rng, bool closed = true) {
  const std::size_t n = closed ? c.size() : c.size() - 1;
  std::vector<double> len(n);
  double total = 0;
  for (std::size_t k = 0; k < n; ++k)
    total += len[k] =
        std::hypot(c[(k + 1) % c.size()].x - c[k].x, c[(k + 1) % c.size()].y - c[k].y);
  std::vector<int> count(n);
  int given = 0;
  for (std::size_t k = 0; k < n; ++k)
    given += count[k] = static_cast<int>(extra * len[k] / total);
  while (given < extra) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < n; ++k)
      if (len[k] / (count[k] + 1) > len[best] / (count[best] + 1))
        best = k;
    ++count[best], ++given;
  }
  Points p;
  for (std::size_t k = 0; k < n; ++k) {
    p.push_back(c[k]);
    Between(p, c[k], c[(k + 1) % c.size()], count[k], off, rng);
  }
  if (!closed)
    p.push_back(c.back());
  return p;
}

// 4.5 to 9 m wide; the ends not quite square; the extra points on the long sides, 2.5 to 6 m
// apart, so a long lot of many corners is hundreds of metres long (a strip along a road or a
// watercourse).
inline Points Long(int n, std::mt19937& rng) {
  const double width = Uniform(rng, 4500, 9000), step = Uniform(rng, 2500, 6000);
  const int extra = n - 4, below = extra / 2, above = extra - below;
  const double length = std::max(Uniform(rng, 25000, 60000), (above + 1) * step);
  const TAcadPoint a{0, 0, 0}, b{length, 0, 0}, c{length + Uniform(rng, -1500, 1500), width, 0},
      d{Uniform(rng, -1500, 1500), width, 0};
  Points p{a};
  Between(p, a, b, below, 4, rng);
  p.push_back(b);
  p.push_back(c);
  Between(p, c, d, above, 4, rng);
  p.push_back(d);
  return p;
}

// The road's edge is an arc of radius R drawn as chords of one length (1 to 4 m); the lot lies
// behind it on the outer or the inner side of the curve, 12 to 30 m deep. Its back follows the
// curve through the neighbours' corners, or is one straight side when the lot has few corners.
inline Points RoadCurve(int n, std::mt19937& rng) {
  const int front = n <= 8 ? n - 2 : std::max(3, n * 2 / 3), back = n - front;
  const double chord = Uniform(rng, 1000, 4000), depth = Uniform(rng, 12000, 30000);
  const double frontLength = (front - 1) * chord;
  const bool outer = rng() % 2 == 0;
  double radius = std::max(Uniform(rng, 12000, 150000), frontLength / 2.5);
  if (!outer)
    radius = std::max(radius, depth + 8000);
  const auto span = [&] { return 2 * std::asin(std::min(1.0, chord / 2 / radius)) * (front - 1); };
  // A straight back must stay clear of the front.
  while (back == 2 && outer && (radius + depth) * std::cos(span() / 2) < radius + depth / 3)
    radius *= 1.2;
  const double step = span() / (front - 1), rear = outer ? radius + depth : radius - depth;
  Points p;
  for (int k = 0; k < front; ++k)
    p.push_back({radius * std::cos(k * step), radius * std::sin(k * step), 0});
  for (int k = 0; k < back; ++k) {
    const double t = (back - 1 - k) * (span() / (back - 1));
    const double jitter = k == 0 || k == back - 1 ? 0.0 : Uniform(rng, -0.2, 0.2) * step;
    p.push_back({rear * std::cos(t + jitter), rear * std::sin(t + jitter), 0});
  }
  return p;
}

// Outer 25 to 50 m by 20 to 40 m, arms 7 to 12 m wide, the notch 6 to 12 m from the bottom;
// grown with the corner count so that its points stay about 2 m apart or more.
inline Points U(int n, std::mt19937& rng) {
  double w = Uniform(rng, 25000, 50000), h = Uniform(rng, 20000, 40000);
  const double left = Uniform(rng, 7000, 12000), right = Uniform(rng, 7000, 12000);
  const double bottom = Uniform(rng, 6000, 12000);
  const double perimeter = 2 * w + 4 * h - 2 * bottom;
  const double grow = std::max(1.0, 2000.0 * n / perimeter);
  w *= grow, h *= grow;
  const Points c{
      {0, 0, 0},         {w, 0, 0},    {w, h, 0}, {w - right, h, 0}, {w - right, bottom, 0},
      {left, bottom, 0}, {left, h, 0}, {0, h, 0}};
  return Runs(c, n - 8, 4, rng);
}

// The side from (0, 0) to (29, 0) m bends 30 cm at a point near its middle, into the lot or out
// of it; the lot is 8 to 30 m deep (deeper when it has many corners, its other sides' points
// about 2.5 m apart).
inline Points BentSide(int n, std::mt19937& rng) {
  const double bend = rng() % 2 == 0 ? 300.0 : -300.0;
  const double depth = std::max(Uniform(rng, 8000, 30000), (n - 5) * 2500.0 / 2);
  const Points c{{29000, 0, 0},
                 {29000 + Uniform(rng, -1500, 1500), depth, 0},
                 {Uniform(rng, -1500, 1500), depth, 0},
                 {0, 0, 0}};
  Points p = Runs(c, n - 5, 4, rng, false);
  p.push_back({14500 + Uniform(rng, -3000, 3000), bend, 0});
  return p;
}

// Bends at increasing angles around a centre, at a radius that wanders smoothly (a few waves
// round the parcel, a little noise at each bend, never so steep that a run turns towards the
// centre), joined by straight runs that carry points a few millimetres off them. A run spans less
// than half a turn, so the parcel stays star-shaped about its centre and simple. Some bends come
// as a jog, two corners 0.3 to 1 m apart. About 2 to 6 m between points, so a parcel of many
// corners is large.
inline Points LargeParcel(int n, std::mt19937& rng) {
  const int bends = std::max(6, n * 2 / 5);
  const double spacing = Uniform(rng, 2000, 6000);
  const double radius = std::max(20000.0, n * spacing / (2 * kPi));
  const double stretch = Uniform(rng, 0.6, 1.0), slot = 2 * kPi / bends;
  double wave[3][2];
  for (auto& w : wave)
    w[0] = Uniform(rng, 0, 0.06), w[1] = Uniform(rng, 0, 2 * kPi);
  Points c;
  for (int k = 0; k < bends; ++k) {
    const double a = slot * (k + Uniform(rng, -0.3, 0.3));
    double r = 1 + Uniform(rng, -0.15, 0.15) * slot;
    for (int j = 0; j < 3; ++j)
      r += wave[j][0] * std::sin((j + 2) * a + wave[j][1]);
    c.push_back({radius * r * std::cos(a), stretch * radius * r * std::sin(a), 0});
  }
  int extra = n - bends;
  Points p;
  for (int k = 0; k < bends; ++k) {
    const TAcadPoint a = c[static_cast<std::size_t>(k)];
    const TAcadPoint b = c[static_cast<std::size_t>((k + 1) % bends)];
    p.push_back(a);
    const int left = bends - k;  // runs left, this one included
    int on = extra / left + (Below(rng, left) < extra % left ? 1 : 0);
    if (on > 0 && Below(rng, 6) == 0) {
      // A jog: a second corner just after this one, off the run.
      const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
      const double along = std::min(Uniform(rng, 300, 1000), len / 4);
      const double aside = Uniform(rng, -0.4, 0.4) * along;
      const TAcadPoint j{a.x + along * dx / len - aside * dy / len,
                         a.y + along * dy / len + aside * dx / len, 0};
      p.push_back(j);
      --on, --extra;
      Between(p, j, b, on, 4, rng);
    } else {
      Between(p, a, b, on, 4, rng);
    }
    extra -= on;
  }
  return p;
}

}  // namespace detail

// A lot of the kind with max(corners, FewestCorners(kind)) corners, made from the seed.
inline std::vector<TAcadPoint> MakeLot(LotKind kind, int corners, std::uint32_t seed) {
  using namespace detail;
  const int n = std::max(corners, FewestCorners(kind));
  std::mt19937 rng(seed * 7919u + static_cast<std::uint32_t>(kind) * 104729u +
                   static_cast<std::uint32_t>(n));
  Points p;
  switch (kind) {
    case LotKind::kLong:
      p = Long(n, rng);
      break;
    case LotKind::kRoadCurve:
      p = RoadCurve(n, rng);
      break;
    case LotKind::kU:
      p = U(n, rng);
      break;
    case LotKind::kBentSide:
      p = BentSide(n, rng);
      break;
    case LotKind::kLargeParcel:
      p = LargeParcel(n, rng);
      break;
  }
  // Onto the survey plane: turned, moved, rounded to the millimetre; either way round, from any
  // corner.
  const double turn = Uniform(rng, 0, 2 * kPi), cs = std::cos(turn), sn = std::sin(turn);
  const double x0 = std::round(-35000000 + Uniform(rng, -300000, 300000));
  const double y0 = std::round(12000000 + Uniform(rng, -300000, 300000));
  for (TAcadPoint& q : p)
    q = {std::round(x0 + cs * q.x - sn * q.y), std::round(y0 + sn * q.x + cs * q.y), 0};
  if (rng() % 2 == 0)
    std::reverse(p.begin(), p.end());
  std::rotate(p.begin(), p.begin() + Below(rng, static_cast<int>(p.size())), p.end());
  return p;
}

}  // namespace trivane::lots
