#include "geometry/print_stable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "geometry/predicates.h"
#include "geometry/split.h"
#include "geometry/triangulate.h"
#include "test_points.h"

namespace trivane {
namespace {

using Points = std::vector<TAcadPoint>;
using Tri = std::array<std::size_t, 3>;

constexpr double kTwoPi = 6.283185307179586;

// Millimetres; z numbers the point, so that a corner can only match its own point.
Points Ring(std::initializer_list<std::pair<double, double>> xy) {
  Points p;
  for (const auto& [x, y] : xy)
    p.push_back({x, y, static_cast<double>(p.size())});
  return p;
}

Points Numbered(Points p) {
  for (std::size_t k = 0; k < p.size(); ++k)
    p[k].z = static_cast<double>(k);
  return p;
}

Points Reversed(Points p) {
  std::reverse(p.begin(), p.end());
  return p;
}

// Corners at random angles around the origin, at random distances (a star-shaped polygon, not
// convex in general); convex when the distances are all the same. Coordinates are whole
// multiples of grid: a coarse grid makes many corners collinear (and some rings not simple).
Points Star(std::size_t n, std::mt19937& rng, bool convex, double grid = 1.0) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> angles(n);
  for (double& a : angles)
    a = kTwoPi * u(rng);
  std::sort(angles.begin(), angles.end());
  Points p;
  for (const double a : angles) {
    const double r = convex ? 20000.0 : 5000.0 + 15000.0 * u(rng);
    p.push_back({grid * std::round(r * std::cos(a) / grid),
                 grid * std::round(r * std::sin(a) / grid), 0.0});
  }
  return Numbered(p);
}

// A long lot, length by width (mm), its long sides broken every `step` at points up to `off`
// millimetres off the straight line: 2 (length / step + 1) corners, those of the bottom side
// first.
Points LongLot(double length, double width, double step, double off, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-off, off);
  const int runs = static_cast<int>(std::round(length / step));
  Points p;
  for (int k = 0; k <= runs; ++k)
    p.push_back({k * step, k == 0 || k == runs ? 0.0 : std::round(u(rng)), 0});
  for (int k = runs; k >= 0; --k)
    p.push_back({k * step, width + (k == 0 || k == runs ? 0.0 : std::round(u(rng))), 0});
  return Numbered(p);
}

int Turn(const Points& ring) {
  double twice = 0;
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const TAcadPoint &a = ring[k], &b = ring[(k + 1) % ring.size()];
    twice += a.x * b.y - a.y * b.x;
  }
  return twice > 0 ? 1 : -1;
}

std::size_t IndexOf(const Points& ring, const TAcadPoint& p) {
  const auto it = std::find(ring.begin(), ring.end(), p);
  return it == ring.end() ? ring.size() : static_cast<std::size_t>(it - ring.begin());
}

// v lies on the closed segment p-q (exactly).
bool OnSide(const TAcadPoint& v, const TAcadPoint& p, const TAcadPoint& q) {
  return Orient(p, q, v) == Orientation::kCollinear && std::min(p.x, q.x) <= v.x &&
         v.x <= std::max(p.x, q.x) && std::min(p.y, q.y) <= v.y && v.y <= std::max(p.y, q.y);
}

bool Neighbours(const TAcadTriangle& s, const TAcadTriangle& t) {
  int shared = 0;
  for (const TAcadPoint& a : {s.p1, s.p2, s.p3})
    shared += a == t.p1 || a == t.p2 || a == t.p3;
  return shared == 2;
}

