#include "cad/segment_picking.h"

#include <gtest/gtest.h>

#include <vector>

#include "link_fixture.h"

namespace trivane::cad {
namespace {

using testing::LinkTest;

struct PickCase {
  const char* name;
  std::vector<TAcadPoint> vertices;
  bool closed;
  TAcadPoint pick;
  bool found;
  SegmentPick expected;  // when found
  double tolerance;
};

class SegmentPickingTest : public LinkTest, public ::testing::WithParamInterface<PickCase> {};

void ExpectNear(const TAcadPoint& a, const TAcadPoint& b, double tol, const char* what) {
  EXPECT_NEAR(a.x, b.x, tol) << what;
  EXPECT_NEAR(a.y, b.y, tol) << what;
  EXPECT_NEAR(a.z, b.z, tol) << what;
}

TEST_P(SegmentPickingTest, NearestSegmentWhoseFootLiesOnIt) {
  const PickCase& c = GetParam();
  host::PolylineShape shape;
  shape.vertices = c.vertices;
  shape.closed = c.closed;
  const host::ObjectId id = host->CreateEntity(shape);
  const Polyline polyline(doc.ObjectIdToObject(id).object());

  const std::optional<SegmentPick> pick = PickedSegment(doc, polyline, c.pick);

  ASSERT_EQ(pick.has_value(), c.found);
  if (!pick)
    return;
  ExpectNear(pick->start, c.expected.start, c.tolerance, "start");
  ExpectNear(pick->end, c.expected.end, c.tolerance, "end");
  ExpectNear(pick->foot, c.expected.foot, c.tolerance, "foot");
}

const std::vector<TAcadPoint> kOpenL = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
const std::vector<TAcadPoint> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};

INSTANTIATE_TEST_SUITE_P(
    Picks, SegmentPickingTest,
    ::testing::Values(
        PickCase{"SecondSegment",
                 kOpenL,
                 false,
                 {10.2, 5, 0},
                 true,
                 {{10, 5, 0}, {10, 0, 0}, {10, 10, 0}},
                 1e-9},
        PickCase{"FirstSegment",
                 kOpenL,
                 false,
                 {5, 0.1, 0},
                 true,
                 {{5, 0, 0}, {0, 0, 0}, {10, 0, 0}},
                 1e-9},
        PickCase{"FootKeepsThePickHeight",
                 kOpenL,
                 false,
                 {10.2, 5, 3.5},
                 true,
                 {{10, 5, 3.5}, {10, 0, 0}, {10, 10, 0}},
                 1e-9},
        PickCase{"SharedVertexGoesToTheEarlierSegment",
                 kOpenL,
                 false,
                 {10, 0, 0},
                 true,
                 {{10, 0, 0}, {0, 0, 0}, {10, 0, 0}},
                 1e-9},
        PickCase{"ClosingSegmentFirstToLast",
                 kSquare,
                 true,
                 {-0.1, 5, 0},
                 true,
                 {{0, 5, 0}, {0, 0, 0}, {0, 10, 0}},
                 1e-9},
        // Open, the left side is no segment: the nearest foot on a segment is on the right side.
        PickCase{"NoClosingSegmentWhenOpen",
                 kSquare,
                 false,
                 {-0.1, 5, 0},
                 true,
                 {{10, 5, 0}, {10, 0, 0}, {10, 10, 0}},
                 1e-9},
        // At the corner (0,0) the first segment and the closing one tie: the earlier wins.
        PickCase{"ClosingSegmentLosesATie",
                 kSquare,
                 true,
                 {0, 0, 0},
                 true,
                 {{0, 0, 0}, {0, 0, 0}, {10, 0, 0}},
                 1e-9},
        PickCase{"TwoVertices", {{0, 0, 0}, {10, 0, 0}}, false, {5, 0, 0}, false, {}, 0},
        PickCase{"BeyondTheEnds", kOpenL, false, {12, -2, 0}, false, {}, 0},
        // The foot (5,0) lies on the first segment but 100 away, beyond the extents' diagonal.
        PickCase{"FartherThanTheExtentsDiagonal", kOpenL, false, {5, -100, 0}, false, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, SegmentPickingPassesErrorsOn) {
  // A line has no Coordinates.
  const host::ObjectId id = host->CreateEntity(host::LineShape{{0, 0, 0}, {10, 0, 0}});
  const Polyline notAPolyline(doc.ObjectIdToObject(id).object());
  EXPECT_THROW(PickedSegment(doc, notAPolyline, {5, 0, 0}), AutomationError);
}

}  // namespace
}  // namespace trivane::cad
