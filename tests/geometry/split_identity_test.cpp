// The split the commands use keeps its own bookkeeping (a vertex index, a near-point table and an
// edge grid for the ray tests, a vertex grid for the ear test of its continuation) but must give
// what the plain scans of split_literal.h and triangulate_literal.h give: the same cuts notified
// in the same order, the same triangles, the same failures, bit for bit, on a few hundred regions
// of the shapes it meets (surveyed lots, stars, combs, collinear runs, corners that touch, rays
// too short to leave the region) and on malformed ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "geometry/split.h"
#include "geometry/triangulate.h"
#include "split_literal.h"
#include "test_points.h"

namespace trivane {
namespace {

using Points = std::vector<TAcadPoint>;

constexpr double kTwoPi = 6.283185307179586;

struct Outcome {
  std::optional<ContinuedSplit> split;
  std::vector<TAcadLine> cuts;
};

using Splitter = std::optional<ContinuedSplit> (*)(std::span<const TAcadPoint>, double,
                                                   const CutNotification&, WhenStalled, Slivers);

Outcome Run(Splitter split, const Points& region, double viewHeight, WhenStalled whenStalled,
            Slivers slivers) {
  Outcome out;
  out.split = split(
      region, viewHeight,
      [&](const TAcadPoint& a, const TAcadPoint& b) {
        out.cuts.push_back({a, b});
      },
      whenStalled, slivers);
  return out;
}

// Bit for bit: NaN coordinates never reach a result that succeeds, and -0 and 0 are told apart.
bool SameBits(const TAcadPoint& a, const TAcadPoint& b) {
  return std::signbit(a.x) == std::signbit(b.x) && std::signbit(a.y) == std::signbit(b.y) &&
         std::signbit(a.z) == std::signbit(b.z) &&
         (a == b || (std::isnan(a.x) && std::isnan(b.x)) || (std::isnan(a.y) && std::isnan(b.y)));
}

::testing::AssertionResult SameOutcome(const Outcome& fast, const Outcome& plain) {
  if (fast.cuts.size() != plain.cuts.size())
    return ::testing::AssertionFailure()
           << fast.cuts.size() << " cuts notified, the plain split " << plain.cuts.size();
  for (std::size_t k = 0; k < fast.cuts.size(); ++k) {
    if (!SameBits(fast.cuts[k].st, plain.cuts[k].st) ||
        !SameBits(fast.cuts[k].ed, plain.cuts[k].ed))
      return ::testing::AssertionFailure() << "cut " << k << " differs";
  }
  if (fast.split.has_value() != plain.split.has_value())
    return ::testing::AssertionFailure()
           << (fast.split ? "succeeded" : "failed") << " where the plain split did not";
  if (!fast.split)
    return ::testing::AssertionSuccess();
  if (fast.split->continued != plain.split->continued)
    return ::testing::AssertionFailure()
           << "continued " << fast.split->continued << ", not " << plain.split->continued;
  const auto& a = fast.split->triangles;
  const auto& b = plain.split->triangles;
  if (a.size() != b.size())
    return ::testing::AssertionFailure() << a.size() << " triangles, not " << b.size();
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (!SameBits(a[k].p1, b[k].p1) || !SameBits(a[k].p2, b[k].p2) || !SameBits(a[k].p3, b[k].p3))
      return ::testing::AssertionFailure() << "triangle " << k << " differs";
  }
  return ::testing::AssertionSuccess();
}

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

// Spikes alternating between two radii, jittered.
Points Star(std::mt19937& rng, int m) {
  std::uniform_real_distribution<double> jitter(-0.2, 0.2);
  Points p;
  for (int k = 0; k < m; ++k) {
    const double a = kTwoPi * (k + jitter(rng)) / m, r = k % 2 ? 600000.0 : 1000000.0;
    p.push_back(P(std::round(r * std::cos(a)), std::round(r * std::sin(a))));
  }
  return p;
}

// Teeth of random heights and widths on a base: axis-parallel sides, corners lined up.
Points Comb(std::mt19937& rng, int teeth) {
  std::uniform_int_distribution<int> height(3, 20), width(1, 3);
  Points top;
  double x = 0;
  for (int t = 0; t < teeth; ++t) {
    const double h = 1000.0 * height(rng);
    top.push_back(P(x, h));
    x += 1000.0 * width(rng);
    top.push_back(P(x, h));
    if (t + 1 < teeth) {
      top.push_back(P(x, 2000));
      x += 1000.0 * width(rng);
      top.push_back(P(x, 2000));
    }
  }
  Points p = {P(0, 0), P(x, 0)};
  p.insert(p.end(), top.rbegin(), top.rend());
  return p;
}

// A surveyed lot: a rough ellipse whose boundary wanders in and out, to three decimals, with a
// straight run along part of it.
Points Survey(std::mt19937& rng, int m) {
  std::uniform_real_distribution<double> wander(-0.06, 0.06);
  Points p;
  double r = 1.0;
  for (int k = 0; k < m; ++k) {
    const double a = kTwoPi * k / m;
    r = std::clamp(r + wander(rng), 0.75, 1.25);
    const double x = std::round(40000.0 * r * std::cos(a) * 1000) / 1000;
    const double y = std::round(25000.0 * r * std::sin(a) * 1000) / 1000;
    p.push_back(P(x, k > m / 2 && k < m / 2 + m / 6 ? -30000.0 + 0.001 * k : y));
  }
  return p;
}

// Random points: mostly not simple, so the split fails in many ways; many sides run across the
// whole region.
Points Scatter(std::mt19937& rng, int m) {
  std::uniform_int_distribution<int> c(0, 20);
  Points p;
  for (int k = 0; k < m; ++k)
    p.push_back(P(1000.0 * c(rng), 1000.0 * c(rng)));
  return p;
}

// Two squares meeting at one corner, passed through twice, exactly or within the tolerance,
// with extra points on their sides.
Points TouchingSquares(std::mt19937& rng, int perSide) {
  std::uniform_int_distribution<int> offset(-9, 9);
  const double s = 10000;
  const TAcadPoint twin = P(s + 0.0001 * offset(rng), s + 0.0001 * offset(rng));
  const Points corners = {P(0, 0),         P(s, 0),     P(s, s), P(2 * s, s),
                          P(2 * s, 2 * s), P(s, 2 * s), twin,    P(0, s)};
  Points p;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const TAcadPoint a = corners[k], b = corners[(k + 1) % corners.size()];
    for (int i = 0; i < perSide; ++i)
      p.push_back(P(a.x + (b.x - a.x) * i / perSide, a.y + (b.y - a.y) * i / perSide));
  }
  return p;
}