// Everything a result promises: n - 2 triangles tiling the ring, each turning its way with
// corners that are ring points in ring order; n - 3 diagonals, each a side of two triangles;
// the walk's order; the error totals of the triangles returned.
void ExpectValid(const Points& ring, const StableTriangulation& t, const PrintRules& rules) {
  const std::size_t n = ring.size();
  ASSERT_EQ(t.triangles.size(), n - 2);
  EXPECT_EQ(t.diagonals.size(), n - 3);
  EXPECT_TRUE(TrianglesTilePolygon(ring, t.triangles));
  const Orientation turn =
      Turn(ring) > 0 ? Orientation::kCounterClockwise : Orientation::kClockwise;
  for (const TAcadTriangle& tri : t.triangles) {
    EXPECT_EQ(Orient(tri.p1, tri.p2, tri.p3), turn);
    for (const TAcadPoint& v : ring) {
      for (const auto& [p, q] :
           {std::pair{tri.p1, tri.p2}, std::pair{tri.p2, tri.p3}, std::pair{tri.p3, tri.p1}}) {
        EXPECT_FALSE(v != p && v != q && OnSide(v, p, q));
      }
    }
    const std::size_t a = IndexOf(ring, tri.p1), b = IndexOf(ring, tri.p2),
                      c = IndexOf(ring, tri.p3);
    EXPECT_TRUE(a < b && b < c && c < n) << a << " " << b << " " << c;
  }
  // From the triangle on the first edge, each triangle next to the one before it while that one
  // has a neighbour not yet listed, and next to some earlier one always.
  const TAcadTriangle& first = t.triangles[0];
  EXPECT_EQ(first.p1, ring[0]);
  EXPECT_EQ(first.p2, ring[1]);
  // The walk goes on past ring[1] first: across the first triangle's side p2-p3 where it has one.
  for (std::size_t k = 1; k < t.triangles.size(); ++k) {
    const TAcadTriangle& s = t.triangles[k];
    const auto corner = [&](const TAcadPoint& v) { return s.p1 == v || s.p2 == v || s.p3 == v; };
    if (corner(first.p2) && corner(first.p3)) {
      EXPECT_EQ(k, 1u);
    }
  }
  for (std::size_t k = 1; k < t.triangles.size(); ++k) {
    bool openBranch = false;
    for (std::size_t later = k; later < t.triangles.size(); ++later)
      openBranch = openBranch || Neighbours(t.triangles[k - 1], t.triangles[later]);
    if (openBranch) {
      EXPECT_TRUE(Neighbours(t.triangles[k - 1], t.triangles[k])) << k;
    }
    bool attached = false;
    for (std::size_t earlier = 0; earlier < k; ++earlier)
      attached = attached || Neighbours(t.triangles[earlier], t.triangles[k]);
    EXPECT_TRUE(attached) << k;
  }
  for (const TAcadLine& d : t.diagonals) {
    int sides = 0;
    for (const TAcadTriangle& tri : t.triangles) {
      for (const auto& [u, v] :
           {std::pair{tri.p1, tri.p2}, std::pair{tri.p2, tri.p3}, std::pair{tri.p3, tri.p1}})
        sides += (u == d.st && v == d.ed) || (u == d.ed && v == d.st);
    }
    EXPECT_EQ(sides, 2);
  }
  const PrintErrorTotals totals = TotalPrintError(t.triangles, rules);
  EXPECT_EQ(t.error.largest, totals.largest);
  EXPECT_EQ(t.error.sum, totals.sum);
}

// Every triangulation of the ring by recursive splitting of its sub-chains; one is a proper
// triangulation when each triangle turns strictly the ring's way and no other corner lies on a
// side of it (its sides then neither leave the polygon nor touch a corner).
struct Scores {
  double largest = std::numeric_limits<double>::infinity();
  double sum = std::numeric_limits<double>::infinity();  // the least among those at `largest`
  std::size_t count = 0;
};
Scores BruteForce(const Points& ring, const PrintRules& rules) {
  const std::size_t n = ring.size();
  const Orientation turn =
      Turn(ring) > 0 ? Orientation::kCounterClockwise : Orientation::kClockwise;
  const auto proper = [&](std::size_t i, std::size_t k, std::size_t j) {
    if (Orient(ring[i], ring[k], ring[j]) != turn)
      return false;
    for (std::size_t v = 0; v < n; ++v) {
      if (v == i || v == k || v == j)
        continue;
      for (const auto& [a, b] : {std::pair{i, k}, std::pair{k, j}, std::pair{j, i}}) {
        if (OnSide(ring[v], ring[a], ring[b]))
          return false;
      }
    }
    return true;
  };
  std::vector<std::vector<std::vector<std::vector<Tri>>>> memo(
      n, std::vector<std::vector<std::vector<Tri>>>(n));
  std::vector<std::vector<char>> done(n, std::vector<char>(n, 0));
  const auto all = [&](auto& self, std::size_t i,
                       std::size_t j) -> const std::vector<std::vector<Tri>>& {
    if (!done[i][j]) {
      done[i][j] = 1;
      if (j == i + 1)
        memo[i][j].push_back({});
      for (std::size_t k = i + 1; k < j; ++k) {
        if (!proper(i, k, j))
          continue;
        for (const std::vector<Tri>& left : self(self, i, k)) {
          for (const std::vector<Tri>& right : self(self, k, j)) {
            std::vector<Tri> both = left;
            both.insert(both.end(), right.begin(), right.end());
            both.push_back({i, k, j});
            memo[i][j].push_back(std::move(both));
          }
        }
      }
    }
    return memo[i][j];
  };
  Scores best;
  for (const std::vector<Tri>& tris : all(all, 0, n - 1)) {
    std::vector<TAcadTriangle> triangles;
    for (const Tri& t : tris)
      triangles.push_back({ring[t[0]], ring[t[1]], ring[t[2]]});
    const PrintErrorTotals e = TotalPrintError(triangles, rules);
    ++best.count;
    if (e.largest < best.largest * (1 - 1e-12)) {
      best.largest = e.largest;
      best.sum = e.sum;
    } else if (e.largest <= best.largest * (1 + 1e-12)) {
      best.largest = std::min(best.largest, e.largest);
      best.sum = std::min(best.sum, e.sum);
    }
  }
  return best;
}

