#include "commands/base_line.h"

#include <gtest/gtest.h>

#include <cmath>

#include "command_fixture.h"
#include "commands/two_sides.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

using host::UserAnswer;
using testing::CommandTest;
using testing::ExpectTexts;

const double kApexY = std::sqrt(53.76);

class BaseLine : public CommandTest {
 protected:
  BaseLine() {
    window.texts["Edit17"] = "1";
    window.texts["Edit3"] = "1";
  }

  void Build(const TAcadPoint& pick, const TAcadPoint& side) {
    user().Push(UserAnswer::Pick(pick));
    user().Push(UserAnswer::Point(side));
    Button1Click(c);
  }

  // The apex the build drew: the far end of its first side line.
  TAcadPoint DrawnApex() {
    const std::vector<host::ObjectId> lines = All<host::LineShape>();
    return lines.size() < 2 ? TAcadPoint{} : ShapeOf<host::LineShape>(lines[1]).end;
  }

  bool Exists(host::ObjectId id) { return drawing().FindEntity(id) != nullptr; }
};

void ExpectNear(const TAcadPoint& actual, const TAcadPoint& expected, double tol) {
  EXPECT_NEAR(actual.x, expected.x, tol);
  EXPECT_NEAR(actual.y, expected.y, tol);
}

TEST_F(BaseLine, SideAFromTheEndNearerThePickApexOnThePointedSide) {
  struct Case {
    const char* name;
    TAcadPoint pick, side, apex;
  } cases[] = {
      {"near the start, above", {2, 0.3, 0}, {5, 5, 0}, {3.2, kApexY, 0}},
      {"near the start, below", {2, -0.3, 0}, {5, -5, 0}, {3.2, -kApexY, 0}},
      {"near the end", {8, 0, 0}, {5, 5, 0}, {6.8, kApexY, 0}},
      {"at the middle a stays at the start", {5, 0, 0}, {5, 5, 0}, {3.2, kApexY, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    drawing().entities.clear();
    window.SetPosition("UpDown4", 1);
    const host::ObjectId base = AddLine({0, 0, 0}, {10, 0, 0});
    Build(k.pick, k.side);

    ExpectNear(DrawnApex(), k.apex, 1e-9);
    ExpectNear(lastBase.p3, k.apex, 1e-9);
    EXPECT_EQ(lastBase.p1, (TAcadPoint{0, 0, 0}));
    EXPECT_EQ(lastBase.p2, (TAcadPoint{10, 0, 0}));
    EXPECT_TRUE(window.enabled["Button9"]);
    EXPECT_TRUE(creation.RecordCreatedObjects);
    // Two side lines, three labels, the circle and the number text: everything but the base.
    std::vector<std::int64_t> written;
    for (const auto& [id, e] : drawing().entities) {
      if (id != base)
        written.push_back(id);
    }
    EXPECT_EQ(creation.CreatedObjectIds, written);
    EXPECT_EQ(written.size(), 7u);
    EXPECT_EQ(RecordOf("1").size(), 3u);
    EXPECT_EQ(window.Text("Edit16"), "2");
  }
}

TEST_F(BaseLine, MultiplierScalesTheTypedLengths) {
  window.texts["Edit17"] = "1000";
  AddLine({0, 0, 0}, {10000, 0, 0});
  Build({2000, 0, 0}, {5000, 5000, 0});
  ExpectNear(DrawnApex(), {3200, 1000 * kApexY, 0}, 1e-6);
  const std::vector<double> record = RecordOf("1");
  ASSERT_EQ(record.size(), 3u);
  EXPECT_NEAR(record[2], 8000, 1e-6);
}

TEST_F(BaseLine, PolylineSegmentAsBase) {
  AddPolyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, false);
  Build({2, 0.2, 0}, {5, 5, 0});
  ExpectNear(lastBase.p3, {3.2, kApexY, 0}, 1e-9);
  EXPECT_EQ(lastBase.p2, (TAcadPoint{10, 0, 0}));
}

TEST_F(BaseLine, ImpossibleLengthsShowTheMessageBeforeTheSidePrompt) {
  window.texts["Edit1"] = "3";
  window.texts["Edit2"] = "4";
  AddLine({0, 0, 0}, {8, 0, 0});
  window.SetEnabled("Button9", true);
  creation.CreatedObjectIds = {42};
  creation.RecordCreatedObjects = true;
  lastBase = {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}};
  Build({2, 0, 0}, {5, 5, 0});

  const std::vector<host::sim::Event> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "三角が作成できません．");
  EXPECT_EQ(messages[0].caption, "IJcad_Trivane");
  EXPECT_EQ(host->log().Text().find("作成側を指示"), std::string::npos);
  EXPECT_EQ(drawing().entities.size(), 1u);
  EXPECT_TRUE(window.enabled["Button9"]);
  EXPECT_EQ(creation.CreatedObjectIds, (std::vector<std::int64_t>{42}));
  EXPECT_EQ(lastBase, (TAcadTriangle{{1, 1, 0}, {2, 2, 0}, {3, 3, 0}}));
}

