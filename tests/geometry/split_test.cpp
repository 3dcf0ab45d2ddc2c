#include "geometry/split.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "geometry/plan.h"
#include "test_points.h"

namespace trivane {
namespace {

using Points = std::vector<TAcadPoint>;
using Triangles = std::vector<TAcadTriangle>;

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

const Points kSquare = {P(0, 0), P(10, 0), P(10, 10), P(0, 10)};
const Points kLShape = {P(0, 0), P(20, 0), P(20, 10), P(10, 10), P(10, 20), P(0, 20)};

double PolygonArea(const Points& polygon) {
  double twice = 0;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const TAcadPoint& a = polygon[k];
    const TAcadPoint& b = polygon[(k + 1) % polygon.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::fabs(twice) / 2;
}

double TriangleArea(const TAcadTriangle& t) {
  return PolygonArea({t.p1, t.p2, t.p3});
}

// Runs a split and records the cuts it notifies.
struct RecordedSplit {
  std::optional<Triangles> triangles;
  std::vector<TAcadLine> cuts;

  RecordedSplit(const Points& boundary, double viewHeight) {
    triangles =
        SplitPolygon(boundary, viewHeight, [this](const TAcadPoint& from, const TAcadPoint& to) {
          cuts.push_back({from, to});
        });
  }
};

struct SplitCase {
  const char* name;
  Points boundary;
  double viewHeight;
  std::vector<TAcadLine> cuts;
  Triangles triangles;
};

class SplitPolygonSucceeds : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPolygonSucceeds, CutOrderTrianglesAndAreas) {
  const SplitCase& c = GetParam();
  const RecordedSplit split(c.boundary, c.viewHeight);
  ASSERT_TRUE(split.triangles.has_value());
  EXPECT_EQ(split.cuts, c.cuts);
  EXPECT_EQ(*split.triangles, c.triangles);