const PrintRules kRules[] = {
    {AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0},
    {AreaMethod::kHeron, 3, RoundingMode::kRoundUp, 1000.0},
    {AreaMethod::kBaseHeight, 1, RoundingMode::kTruncate, 1000.0},
};

// Hand-made lots of up to 9 corners: an L, a U, a comb, straight runs with exact and with
// millimetre-off points, a triangle with points on every side and a notch.
std::vector<Points> HandMade() {
  return {
      Ring({{0, 0}, {20000, 0}, {20000, 8000}, {8000, 8000}, {8000, 25000}, {0, 25000}}),
      Ring({{0, 0},
            {30000, 0},
            {30000, 20000},
            {22000, 20000},
            {22000, 6000},
            {8000, 6000},
            {8000, 20000},
            {0, 20000}}),
      Ring({{0, 0},
            {40000, 0},
            {40000, 9000},
            {30000, 3000},
            {20000, 9000},
            {10000, 3000},
            {0, 9000}}),
      Ring({{0, 0}, {10000, 0}, {20000, 0}, {30000, 0}, {40000, 0}, {40000, 12000}, {0, 12000}}),
      Ring({{0, 0},
            {10000, 3},
            {20000, -2},
            {30000, 4},
            {40000, 0},
            {40000, 12000},
            {20000, 12004},
            {0, 12000}}),
      Ring({{0, 0}, {6000, 0}, {12000, 0}, {8000, 4000}, {4000, 8000}, {0, 12000}, {0, 6000}}),
      Ring({{0, 0},
            {12000, 0},
            {12000, 12000},
            {6000, 12000},
            {6000, 300},
            {5700, 12000},
            {0, 12000}}),
      Ring({{0, 0}, {14500, -300}, {29000, 0}, {29000, 8000}, {14500, 8300}, {0, 8000}}),
      // Notches whose inner corners stand exactly on the line between two other corners.
      Ring({{0, 0}, {20000, 0}, {20000, 20000}, {10000, 10000}, {0, 20000}}),
      Ring({{0, 0},
            {30000, 0},
            {30000, 30000},
            {20000, 30000},
            {15000, 15000},
            {10000, 30000},
            {0, 30000}}),
      Ring({{0, 0},
            {9000, 3000},
            {18000, 0},
            {18000, 9000},
            {12000, 6000},
            {6000, 6000},
            {0, 9000}}),
  };
}

