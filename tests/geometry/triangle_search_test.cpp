#include "geometry/triangle_search.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_points.h"

namespace trivane {
namespace {

using Segments = std::vector<TAcadLine>;
using Triangles = std::vector<TAcadTriangle>;

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

const Segments kSquareWithDiagonal = {
    {P(0, 0), P(10, 0)}, {P(10, 0), P(10, 10)}, {P(10, 10), P(0, 10)},
    {P(0, 10), P(0, 0)}, {P(0, 10), P(10, 0)},
};

Segments Append(Segments s, const TAcadLine& line) {
  s.push_back(line);
  return s;
}

TEST(FindTriangles, OrderAndDuplicates) {
  struct Case {
    const char* name;
    Segments segments;
    Triangles expected;
  };
  const Case cases[] = {
      {"square with diagonal",
       kSquareWithDiagonal,
       {{P(0, 0), P(10, 0), P(0, 10)}, {P(10, 10), P(10, 0), P(0, 10)}}},
      {"diagonal first, then the sides",
       {{P(0, 10), P(10, 0)},
        {P(0, 0), P(10, 0)},
        {P(10, 0), P(10, 10)},
        {P(10, 10), P(0, 10)},
        {P(0, 10), P(0, 0)}},
       {{P(10, 0), P(0, 10), P(0, 0)}, {P(10, 0), P(0, 10), P(10, 10)}}},
      {"collinear segments form a flat triangle",
       {{P(0, 0), P(5, 0)}, {P(5, 0), P(10, 0)}, {P(0, 0), P(10, 0)}},
       {{P(5, 0), P(0, 0), P(10, 0)}}},
      {"a side listed twice gives its triangle twice",
       Append(kSquareWithDiagonal, {P(0, 0), P(10, 0)}),
       {{P(0, 0), P(10, 0), P(0, 10)},
        {P(10, 10), P(10, 0), P(0, 10)},
        {P(0, 10), P(0, 0), P(10, 0)}}},
      {"ends joined within 0.001",
       {{P(0, 0), P(10, 0)}, {P(10.0007, 0.0007), P(0, 10)}, {P(0, 10.0009), P(0, 0)}},
       {{P(10, 0), P(0, 0), P(0, 10)}}},
      {"closing segment 0.0011 off in x does not close",
       {{P(0, 0), P(10, 0)}, {P(10, 0), P(0, 10)}, {P(0.0011, 0), P(0, 10)}},
       {}},
      {"closing segment 0.0011 off in y does not close",
       {{P(0, 0), P(10, 0)}, {P(10, 0), P(0, 10)}, {P(0, 0), P(0, 10.0011)}},
       {}},
      {"segments that never meet",
       {{P(0, 0), P(1, 0)}, {P(5, 5), P(6, 5)}, {P(9, 0), P(9, 1)}},
       {}},
      {"two segments", {{P(0, 0), P(1, 0)}, {P(1, 0), P(0, 1)}}, {}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindTriangles(c.segments), c.expected);
  }
}

// When both ends of a and b coincide pairwise (a segment and its reverse), the last matching
// pair (ed-st) decides the shared end.
TEST(FindTriangles, LastMatchingEndPairDecides) {
  const Segments s = {{P(0, 0), P(10, 0)}, {P(10, 0), P(0, 0)}, {P(0, 0), P(0, 0)}};
  // st-ed: v = (0,0), other ends (10,0) and (10,0); ed-st: v = (10,0), other ends (0,0), (0,0).
  EXPECT_EQ(FindTriangles(s), (Triangles{{P(10, 0), P(0, 0), P(0, 0)}}));
}

// The segments the line records hold, in buffer order.
Segments LinesOf(const SelectionBuffers& b) {
  Segments s;
  for (const TAcadLineBlk& r : b.LineRecords)
    s.push_back({r.st, r.ed});
  return s;
}

class PolylinesToLinesTest : public testing::Test {
 protected:
  void AddPolyline(std::int32_t ihand, bool closed, const std::vector<TAcadPoint>& points) {
    TLwpBlk pl;
    pl.ihand = ihand;
    pl.code70 = closed ? 1 : 0;
    pl.layer = "L" + std::to_string(ihand);
    pl.bname = "B";
    pl.ltype = "DASHED";
    pl.color = 3;
    pl.code67 = 1;
    pl.code210 = {0, 0, 1};
    buffers.PolylineRecords.push_back(pl);
    for (const TAcadPoint& p : points)
      buffers.VertexRecords.push_back({ihand, p, 0.0, ""});
  }

