#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/support.h"
#include "app/target_cad_form.h"
#include "app_fixture.h"

namespace trivane::app {
namespace {

using testing::ReadBytes;
using testing::RecordingPlatform;
using testing::TestFolder;
using testing::WriteBytes;
using Lines = std::vector<std::string>;

class TargetCadFormTest : public ::testing::Test {
 protected:
  TargetCadFormTest()
      : link(platform),
        dialog(link, folder / "TargetCAD_APIVersion.txt",
               [this](std::string caption) { captions.push_back(std::move(caption)); }) {
    link.ProgId = "ZWCAD.Application";
    link.CadName = "ZWCAD";
  }

  std::filesystem::path ListFile() const { return folder / "TargetCAD_APIVersion.txt"; }
  void ShowWith(const Lines& lines) {
    std::string bytes;
    for (const std::string& line : lines)
      bytes += line + "\r\n";
    WriteBytes(ListFile(), bytes);
    dialog.Show();
  }
  void ExpectSelection(int index, const std::string& edit1, const std::string& edit2) {
    EXPECT_EQ(dialog.ItemIndex(), index);
    EXPECT_EQ(dialog.Edit1Text(), edit1);
    EXPECT_EQ(dialog.Edit2Text(), edit2);
  }

  TestFolder folder;
  RecordingPlatform platform;
  cad::CadLink link;
  std::vector<std::string> captions;
  TTargetCADForm dialog;
};

TEST_F(TargetCadFormTest, MissingFileShowsAnEmptyListAndTheFirstAddCreatesIt) {
  dialog.Show();
  EXPECT_TRUE(dialog.Visible());
  EXPECT_TRUE(dialog.Items().empty());
  ExpectSelection(-1, "", "");
  dialog.SetEdit1Text("ZWCAD");
  dialog.SetEdit2Text("ZWCAD.Application");
  dialog.SpeedButton1Click();
  EXPECT_EQ(ReadBytes(ListFile()), "ZWCAD\tZWCAD.Application\r\n");
  ExpectSelection(0, "ZWCAD", "ZWCAD.Application");
}

struct ShowCase {
  const char* name;
  Lines lines;
  const char* progId;
  int index;
  const char* edit1;
  const char* edit2;
};

class TargetCadShowTest : public TargetCadFormTest,
                          public ::testing::WithParamInterface<ShowCase> {};

TEST_P(TargetCadShowTest, SelectsTheFirstLineHoldingTabAndProgId) {
  const ShowCase& c = GetParam();
  dialog.SetEdit1Text("before");
  dialog.SetEdit2Text("before2");
  link.ProgId = c.progId;
  ShowWith(c.lines);
  ExpectSelection(c.index, c.edit1, c.edit2);
}

const ShowCase kShowCases[] = {
    // TAB sorts before a blank, so the plain name comes first here...
    {"PlainNameSortsFirst",
     {"ZWCAD 2024\tZWCAD.Application.24", "ZWCAD\tZWCAD.Application"},
     "ZWCAD.Application",
     0,
     "ZWCAD",
     "ZWCAD.Application"},
    // ...and the versioned line here: whichever sorts first is taken.
    {"VersionedLineSortsFirst",
     {"ZWCAD\tZWCAD.Application", "ZW 2024\tZWCAD.Application.2024"},
     "ZWCAD.Application",
     0,
     "ZW 2024",
     "ZWCAD.Application.2024"},
    {"MatchIsCaseSensitive",
     {"ZWCAD\tZWCAD.Application"},
     "zwcad.application",
     -1,
     "before",
     "before2"},
    {"LineWithoutTabNeverMatches",
     {"ZWCAD.Application"},
     "ZWCAD.Application",
     -1,
     "before",
     "before2"},
    {"LaterLineMatches",
     {"A\tBricscadApp.AcadApplication", "B\tGCAD.Application.23"},
     "GCAD.Application",
     1,
     "B",
     "GCAD.Application.23"},
};

INSTANTIATE_TEST_SUITE_P(Show, TargetCadShowTest, ::testing::ValuesIn(kShowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TargetCadFormTest, DeletingSelectsTheEntryInItsPlaceElseTheOneBefore) {
  const struct {
    const char* name;
    Lines lines;
    int selected;
    Lines remaining;
    int index;
    const char* edit1;
    const char* edit2;
  } cases[] = {
      {"SecondToLast", {"A\ta", "B\tb", "C\tc"}, 1, {"A\ta", "C\tc"}, 1, "C", "c"},
      {"Last", {"A\ta", "B\tb", "C\tc"}, 2, {"A\ta", "B\tb"}, 1, "B", "b"},
      {"First", {"A\ta", "B\tb"}, 0, {"B\tb"}, 0, "B", "b"},
      {"Only", {"A\ta"}, 0, {}, -1, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShowWith(c.lines);
    dialog.ListBox1Click(c.selected);
    dialog.SpeedButton2Click();
    EXPECT_EQ(dialog.Items(), c.remaining);
    ExpectSelection(c.index, c.edit1, c.edit2);
    EXPECT_EQ(ReadBytes(ListFile()), TargetCadListBytes(c.remaining));
  }
}

TEST_F(TargetCadFormTest, EnterInEitherEditChangesTheSelectedEntryAndNeverAdds) {
  ShowWith({"A\ta", "C\tc"});
  dialog.ListBox1Click(0);
  dialog.SetEdit1Text("D");
  EXPECT_TRUE(dialog.Edit1KeyPress('\r'));
  EXPECT_EQ(dialog.Items(), (Lines{"C\tc", "D\ta"}));
  EXPECT_EQ(dialog.ItemIndex(), 1);  // the changed entry, at its sorted place
  EXPECT_EQ(ReadBytes(ListFile()), "C\tc\r\nD\ta\r\n");
  dialog.SetEdit2Text("d");
  EXPECT_TRUE(dialog.Edit1KeyPress('\r'));  // the same handler serves Edit2
  EXPECT_EQ(dialog.Items(), (Lines{"C\tc", "D\td"}));
  EXPECT_FALSE(dialog.Edit1KeyPress('x'));
}

TEST_F(TargetCadFormTest, DeleteAndChangeWithoutSelectionDoNothing) {
  ShowWith({"A\ta"});
  dialog.ListBox1Click(-1);
  std::filesystem::remove(ListFile());
  dialog.SetEdit1Text("X");
  EXPECT_TRUE(dialog.Edit1KeyPress('\r'));
  dialog.SpeedButton3Click();
  dialog.SpeedButton2Click();
  EXPECT_EQ(dialog.Items(), Lines{"A\ta"});
  EXPECT_FALSE(std::filesystem::exists(ListFile()));  // nothing written
}

TEST_F(TargetCadFormTest, AddKeepsDuplicatesAndSelectsTheFirstEqualEntry) {
  ShowWith({"A\ta", "B\tb"});
  dialog.ListBox1Click(0);
  dialog.SpeedButton1Click();
  EXPECT_EQ(dialog.Items(), (Lines{"A\ta", "A\ta", "B\tb"}));
  ExpectSelection(0, "A", "a");
  // A TAB typed into the name splits the new line at its first TAB when it fills the edits.
  dialog.SetEdit1Text("N\tx");
  dialog.SetEdit2Text("p");
  dialog.SpeedButton1Click();
  ExpectSelection(3, "N", "x\tp");
}

TEST_F(TargetCadFormTest, OkSetsTheTargetAndTheCaption) {
  ShowWith({"BricsCAD\tBricscadApp.AcadApplication"});
  dialog.ListBox1Click(0);
  dialog.Button1Click();
  EXPECT_EQ(link.ProgId, "BricscadApp.AcadApplication");
  EXPECT_EQ(link.CadName, "BricsCAD");
  EXPECT_EQ(captions, Lines{"■ [ BricsCAD ]"});
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.Result(), ModalResult::Ok);
}

TEST_F(TargetCadFormTest, OkWithEmptyEditsEmptiesTheTarget) {
  dialog.Show();
  dialog.Button1Click();
  EXPECT_EQ(link.ProgId, "");
  EXPECT_EQ(link.CadName, "");
  EXPECT_EQ(captions, Lines{"■ [  ]"});
}

TEST_F(TargetCadFormTest, CancelKeepsTheTargetButNotTheFileChanges) {
  ShowWith({"A\ta"});
  dialog.SetEdit1Text("B");
  dialog.SetEdit2Text("b");
  dialog.SpeedButton1Click();
  dialog.Button2Click();
  EXPECT_EQ(link.ProgId, "ZWCAD.Application");
  EXPECT_EQ(link.CadName, "ZWCAD");
  EXPECT_TRUE(captions.empty());
  EXPECT_EQ(dialog.Result(), ModalResult::Cancel);
  EXPECT_EQ(ReadBytes(ListFile()), "A\ta\r\nB\tb\r\n");
}

TEST_F(TargetCadFormTest, ListFileIsReadWithAnyLineEndAndWrittenSortedWithCrLf) {
  WriteBytes(ListFile(),
             "\xEF\xBB\xBF"
             "b\tB\nA\tA\r\n\tnoName\rnoTab");
  dialog.Show();
  EXPECT_EQ(dialog.Items(), (Lines{"\tnoName", "A\tA", "b\tB", "noTab"}));
  dialog.ListBox1Click(3);
  EXPECT_EQ(dialog.Edit1Text(), "");
  EXPECT_EQ(dialog.Edit2Text(), "noTab");
  dialog.SpeedButton3Click();  // the line gains its TAB and moves to its sorted place
  EXPECT_EQ(dialog.ItemIndex(), 1);
  EXPECT_EQ(ReadBytes(ListFile()), "\tnoName\r\n\tnoTab\r\nA\tA\r\nb\tB\r\n");
}

// A file with two marks at its start lost one at each save: the second was read into the first
// name, then written first, where the next reading took it for the mark.
TEST_F(TargetCadFormTest, TwoByteOrderMarksReadAsOneAndTheListRoundTrips) {
  WriteBytes(ListFile(),
             "\xEF\xBB\xBF\xEF\xBB\xBF"
             "A\ta\r\nB\tb\r\n");
  dialog.Show();
  EXPECT_EQ(dialog.Items(), (Lines{"A\ta", "B\tb"}));
  dialog.ListBox1Click(0);
  dialog.SpeedButton3Click();  // written back unchanged
  const std::string written = ReadBytes(ListFile());
  dialog.Show();
  EXPECT_EQ(dialog.Items(), (Lines{"A\ta", "B\tb"}));
  EXPECT_EQ(ParseTargetCadList(written), (Lines{"A\ta", "B\tb"}));
}

TEST_F(TargetCadFormTest, ShowingAgainWithoutFileKeepsTheList) {
  ShowWith({"A\ta"});
  dialog.Button2Click();
  std::filesystem::remove(ListFile());
  dialog.Show();
  EXPECT_EQ(dialog.Items(), Lines{"A\ta"});
}

TEST_F(TargetCadFormTest, WriteFailureShowsTheErrorAndKeepsTheFile) {
  ShowWith({"A\ta"});
  dialog.SetEdit1Text("B");
  {
    const testing::ReplacingFails noRoom(ListFile());
    dialog.SpeedButton1Click();
  }
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, PathText(ListFile()) + " に書き込めません.");
  EXPECT_EQ(platform.boxes[0].caption, "■");
  EXPECT_EQ(ReadBytes(ListFile()), "A\ta\r\n");
  EXPECT_EQ(dialog.Items().size(), 2u);  // the list shows the change
}

TEST(TargetCadLineTest, SplitsAtTheFirstTab) {
  EXPECT_EQ(SplitTargetCadLine("a\tb\tc"), (std::pair<std::string, std::string>{"a", "b\tc"}));
  EXPECT_EQ(SplitTargetCadLine("noTab"), (std::pair<std::string, std::string>{"", "noTab"}));
  EXPECT_EQ(SplitTargetCadLine("\t"), (std::pair<std::string, std::string>{"", ""}));
}

}  // namespace
}  // namespace trivane::app
