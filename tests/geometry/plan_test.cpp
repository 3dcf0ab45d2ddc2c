#include "geometry/plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "test_points.h"

namespace trivane {
namespace {

constexpr double kExact = 0.0;

// The axis branches change exactly one coordinate; 2*pi is not an axis constant.
TEST(PolarPoint, AxisAnglesAreExactAndTwoPiGoesThroughCosSin) {
  struct Case {
    double theta;
    TAcadPoint expected;
  };
  const TAcadPoint p{1, 2, 7};
  const Case cases[] = {
      {0.0, {6, 2, 7}},
      {kHalfPi, {1, 7, 7}},
      {kPi, {-4, 2, 7}},
      {kThreeHalfPi, {1, -3, 7}},
      {kTwoPi, {6, 1.9999999999999987, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.theta);
    EXPECT_EQ(PolarPoint(p, c.theta, 5), c.expected);
  }
  // A negative angle is not normalised either: -pi/2 goes through cos and sin.
  EXPECT_NE(PolarPoint({0.1, 0, 0}, -kHalfPi, 5).x, 0.1);
}

TEST(PolarPoint, StepAlongAnAxisParallelSideKeepsTheOtherCoordinate) {
  const TAcadPoint p{0.1, 0.7, 0}, q{0.1, 5.3, 0};
  EXPECT_EQ(PolarPoint(p, LineAngle(p, q), 2.2).x, 0.1);
  EXPECT_EQ(PolarPoint(q, LineAngle(q, p), 2.2).x, 0.1);
  const TAcadPoint r{-3.3, 0.7, 0};
  EXPECT_EQ(PolarPoint(p, LineAngle(p, r), 1.1).y, 0.7);
  EXPECT_EQ(PolarPoint(r, LineAngle(r, p), 1.1).y, 0.7);
}

TEST(LineAngle, AxisToleranceQuadrantsAndCoincidentPoints) {
  struct Case {
    const char* name;
    TAcadPoint to;  // from (0, 0)
    double expected;
    double tol;
  };
  const Case cases[] = {
      {"coincident", {0, 0, 0}, kThreeHalfPi, kExact},
      {"down, |dx| below 1e-5", {0.000009, -1, 0}, kThreeHalfPi, kExact},
      {"up, |dx| below 1e-5", {0.000009, 1, 0}, kHalfPi, kExact},
      {"up, dx exactly 1e-5 is not vertical", {0.00001, 1, 0}, std::atan(1 / 0.00001), 1e-15},
      {"right, |dy| below 1e-5", {1, -0.000009, 0}, 0.0, kExact},
      {"left", {-1, 0, 0}, kPi, kExact},
      {"left, |dy| below 1e-5", {-1, 0.000009, 0}, kPi, kExact},
      {"first quadrant", {1, 1, 0}, kPi / 4, 1e-15},
      {"second quadrant", {-1, 1, 0}, 3 * kPi / 4, 1e-15},
      {"third quadrant", {-1, -1, 0}, 5 * kPi / 4, 1e-15},
      {"fourth quadrant", {1, -1, 0}, kTwoPi - kPi / 4, 1e-15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double a = LineAngle({0, 0, 0}, c.to);
    if (c.tol == kExact) {
      EXPECT_EQ(a, c.expected);
    } else {
      EXPECT_NEAR(a, c.expected, c.tol);
    }
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, kTwoPi);
  }
}

TEST(Distance, PlanOnly) {
  EXPECT_DOUBLE_EQ(Distance({1, 1, 100}, {4, 5, -3}), 5.0);
  EXPECT_EQ(Distance({2, 3, 0}, {2, 3, 9}), 0.0);
}

TEST(Intersection, ParallelAndBoundedEndRules) {
  struct Case {
    const char* name;
    TAcadPoint a, b, c, d;
    bool bounded;
    std::optional<TAcadPoint> expected;
  };
  const Case cases[] = {
      {"parallel", {0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {2, 1, 0}, false, std::nullopt},
      {"coincident", {0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {3, 0, 0}, false, std::nullopt},
      {"crossing segments", {0, 0, 0}, {2, 0, 0}, {1, -1, 0}, {1, 1, 0}, true, {{1, 0, 0}}},
      {"meeting at both first points (t = u = 0)",
       {0, 0, 0},
       {2, 0, 0},
       {0, 0, 0},
       {0, 2, 0},
       true,
       std::nullopt},
      {"meeting at the first point of the second segment only",
       {2, 0, 0},
       {0, 0, 0},
       {0, 0, 0},
       {0, 2, 0},
       true,
       std::nullopt},
      {"meeting at both last points (t = u = 1)",
       {2, 0, 0},
       {0, 0, 0},
       {0, 2, 0},
       {0, 0, 0},
       true,
       {{0, 0, 0}}},
      {"beyond the end, bounded", {0, 0, 0}, {1, 0, 0}, {5, 1, 0}, {5, 2, 0}, true, std::nullopt},
      {"beyond the end, unbounded", {0, 0, 0}, {1, 0, 0}, {5, 1, 0}, {5, 2, 0}, false, {{5, 0, 0}}},
      {"z comes from a", {0, 0, 4}, {2, 2, 8}, {0, 2, -1}, {2, 0, -1}, true, {{1, 1, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto x =
        c.bounded ? SegmentIntersection(c.a, c.b, c.c, c.d) : LineIntersection(c.a, c.b, c.c, c.d);
    ASSERT_EQ(x.has_value(), c.expected.has_value());
    if (x) {
      EXPECT_TRUE(PointNear(*x, *c.expected, 1e-12));
    }
  }
}

TEST(AreaFromSides, HeronAndDegenerateSides) {
  EXPECT_DOUBLE_EQ(AreaFromSides(3, 4, 5), 6.0);
  EXPECT_EQ(AreaFromSides(1, 2, 3), 0.0);  // flat
  EXPECT_EQ(AreaFromSides(1, 1, 5), 0.0);  // impossible
  EXPECT_EQ(AreaFromSides(0, 0, 0), 0.0);
}

TEST(TriangleApex, ResultsOnTheBase0To4) {
  struct Case {
    const char* name;
    TAcadPoint p1, p2;
    double a, b;
    ApexResult result;
  };
  const Case cases[] = {
      {"two apexes", {0, 0, 0}, {4, 0, 0}, 3, 3, ApexResult::kTwo},
      {"flat along the base", {0, 0, 0}, {4, 0, 0}, 1, 3, ApexResult::kFlat},
      {"too short", {0, 0, 0}, {4, 0, 0}, 1, 1, ApexResult::kNone},
      {"too long (sides beyond the base are not flat along it)",
       {0, 0, 0},
       {4, 0, 0},
       1,
       5,
       ApexResult::kNone},
      {"coincident base ends", {1, 1, 0}, {1, 1, 0}, 2, 2, ApexResult::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TriangleApex(c.p1, c.a, c.p2, c.b).result, c.result);
  }
}

TEST(TriangleApex, X1IsLeftOfTheDirectedBaseX2Right) {
  const auto r = TriangleApex({0, 0, 2}, 3, {4, 0, 9}, 3);
  ASSERT_EQ(r.result, ApexResult::kTwo);
  EXPECT_TRUE(PointNear(r.x1, {2, std::sqrt(5.0), 2}, 1e-12));
  EXPECT_TRUE(PointNear(r.x2, {2, -std::sqrt(5.0), 2}, 1e-12));

  // Reversed base: left and right swap.
  const auto rev = TriangleApex({4, 0, 0}, 3, {0, 0, 0}, 3);
  ASSERT_EQ(rev.result, ApexResult::kTwo);
  EXPECT_GT(rev.x2.y, 0);
  EXPECT_LT(rev.x1.y, 0);

  // Unequal sides on a slanted base: the distances hold.
  const TAcadPoint p1{1, 2, 0}, p2{7, 10, 0};
  const auto s = TriangleApex(p1, 6, p2, 8);
  ASSERT_EQ(s.result, ApexResult::kTwo);
  for (const TAcadPoint& x : {s.x1, s.x2}) {
    EXPECT_NEAR(Distance(p1, x), 6, 1e-9);
    EXPECT_NEAR(Distance(p2, x), 8, 1e-9);
  }
}

TEST(Incenter, MatchesTheSideWeightedMean) {
  struct Case {
    const char* name;
    TAcadPoint p1, p2, p3;
  };
  const Case cases[] = {
      {"right triangle", {0, 0, 0}, {4, 0, 0}, {0, 3, 0}},
      // The mean of the directions at p1 (about 0.1 and 6.18) points backwards; same line.
      {"bisector mean pointing backwards", {0, 0, 0}, {10, 1, 0}, {10, -1, 0}},
      {"clockwise", {3, 1, 0}, {-2, 4, 0}, {7, 9, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double a = Distance(c.p2, c.p3), b = Distance(c.p3, c.p1), d = Distance(c.p1, c.p2);
    const double s = a + b + d;
    const TAcadPoint expected{(a * c.p1.x + b * c.p2.x + d * c.p3.x) / s,
                              (a * c.p1.y + b * c.p2.y + d * c.p3.y) / s, c.p1.z};
    EXPECT_TRUE(PointNear(Incenter(c.p1, c.p2, c.p3), expected, 1e-9));
  }
}

TEST(Incenter, FlatTriangleGivesTheCentroid) {
  EXPECT_TRUE(PointNear(Incenter({0, 0, 1}, {5, 0, 2}, {10, 0, 3}), {5, 0, 1}, 1e-12));
  EXPECT_TRUE(PointNear(Incenter({0, 0, 0}, {0, 3, 0}, {0, 9, 0}), {0, 4, 0}, 1e-12));
}

TEST(Midpoint, AveragesZToo) {
  EXPECT_EQ(Midpoint({0, 0, 0}, {2, 2, 4}), (TAcadPoint{1, 1, 2}));
}

TEST(BaseAndHeight, LongestSideWithTiesToTheEarlierSide) {
  struct Case {
    const char* name;
    TAcadTriangle t;
    TAcadPoint start, end, apex, foot;
  };
  const double h = std::sqrt(3.0) / 2;
  const Case cases[] = {
      {"equilateral: p1-p2",
       {{0, 0, 0}, {1, 0, 0}, {0.5, h, 0}},
       {0, 0, 0},
       {1, 0, 0},
       {0.5, h, 0},
       {0.5, 0, 0}},
      {"p2-p3 longest",
       {{0, 0, 0}, {1, 0, 0}, {0, 3, 0}},
       {1, 0, 0},
       {0, 3, 0},
       {0, 0, 0},
       {0.9, 0.3, 0}},
      {"p3-p1 longest",
       {{0, 0, 0}, {1, 0, 0}, {3, 3, 0}},
       {3, 3, 0},
       {0, 0, 0},
       {1, 0, 0},
       {0.5, 0.5, 0}},
      {"p2-p3 ties p3-p1: p2-p3",
       {{0, 0, 0}, {2, 0, 0}, {1, 5, 0}},
       {2, 0, 0},
       {1, 5, 0},
       {0, 0, 0},
       {50.0 / 26, 10.0 / 26, 0}},
      {"p1-p2 ties p3-p1: p1-p2",
       {{0, 0, 0}, {5, 0, 0}, {3, 4, 0}},
       {0, 0, 0},
       {5, 0, 0},
       {3, 4, 0},
       {3, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BaseHeight r = BaseAndHeight(c.t);
    EXPECT_EQ(r.start, c.start);
    EXPECT_EQ(r.end, c.end);
    EXPECT_EQ(r.apex, c.apex);
    ASSERT_TRUE(r.foot.has_value());
    EXPECT_TRUE(PointNear(*r.foot, c.foot, 1e-12));
  }
}

TEST(BaseAndHeight, ZeroLengthBaseHasNoFoot) {
  const TAcadPoint p{2, 3, 0};
  const BaseHeight r = BaseAndHeight({p, p, p});
  EXPECT_EQ(r.start, p);
  EXPECT_FALSE(r.foot.has_value());
}

TEST(PerpendicularFoot, BoundedAndUnbounded) {
  struct Case {
    const char* name;
    TAcadPoint p, a, b;
    bool bounded;
    std::optional<TAcadPoint> expected;
  };
  const Case cases[] = {
      {"on the segment, z of p", {5, 3, 2}, {0, 0, 0}, {10, 0, 0}, true, {{5, 0, 2}}},
      {"vertical segment", {3, 5, 0}, {0, 0, 0}, {0, 10, 0}, true, {{0, 5, 0}}},
      {"slanted segment", {0, 10, 0}, {0, 0, 0}, {10, 10, 0}, true, {{5, 5, 0}}},
      {"beyond the end, bounded", {12, 3, 0}, {0, 0, 0}, {10, 0, 0}, true, std::nullopt},
      {"beyond the end, unbounded", {12, 3, 0}, {0, 0, 0}, {10, 0, 0}, false, {{12, 0, 0}}},
      {"at the end point", {10, 3, 0}, {0, 0, 0}, {10, 0, 0}, true, {{10, 0, 0}}},
      {"coincident a and b", {1, 1, 0}, {4, 4, 0}, {4, 4, 0}, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto x = PerpendicularFoot(c.p, c.a, c.b, c.bounded);
    ASSERT_EQ(x.has_value(), c.expected.has_value());
    if (x) {
      EXPECT_TRUE(PointNear(*x, *c.expected, 1e-9));
    }
  }
}

TEST(OnSegment, WithinOneHundredThousandth) {
  const TAcadPoint a{0, 0, 0}, b{10, 0, 0};
  EXPECT_TRUE(OnSegment({5, 0.000001, 0}, a, b));
  EXPECT_TRUE(OnSegment({10, 0, 0}, a, b));
  EXPECT_FALSE(OnSegment({10.001, 0, 0}, a, b));
  EXPECT_FALSE(OnSegment({5, 0.01, 0}, a, b));
}

}  // namespace
}  // namespace trivane
