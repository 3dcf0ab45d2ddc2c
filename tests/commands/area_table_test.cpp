// "作成": the area table built from the number texts' records, inserted where the user points,
// exploded into plain lines and texts, its block definition gone.
#include "commands/area_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/commands/tools_fixture.h"

namespace trivane::commands::testing {
namespace {

struct Rule {
  TAcadPoint start;
  TAcadPoint end;
};

// Where the user puts the table's top-left corner.
constexpr TAcadPoint kCorner{10000, 20000, 0};

class AreaTableTest : public ToolsTest {
 protected:
  // Runs "作成" with the user pointing at kCorner; afterwards `table` holds what it added.
  void Create() {
    mark = Mark();
    user().Push(host::UserAnswer::Point(kCorner));
    Click("Button3");
  }

  // Rules and texts added by the command, in table coordinates (relative to kCorner).
  std::vector<Rule> Rules() {
    std::vector<Rule> out;
    for (host::ObjectId id : All<host::LineShape>(mark)) {
      const host::LineShape& l = ShapeOf<host::LineShape>(id);
      EXPECT_EQ(Get(id).layer, "H_TEXT");
      out.push_back({Local(l.start), Local(l.end)});
    }
    return out;
  }
  std::vector<PlacedText> Texts() {
    std::vector<PlacedText> out;
    for (host::ObjectId id : All<host::TextShape>(mark)) {
      const host::TextShape& t = ShapeOf<host::TextShape>(id);
      EXPECT_EQ(Get(id).layer, "H_TEXT");
      EXPECT_EQ(t.height, 400.0);
      EXPECT_EQ(t.rotation, 0.0);
      out.push_back({t.string, Local(t.alignmentPoint), t.alignment});
    }
    return out;
  }
  // The texts of one column of the triangle rows and closing rows (middle right at x).
  std::vector<std::string> ColumnAt(double x) {
    std::vector<std::string> out;
    for (const PlacedText& t : Texts()) {
      if (t.alignment == 11 && t.at.x == x)
        out.push_back(t.text);
    }
    return out;
  }

  static TAcadPoint Local(const TAcadPoint& p) {
    return {p.x - kCorner.x, p.y - kCorner.y, p.z - kCorner.z};
  }

  bool NoTableBlock() {
    for (const host::BlockRecord& b : drawing().blocks) {
      if (b.name.starts_with("Trivane_"))
        return false;
    }
    return All<host::InsertShape>().empty();
  }

  host::ObjectId mark = 0;
};

void ExpectRules(const std::vector<Rule>& actual, const std::vector<Rule>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].start, expected[i].start);
    EXPECT_EQ(actual[i].end, expected[i].end);
  }
}

void ExpectTexts(const std::vector<PlacedText>& actual, const std::vector<PlacedText>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].text, expected[i].text);
    EXPECT_EQ(actual[i].at, expected[i].at);
    EXPECT_EQ(actual[i].alignment, expected[i].alignment);
  }
}