::testing::AssertionResult SameTriangulation(const std::optional<Triangulation>& fast,
                                             const std::optional<Triangulation>& plain) {
  if (fast.has_value() != plain.has_value())
    return ::testing::AssertionFailure()
           << (fast ? "triangulated" : "failed") << " where the plain ear test did not";
  if (fast && (fast->triangles != plain->triangles || fast->diagonals != plain->diagonals))
    return ::testing::AssertionFailure() << "other triangles or diagonals";
  return ::testing::AssertionSuccess();
}

// Every region: its triangulation, and its split in both stalled modes, slivers allowed and
// avoided, with a view as large as the region and one that leaves the rays far too short.
void ExpectSameAsPlain(const Points& region, double extent, const std::string& name) {
  EXPECT_TRUE(SameTriangulation(TriangulatePolygon(region), literal::TriangulatePolygon(region)))
      << name;
  for (const double view : {2.5 * extent, 0.02 * extent}) {
    for (const WhenStalled mode : {WhenStalled::kFail, WhenStalled::kTriangulateTheRest}) {
      for (const Slivers slivers : {Slivers::kAllowed, Slivers::kAvoided}) {
        const Outcome fast = Run(&SplitPolygon, region, view, mode, slivers);
        const Outcome plain = Run(&literal::SplitPolygon, region, view, mode, slivers);
        EXPECT_TRUE(SameOutcome(fast, plain))
            << name << ", view " << view
            << (mode == WhenStalled::kFail ? ", stalls fail" : ", stalls continued")
            << (slivers == Slivers::kAllowed ? "" : ", slivers avoided");
      }
    }
  }
}

TEST(SplitIdentity, SameCutsAndTrianglesAsThePlainScans) {
  std::mt19937 rng(17);
  struct Shape {
    const char* name;
    Points (*make)(std::mt19937&, int);
    std::vector<int> sizes;
    int tries;
    double extent;
  };
  const Shape shapes[] = {
      {"star", Star, {6, 11, 40, 150, 600}, 6, 2e6},
      {"comb", Comb, {2, 5, 20, 60}, 10, 2e5},
      {"survey", Survey, {8, 30, 120, 400}, 12, 1e5},
      {"scatter", Scatter, {4, 7, 12, 25}, 25, 2e4},
      {"wide scatter", Scatter, {150, 400}, 3, 2e4},
      {"touching squares", TouchingSquares, {1, 2, 5}, 8, 2e4},
  };
  for (const Shape& shape : shapes) {
    for (const int size : shape.sizes) {
      for (int t = 0; t < shape.tries; ++t)
        ExpectSameAsPlain(
            shape.make(rng, size), shape.extent,
            std::string(shape.name) + " " + std::to_string(size) + " #" + std::to_string(t));
    }
  }
}

TEST(SplitIdentity, MalformedRegionsFailOrSucceedAlike) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    Points region;
  };
  const Case cases[] = {
      {"one point", {P(0, 0)}},
      {"two points", {P(0, 0), P(10, 0)}},
      {"triangle", {P(0, 0), P(10, 0), P(0, 10)}},
      {"all on one vertical", {P(0, 0), P(0, 10), P(0, 20), P(0, 5)}},
      {"all on one line", {P(0, 0), P(10, 10), P(20, 20), P(30, 30), P(5, 5)}},
      {"bow tie", {P(0, 0), P(10, 10), P(10, 0), P(0, 10)}},
      {"a NaN corner", {P(0, 0), P(10, 0), P(nan, 5), P(10, 10), P(0, 10)}},
      {"a NaN corner first", {P(nan, 5), P(0, 0), P(10, 0), P(20, 5), P(10, 10), P(0, 10)}},
      {"an infinite corner", {P(0, 0), P(10, 0), P(inf, 5), P(10, 10), P(0, 10)}},
      {"huge coordinates",
       {P(-1e300, -1e300), P(1e300, -1e300), P(1e300, 1e300), P(0, 0), P(-1e300, 1e300)}},
      {"huge, a point on an edge",
       {P(-1e300, -1e300), P(0, -1e300), P(1e300, -1e300), P(1e300, 1e300), P(-1e300, 1e300)}},
      {"three times the same corner",
       {P(0, 0), P(10, 0), P(10, 10), P(5, 5), P(20, 10), P(20, 20), P(5, 5.0005), P(0, 20),
        P(5.0004, 5)}},
  };
  for (const Case& c : cases)
    ExpectSameAsPlain(c.region, 20, c.name);
}

}  // namespace
}  // namespace trivane
