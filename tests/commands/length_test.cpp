// "長さ記入": the length label of one picked side.
#include "commands/length.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/commands/tools_fixture.h"

namespace trivane::commands::testing {
namespace {

class LengthTest : public ToolsTest {
 protected:
  LengthTest() { drawing().vars.SNAPMODE = 1; }
  void PickAt(const TAcadPoint& p) {
    user().Push(host::UserAnswer::Pick(p));
    Click("Button11");
  }
  std::vector<PlacedText> Labels() { return TextsAfter(0); }
};

TEST_F(LengthTest, LabelStandsOnTheMiddleOnceHoweverOftenTheSideIsPicked) {
  const TAcadPoint left{0, 0, 0};
  const TAcadPoint right{12340, 0, 0};
  for (bool leftToRight : {true, false}) {
    SCOPED_TRACE(leftToRight);
    drawing().entities.clear();
    drawing().layers.resize(1);  // layer "0" only: the label's layer is added
    AddLine(leftToRight ? left : right, leftToRight ? right : left);
    PickAt({3003, 1, 0});
    PickAt({9001, -1, 0});
    const std::vector<host::ObjectId> labels = All<host::TextShape>();
    ASSERT_EQ(labels.size(), 1u);
    const host::TextShape& t = ShapeOf<host::TextShape>(labels[0]);
    EXPECT_EQ(t.string, "12.34");
    EXPECT_EQ(t.alignment, 13);
    EXPECT_EQ(t.alignmentPoint, (TAcadPoint{6170, 0, 0}));
    EXPECT_EQ(t.rotation, 0.0);
    EXPECT_EQ(t.height, 300.0);
    EXPECT_EQ(Get(labels[0]).layer, "H_TEXT");
    EXPECT_NE(drawing().FindLayer("H_TEXT"), nullptr);
    EXPECT_EQ(drawing().vars.SNAPMODE, 1);
  }
  EXPECT_TRUE(state().creation.CreatedObjectIds.empty());
}

TEST_F(LengthTest, PolylineGivesThePickedSegment) {
  host::PolylineShape p;
  p.vertices = {{0, 0, 0}, {10000, 0, 0}, {10000, 5000, 0}};
  host->CreateEntity(p);
  PickAt({10001, 2500, 0});
  const std::vector<host::ObjectId> labels = All<host::TextShape>();
  ASSERT_EQ(labels.size(), 1u);
  const host::TextShape& t = ShapeOf<host::TextShape>(labels[0]);
  EXPECT_EQ(t.string, "5.00");
  EXPECT_EQ(t.alignmentPoint, (TAcadPoint{10000, 2500, 0}));
}

TEST_F(LengthTest, NothingWrittenForOtherEntitiesCancelsAndBadHeights) {
  state().creation.RecordCreatedObjects = true;
  form().SetEnabled("Button9", true);
  AddCircle({0, 0, 0}, 100);
  PickAt({100, 0, 0});
  EXPECT_FALSE(form().Enabled("Button9"));
  Click("Button11");  // cancelled pick
  AddLine({1000, 1000, 0}, {2000, 1000, 0});
  form().SetText("Edit3", "3OO");
  PickAt({1500, 1000, 0});
  EXPECT_TRUE(All<host::TextShape>().empty());
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(drawing().vars.SNAPMODE, 1);
}

}  // namespace
}  // namespace trivane::commands::testing