TEST_F(BaseLine, CancelledSidePromptChangesNothing) {
  AddLine({0, 0, 0}, {10, 0, 0});
  user().Push(UserAnswer::Pick({2, 0, 0}));
  user().Push(UserAnswer::Cancel());
  Button1Click(c);
  EXPECT_EQ(drawing().entities.size(), 1u);
  EXPECT_FALSE(window.enabled["Button9"]);
  EXPECT_EQ(lastBase, TAcadTriangle{});
}

TEST_F(BaseLine, ReversalExchangesTheSidesAndKeepsTheNumber) {
  AddLine({0, 0, 0}, {10, 0, 0});
  window.SetPosition("UpDown4", 5);
  Build({2, 0, 0}, {5, 5, 0});
  const std::vector<std::int64_t> first = creation.CreatedObjectIds;

  Button9Click(c);
  for (std::int64_t id : first)
    EXPECT_FALSE(Exists(id)) << "entity of the first build still there";
  ExpectNear(DrawnApex(), {6.8, kApexY, 0}, 1e-9);
  ExpectNear(lastBase.p3, {6.8, kApexY, 0}, 1e-9);
  EXPECT_EQ(drawing().entities.size(), 8u);
  EXPECT_EQ(creation.CreatedObjectIds.size(), 7u);
  ASSERT_EQ(Numbers().size(), 1u);
  EXPECT_EQ(Numbers()[0].text, "5");
  EXPECT_EQ(window.Text("Edit16"), "6");

  Button9Click(c);
  ExpectNear(lastBase.p3, {3.2, kApexY, 0}, 1e-9);
  ExpectNear(DrawnApex(), {3.2, kApexY, 0}, 1e-9);
  EXPECT_EQ(drawing().entities.size(), 8u);
  EXPECT_EQ(Numbers()[0].text, "5");
}

TEST_F(BaseLine, ReversalDeletesTheNumberTextThatCameFromTheMarkerFile) {
  UseProduct("PCAD.Application");
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  ASSERT_EQ(Numbers().size(), 1u);
  EXPECT_EQ(creation.CreatedObjectIds.size(), 7u) << "the text from the file is listed too";
  Button9Click(c);
  ASSERT_EQ(Numbers().size(), 1u);
  ExpectNear(Numbers()[0].at, Incenter({0, 0, 0}, {10, 0, 0}, {6.8, kApexY, 0}), 1e-9);
  EXPECT_EQ(RecordOf("1").size(), 3u);
}

TEST_F(BaseLine, ReversalOfEqualSidesRewritesTheSameTriangle) {
  window.texts["Edit1"] = "10";
  window.texts["Edit2"] = "10";
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  const TAcadPoint apex = lastBase.p3;
  const std::vector<std::int64_t> first = creation.CreatedObjectIds;
  Button9Click(c);
  ExpectNear(lastBase.p3, apex, 1e-9);
  EXPECT_EQ(creation.CreatedObjectIds.size(), first.size());
  EXPECT_NE(creation.CreatedObjectIds, first);
  EXPECT_FALSE(Exists(first[0]));
}

