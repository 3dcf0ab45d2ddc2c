// Boundary tracing: outlines with arcs, points that join, faces with islands and bridges, and the
// windowed trace that must give the whole set's answer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <optional>
#include <ostream>
#include <random>
#include <vector>

#include "geometry/trace/trace.h"

namespace trivane::trace {
namespace {

using Curves = std::vector<Curve>;

}  // namespace

void PrintTo(const Outline& o, std::ostream* os) {
  *os << std::setprecision(17);
  for (std::size_t i = 0; i < o.vertices.size(); ++i)
    *os << "(" << o.vertices[i].x << ", " << o.vertices[i].y << ") bulge " << o.bulges[i] << "; ";
}

namespace {

Curves Closed(const std::vector<TAcadPoint>& ring) {
  Curves out;
  for (std::size_t i = 0; i < ring.size(); ++i)
    out.push_back({ring[i], ring[(i + 1) % ring.size()], 0.0});
  return out;
}

Curves Join(Curves a, const Curves& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Twice the signed area of an outline with its arcs: the shoelace sum plus each arc's segment.
double Area(const Outline& o) {
  double sum = 0.0;
  for (std::size_t i = 0; i < o.vertices.size(); ++i) {
    const TAcadPoint& a = o.vertices[i];
    const TAcadPoint& b = o.vertices[(i + 1) % o.vertices.size()];
    sum += (a.x * b.y - b.x * a.y) / 2.0;
    if (o.bulges[i] != 0.0) {
      const double theta = 4.0 * std::atan(o.bulges[i]);
      const double r = std::hypot(b.x - a.x, b.y - a.y) / (2.0 * std::sin(std::abs(theta) / 2.0));
      sum += r * r / 2.0 * (theta - std::sin(theta));
    }
  }
  return sum;
}

// A lot with a frontage arc bulging up from its top side: (10,10) to (0,10), a quarter turn.
const double kQuarter = std::tan(std::acos(-1.0) / 8.0);
const Curves kArcLot{{{0, 0, 0}, {10, 0, 0}, 0.0},
                     {{10, 0, 0}, {10, 10, 0}, 0.0},
                     {{10, 10, 0}, {0, 10, 0}, kQuarter},
                     {{0, 10, 0}, {0, 0, 0}, 0.0}};
const Outline kArcOutline{{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, {0, 0, kQuarter, 0}};

// Two corners of a survey and a vertex between them, on the line as far as doubles go.
const TAcadPoint kA0{-35069.4477, 12347.6072, 0};
const TAcadPoint kA3{-35068.3746, 12370.8374, 0};
const TAcadPoint kMiddle{kA0.x + 0.3253 * (kA3.x - kA0.x), kA0.y + 0.3253 * (kA3.y - kA0.y), 0};

struct Case {
  const char* name;
  Curves curves;
  TAcadPoint pick;
  std::optional<Outline> expected;
};

class TraceCase : public ::testing::TestWithParam<Case> {};

TEST_P(TraceCase, OutlineOfTheRegionAroundThePoint) {
  const Case& c = GetParam();
  const BoundarySet set(c.curves);
  EXPECT_EQ(set.Trace(c.pick), c.expected);
  EXPECT_EQ(set.TraceWhole(c.pick), c.expected);
}

const Case kCases[] = {
    {"ArcFrontageKeepsItsBulge", kArcLot, {5, 5, 0}, kArcOutline},
    // Between the arc and its chord is inside the lot too.
    {"PointBetweenArcAndChord", kArcLot, {5, 11, 0}, kArcOutline},
    {"ArcDrawnTheOtherWay",
     Curves{kArcLot[0], kArcLot[1], {{0, 10, 0}, {10, 10, 0}, -kQuarter}, kArcLot[3]},
     {5, 11, 0},
     kArcOutline},
    {"OutsideTheArc", kArcLot, {5, 13, 0}, std::nullopt},
    // An arc meeting a straight side at both ends: the region between them.
    {"ArcAndChordBoundTheSegment",
     Join(kArcLot, {{{0, 10, 0}, {10, 10, 0}, 0.0}}),
     {5, 11, 0},
     Outline{{{0, 10, 0}, {10, 10, 0}}, {0, kQuarter}}},
    // Ends a hair from a corner or from a side join the vertex already there, the end drawn first:
    // no second vertex a rounding error away, no gap.
    {"NearMissAtACornerJoins",
     {{{0, 0, 0}, {10, 0, 0}, 0.0},
      {{10, 1e-11, 0}, {10, 10, 0}, 0.0},
      {{10, 10, 0}, {1e-11, 10, 0}, 0.0},
      {{0, 10, 0}, {0, -1e-11, 0}, 0.0}},
     {5, 5, 0},
     Outline{{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {1e-11, 10, 0}}, {0, 0, 0, 0}}},
    {"LineStoppingShortOfASideMeetsIt",
     Join(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}),
          {{{10, 10, 0}, {10, 1e-11, 0}, 0.0}}),
     {5, 5, 0},
     Outline{{{0, 0, 0}, {10, 1e-11, 0}, {10, 10, 0}, {0, 10, 0}}, {0, 0, 0, 0}}},
    {"EndsFurtherApartThanTheToleranceStayOpen",
     {{{0, 0, 0}, {10, 0, 0}, 0.0},
      {{10, 1e-6, 0}, {10, 10, 0}, 0.0},
      {{10, 10, 0}, {0, 10, 0}, 0.0},
      {{0, 10, 0}, {0, 0, 0}, 0.0}},
     {5, 5, 0},
     std::nullopt},
    // A neighbour's cut runs from corner to corner along the shared side, whose middle vertex
    // lies a rounding error off the straight line: the two nearly in line met nowhere but at
    // their ends, yet a crossing computed for them fell 0.2 mm up the side and made a vertex.
    {"CutAlongANearlyStraightSideAddsNoVertex",
     Join(Closed({kA0, {-35051.4378, 12345.6186, 0}, {-35052.0295, 12370.0632, 0}, kA3, kMiddle}),
          {{kA3, kA0, 0.0}}),
     {-35060, 12360, 0},
     Outline{{{-35051.4378, 12345.6186, 0}, {-35052.0295, 12370.0632, 0}, kA3, kMiddle, kA0},
             {0, 0, 0, 0, 0}}},
    // A building inside the lot, tied to its side by a line, and a loose line: the lot's outline
    // as it is.
    {"IslandBridgeAndDangleLeaveTheOutline",
     Join(Join(Closed({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}),
               Closed({{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}})),
          {{{0, 15, 0}, {10, 15, 0}, 0.0}, {{25, 25, 0}, {28, 28, 0}, 0.0}}),
     {5, 5, 0},
     Outline{{{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}, {0, 15, 0}}, {0, 0, 0, 0, 0}}},
    {"InsideTheTiedBuilding",
     Join(Join(Closed({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}),
               Closed({{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}})),
          {{{0, 15, 0}, {10, 15, 0}, 0.0}}),
     {15, 15, 0},
     Outline{{{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}, {10, 15, 0}}, {0, 0, 0, 0, 0}}},
    {"OnTheArc",
     kArcLot,
     {5, 10 + 5 * (1 - std::cos(std::acos(-1.0) / 4)) / std::sin(std::acos(-1.0) / 4), 0},
     std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Trace, TraceCase, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

// A line across an arc frontage cuts it at the crossing; both parts keep the arc, and the two
// lots add up to the whole.
TEST(Trace, LineAcrossAnArcCutsItIntoTwoArcs) {
  const Curves curves = Join(kArcLot, {{{4, -5, 0}, {4, 20, 0}, 0.0}});
  const BoundarySet set(curves);
  const std::optional<Outline> left = set.Trace({2, 5, 0});
  const std::optional<Outline> right = set.Trace({8, 5, 0});
  const std::optional<Outline> whole = BoundarySet(kArcLot).Trace({5, 5, 0});
  ASSERT_TRUE(left && right && whole);
  ASSERT_EQ(left->vertices.size(), 4u);
  ASSERT_EQ(right->vertices.size(), 4u);
  // The crossing lies on the arc's circle (centre (5, 5), radius 5 sqrt 2).
  const TAcadPoint x = left->vertices[2];
  EXPECT_EQ(x.x, 4.0);
  EXPECT_NEAR(std::hypot(x.x - 5, x.y - 5), 5 * std::sqrt(2.0), 1e-12);
  EXPECT_EQ(right->vertices[3], x);
  EXPECT_GT(left->bulges[2], 0.0);
  EXPECT_GT(right->bulges[2], 0.0);
  EXPECT_NEAR(Area(*left) + Area(*right), Area(*whole), 1e-9);
}

// Lots of a subdivision with jittered corners and a vertex in the middle of every side: each lot
// traced in a window comes out as the whole set traces it, with its corners bit for bit.
TEST(Trace, WindowedTraceGivesTheWholeSetsAnswer) {
  constexpr int kSide = 12;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(-3.0, 3.0);
  std::vector<std::vector<TAcadPoint>> corner(kSide + 1, std::vector<TAcadPoint>(kSide + 1));
  for (int i = 0; i <= kSide; ++i)
    for (int j = 0; j <= kSide; ++j)
      corner[i][j] = {40000.0 + i * 20.0 + jitter(random), -12000.0 + j * 20.0 + jitter(random), 0};
  Curves curves;
  const auto side = [&](TAcadPoint a, TAcadPoint b) {
    const TAcadPoint m{(a.x + b.x) / 2 + 0.3, (a.y + b.y) / 2 - 0.2, 0};
    curves.push_back({a, m, 0.0});
    curves.push_back({m, b, 0.0});
  };
  for (int i = 0; i <= kSide; ++i) {
    for (int j = 0; j <= kSide; ++j) {
      if (i < kSide)
        side(corner[i][j], corner[i + 1][j]);
      if (j < kSide)
        side(corner[i][j], corner[i][j + 1]);
    }
  }
  const BoundarySet set(curves);
  for (int i = 0; i < kSide; ++i) {
    for (int j = 0; j < kSide; ++j) {
      const TAcadPoint pick{40010.0 + i * 20.0, -11990.0 + j * 20.0, 0};
      const std::optional<Outline> near = set.Trace(pick);
      ASSERT_TRUE(near) << i << "," << j;
      EXPECT_EQ(near, set.TraceWhole(pick)) << i << "," << j;
      ASSERT_EQ(near->vertices.size(), 8u);
      EXPECT_NE(std::find(near->vertices.begin(), near->vertices.end(), corner[i][j]),
                near->vertices.end());
    }
  }
  EXPECT_EQ(set.Trace({39000, -13000, 0}), std::nullopt);
}

// Curves added and removed between traces, and a filter that leaves some out, count as if the
// set had been made anew.
TEST(Trace, AddedRemovedAndFilteredCurves) {
  BoundarySet set(Join(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}),
                       {{{10, 0, 0}, {10, 10, 0}, 0.0}}));
  const Outline right{{{10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}}, {0, 0, 0, 0}};
  const Outline whole{{{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}, {0, 0, 0, 0}};
  EXPECT_EQ(set.Trace({15, 5, 0}), right);
  EXPECT_EQ(set.Trace({15, 5, 0}, [](int key) { return key != 4; }), whole);
  set.Remove(4);
  EXPECT_EQ(set.Trace({15, 5, 0}), whole);
  const int key = set.Add({{12, 10, 0}, {12, 0, 0}, 0.0});
  EXPECT_EQ(key, 5);
  EXPECT_EQ(set.Trace({15, 5, 0}),
            (Outline{{{12, 0, 0}, {20, 0, 0}, {20, 10, 0}, {12, 10, 0}}, {0, 0, 0, 0}}));
  EXPECT_EQ(set.Add({{3, 3, 0}, {3, 3, 0}, 0.0}), -1);  // bounds nothing
  EXPECT_EQ(set.size(), 5u);
}

// A table placed at y = -4e23 beside a lot whose grid has cells of a few units: the cell numbers
// of its lines were converted to 64-bit integers out of range (undefined behaviour, caught by the
// script fuzz target under UBSan). Such lines go on the long list, and traces read them there.
// (What the joining tolerance then makes of the lot, 1e-10 of the farthest coordinate, is a
// question of its own.)
TEST(Trace, LinesFarBeyondTheGridsCellsGoOnTheLongList) {
  BoundarySet set(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}));
  // The table's rules: short in x, so their box spans a few cells, at a row no integer holds.
  for (const Curve& c : Closed({{200, -4e23, 0}, {400, -4e23, 0}, {400, -3.9e23, 0}}))
    EXPECT_GE(set.Add(c), 0);
  EXPECT_EQ(set.size(), 7u);
  EXPECT_EQ(set.Trace({350, -3.95e23, 0}), set.TraceWhole({350, -3.95e23, 0}));
  EXPECT_EQ(set.Trace({5, 5, 0}), set.TraceWhole({5, 5, 0}));
}

TEST(Trace, ToleranceIsRelativeToTheCoordinates) {
  EXPECT_EQ(JoinTolerance(0.5), 1e-10);
  EXPECT_EQ(JoinTolerance(100000.0), 1e-5);
}

}  // namespace
}  // namespace trivane::trace