// The search finds exactly the least largest error of all triangulations, and the least sum
// among those that reach it, on small polygons of every kind, in both orientations.
TEST(OptimalPrintTriangulation, MatchesTheBestOfEveryTriangulation) {
  std::mt19937 rng(3);
  std::vector<Points> rings = HandMade();
  for (std::size_t n = 3; n <= 9; ++n) {
    for (int k = 0; k < 12; ++k)
      rings.push_back(Star(n, rng, k % 3 == 0));
    for (int k = 0; k < 12; ++k)
      rings.push_back(Star(n, rng, false, 5000.0));
  }
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int k = 0; k < 8; ++k) {  // a U with a run a few millimetres off straight on its bottom
    Points r = Ring(
        {{30000, 20000}, {22000, 20000}, {22000, 6000}, {8000, 6000}, {8000, 20000}, {0, 20000}});
    for (double x = 0; x <= 30000; x += 10000)
      r.push_back({x, std::round(-4 + 8 * u(rng)), 0});
    rings.push_back(Numbered(r));
  }
  std::size_t checked = 0, triangulations = 0;
  for (const Points& forward : rings) {
    if (!IsSimplePolygon(forward))
      continue;
    for (const Points& ring : {forward, Reversed(forward)}) {
      for (const PrintRules& rules : kRules) {
        SCOPED_TRACE(testing::Message() << "ring " << checked << " of " << ring.size());
        const std::optional<StableTriangulation> t = OptimalPrintTriangulation(ring, rules);
        ASSERT_TRUE(t.has_value());
        EXPECT_TRUE(t->optimal);
        ExpectValid(ring, *t, rules);
        const Scores best = BruteForce(ring, rules);
        ASSERT_GT(best.count, 0u);
        EXPECT_NEAR(t->error.largest, best.largest, 1e-12 * best.largest);
        EXPECT_NEAR(t->error.sum, best.sum, 1e-9 * best.sum);
        triangulations += best.count;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 450u);
  EXPECT_GT(triangulations, 20000u);
}

// The lot whose 29 m side bends 30 cm: cut along the chord, the bend is a triangle printed
// 29.00 / 14.50 / 14.50, area 0.00 for 4.35 m^2. The stable triangulation never uses the chord,
// and the areas it prints add up to the lot's within its errors (a few hundredths of a m^2 each).
TEST(PrintStableTriangulation, KeepsTheBendOfALongSideOutOfASliver) {
  const TAcadPoint a{0, 0, 0}, bend{14500, -300, 0}, b{29000, 0, 0};
  const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
  const TAcadTriangle sliver{a, bend, b};
  ASSERT_EQ(AreaAsPrinted(sliver, rules).area, 0.0);
  for (const double depth : {6000.0, 12000.0, 20000.0}) {
    for (const Points& lot : {Numbered({a, bend, b, {29000, depth, 0}, {0, depth, 0}}),
                              Numbered({b, {29000, depth, 0}, {0, depth, 0}, a, bend})}) {
      const std::optional<StableTriangulation> t = PrintStableTriangulation(lot, rules);
      ASSERT_TRUE(t.has_value());
      ExpectValid(lot, *t, rules);
      double printed = 0.0, exact = 0.0;
      for (const TAcadTriangle& tri : t->triangles) {
        EXPECT_FALSE(tri.p2 == bend && (tri.p1 == a || tri.p1 == b) &&
                     (tri.p3 == a || tri.p3 == b));
        printed += AreaAsPrinted(tri, rules).area;
        exact += TrueArea(tri, rules.scale);
      }
      EXPECT_NEAR(exact, 29 * depth / 1000 + 4.35, 1e-9);
      EXPECT_NEAR(printed, exact, t->error.sum) << depth;
      EXPECT_LT(t->error.sum, 0.5);
      EXPECT_GT(PrintError(sliver, rules), 20 * t->error.largest);
    }
  }
}

// A long lot (60 m by 7 m) whose long sides are broken every 5 m at points a few millimetres off
// the straight line: no triangle takes three points of one side, the largest error is no larger
// than the constrained Delaunay triangulation's, and the printed areas add up.
TEST(PrintStableTriangulation, LongLotWithPointsJustOffStraightRuns) {
  std::mt19937 rng(5);
  const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
  for (int trial = 0; trial < 4; ++trial) {
    const Points lot = LongLot(60000, 7000, 5000, 4, rng);
    ASSERT_EQ(lot.size(), 26u);  // 0..12 on the bottom side, 13..25 on the top
    const std::optional<StableTriangulation> t = PrintStableTriangulation(lot, rules);
    ASSERT_TRUE(t.has_value());
    ExpectValid(lot, *t, rules);
    double printed = 0.0, exact = 0.0;
    for (const TAcadTriangle& tri : t->triangles) {
      const std::size_t i = IndexOf(lot, tri.p1), k = IndexOf(lot, tri.p2),
                        j = IndexOf(lot, tri.p3);
      EXPECT_FALSE(j <= 12 || i >= 13) << i << " " << k << " " << j;
      printed += AreaAsPrinted(tri, rules).area;
      exact += TrueArea(tri, rules.scale);
    }
    EXPECT_NEAR(printed, exact, t->error.sum);
    const std::optional<Triangulation> cdt = TriangulatePolygon(lot);
    ASSERT_TRUE(cdt.has_value());
    const double delaunay = TotalPrintError(cdt->triangles, rules).largest;
    EXPECT_LE(t->error.largest, delaunay);
    EXPECT_LT(t->error.largest, 0.1);
  }
}

// Above kMaxExactCorners the flips take over. They never end worse than the constrained
// Delaunay triangulation they start from nor better than the search; every result is valid.
TEST(PrintStableTriangulation, FlipsAboveTheSearchLimitBetweenDelaunayAndTheOptimum) {
  std::mt19937 rng(9);
  const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
  std::vector<Points> rings = HandMade();
  rings.push_back(LongLot(80000, 9000, 4000, 3, rng));
  rings.push_back(Star(60, rng, false));
  rings.push_back(Star(40, rng, true));
  for (const Points& ring : rings) {
    SCOPED_TRACE(ring.size());
    const std::optional<StableTriangulation> flipped = FlippedPrintTriangulation(ring, rules);
    const std::optional<StableTriangulation> best = OptimalPrintTriangulation(ring, rules);
    const std::optional<Triangulation> cdt = TriangulatePolygon(ring);
    ASSERT_TRUE(flipped && best && cdt);
    EXPECT_FALSE(flipped->optimal);
    ExpectValid(ring, *flipped, rules);
    EXPECT_LE(flipped->error.largest, TotalPrintError(cdt->triangles, rules).largest);
    EXPECT_GE(flipped->error.largest, best->error.largest * (1 - 1e-12));
  }
  const Points big = Star(kMaxExactCorners + 1, rng, false);
  const std::optional<StableTriangulation> t = PrintStableTriangulation(Reversed(big), rules);
  ASSERT_TRUE(t.has_value());
  EXPECT_FALSE(t->optimal);
  ExpectValid(Reversed(big), *t, rules);
  const std::optional<StableTriangulation> atLimit = PrintStableTriangulation(
      LongLot(4000.0 * (kMaxExactCorners / 2 - 1), 9000, 4000, 3, rng), rules);
  ASSERT_TRUE(atLimit.has_value());
  EXPECT_TRUE(atLimit->optimal);
}

// Nothing for what is no simple polygon; collinear runs and touching-free notches are simple.
TEST(IsSimplePolygon, RefusesCrossingsTouchesSpikesAndRepeats) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<Points, bool> cases[] = {
      {Ring({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), true},
      {Ring({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}), true},
      {Ring({{0, 0}, {10, 0}, {5, 5}}), true},
      {Ring({{0, 0}, {10, 0}}), false},
      {Ring({{0, 0}, {5, 0}, {10, 0}}), false},                      // flat
      {Ring({{0, 0}, {10, 10}, {10, 0}, {0, 10}}), false},           // bow tie
      {Ring({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}}), false},  // repeated point
      {Ring({{0, 0}, {10, 0}, {10, 10}, {10, 5}, {0, 10}}), false},  // folds back on itself
      {Ring({{0, 0}, {10, 0}, {10, 10}, {5, 0}, {0, 10}}), false},   // a corner on an edge
      {Ring({{0, 0}, {10, 0}, {10, 10}, {5, 5}, {10, 10}, {0, 10}}), false},  // a corner twice
      {Ring({{0, 0}, {10, 0}, {nan, 10}, {0, 10}}), false},
  };
  for (const auto& [ring, simple] : cases) {
    SCOPED_TRACE(ring.size());
    EXPECT_EQ(IsSimplePolygon(ring), simple);
    for (const PrintRules& rules : kRules) {
      EXPECT_EQ(PrintStableTriangulation(ring, rules).has_value(), simple);
      EXPECT_EQ(FlippedPrintTriangulation(ring, rules).has_value(), simple);
    }
  }
}

}  // namespace
}  // namespace trivane