// The check of printed areas: off by more than 1 %, more than the last area digit, and more than
// the rounding of the printed values moves a well-shaped area.
TEST(PrintCheck, CatchesIllConditionedAreasAndNotRounding) {
  struct Case {
    const char* name;
    double printed, trueArea, allowance;
    bool off;
  } cases[] = {
      {"needle 2 m high on 371 m", 353.5603, 383.5708, 1.8561, true},
      {"29 m side bent 30 cm", 0.0, 4.35, 0.145, true},
      {"sliver within the rounding", 0.0, 0.015, 0.025, false},
      {"ordinary rounding under 1 %", 100.05, 100.0, 0.075, false},
      {"under the last digit", 0.0001, 0.00015, 0.0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PrintedAreaIsOff(c.printed, c.trueArea, 4, c.allowance), c.off) << c.name;
}

TEST_F(AreaTableTest, HeronTableOfTheThreeFourFiveTriangle) {
  AddNumberText("1", 3000, 4000, 5000);
  Create();

  ExpectRules(Rules(), {
                           {{0, 0, 0}, {15000, 0, 0}},
                           {{0, -800, 0}, {15000, -800, 0}},
                           {{0, -1600, 0}, {15000, -1600, 0}},
                           {{0, -2400, 0}, {15000, -2400, 0}},
                           {{0, -3200, 0}, {15000, -3200, 0}},
                           {{0, 0, 0}, {0, -3200, 0}},
                           {{1500, 0, 0}, {1500, -1600, 0}},
                           {{4500, 0, 0}, {4500, -1600, 0}},
                           {{7500, 0, 0}, {7500, -1600, 0}},
                           {{10500, 0, 0}, {10500, -3200, 0}},
                           {{15000, 0, 0}, {15000, -3200, 0}},
                       });
  ExpectTexts(Texts(), {
                           {"No.", {750, -400, 0}, 10},
                           {"a", {3000, -400, 0}, 10},
                           {"b", {6000, -400, 0}, 10},
                           {"c", {9000, -400, 0}, 10},
                           {"面積", {12750, -400, 0}, 10},
                           {"1", {1100, -1200, 0}, 11},
                           {"3.00", {4100, -1200, 0}, 11},
                           {"4.00", {7100, -1200, 0}, 11},
                           {"5.00", {10100, -1200, 0}, 11},
                           {"6.0000", {14600, -1200, 0}, 11},
                           {"合計", {10100, -2000, 0}, 11},
                           {"6.0000", {14600, -2000, 0}, 11},
                           {"面積", {10100, -2800, 0}, 11},
                           {"6.00  ", {14600, -2800, 0}, 11},
                       });
  EXPECT_NE(
      host->log().Text().find("(command \"_-INSERT\" \"Trivane_1\" \"S\" 1 \"R\" 0)(princ)\n"),
      std::string::npos);
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
  EXPECT_FALSE(form().Enabled("Button9"));
}

TEST_F(AreaTableTest, BaseHeightTableOfTheThreeFourFiveTriangle) {
  ASSERT_TRUE(form().SelectItem("RadioGroup1", 1));
  AddNumberText("1", 3000, 4000, 5000);
  Create();

  ExpectRules(Rules(), {
                           {{0, 0, 0}, {12000, 0, 0}},
                           {{0, -800, 0}, {12000, -800, 0}},
                           {{0, -1600, 0}, {12000, -1600, 0}},
                           {{0, -2400, 0}, {12000, -2400, 0}},
                           {{0, -3200, 0}, {12000, -3200, 0}},
                           {{0, -4000, 0}, {12000, -4000, 0}},
                           {{0, 0, 0}, {0, -4000, 0}},
                           {{1500, 0, 0}, {1500, -1600, 0}},
                           {{4500, 0, 0}, {4500, -1600, 0}},
                           {{7500, 0, 0}, {7500, -4000, 0}},
                           {{12000, 0, 0}, {12000, -4000, 0}},
                       });
  ExpectTexts(Texts(), {
                           {"No.", {750, -400, 0}, 10},
                           {"底辺", {3000, -400, 0}, 10},
                           {"高さ", {6000, -400, 0}, 10},
                           {"面積", {9750, -400, 0}, 10},
                           {"1", {1100, -1200, 0}, 11},
                           {"5.00", {4100, -1200, 0}, 11},
                           {"2.40", {7100, -1200, 0}, 11},
                           {"12.0000", {11600, -1200, 0}, 11},
                           {"合計", {7100, -2000, 0}, 11},
                           {"12.0000", {11600, -2000, 0}, 11},
                           {"1/2", {7100, -2800, 0}, 11},
                           {"6.0000", {11600, -2800, 0}, 11},
                           {"面積", {7100, -3600, 0}, 11},
                           {"6.00  ", {11600, -3600, 0}, 11},
                       });
  EXPECT_TRUE(NoTableBlock());
}

TEST_F(AreaTableTest, RowsFollowTheNumbersNotTheDrawingOrder) {
  AddNumberText("10", 3000, 4000, 5000);
  AddNumberText("2", 3000, 4000, 5000);
  AddNumberText("1", 3000, 4000, 5000);
  Create();
  EXPECT_EQ(ColumnAt(1100), (std::vector<std::string>{"1", "2", "10"}));
}

// A number text holding "," itself is shown whole; its lengths are the record's last three fields.
TEST_F(AreaTableTest, NumberTextWithACommaIsShownWhole) {
  AddNumberText("7,8", 3000, 4000, 5000);
  Create();
  EXPECT_EQ(ColumnAt(1100), (std::vector<std::string>{"7,8"}));
  EXPECT_EQ(ColumnAt(4100), (std::vector<std::string>{"3.00"}));
  EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{"6.0000", "6.0000", "6.00  "}));
}

TEST_F(AreaTableTest, AreasComeFromThePrintedLengthsAndTheTotalAddsThePrintedAreas) {
  // 1.004 prints as 1.00, and the area is that of the triangle 1.00, 1.00, 1.00 (0.4330), not of
  // 1.004 (0.4365).
  AddNumberText("1", 1004, 1004, 1004);
  Create();
  EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{"0.4330", "0.4330", "0.43  "}));

  // Each triangle's area is 0.33333317, printed 0.3333; the total adds the printed areas
  // (0.6666), where the rounded sum of the exact areas would be 0.6667.
  drawing().entities.clear();
  AddNumberText("1", 590, 1130, 1280);
  AddNumberText("2", 590, 1130, 1280);
  Create();
  EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{"0.3333", "0.3333", "0.6666", "0.67  "}));
}