TEST_F(BaseLine, ReversalAfterAFailedDeletionStopsListing) {
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  drawing().EraseEntity(creation.CreatedObjectIds.front());  // the user erased a side line

  Button9Click(c);
  EXPECT_FALSE(creation.RecordCreatedObjects);
  EXPECT_TRUE(creation.CreatedObjectIds.empty());
  ExpectNear(lastBase.p3, {6.8, kApexY, 0}, 1e-9);
  const std::size_t afterFirst = drawing().entities.size();

  Button9Click(c);  // deletes nothing, lists again
  EXPECT_TRUE(creation.RecordCreatedObjects);
  const std::vector<std::int64_t>& listed = creation.CreatedObjectIds;
  ASSERT_GE(listed.size(), 4u);
  for (std::int64_t id : listed)
    EXPECT_TRUE(Exists(id));
  EXPECT_EQ(Get(listed[0]).shape.index(), 0u) << "a new side line first";
  EXPECT_EQ(Get(listed[listed.size() - 2]).shape.index(), 3u) << "the circle";
  EXPECT_EQ(Get(listed.back()).shape.index(), 2u) << "the number text last";
  EXPECT_GT(drawing().entities.size(), afterFirst);
}

TEST_F(BaseLine, AnotherDrawingCommandDisablesTheReversal) {
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  user().Push(UserAnswer::Cancel());
  Button8Click(c);
  EXPECT_FALSE(window.enabled["Button9"]);
  EXPECT_FALSE(creation.RecordCreatedObjects);
  EXPECT_TRUE(creation.CreatedObjectIds.empty());
}

TEST_F(BaseLine, BaseAndHeightListsItsEntitiesInWritingOrder) {
  window.radioGroups["RadioGroup1"] = 1;
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});

  struct Expected {
    std::size_t shape;  // index in host::Shape
    const char* layer;
  } expected[] = {{0, "H_HEN"},    {0, "H_HEN"},  {2, "H_TEXT"}, {2, "H_TEXT"},
                  {0, "H_TAKASA"}, {3, "H_TEXT"}, {2, "H_TEXT"}};
  ASSERT_EQ(creation.CreatedObjectIds.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    const host::Entity& e = Get(creation.CreatedObjectIds[i]);
    EXPECT_EQ(e.shape.index(), expected[i].shape);
    EXPECT_EQ(e.layer, expected[i].layer);
  }
  ExpectTexts(Labels(), {{{5, 0, 0}, "10.00"}, {{3.2, kApexY / 2, 0}, "7.33"}}, 1e-9);
}

TEST_F(BaseLine, TextLayerMadeBeforeTheLabels) {
  ASSERT_EQ(drawing().FindLayer("H_TEXT"), nullptr);
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  EXPECT_EQ(Labels().size(), 3u);
  EXPECT_EQ(Numbers().size(), 1u);
}

TEST_F(BaseLine, MarkerSettingThatIsNoNumberDrawsNothing) {
  window.texts["Edit6"] = "abc";
  AddLine({0, 0, 0}, {10, 0, 0});
  Build({2, 0, 0}, {5, 5, 0});
  EXPECT_EQ(drawing().entities.size(), 1u);
  EXPECT_EQ(window.Text("Edit16"), "1");
}

// The swap stayed enabled after a build that stopped at a marker setting, and then stepped the
// number back onto the triangle before: number 5 given twice.
TEST_F(BaseLine, BuildThatDidNotFinishDisablesTheReversal) {
  AddLine({0, 0, 0}, {10, 0, 0});
  // The second base, clear of the first triangle's marker (a number 400 high).
  AddLine({0, 2000, 0}, {10, 2000, 0});
  window.SetPosition("UpDown4", 5);
  Build({2, 0, 0}, {5, 5, 0});
  ASSERT_TRUE(window.enabled["Button9"]);
  ASSERT_EQ(window.Text("Edit16"), "6");

  window.texts["Edit6"] = "abc";
  Build({2, 2000, 0}, {5, 2005, 0});
  EXPECT_FALSE(window.enabled["Button9"]);
  EXPECT_EQ(window.Text("Edit16"), "6");

  // A reversal that stops on the way leaves it disabled too.
  window.texts["Edit6"] = "500";
  Build({2, 2000, 0}, {5, 2005, 0});
  ASSERT_TRUE(window.enabled["Button9"]);
  window.texts["Edit5"] = "x";
  Button9Click(c);
  EXPECT_FALSE(window.enabled["Button9"]);
}

}  // namespace
}  // namespace trivane::commands
