// Selection sets of the host: crossing windows against real text boxes, picks, last entity, the
// user's selections and the filters.
#include <cmath>
#include <numbers>

#include "tests/host/host_fixture.h"

namespace trivane::host::testing {
namespace {

using cad::SelectionFilter;

constexpr double kPi = std::numbers::pi;

TAcadPoint Polar(const TAcadPoint& p, double angle, double d) {
  return TAcadPoint{p.x + d * std::cos(angle), p.y + d * std::sin(angle), p.z};
}

// A label standing beside the segment from (0,0) along `angle`, and what the two windows of a
// label writer (half a text height to either side of the segment, one text height either way
// along it from the midpoint) find.
struct BesideCase {
  const char* name;
  double angle;        // direction of the segment; the label reads along it
  std::int32_t align;  // 13 bottom centre stands on the segment, 7 top centre hangs below it
  double offset;       // label moved off the segment, in text heights, to the reading side
  const char* text;
  int inWindow1;  // reading side
  int inWindow2;  // other side
};

class LabelBesideSegment : public HostFixture, public ::testing::WithParamInterface<BesideCase> {};

TEST_P(LabelBesideSegment, CrossingWindowsFindTheLabelByItsBox) {
  const BesideCase& c = GetParam();
  const double h = 300.0;
  const TAcadPoint m = Polar({}, c.angle, 5000.0);  // midpoint of a 10000 long segment
  ms.AddLine({}, Polar({}, c.angle, 10000.0));
  const TAcadPoint at = Polar(m, c.angle + kPi / 2, c.offset * h);
  cad::Text label = ms.AddText(c.text, at, h);
  label.Rotation(c.angle);
  label.Alignment(c.align);
  label.TextAlignmentPoint(at);

  const TAcadPoint a = Polar(m, c.angle, h), b = Polar(m, c.angle, -h);
  const double up = c.angle + kPi / 2;
  cad::SelectionSet ss = doc.SelectionSets().Add("SSTEMP_1");
  const SelectionFilter texts = SelectionFilter::EntityType("TEXT");
  ss.Select(cad::kSelectCrossing, Polar(a, up, h / 2), Polar(b, up, h / 2), texts);
  EXPECT_EQ(ss.Count(), c.inWindow1);
  ss.Clear();
  ss.Select(cad::kSelectCrossing, Polar(a, up, -h / 2), Polar(b, up, -h / 2), texts);
  EXPECT_EQ(ss.Count(), c.inWindow2);
  ss.Delete();
}

INSTANTIATE_TEST_SUITE_P(
    Host, LabelBesideSegment,
    ::testing::Values(
        // Axis-parallel sides: each window is a line at half a text height from the side.
        BesideCase{"Horizontal", 0.0, 13, 0.0, "0.01", 1, 0},
        BesideCase{"HorizontalHangingBelow", 0.0, 7, 0.0, "0.01", 0, 1},
        BesideCase{"Vertical", kPi / 2, 13, 0.0, "12.50", 1, 0},
        BesideCase{"VerticalHangingBelow", kPi / 2, 7, 0.0, "12.50", 0, 1},
        // Slanted sides: each window is the axis-parallel rectangle its two corners span, so both
        // reach over the midpoint and meet a label standing on either side.
        BesideCase{"Diagonal", kPi / 4, 13, 0.0, "7.07", 1, 1},
        BesideCase{"DiagonalHangingBelow", kPi / 4, 7, 0.0, "7.07", 1, 1},
        BesideCase{"Falling", -kPi / 4, 13, 0.0, "7.07", 1, 1},
        BesideCase{"Steep", 1.2, 13, 0.0, "3", 1, 1},
        BesideCase{"FullWidth", 0.3, 13, 0.0, "面積", 1, 1},
        // A label two heights off the side is not beside it: the rotated box is missed although
        // the rectangle bounding it would be met.
        BesideCase{"FarAbove", 0.0, 13, 2.0, "0.01", 0, 0},
        BesideCase{"FarAboveDiagonal", kPi / 4, 13, 2.0, "7.07", 0, 0},
        BesideCase{"FarBelow", kPi / 4, 7, -2.0, "7.07", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

class Selection : public HostFixture {};

TEST_F(Selection, CrossingWindowMeetsARotatedTextOnlyWhereItsBoxIs) {
  // A text 1 high, "ABCDE" is 4 wide, turned by 45 degrees about its left baseline point (0,0):
  // its box's bounding rectangle holds the point (0.5, 3.4), the box does not.
  cad::Text t = ms.AddText("ABCDE", {}, 1.0);
  t.Rotation(kPi / 4);
  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  ss.Select(cad::kSelectCrossing, {0.4, 3.3, 0}, {0.6, 3.5, 0});
  EXPECT_EQ(ss.Count(), 0);
  ss.Select(cad::kSelectCrossing, {1.9, 1.9, 0}, {2.1, 2.1, 0});  // on its middle
  EXPECT_EQ(ss.Count(), 1);
}

TEST_F(Selection, WindowTakesOnlyWhatLiesWhollyInsideAndCrossingWhatTouches) {
  ms.AddLine({0, 0, 0}, {10, 0, 0});
  ms.AddLine({0, 5, 0}, {30, 5, 0});
  ms.AddCircle({50, 50, 0}, 5);  // a window inside the circle does not meet its curve
  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  ss.Select(cad::kSelectWindow, {-1, -1, 0}, {20, 20, 0});
  EXPECT_EQ(ss.Count(), 1);
  ss.Clear();
  ss.Select(cad::kSelectCrossing, {-1, -1, 0}, {20, 20, 0});
  EXPECT_EQ(ss.Count(), 2);
  ss.Clear();
  ss.Select(cad::kSelectCrossing, {49, 49, 0}, {51, 51, 0});
  EXPECT_EQ(ss.Count(), 0);
  ss.Select(cad::kSelectCrossing, {54, 49, 0}, {56, 51, 0});
  EXPECT_EQ(ss.Count(), 1);
}

TEST_F(Selection, SelectAtPointWithLineFilterFindsAPolylineThroughThePoint) {
  // The pick box is VIEWSIZE / 200 either side: 0.5 here.
  host->drawing().vars.VIEWSIZE = 100.0;
  ms.AddCircle({5, 0, 0}, 1.0);  // its curve passes through (5,1), not through (5,0)
  ms.AddText("5.00", {5, 0, 0}, 1.0);
  Drawing& d = host->drawing();
  PolylineShape p;
  p.vertices = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
  d.AddEntity(Entity{.shape = p});

  struct Case {
    TAcadPoint at;
    const char* pattern;  // nullptr: no filter
    int count;
    const char* entityName;
  } cases[] = {
      {{5, 0, 0}, "*LINE", 1, "AcDbPolyline"},
      {{10, 5.4, 0}, "*LINE", 1, "AcDbPolyline"},
      {{5, 0.6, 0}, "*LINE", 0, nullptr},  // beyond the pick box
      {{5, 1, 0}, "*LINE", 0, nullptr},    // only the circle passes there
      {{5, 1, 0}, "CIRCLE", 1, "AcDbCircle"},
      {{5.5, 0.5, 0}, "TEXT", 1, "AcDbText"},  // inside the text's box
      {{20, 20, 0}, nullptr, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern ? c.pattern : "(no filter)") + " at " + FormatPoint(c.at));
    cad::SelectionSet ss = doc.SelectionSets().Add("PICK");
    ss.SelectAtPoint(c.at, c.pattern ? SelectionFilter::EntityType(c.pattern) : SelectionFilter{});
    ASSERT_EQ(ss.Count(), c.count);
    if (c.entityName) {
      EXPECT_EQ(ss.Item(0).EntityName(), c.entityName);
    }
    ss.Delete();
  }
}

TEST_F(Selection, LastIsTheNewestEntityStillInTheDrawing) {
  cad::SelectionSet ss = doc.SelectionSets().Add("LAST");
  auto last = [&]() -> std::int64_t {
    ss.Clear();
    ss.Select(cad::kSelectLast, {}, {});
    return ss.Count() == 0 ? 0 : ss.Item(0).ObjectID();
  };
  EXPECT_EQ(last(), 0);
  const std::int64_t line = ms.AddLine({}, {1, 0, 0}).ObjectID();
  const std::int64_t text = ms.AddText("1", {}, 1).ObjectID();
  cad::Circle circle = ms.AddCircle({}, 1);
  const std::int64_t circleId = circle.ObjectID();
  EXPECT_EQ(last(), circleId);
  // IDs are 64-bit, above the 32-bit range, and never reused.
  EXPECT_GT(line, std::int64_t{1} << 32);
  EXPECT_LT(line, text);

  // Entities of a block definition are not in the drawing's model space.
  cad::Block def = doc.Blocks().Add({}, "DEF");
  def.AddLine({}, {1, 1, 0});
  EXPECT_EQ(last(), circleId);

  circle.Erase();
  EXPECT_EQ(last(), text);
  doc.ObjectIdToObject(text).Delete();
  EXPECT_EQ(last(), line);
  const std::int64_t again = ms.AddCircle({}, 2).ObjectID();
  EXPECT_GT(again, circleId);
  EXPECT_EQ(last(), again);
}

TEST_F(Selection, AllAndFiltersByTypeLayerAndApplication) {
  doc.Layers().Add("H_TEXT");
  ms.AddLine({}, {1, 0, 0});
  ms.AddText("1", {}, 1).Layer("H_TEXT");
  ms.AddText("2", {}, 1)
      .SetXdata({1001, 1000}, {cad::Value::Text("LT_TRIVANE"), cad::Value::Text("record")});
  ms.AddCircle({}, 1);
  cad::SelectionSet ss = doc.SelectionSets().Add("ALL");
  struct Case {
    SelectionFilter filter;
    int count;
  } cases[] = {
      {{}, 4},
      {SelectionFilter::EntityType("TEXT"), 2},
      {SelectionFilter::EntityType("text"), 2},
      {SelectionFilter::EntityType("TEXT,CIRCLE"), 3},
      {SelectionFilter::EntityType("*LINE"), 1},
      {SelectionFilter{{0, 8}, {cad::Value::Text("TEXT"), cad::Value::Text("h_text")}}, 1},
      // Group 1001: the entities carrying extended data of an application, named without regard
      // to case.
      {SelectionFilter::EntityTypeWithData("TEXT", "lt_trivane"), 1},
      {SelectionFilter::EntityTypeWithData("*", "LT_*"), 1},
      {SelectionFilter::EntityTypeWithData("TEXT", "OTHER"), 0},
  };
  for (const Case& c : cases) {
    ss.Clear();
    ss.Select(cad::kSelectAll, c.filter);
    EXPECT_EQ(ss.Count(), c.count);
  }
}

// A filter on the application of extended data reads the drawing's index of the entities that
// carry some, kept up to date from its log of changes: what it finds must be what reading every
// entity finds, through texts added, moved, given data, erased, taken back by an undo and copied
// with the drawing.
TEST_F(Selection, ApplicationFilterFindsWhatAFullReadFinds) {
  Drawing& d = host->drawing();
  const EntityFilter filter{{{0, "TEXT"}, {1001, "LT_TRIVANE"}}};
  const auto everyEntity = [&](const Drawing& drawing, const Box& box) {
    std::vector<ObjectId> ids;
    for (const auto& [id, e] : drawing.entities) {
      if (e.owner == drawing.ModelSpaceId() && filter.Accepts(e) && CrossesBox(drawing, e, box))
        ids.push_back(id);
    }
    return ids;
  };
  const std::vector<Box> windows = {Box::FromCorners({-1, -1, 0}, {3, 3, 0}),
                                    Box::FromCorners({4, 4, 0}, {60, 60, 0}),
                                    Box::FromCorners({-100, -100, 0}, {100, 100, 0})};
  const auto expectSame = [&](const char* step) {
    SCOPED_TRACE(step);
    for (const Box& w : windows)
      EXPECT_EQ(SelectCrossing(d, w, filter), everyEntity(d, w));
    EXPECT_EQ(SelectAll(d, filter).size(), everyEntity(d, windows[2]).size());
  };
  const auto record = [](cad::Text t) {
    t.SetXdata({1001, 1000}, {cad::Value::Text("LT_TRIVANE"), cad::Value::Text("r")});
    return t;
  };
  cad::Text a = record(ms.AddText("1", {1, 1, 0}, 1));
  ms.AddText("2", {1, 1, 0}, 1);  // no data
  expectSame("added");
  a.InsertionPoint({50, 50, 0});
  expectSame("moved");
  cad::Text b = record(ms.AddText("3", {2, 2, 0}, 1));
  cad::Text c = ms.AddText("4", {55, 55, 0}, 1);
  expectSame("one more");
  doc.StartUndoMark();
  record(c);
  b.Erase();
  doc.EndUndoMark();
  expectSame("given data, erased");
  ASSERT_TRUE(d.UndoLastStep());
  expectSame("taken back");
  Drawing copy = d;
  record(ms.AddText("5", {2, 2, 0}, 1));
  expectSame("added after the copy");
  for (const Box& w : windows)
    EXPECT_EQ(SelectCrossing(copy, w, filter), everyEntity(copy, w));
}

TEST_F(Selection, FiltersAreTypeChecked) {
  using cad::Value;
  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  auto select = [&](Value types, Value values) {
    return [&ss, types, values] {
      cad::CallMethod(*ss.object(), "Select", {Value::Int32(5), Value(), Value(), types, values});
    };
  };
  const Value text = Value::Array({Value::Text("TEXT")});
  struct Case {
    const char* name;
    Value types, values;
    std::int32_t code;
  } cases[] = {
      {"types as doubles", Value::Doubles({0}), text, cad::kErrorTypeMismatch},
      {"values as 16-bit integers", Value::Int16s({0}), Value::Int16s({0}),
       cad::kErrorTypeMismatch},
      {"a value that is no text", Value::Int16s({0}), Value::Array({Value::Int16(1)}),
       cad::kErrorTypeMismatch},
      {"lengths differ", Value::Int16s({0, 8}), text, cad::kErrorInvalidArg},
      {"types without values", Value::Int16s({0}), Value(), cad::kErrorInvalidArg},
      {"group code the host does not filter on", Value::Int16s({62}),
       Value::Array({Value::Text("1")}), cad::kErrorInvalidArg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectAutomationError(select(c.types, c.values), "Select", c.code);
  }
}

TEST_F(Selection, OnScreenTakesTheUsersSelectionAndMakesItThePrevious) {
  ms.AddLine({0, 0, 0}, {10, 0, 0});
  const std::int64_t text = ms.AddText("1", {2, 2, 0}, 1).ObjectID();
  ms.AddCircle({20, 20, 0}, 1);
  host->user().Push(UserAnswer::Crossing({1, -1, 0}, {3, 3, 0}));
  host->user().Push(UserAnswer::Window({1, -1, 0}, {30, 30, 0}));
  host->user().Push(UserAnswer::All());

  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  ss.SelectOnScreen();
  EXPECT_EQ(ss.Count(), 2);
  ss.Clear();
  ss.SelectOnScreen(SelectionFilter::EntityType("TEXT,CIRCLE"));
  EXPECT_EQ(ss.Count(), 2);
  ss.Clear();
  ss.SelectOnScreen(SelectionFilter::EntityType("TEXT"));
  ASSERT_EQ(ss.Count(), 1);
  EXPECT_EQ(ss.Item(0).ObjectID(), text);
  EXPECT_EQ(host->previousSelection(), std::vector<ObjectId>{text});

  ss.Clear();
  ss.Select(cad::kSelectPrevious);
  EXPECT_EQ(ss.Count(), 1);
  // No answer left: the selection is cancelled.
  ExpectAutomationError([&] { ss.SelectOnScreen(); }, "SelectOnScreen", cad::kErrorCancelled);
}

TEST_F(Selection, SetNamesAreUniqueAndDeletedSetsRefuseCalls) {
  cad::SelectionSets sets = doc.SelectionSets();
  cad::SelectionSet first = sets.Add("SSTEMP_1");
  ExpectAutomationError([&] { sets.Add("ssTemp_1"); }, "Add", cad::kErrorFailed);
  EXPECT_EQ(sets.Count(), 1);
  first.Delete();
  EXPECT_EQ(sets.Count(), 0);
  ExpectAutomationError([&] { first.Count(); }, "Count", cad::kErrorFailed);
  EXPECT_EQ(sets.Add("SSTEMP_1").Name(), "SSTEMP_1");
}

}  // namespace
}  // namespace trivane::host::testing