TEST_F(AreaTableTest, FinalAreaIsPaddedByTheDecimalsItLacks) {
  struct Case {
    int keta2, keta3;
    const char* total;
    const char* final;
  };
  const Case cases[] = {
      {4, 2, "6.0000", "6.00  "}, {2, 2, "6.00", "6.00"}, {2, 3, "6.00", "6.000"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.keta3);
    drawing().entities.clear();
    state().numbers.Keta2 = k.keta2;
    state().numbers.Keta3 = k.keta3;
    AddNumberText("1", 3000, 4000, 5000);
    Create();
    EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{k.total, k.total, k.final}));
  }
}

TEST_F(AreaTableTest, UncheckedAllDataTakesOnlyTheSelectedMarkers) {
  AddNumberText("1", 3000, 4000, 5000, {0, 0, 0});
  AddNumberText("2", 6000, 8000, 10000, {1000, 0, 0});
  form().SetChecked("CheckBox2", false);
  user().Push(host::UserAnswer::Window({900, -100, 0}, {1100, 100, 0}));
  Create();
  EXPECT_EQ(ColumnAt(1100), (std::vector<std::string>{"2"}));
  EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{"24.0000", "24.0000", "24.00  "}));
}

// A drawing with no text at all once ended the command without a word.
TEST_F(AreaTableTest, TextsWithoutRecordsAndNoTextsAtAllGiveTheMessage) {
  Click("Button3");  // an empty drawing, every text read ("全ﾃﾞｰﾀｰ")
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "求積データが見つかりません．");
  os.ClearEvents();

  AddText("12", {0, 0, 0});
  const host::ObjectId before = Mark();
  Click("Button3");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "求積データが見つかりません．");
  EXPECT_EQ(Messages()[0].caption, "Acad_Trivane");
  EXPECT_EQ(os.foreground(), host->hwnd());
  EXPECT_EQ(Mark(), before);
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

TEST_F(AreaTableTest, CancelledInsertionPointLeavesNoBlock) {
  AddNumberText("1", 3000, 4000, 5000);
  const host::ObjectId before = Mark();
  user().Push(host::UserAnswer::Cancel());
  Click("Button3");
  EXPECT_EQ(Mark(), before);
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

// Inputs that cannot make a table are found before anything is created: no block, no insert.
TEST_F(AreaTableTest, BadTableSettingsLeaveNoBlockBehind) {
  struct Case {
    const char* edit;
    const char* text;
  };
  const Case cases[] = {
      {"Edit11", "1500,3000,3000,3000"},
      {"Edit11", "1500,3000,3000,3000,4500,1"},
      {"Edit11", "1500,3000,x,3000,4500"},
      {"Edit11", "1500,3000,3000,3000,"},
      {"Edit9", "abc"},
      {"Edit9", "0"},
      {"Edit10", "8OO"},
      {"Edit10", "800,5"},
  };
  AddNumberText("1", 3000, 4000, 5000);
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.edit) + " " + k.text);
    program.Form().SetText(k.edit, k.text);
    host->ResetCallCounts();
    const host::ObjectId before = Mark();
    Click("Button3");
    EXPECT_EQ(host->CallCount("Add"), 1);  // the selection set only: no block was begun
    EXPECT_EQ(host->CallCount("AddLine") + host->CallCount("AddText"), 0);
    EXPECT_EQ(host->CallCount("SendCommand"), 0);
    EXPECT_EQ(Mark(), before);
    EXPECT_TRUE(NoTableBlock());
    EXPECT_TRUE(AllSelectionSetsDeleted());
    program.Form().SetText(k.edit, k.edit == std::string("Edit11")  ? "1500,3000,3000,3000,4500"
                                   : k.edit == std::string("Edit9") ? "400"
                                                                    : "800");
  }
  // The base-and-height widths are checked by their own count.
  ASSERT_TRUE(form().SelectItem("RadioGroup1", 1));
  program.Form().SetText("Edit20", "1500,3000,3000,3000,4500");
  host->ResetCallCounts();
  Click("Button3");
  EXPECT_EQ(host->CallCount("AddLine"), 0);
  EXPECT_TRUE(NoTableBlock());
}

// The CAD refuses the text layer once the block exists: the block definition goes all the same.
TEST_F(AreaTableTest, BlockDefinitionIsDeletedWhenTheTableFailsHalfway) {
  AddNumberText("1", 3000, 4000, 5000);
  form().SetText("Edit12", "H<TEXT");
  host->ResetCallCounts();
  const host::ObjectId before = Mark();
  Click("Button3");
  EXPECT_EQ(host->CallCount("Add"), 3);  // the selection set, the block, the refused layer
  EXPECT_EQ(host->CallCount("SendCommand"), 0);
  EXPECT_EQ(Mark(), before);
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

}  // namespace
}  // namespace trivane::commands::testing