  SelectionBuffers buffers;
};

TEST_F(PolylinesToLinesTest, ClosedPolylineAfterALineFindsBothTriangles) {
  TAcadLineBlk diagonal;
  diagonal.st = P(0, 10);
  diagonal.ed = P(10, 0);
  buffers.LineRecords.push_back(diagonal);
  AddPolyline(7, true, {P(0, 0), P(10, 0), P(10, 10), P(0, 10)});

  PolylinesToLines(buffers);

  EXPECT_EQ(LinesOf(buffers), (Segments{{P(0, 10), P(10, 0)},
                                        {P(0, 0), P(10, 0)},
                                        {P(10, 0), P(10, 10)},
                                        {P(10, 10), P(0, 10)},
                                        {P(0, 10), P(0, 0)}}));
  EXPECT_FALSE(buffers.LineRecords[0].lwpflag);
  for (std::size_t k = 1; k < buffers.LineRecords.size(); ++k) {
    const TAcadLineBlk& r = buffers.LineRecords[k];
    EXPECT_TRUE(r.lwpflag);
    EXPECT_EQ(r.layer, "L7");
    EXPECT_EQ(r.bname, "B");
    EXPECT_EQ(r.ltype, "DASHED");
    EXPECT_EQ(r.color, 3);
    EXPECT_EQ(r.code67, 1);
    EXPECT_EQ(r.code210, (TAcadPoint{0, 0, 1}));
  }
  EXPECT_EQ(FindTriangles(LinesOf(buffers)),
            (Triangles{{P(10, 0), P(0, 10), P(0, 0)}, {P(10, 0), P(0, 10), P(10, 10)}}));
}

TEST_F(PolylinesToLinesTest, OpenPolylineLacksTheClosingSegment) {
  TAcadLineBlk diagonal;
  diagonal.st = P(0, 10);
  diagonal.ed = P(10, 0);
  buffers.LineRecords.push_back(diagonal);
  AddPolyline(7, false, {P(0, 0), P(10, 0), P(10, 10), P(0, 10)});

  PolylinesToLines(buffers);

  ASSERT_EQ(buffers.LineRecords.size(), 4u);
  EXPECT_EQ(FindTriangles(LinesOf(buffers)), (Triangles{{P(10, 0), P(0, 10), P(10, 10)}}));
}

TEST_F(PolylinesToLinesTest, EachPolylineTakesItsOwnRun) {
  AddPolyline(1, false, {P(0, 0), P(1, 0), P(2, 0)});
  AddPolyline(2, true, {P(5, 5), P(6, 5), P(6, 6)});
  AddPolyline(3, false, {P(9, 9), P(9, 8)});

  PolylinesToLines(buffers);

  EXPECT_EQ(LinesOf(buffers), (Segments{{P(0, 0), P(1, 0)},
                                        {P(1, 0), P(2, 0)},
                                        {P(5, 5), P(6, 5)},
                                        {P(6, 5), P(6, 6)},
                                        {P(6, 6), P(5, 5)},
                                        {P(9, 9), P(9, 8)}}));
  EXPECT_EQ(buffers.LineRecords[2].layer, "L2");
  EXPECT_EQ(buffers.LineRecords[5].layer, "L3");
}

TEST_F(PolylinesToLinesTest, BulgesAreTakenAsStraightChords) {
  AddPolyline(4, false, {P(0, 0), P(10, 0)});
  buffers.VertexRecords[0].code42 = 1.0;  // a half circle from (0,0) to (10,0)

  PolylinesToLines(buffers);

  EXPECT_EQ(LinesOf(buffers), (Segments{{P(0, 0), P(10, 0)}}));
}

TEST_F(PolylinesToLinesTest, NoPolylinesLeavesTheLinesAlone) {
  TAcadLineBlk line;
  line.st = P(1, 2);
  buffers.LineRecords.push_back(line);
  buffers.VertexRecords.push_back({9, P(3, 3), 0.0, ""});  // a stray vertex without a polyline

  PolylinesToLines(buffers);

  ASSERT_EQ(buffers.LineRecords.size(), 1u);
  EXPECT_EQ(buffers.LineRecords[0].st, P(1, 2));
}

}  // namespace
}  // namespace trivane
