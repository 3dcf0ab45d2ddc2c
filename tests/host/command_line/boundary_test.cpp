// Boundary tracing: the region around a point among lines and polylines, its outline's vertices
// (anticlockwise from the lowest-then-leftmost) and the points that lie in no region.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "host/command_line/boundary.h"
#include "host/model/drawing.h"

namespace trivane::host::testing {
namespace {

using Ring = std::vector<TAcadPoint>;

std::vector<SegmentPrimitive> Closed(const Ring& ring) {
  std::vector<SegmentPrimitive> out;
  for (std::size_t i = 0; i < ring.size(); ++i)
    out.push_back({ring[i], ring[(i + 1) % ring.size()]});
  return out;
}

std::vector<SegmentPrimitive> Join(std::vector<SegmentPrimitive> a,
                                   const std::vector<SegmentPrimitive>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Ring kSquare{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};

struct TraceCase {
  const char* name;
  std::vector<SegmentPrimitive> segments;
  TAcadPoint pick;
  std::optional<Ring> expected;
};

class TraceTest : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TraceTest, OutlineOfTheRegionAroundThePoint) {
  const TraceCase& c = GetParam();
  EXPECT_EQ(TraceBoundary(c.segments, c.pick), c.expected);
}

const TraceCase kTraceCases[] = {
    {"Square", Closed(kSquare), {5, 5, 0}, kSquare},
    {"SquareDrawnClockwiseFromAnotherCorner",
     Closed({{10, 10, 0}, {10, 0, 0}, {0, 0, 0}, {0, 10, 0}}),
     {5, 5, 0},
     kSquare},
    {"SideDrawnTwice", Join(Closed(kSquare), {{{0, 0, 0}, {10, 0, 0}}}), {5, 5, 0}, kSquare},
    // A line touching the bottom side from outside puts a vertex where it meets it.
    {"LineMeetingASideMakesAVertex",
     Join(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}), {{{10, 0, 0}, {10, -5, 0}}}),
     {5, 5, 0},
     Ring{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}},
    // A side drawn as two lines keeps the point where they meet.
    {"SideInTwoPieces",
     {{{0, 0, 0}, {10, 0, 0}},
      {{10, 0, 0}, {20, 0, 0}},
      {{20, 0, 0}, {20, 10, 0}},
      {{20, 10, 0}, {0, 10, 0}},
      {{0, 10, 0}, {0, 0, 0}}},
     {5, 5, 0},
     Ring{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}},
    {"LShape",
     Closed({{0, 20, 0}, {0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}, {10, 20, 0}}),
     {5, 15, 0},
     Ring{{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}, {10, 20, 0}, {0, 20, 0}}},
    {"LeftOfTwoRegionsSharingAnEdge",
     Join(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}), {{{10, 0, 0}, {10, 10, 0}}}),
     {5, 5, 0},
     kSquare},
    {"RightOfTwoRegionsSharingAnEdge",
     Join(Closed({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}), {{{10, 0, 0}, {10, 10, 0}}}),
     {15, 5, 0},
     Ring{{10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}}},
    // Four lines running past each other (#): the middle square, the loose ends bound nothing.
    {"CrossingLines",
     {{{-5, 0, 0}, {15, 0, 0}},
      {{-5, 10, 0}, {15, 10, 0}},
      {{0, -5, 0}, {0, 15, 0}},
      {{10, 15, 0}, {10, -5, 0}}},
     {3, 7, 0},
     kSquare},
    // A triangle cut by its median: the start is the lowest vertex, the leftmost on a tie.
    {"TriangleHalf",
     Join(Closed({{0, 0, 0}, {10, 0, 0}, {5, 10, 0}}), {{{5, 10, 0}, {5, 0, 0}}}),
     {6, 2, 0},
     Ring{{5, 0, 0}, {10, 0, 0}, {5, 10, 0}}},
    // An island inside the region is left out of the outline; inside the island, the island.
    {"AroundAnIsland",
     Join(Closed({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}),
          Closed({{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}})),
     {5, 5, 0},
     Ring{{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}},
    {"InsideTheIsland",
     Join(Closed({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}),
          Closed({{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}})),
     {15, 15, 0},
     Ring{{10, 10, 0}, {20, 10, 0}, {20, 20, 0}, {10, 20, 0}}},
    // An end a rounding error short of its corner still closes the region; the corner is the end
    // drawn first, as it was drawn.
    {"EndsMeetWithinTheJoiningTolerance",
     {{{0, 0, 0}, {10, 1e-10, 0}},
      {{10, 0, 0}, {10, 10, 0}},
      {{10, 10, 0}, {0, 10, 0}},
      {{0, 10, 0}, {0, 0, 0}}},
     {5, 5, 0},
     Ring{{0, 0, 0}, {10, 1e-10, 0}, {10, 10, 0}, {0, 10, 0}}},
    // Vertices are the drawn points, never rounded.
    {"DecimalCoordinatesComeBackExact",
     Closed({{1234.567891, -5.1, 0}, {1234.667891, -5.1, 0}, {1234.667891, -5.000001, 0}}),
     {1234.64, -5.09, 0},
     Ring{{1234.567891, -5.1, 0}, {1234.667891, -5.1, 0}, {1234.667891, -5.000001, 0}}},
    {"OutsideEveryRegion", Closed(kSquare), {50, 50, 0}, std::nullopt},
    {"OnALine", Closed(kSquare), {5, 0, 0}, std::nullopt},
    {"OpenOutline",
     {{{0, 0, 0}, {10, 0, 0}}, {{10, 0, 0}, {10, 10, 0}}, {{10, 10, 0}, {0, 10, 0}}},
     {5, 5, 0},
     std::nullopt},
    {"NoSegments", {}, {5, 5, 0}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Boundary, TraceTest, ::testing::ValuesIn(kTraceCases),
                         [](const auto& info) { return info.param.name; });

TEST(BoundaryCurves, LinesPolylinesWithBulgesOfModelSpaceOnly) {
  Drawing d;
  Entity line;
  line.shape = LineShape{{0, 0, 0}, {1, 0, 0}};
  d.AddEntity(line);
  Entity closed;
  closed.shape = PolylineShape{{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, true, 0.0, {0.0, 0.5, 0.0}};
  d.AddEntity(closed);
  Entity circle;
  circle.shape = CircleShape{{0, 0, 0}, 1};
  d.AddEntity(circle);
  Entity inBlock;
  inBlock.shape = LineShape{{5, 5, 0}, {6, 6, 0}};
  d.AddEntity(inBlock, d.AddBlock("B").id);

  const std::vector<trace::Curve> s = BoundaryCurves(d, {-100, -100, 100, 100});
  ASSERT_EQ(s.size(), 4u);  // the line and the polyline's three sides, the closing one too
  EXPECT_EQ(s[2], (trace::Curve{{2, 0, 0}, {2, 2, 0}, 0.5}));
  EXPECT_EQ(s[3], (trace::Curve{{2, 2, 0}, {0, 0, 0}, 0.0}));
}

}  // namespace
}  // namespace trivane::host::testing
