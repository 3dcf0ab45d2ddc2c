#include "commands/line_group.h"

#include <gtest/gtest.h>

#include <cmath>

#include "command_fixture.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

using host::UserAnswer;
using testing::CommandTest;
using testing::ExpectTexts;

const double kDiagonal = std::sqrt(200.0);

class LineGroup : public CommandTest {
 protected:
  void SelectAll() {
    user().Push(UserAnswer::All());
    Button13Click(c);
  }
  TAcadPoint IncenterOf(const TAcadTriangle& t) { return Incenter(t.p1, t.p2, t.p3); }
};

TEST_F(LineGroup, FourLinesAndTheDiagonal) {
  AddLine({0, 0, 0}, {10, 0, 0});
  AddLine({10, 0, 0}, {10, 10, 0});
  AddLine({10, 10, 0}, {0, 10, 0});
  AddLine({0, 10, 0}, {0, 0, 0});
  AddLine({0, 10, 0}, {10, 0, 0});
  SelectAll();

  ExpectTexts(Labels(), {{{5, 0, 0}, "10.00"},
                         {{5, 5, 0}, "14.14"},
                         {{0, 5, 0}, "10.00"},
                         {{10, 5, 0}, "10.00"},
                         {{5, 10, 0}, "10.00"}});
  ExpectTexts(Numbers(), {{IncenterOf({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}), "1"},
                          {IncenterOf({{10, 10, 0}, {10, 0, 0}, {0, 10, 0}}), "2"}});
  EXPECT_EQ(RecordOf("1"), (std::vector<double>{10, kDiagonal, 10}));
  EXPECT_EQ(RecordOf("2"), (std::vector<double>{10, kDiagonal, 10}));
  EXPECT_EQ(window.Text("Edit16"), "3");
  EXPECT_EQ(buffers.LineRecords.size(), 5u);
  EXPECT_EQ(All<host::LineShape>().size(), 5u) << "no line is drawn in the three-side method";
  EXPECT_TRUE(host->selectionSets().empty());
}

TEST_F(LineGroup, ClosedPolylineAndTheDiagonal) {
  AddPolyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, true);
  AddLine({0, 10, 0}, {10, 0, 0});
  SelectAll();

  ASSERT_EQ(buffers.PolylineRecords.size(), 1u);
  EXPECT_EQ(buffers.PolylineRecords[0].ihand, 0);
  EXPECT_EQ(buffers.PolylineRecords[0].code70, 1);
  EXPECT_EQ(buffers.VertexRecords.size(), 4u);
  EXPECT_EQ(buffers.LineRecords.size(), 5u);
  ExpectTexts(Numbers(), {{IncenterOf({{10, 0, 0}, {0, 10, 0}, {0, 0, 0}}), "1"},
                          {IncenterOf({{10, 0, 0}, {0, 10, 0}, {10, 10, 0}}), "2"}});
  EXPECT_EQ(RecordOf("1"), (std::vector<double>{kDiagonal, 10, 10}));
}

TEST_F(LineGroup, OpenPolylineGivesOnlyTheClosedTriangle) {
  AddPolyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, false);
  AddLine({0, 10, 0}, {10, 0, 0});
  SelectAll();
  ExpectTexts(Numbers(), {{IncenterOf({{10, 0, 0}, {0, 10, 0}, {10, 10, 0}}), "1"}});
  EXPECT_EQ(Labels().size(), 3u);
}

// A side drawn twice made the search find the triangle twice, and the table counted its land
// twice.
TEST_F(LineGroup, SideDrawnTwiceNumbersTheTriangleOnce) {
  AddLine({0, 0, 0}, {10, 0, 0});
  AddLine({10, 0, 0}, {0, 10, 0});
  AddLine({0, 10, 0}, {0, 0, 0});
  AddLine({0, 0, 0}, {10, 0, 0});
  SelectAll();
  EXPECT_EQ(Numbers().size(), 1u);
  EXPECT_EQ(Labels().size(), 3u);
  EXPECT_EQ(window.Text("Edit16"), "2");
}

TEST_F(LineGroup, BaseAndHeightDrawsHeightLines) {
  window.radioGroups["RadioGroup1"] = 1;
  AddLine({0, 0, 0}, {10, 0, 0});
  AddLine({10, 0, 0}, {0, 10, 0});
  AddLine({0, 10, 0}, {0, 0, 0});
  SelectAll();
  ExpectTexts(Labels(), {{{5, 5, 0}, "14.14"}, {{2.5, 2.5, 0}, "7.07"}}, 1e-9);
  const std::vector<host::ObjectId> lines = All<host::LineShape>();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Get(lines.back()).layer, "H_TAKASA");
}

TEST_F(LineGroup, QuietEndings) {
  struct Case {
    const char* name;
    std::vector<host::Shape> shapes;
    const char* message;  // nullptr: none
  } cases[] = {
      {"only texts and circles", {host::TextShape{}, host::CircleShape{{0, 0, 0}, 1}}, nullptr},
      {"two lines",
       {host::LineShape{{0, 0, 0}, {1, 0, 0}}, host::LineShape{{1, 0, 0}, {1, 1, 0}}},
       nullptr},
      {"three lines without a triangle",
       {host::LineShape{{0, 0, 0}, {1, 0, 0}}, host::LineShape{{1, 0, 0}, {1, 1, 0}},
        host::LineShape{{1, 1, 0}, {2, 1, 0}}},
       "選択した線は土地を囲んでいません．"},
      {"a polyline without a segment",
       {host::PolylineShape{{{0, 0, 0}}, false, 0.0, {}}},
       "線分またはポリラインではありません．."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    drawing().entities.clear();
    os.ClearEvents();
    buffers.LineRecords.assign(7, TAcadLineBlk{});
    for (const host::Shape& s : k.shapes)
      host->CreateEntity(s);
    const std::size_t before = drawing().entities.size();
    SelectAll();
    EXPECT_EQ(drawing().entities.size(), before) << "nothing is written";
    EXPECT_LT(buffers.LineRecords.size(), 7u) << "the buffers are refilled";
    const std::vector<host::sim::Event> messages = Messages();
    if (k.message) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, k.message);
      EXPECT_EQ(messages[0].caption, "IJ_Trivane");
    } else {
      EXPECT_TRUE(messages.empty());
    }
    EXPECT_TRUE(host->selectionSets().empty());
  }
}

TEST_F(LineGroup, CancelledSelectionKeepsTheBuffersAndDeletesTheSet) {
  buffers.LineRecords.assign(2, TAcadLineBlk{});
  user().Push(UserAnswer::Cancel());
  Button13Click(c);
  EXPECT_EQ(buffers.LineRecords.size(), 2u);
  EXPECT_TRUE(host->selectionSets().empty());
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace trivane::commands