  // Invariants of every successful split: m - 2 triangles, m - 3 cuts, areas add up.
  ASSERT_EQ(split.triangles->size(), c.boundary.size() - 2);
  EXPECT_EQ(split.cuts.size(), c.boundary.size() - 3);
  double sum = 0;
  for (const TAcadTriangle& t : *split.triangles)
    sum += TriangleArea(t);
  EXPECT_NEAR(sum, PolygonArea(c.boundary), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SplitPolygonSucceeds,
    testing::Values(
        SplitCase{"triangle_no_pass",
                  {P(0, 0), P(10, 0), P(0, 10)},
                  100,
                  {},
                  {{P(0, 0), P(10, 0), P(0, 10)}}},
        // All four angles tie: the lowest index, (0,0), is cut.
        SplitCase{"square",
                  kSquare,
                  100,
                  {{P(0, 10), P(10, 0)}},
                  {{P(0, 10), P(0, 0), P(10, 0)}, {P(10, 0), P(10, 10), P(0, 10)}}},
        // The second cut is a fan cut around (20,10) taking off the corner (0,10).
        SplitCase{"rectangle_with_side_point",
                  {P(0, 0), P(10, 0), P(20, 0), P(20, 10), P(0, 10)},
                  100,
                  {{P(0, 10), P(10, 0)}, {P(20, 10), P(10, 0)}},
                  {{P(0, 10), P(0, 0), P(10, 0)},
                   {P(20, 10), P(0, 10), P(10, 0)},
                   {P(10, 0), P(20, 0), P(20, 10)}}},
        // The cut at (0,0) is refused first: its diagonal's midpoint is the reflex corner.
        SplitCase{"l_shape",
                  kLShape,
                  100,
                  {{P(0, 0), P(20, 10)}, {P(10, 10), P(0, 20)}, {P(0, 0), P(10, 10)}},
                  {{P(0, 0), P(20, 0), P(20, 10)},
                   {P(10, 10), P(10, 20), P(0, 20)},
                   {P(0, 0), P(0, 20), P(10, 10)},
                   {P(0, 0), P(20, 10), P(10, 10)}}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(SplitPolygon, LShapeWithShortRaysFailsKeepingItsTwoCuts) {
  // Rays of length 5 do not reach the far edges, so later cuts look outside.
  const RecordedSplit split(kLShape, 0.5);
  EXPECT_FALSE(split.triangles.has_value());
  EXPECT_EQ(split.cuts, (std::vector<TAcadLine>{{P(0, 0), P(20, 10)}, {P(10, 10), P(0, 20)}}));
}

// Fewer than three points, and a region whose extent squared overflows (its area cannot be
// computed), fail before any cut is drawn.
TEST(SplitPolygon, UnsplittableRegionsFailWithoutCuts) {
  for (const Points& boundary : {Points{P(0, 0), P(10, 0)}, Points{P(3, 4)},
                                 Points{P(-1e300, -1e300), P(0, -1e300), P(1e300, -1e300),
                                        P(1e300, 1e300), P(-1e300, 1e300)}}) {
    const RecordedSplit split(boundary, 100);
    EXPECT_FALSE(split.triangles.has_value());
    EXPECT_TRUE(split.cuts.empty());
  }
}

TEST(SplitPolygon, EmptyBoundaryIsASuccessWithoutTriangles) {
  const RecordedSplit split({}, 100);
  ASSERT_TRUE(split.triangles.has_value());
  EXPECT_TRUE(split.triangles->empty());
  EXPECT_TRUE(split.cuts.empty());
}

TEST(SplitPolygon, EmptyNotificationIsAllowed) {
  const auto triangles = SplitPolygon(kSquare, 100, {});
  ASSERT_TRUE(triangles.has_value());
  EXPECT_EQ(triangles->size(), 2u);
}

TEST(SplitPolygon, CarriesZAlong) {
  const Points boundary = {{0, 0, 5}, {10, 0, 5}, {10, 10, 5}, {0, 10, 5}};
  const auto triangles = SplitPolygon(boundary, 100, {});
  ASSERT_TRUE(triangles.has_value());
  for (const TAcadTriangle& t : *triangles) {
    EXPECT_EQ(t.p1.z, 5);
    EXPECT_EQ(t.p2.z, 5);
    EXPECT_EQ(t.p3.z, 5);
  }
}

// Larger shapes, both orientations: every split that succeeds tiles the polygon.
TEST(SplitPolygon, SuccessfulSplitsTileThePolygon) {
  const Points shapes[] = {
      {P(0, 0), P(30, 0), P(30, 10), P(20, 10), P(20, 5), P(10, 5), P(10, 10), P(0, 10)},
      {P(0, 0), P(0, 10), P(10, 10), P(10, 20), P(20, 20), P(20, 0)},
      {P(0, 0), P(12, -3), P(25, 4), P(22, 15), P(9, 19), P(-4, 11)},
  };
  for (const Points& boundary : shapes) {
    SCOPED_TRACE(boundary.size());
    const RecordedSplit split(boundary, 100);
    ASSERT_TRUE(split.triangles.has_value());
    ASSERT_EQ(split.triangles->size(), boundary.size() - 2);
    EXPECT_EQ(split.cuts.size(), boundary.size() - 3);
    double sum = 0;
    for (const TAcadTriangle& t : *split.triangles) {
      EXPECT_GT(TriangleArea(t), 0);
      sum += TriangleArea(t);
    }
    EXPECT_NEAR(sum, PolygonArea(boundary), 1e-9);
  }
}

// Lots with points on an edge, as subdivisions have them where a neighbour's corner stands on the
// edge: the cut along the edge's points is refused, so no triangle is a sliver between them. The
// first is a surveyed lot whose two edge points lie on the edge but for their rounding; before,
// its last triangle was those points, turning the wrong way, and the split failed.
TEST(SplitPolygon, PointsOnAnEdgeLeaveNoSliver) {
  const Points surveyed = {P(-34887.8817, 12444.2456),
                           P(-34872.4248, 12443.7765),
                           P(-34870.8709, 12470.3456),
                           P(-34887.8148, 12468.8059),
                           P(-34887.8391447657, 12459.868459806798),
                           P(-34887.86161939118, 12451.617584704174)};
  const Points shapes[] = {
      surveyed,
      Points(surveyed.rbegin(), surveyed.rend()),
      // Exactly on the edge, half a tolerance inside it and half a tolerance outside it.
      {P(0, 0), P(20, 0), P(20, 30), P(0, 30), P(0, 20), P(0, 10)},
      {P(0, 0), P(20, 0), P(20, 30), P(0, 30), P(0.0005, 20), P(0.0005, 10)},
      {P(0, 0), P(20, 0), P(20, 30), P(0, 30), P(-0.0005, 20), P(-0.0005, 10)},
  };
  for (const Points& boundary : shapes) {
    SCOPED_TRACE(testing::PrintToString(boundary.front()) + " " +
                 testing::PrintToString(boundary[4]));
    const RecordedSplit split(boundary, 1000);
    ASSERT_TRUE(split.triangles.has_value());
    ASSERT_EQ(split.triangles->size(), boundary.size() - 2);
    EXPECT_TRUE(TrianglesTilePolygon(boundary, *split.triangles));
    for (const TAcadTriangle& t : *split.triangles) {
      const double longest =
          std::max({Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)});
      EXPECT_GT(2 * TriangleArea(t) / longest, kNearTolerance);  // its smallest height
    }
  }
}

// A lot whose left edge has a point 2 cm off the straight line: the 60-degree passes leave that
// point's ear, 2 cm high, for last. Avoiding slivers, no cut passes that near the point, and the
// split (passes and continuation) tiles the lot with triangles no thinner than the ratio allows.
TEST(SplitPolygon, SliversAvoidedWhenAsked) {
  const Points lot = {
      P(0, 0),           P(19.244, -0.5035), P(18.781, 13.2093), P(18.3775, 25.3914),
      P(9.368, 23.8231), P(2.5176, 22.6306), P(0.9444, 8.6783)};
  const auto thinnest = [](const Triangles& triangles) {
    double least = std::numeric_limits<double>::infinity();
    for (const TAcadTriangle& t : triangles) {
      const double longest =
          std::max({Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)});
      least = std::min(least, 2 * TriangleArea(t) / longest / longest);  // height over length
    }
    return least;
  };
  const auto allowed = SplitPolygon(lot, 100, {}, WhenStalled::kTriangulateTheRest);
  ASSERT_TRUE(allowed.has_value());
  EXPECT_LT(thinnest(allowed->triangles), 0.001);
  const auto avoided =
      SplitPolygon(lot, 100, {}, WhenStalled::kTriangulateTheRest, Slivers::kAvoided);
  ASSERT_TRUE(avoided.has_value());
  EXPECT_EQ(avoided->triangles.size(), lot.size() - 2);
  EXPECT_TRUE(TrianglesTilePolygon(lot, avoided->triangles));
  EXPECT_GT(thinnest(avoided->triangles), kSliverRatio);
}

TEST(PointInPolygon, RayRules) {
  struct Case {
    const char* name;
    TAcadPoint p;
    Points polygon;
    double ray;
    bool inside;
  };
  const Points diamond = {P(0, -10), P(10, 0), P(0, 10), P(-10, 0)};
  const Case cases[] = {
      {"square centre", P(5, 5), kSquare, 1000, true},
      {"square, ray too short to see the top", P(5, 5), kSquare, 4, false},
      {"left of the square", P(-1, 5), kSquare, 1000, false},
      {"L reflex corner: the ray runs along an edge", P(10, 10), kLShape, 1000, false},
      {"L lower arm", P(15, 5), kLShape, 1000, true},
      {"L notch", P(15, 15), kLShape, 1000, false},
      {"ray through a vertex counts once", P(0, -5), diamond, 1000, true},
      {"on an edge: the boundary is not inside", P(5, 0), kSquare, 1000, false},
      {"on a vertex", P(10, 10), kSquare, 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PointInPolygon(c.p, c.polygon, c.ray), c.inside);
  }
}

TEST(SegmentCrossesPolygon, OwnEndsDoNotCount) {
  EXPECT_FALSE(SegmentCrossesPolygon(P(0, 0), P(10, 10), kSquare));
  EXPECT_TRUE(SegmentCrossesPolygon(P(5, -5), P(5, 5), kSquare));
  // Passing through a vertex of the polygon away from its own ends counts as a crossing.
  EXPECT_TRUE(SegmentCrossesPolygon(P(0, 20), P(20, 0), kLShape));
  EXPECT_TRUE(SegmentCrossesPolygon(P(5, 5), P(15, 15), kLShape));
}

TEST(CutIsValid, MidpointInsideAndNoCrossing) {
  EXPECT_TRUE(CutIsValid(P(0, 10), P(0, 0), P(10, 0), kSquare, kSquare, 100));
  // Diagonal whose midpoint is the reflex corner of the L.
  EXPECT_FALSE(CutIsValid(P(0, 20), P(0, 0), P(20, 0), kLShape, kLShape, 100));
  // Diagonal outside the L.
  EXPECT_FALSE(CutIsValid(P(20, 10), P(10, 10), P(10, 20), kLShape, kLShape, 100));
  // A cut passing within the tolerance of a vertex away from its ends, and one just farther.
  const Points notch = {P(0, 0), P(10, 0), P(10, 10), P(5, 5.0009), P(0, 10)};
  EXPECT_FALSE(CutIsValid(P(0, 5), P(0, 0), P(10, 5), notch, notch, 100));
  const Points cleared = {P(0, 0), P(10, 0), P(10, 10), P(5, 5.0011), P(0, 10)};
  EXPECT_TRUE(CutIsValid(P(0, 5), P(0, 0), P(10, 5), cleared, cleared, 100));
  // Avoiding slivers, the clearance is also a two-hundredth of the cut: 0.05 on this one.
  const Points grazed = {P(0, 0), P(10, 0), P(10, 10), P(5, 5.04), P(0, 10)};
  EXPECT_TRUE(CutIsValid(P(0, 5), P(0, 0), P(10, 5), grazed, grazed, 100));
  EXPECT_FALSE(CutIsValid(P(0, 5), P(0, 0), P(10, 5), grazed, grazed, 100, Slivers::kAvoided));
  const Points apart = {P(0, 0), P(10, 0), P(10, 10), P(5, 5.06), P(0, 10)};
  EXPECT_TRUE(CutIsValid(P(0, 5), P(0, 0), P(10, 5), apart, apart, 100, Slivers::kAvoided));
}

TEST(AngleAtVertex, RangeZeroToPi) {
  EXPECT_DOUBLE_EQ(AngleAtVertex(P(10, 0), P(0, 0), P(0, 10)), kHalfPi);
  // A reflex corner of 270 degrees reads as 90.
  EXPECT_DOUBLE_EQ(AngleAtVertex(P(20, 10), P(10, 10), P(10, 20)), kHalfPi);
  EXPECT_DOUBLE_EQ(AngleAtVertex(P(-1, 0), P(0, 0), P(1, 0)), kPi);
  EXPECT_NEAR(AngleAtVertex(P(1, -1), P(0, 0), P(1, 1)), kHalfPi, 1e-15);
}

TEST(CyclicVertex, AnyIndexModuloTheSize) {
  EXPECT_EQ(CyclicVertex(kSquare, -1), P(0, 10));
  EXPECT_EQ(CyclicVertex(kSquare, -6), P(10, 10));
  EXPECT_EQ(CyclicVertex(kSquare, 4), P(0, 0));
  EXPECT_EQ(CyclicVertex(kSquare, 9), P(10, 0));
}

TEST(NearPoint, StrictPerAxis) {
  EXPECT_TRUE(NearPoint(P(0, 0), P(0.0009, -0.0009), 0.001));
  EXPECT_FALSE(NearPoint(P(0, 0), P(0.001, 0), 0.001));
  EXPECT_FALSE(NearPoint(P(0, 0), P(0, -0.001), 0.001));
}

TEST(HasVertexNear, PerAxisWithinTheTolerance) {
  EXPECT_TRUE(HasVertexNear(P(10.0009, 9.9991), kSquare));
  EXPECT_FALSE(HasVertexNear(P(10.0011, 10), kSquare));
  EXPECT_FALSE(HasVertexNear(P(0, 0), Points{}));
}

TEST(RemoveVertexNear, RemovesTheFirstNearEntryInPlace) {
  Points list = {P(0, 0), P(5, 5), P(1, 1), P(5.0005, 5), P(2, 2)};
  EXPECT_EQ(RemoveVertexNear(P(5, 5.0002), list), 4u);
  EXPECT_EQ(list, (Points{P(0, 0), P(1, 1), P(5.0005, 5), P(2, 2)}));
  EXPECT_EQ(RemoveVertexNear(P(7, 7), list), 4u);
  EXPECT_EQ(list, (Points{P(0, 0), P(1, 1), P(5.0005, 5), P(2, 2)}));
  Points empty;
  EXPECT_EQ(RemoveVertexNear(P(0, 0), empty), 0u);
}

TEST(SegmentInList, EitherDirectionWithinTheTolerance) {
  struct Case {
    const char* name;
    TAcadPoint p, q;
    std::vector<TAcadLine> list;
    bool found;
  };
  const Case cases[] = {
      {"reversed, 0.0009 off", P(10, 0), P(0, 0), {{P(0, 0), P(10, 0.0009)}}, true},
      {"reversed, 0.001 off", P(10, 0), P(0, 0), {{P(0, 0), P(10, 0.001)}}, false},
      {"same direction", P(0, 0), P(10, 0), {{P(3, 3), P(4, 4)}, {P(0, 0), P(10, 0)}}, true},
      {"empty list", P(0, 0), P(10, 0), {}, false},
      {"one shared end only", P(0, 0), P(10, 0), {{P(0, 0), P(10, 1)}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SegmentInList(c.p, c.q, c.list, 0.001), c.found);
  }
}

}  // namespace
}  // namespace trivane
