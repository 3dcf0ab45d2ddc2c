#include "commands/split.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "command_fixture.h"
#include "commands/angle_settings.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

using host::LineShape;
using host::PolylineShape;
using host::TextShape;
using host::UserAnswer;
using testing::CommandTest;
using testing::ExpectTexts;
using testing::TextAt;

const std::vector<TAcadPoint> kSquare{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
const std::vector<TAcadPoint> kTriangle{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
const double kDiagonal = std::sqrt(200.0);

class Split : public CommandTest {
 protected:
  // Draws the region's sides as lines on layer 0, then clicks with the pick inside it.
  void ClickInside(const std::vector<TAcadPoint>& region, const TAcadPoint& pick,
                   std::string_view button) {
    for (std::size_t i = 0; i < region.size(); ++i)
      AddLine(region[i], region[(i + 1) % region.size()]);
    regionLines = drawing().entities.size();
    user().Push(UserAnswer::Point(pick));
    Button10Click(c, button);
  }

  // The lines the command drew on a layer.
  std::vector<host::ObjectId> LinesOn(std::string_view layer) {
    std::vector<host::ObjectId> ids;
    for (host::ObjectId id : All<LineShape>()) {
      if (Get(id).layer == layer)
        ids.push_back(id);
    }
    return ids;
  }

  std::size_t regionLines = 0;

  TAcadPoint IncenterOf(const TAcadTriangle& t) { return Incenter(t.p1, t.p2, t.p3); }
};

TEST_F(Split, SplitOnlyDrawsTheCutAndErasesTheBoundary) {
  window.SetEnabled("Button9", true);
  creation.CreatedObjectIds = {42};
  ClickInside(kSquare, {5, 5, 0}, "Button12");

  EXPECT_EQ(commandLine->commands,
            (std::vector<std::string>{"_-BOUNDARY A O P \r5.0000,5.0000\r\r"}));
  const std::vector<host::ObjectId> lines = LinesOn("H_HEN");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(ShapeOf<LineShape>(lines[0]).start, (TAcadPoint{0, 10, 0}));
  EXPECT_EQ(ShapeOf<LineShape>(lines[0]).end, (TAcadPoint{10, 0, 0}));
  EXPECT_EQ(Get(lines[0]).layer, "H_HEN");
  EXPECT_TRUE(All<PolylineShape>().empty());
  EXPECT_TRUE(All<TextShape>().empty());
  EXPECT_EQ(window.Text("Edit16"), "1");
  EXPECT_FALSE(window.enabled["Button9"]);
  EXPECT_TRUE(creation.CreatedObjectIds.empty());
  EXPECT_NE(host->log().Text().find("領域内の１点を指示 : "), std::string::npos);
  for (const char* layer : {"H_TEXT", "H_HEN", "H_TAKASA"})
    EXPECT_NE(drawing().FindLayer(layer), nullptr) << layer;
}

class SplitAndLabel : public Split, public ::testing::WithParamInterface<const char*> {};

TEST_P(SplitAndLabel, HeronLabelsTheSharedDiagonalOnce) {
  window.SetPosition("UpDown4", 7);
  ClickInside(kSquare, {5, 5, 0}, GetParam());

  ExpectTexts(Labels(), {{{0, 5, 0}, "10.00"},
                         {{5, 0, 0}, "10.00"},
                         {{5, 5, 0}, "14.14"},
                         {{10, 5, 0}, "10.00"},
                         {{5, 10, 0}, "10.00"}});
  const TAcadTriangle t7{{0, 10, 0}, {0, 0, 0}, {10, 0, 0}};
  const TAcadTriangle t8{{10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  ExpectTexts(Numbers(), {{IncenterOf(t7), "7"}, {IncenterOf(t8), "8"}});
  EXPECT_EQ(RecordOf("7"), (std::vector<double>{10, 10, kDiagonal}));
  EXPECT_EQ(RecordOf("8"), (std::vector<double>{10, 10, kDiagonal}));
  EXPECT_EQ(window.Text("Edit16"), "9");
  EXPECT_EQ(LinesOn("H_HEN").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(AutoAndOnePoint, SplitAndLabel, ::testing::Values("Button10", "Button6"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_F(Split, BaseAndHeightLabelsTheSharedBaseOnceAndDrawsHeightLines) {
  window.radioGroups["RadioGroup1"] = 1;
  window.SetPosition("UpDown4", 7);
  ClickInside(kSquare, {5, 5, 0}, "Button10");

  const double h = kDiagonal / 2;
  ExpectTexts(Labels(), {{{5, 5, 0}, "14.14"}, {{2.5, 2.5, 0}, "7.07"}, {{7.5, 7.5, 0}, "7.07"}});
  EXPECT_NEAR(h, 7.0710678, 1e-6);
  std::vector<std::pair<TAcadPoint, TAcadPoint>> heights;
  for (host::ObjectId id : LinesOn("H_TAKASA")) {
    heights.emplace_back(ShapeOf<LineShape>(id).start, ShapeOf<LineShape>(id).end);
  }
  ASSERT_EQ(heights.size(), 2u);
  EXPECT_EQ(heights[0].first, (TAcadPoint{0, 0, 0}));
  EXPECT_NEAR(heights[0].second.x, 5, 1e-9);
  EXPECT_NEAR(heights[0].second.y, 5, 1e-9);
  EXPECT_EQ(heights[1].first, (TAcadPoint{10, 10, 0}));
  EXPECT_NEAR(heights[1].second.x, 5, 1e-9);
  ASSERT_EQ(Numbers().size(), 2u);
  EXPECT_EQ(RecordOf("8"), (std::vector<double>{10, 10, kDiagonal}));
  EXPECT_EQ(window.Text("Edit16"), "9");
}

TEST_F(Split, OnePointInATriangleLabelsItWithoutACut) {
  ClickInside(kTriangle, {2, 2, 0}, "Button6");
  EXPECT_TRUE(LinesOn("H_HEN").empty());
  EXPECT_EQ(Labels().size(), 3u);
  ExpectTexts(Numbers(), {{IncenterOf({{10, 0, 0}, {0, 10, 0}, {0, 0, 0}}), "1"}}, 1e-9);
  EXPECT_EQ(window.Text("Edit16"), "2");
}

TEST_F(Split, SplitOnlyInATriangleLeavesTheDrawingAsItWas) {
  ClickInside(kTriangle, {2, 2, 0}, "Button12");
  EXPECT_EQ(drawing().entities.size(), regionLines);
  EXPECT_EQ(All<LineShape>().size(), regionLines);
}

TEST_F(Split, PickOutsideEveryRegionShowsTheBoundaryMessage) {
  ClickInside(kSquare, {50, 50, 0}, "Button10");
  const std::vector<host::sim::Event> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "境界を作成できません．");
  EXPECT_EQ(messages[0].caption, "Trivane");
  EXPECT_EQ(os.events().back().kind, host::sim::EventKind::Fronted);
  EXPECT_EQ(os.foreground(), host->hwnd());
  EXPECT_EQ(drawing().entities.size(), regionLines);
  EXPECT_EQ(window.Text("Edit16"), "1");
}

// A failed split once left its cuts behind, so that a second click at the same point traced a
// smaller region and "succeeded" on part of the lot. Now it leaves the drawing as it found it.
TEST_F(Split, FailedSplitLeavesNoCutsSoTheRetryIsTheSameAttempt) {
  // An L whose long arm reaches far above every cut: with rays of 1 unit only the first cut is
  // seen inside. The view that small shows only the L's corner at the origin, so the L is one
  // polyline: an object partly in view bounds regions as a whole.
  drawing().vars.VIEWSIZE = 0.1;
  AddPolyline({{0, 0, 0}, {10, 0, 0}, {10, 1, 0}, {1, 1, 0}, {1, 10, 0}, {0, 10, 0}}, true);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    user().Push(UserAnswer::Point({0.5, 0.5, 0}));
    Button10Click(c, "Button10");
    const std::vector<host::sim::Event> messages = Messages();
    ASSERT_EQ(messages.size(), attempt + 1u);
    EXPECT_EQ(messages.back().text, "分割に失敗しました．");
    EXPECT_EQ(messages.back().caption, "IJ_Trivane");
    EXPECT_TRUE(LinesOn("H_HEN").empty());
    EXPECT_TRUE(All<TextShape>().empty());
    EXPECT_EQ(window.Text("Edit16"), "1");
    EXPECT_EQ(failures.messages.size(), attempt + 1u);
  }
}

TEST_F(Split, AngleBaseReadInDegreesAndAngleUnitsRestored) {
  drawing().vars.AUNITS = 2;  // grads: ANGBASE would read 100
  drawing().vars.ANGBASE = std::acos(0.0);
  ClickInside(kTriangle, {2, 2, 0}, "Button10");
  EXPECT_EQ(drawing().vars.AUNITS, 2);
  const std::vector<host::ObjectId> texts = All<TextShape>();
  ASSERT_EQ(texts.size(), 4u);
  // The label of (0,0)-(10,0) reads along it from the base; the number text turns back by it.
  EXPECT_NEAR(ShapeOf<TextShape>(texts[0]).rotation, std::acos(0.0), 1e-12);
  EXPECT_NEAR(ShapeOf<TextShape>(texts[3]).rotation, -std::acos(0.0), 1e-12);
}

// Forwards to a document but fails GetVariable("ANGBASE").
class AngbaseRefused final : public cad::Object {
 public:
  explicit AngbaseRefused(cad::ObjectRef inner) : inner_(std::move(inner)) {}
  cad::Value Invoke(std::string_view member, cad::InvokeKind kind,
                    std::span<cad::Arg> args) override {
    if (member == "GetVariable" && args.size() == 1 && args[0].value.GetText() == "ANGBASE")
      throw cad::AutomationError("GetVariable", "refused by the test");
    return inner_->Invoke(member, kind, args);
  }

 private:
  cad::ObjectRef inner_;
};

TEST_F(Split, AngleUnitsRestoredWhenAngbaseCannotBeRead) {
  drawing().vars.AUNITS = 3;
  const cad::Document document(std::make_shared<AngbaseRefused>(
      cad::Application(host->Application()).ActiveDocument().object()));
  EXPECT_THROW(ReadAngleSettings(document), cad::AutomationError);
  EXPECT_EQ(drawing().vars.AUNITS, 3);
}

TEST_F(Split, SettingThatIsNoNumberEndsBeforeTheBoundaryCommand) {
  window.texts["Edit3"] = "3,5";
  ClickInside(kSquare, {5, 5, 0}, "Button10");
  EXPECT_TRUE(commandLine->commands.empty());
  EXPECT_EQ(drawing().entities.size(), regionLines);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Split, NumberHeightThatIsNoNumberEndsAtTheFirstMarker) {
  window.texts["Edit5"] = "";
  ClickInside(kSquare, {5, 5, 0}, "Button10");
  EXPECT_EQ(LinesOn("H_HEN").size(), 1u);
  EXPECT_EQ(Labels().size(), 3u) << "the first triangle's labels stay";
  EXPECT_TRUE(Numbers().empty());
  EXPECT_EQ(window.Text("Edit16"), "1");
}

TEST_F(Split, NumbersRunOnAsFarAsTheNumberFieldGoes) {
  window.upDowns["UpDown4"].max = 5000;
  window.SetPosition("UpDown4", 1000);
  ClickInside(kSquare, {5, 5, 0}, "Button10");
  EXPECT_EQ(RecordOf("1001").size(), 3u);
  EXPECT_EQ(window.Text("Edit16"), "1002");
}

TEST_F(Split, NothingHappensWhenTheCadIsNotRunning) {
  os.Quit("ZWCAD.Application");
  window.SetEnabled("Button9", true);
  ClickInside(kSquare, {5, 5, 0}, "Button10");
  EXPECT_TRUE(window.enabled["Button9"]) << "the creation list is reset only for a running CAD";
  EXPECT_EQ(user().Remaining(), 1u);
}

// The CAD that takes its number texts from a DXF file: the texts and their records arrive through
// the CAD's own insert of the file.
TEST_F(Split, MarkerFilesInsertedExplodedCarryNumberAndRecord) {
  UseProduct("PCAD.Application");
  window.texts["Edit12"] = "文字";
  window.SetPosition("UpDown4", 7);
  ClickInside(kSquare, {5, 5, 0}, "Button10");

  const TAcadTriangle t7{{0, 10, 0}, {0, 0, 0}, {10, 0, 0}};
  const TAcadTriangle t8{{10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  ExpectTexts(Numbers(), {{IncenterOf(t7), "7"}, {IncenterOf(t8), "8"}}, 1e-12);
  for (const char* number : {"7", "8"}) {
    const std::vector<double> record = RecordOf(number);
    ASSERT_EQ(record.size(), 3u) << number;
    EXPECT_EQ(record[0], 10);
    EXPECT_EQ(record[1], 10);
    EXPECT_NEAR(record[2], kDiagonal, 1e-12);
  }
  for (host::ObjectId id : All<TextShape>())
    EXPECT_EQ(Get(id).layer, "文字");
  // Each insertion's block is deleted, so the next marker takes the same file name again.
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "TRIVANE_1.dxf"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "TRIVANE_2.dxf"));
  EXPECT_EQ(drawing().FindBlock("TRIVANE_1"), nullptr);
  EXPECT_EQ(window.Text("Edit16"), "9");
}

TEST(BoundaryCommandText, PointWithFourDecimals) {
  EXPECT_EQ(BoundaryCommand({1234.56789, -5.5, 0}), "_-BOUNDARY A O P \r1234.5679,-5.5000\r\r");
}

}  // namespace
}  // namespace trivane::commands
