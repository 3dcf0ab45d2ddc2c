#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/settings.h"
#include "app/support.h"
#include "app_fixture.h"

namespace trivane::app {
namespace {

using testing::ReadBytes;
using testing::RecordingPlatform;
using testing::TestFolder;
using testing::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  static constexpr ScreenSize kScreen{1024, 768};

  std::filesystem::path ProgramFile() const { return folder / "trivane.exe"; }
  std::filesystem::path IniPath() const { return folder / "trivane.ini"; }

  std::unique_ptr<Application> Start() {
    ApplicationOptions options;
    options.screen = kScreen;
    return std::make_unique<Application>(platform, ProgramFile(), std::move(options));
  }
  std::unique_ptr<Application> StartWith(const std::string& ini) {
    WriteBytes(IniPath(), ini);
    return Start();
  }

  TestFolder folder;
  RecordingPlatform platform;
};

// ---------------------------------------------------------------------------------------------
// Start-up

struct ControlExpectation {
  const char* control;
  std::optional<std::string> text = std::nullopt;
  std::optional<bool> checked = std::nullopt;
  std::optional<bool> enabled = std::nullopt;
};

void ExpectControls(const TForm1& form, const std::vector<ControlExpectation>& expectations) {
  for (const ControlExpectation& e : expectations) {
    SCOPED_TRACE(e.control);
    if (e.text) {
      EXPECT_EQ(form.Text(e.control), *e.text);
    }
    if (e.checked) {
      EXPECT_EQ(form.Checked(e.control), *e.checked);
    }
    if (e.enabled) {
      EXPECT_EQ(form.Enabled(e.control), *e.enabled);
    }
  }
}

// What every setting shows when no key changes it; the window's own Yajirusi and AutoCheck
// differ from the keys' defaults and are checked by the tests themselves.
const std::vector<ControlExpectation> kDefaultControls = {
    {"TabSheet2", " ﾍﾛﾝ "},
    {"Edit13", "180.0"},
    {"CheckBox3", std::nullopt, true},
    {"Edit14", std::nullopt, std::nullopt, true},
    {"CheckBox2", std::nullopt, true},
    {"Edit1", "8.0"},
    {"Edit2", "10.0"},
    {"Edit17", "1000"},
    {"Edit24", "3"},
    {"Edit8", "1000"},
    {"Edit23", "3"},
    {"Edit7", "2"},
    {"Edit18", "4"},
    {"Edit4", "2"},
    {"Edit12", "H_TEXT"},
    {"Edit15", "H_HEN"},
    {"Edit19", "H_TAKASA"},
    {"RadioButton2", std::nullopt, true},
    {"RadioButton5", std::nullopt, true},
    {"RadioButton8", std::nullopt, true},
    {"Edit3", "300"},
    {"Edit5", "400"},
    {"Edit6", "500"},
    {"Edit9", "400"},
    {"Edit10", "800"},
    {"Edit11", "1500,3000,3000,3000,4500", std::nullopt, true},
    {"Edit20", "1500,3000,3000,4500", std::nullopt, false},
    {"Label19", std::nullopt, std::nullopt, false},
    {"CheckBox4", std::nullopt, true, false},
    {"Edit16", "1"},
    {"Button9", std::nullopt, std::nullopt, false},
};

void ExpectDefaultNumbersAndTarget(const ProgramState& state) {
  EXPECT_EQ(state.numbers.Keta1, 2);
  EXPECT_EQ(state.numbers.Keta2, 4);
  EXPECT_EQ(state.numbers.Keta3, 2);
  EXPECT_EQ(state.numbers.Nagasa, RoundingMode::kRoundHalfUp);
  EXPECT_EQ(state.numbers.Menseki, RoundingMode::kRoundHalfUp);
  EXPECT_EQ(state.numbers.Goukei, RoundingMode::kRoundHalfUp);
  EXPECT_EQ(state.link.ProgId, "ZWCAD.Application");
  EXPECT_EQ(state.link.CadName, "ZWCAD");
}

TEST_F(SettingsTest, WithoutFileEveryWindowDefaultStands) {
  auto app = Start();
  TForm1& form = app->Form();
  EXPECT_EQ(form.Left(), 589);
  EXPECT_EQ(form.Top(), 336);
  EXPECT_EQ(form.Caption(), "■ [ ZWCAD ]");
  EXPECT_EQ(form.ActivePage(), 0);
  ExpectControls(form, kDefaultControls);
  ExpectControls(form, {{"Edit14", "400"}, {"CheckBox1", std::nullopt, false, false}});
  ExpectDefaultNumbersAndTarget(app->State());
  // The message filter is registered for the whole run.
  ASSERT_NE(app->State().messageFilter, nullptr);
  EXPECT_EQ(platform.filter, app->State().messageFilter);
}

TEST_F(SettingsTest, FormOnlyFileMovesTheWindowAndGivesTheKeyDefaults) {
  auto app = StartWith("[Form]\r\nTop=12\r\nLeft=34\r\n");
  TForm1& form = app->Form();
  EXPECT_EQ(form.Top(), 12);
  EXPECT_EQ(form.Left(), 34);
  ExpectControls(form, kDefaultControls);
  // Where the keys' defaults differ from the window's own.
  ExpectControls(form, {{"Edit14", "400.0"}, {"CheckBox1", std::nullopt, true, false}});
  ExpectDefaultNumbersAndTarget(app->State());
}

TEST_F(SettingsTest, MissingPositionKeysCentreTheWindowOnTheScreen) {
  auto app = StartWith("[LT_Trivane]\r\nKakudo=90\r\n");
  EXPECT_EQ(app->Form().Top(), (768 - TForm1::kHeight) / 2);
  EXPECT_EQ(app->Form().Left(), (1024 - TForm1::kWidth) / 2);
  EXPECT_EQ(app->Form().Text("Edit13"), "90");
}

// One LT_Trivane key at a time and what the window and the program state show after start.
struct KeyCase {
  const char* name;
  const char* lines;  // the body of [LT_Trivane]
  std::function<void(const TForm1&, const ProgramState&)> check;
};

class SettingsKeyTest : public SettingsTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SettingsKeyTest, LoadsIntoWindowAndState) {
  auto app = StartWith(std::string("[LT_Trivane]\r\n") + GetParam().lines + "\r\n");
  GetParam().check(app->Form(), app->State());
}

const KeyCase kKeyCases[] = {
    {"Kyuuseki1StartsInSankaku", "Kyuuseki=1",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.ItemIndex("RadioGroup1"), 1);
       EXPECT_EQ(f.Text("TabSheet2"), " 三斜");
       EXPECT_TRUE(f.Enabled("Edit20"));
       EXPECT_TRUE(f.Enabled("Label19"));
       EXPECT_FALSE(f.Enabled("Edit11"));
       EXPECT_FALSE(f.Enabled("Label10"));
     }},
    {"KyuusekiAbove1CountsAs1", "Kyuuseki=5",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.ItemIndex("RadioGroup1"), 1);
       EXPECT_EQ(f.Text("TabSheet2"), " 三斜");
     }},
    {"NegativeKyuusekiStaysHeron", "Kyuuseki=-2",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.ItemIndex("RadioGroup1"), 0);
       EXPECT_EQ(f.Text("TabSheet2"), " ﾍﾛﾝ ");  // unchanged selection raises nothing
     }},
    {"Nagasa7ChecksKirisute", "Nagasa=7",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_TRUE(f.Checked("RadioButton1"));
       EXPECT_FALSE(f.Checked("RadioButton2"));
       EXPECT_EQ(s.numbers.Nagasa, RoundingMode::kTruncate);
     }},
    {"Menseki2ChecksKiriage", "Menseki=2",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_TRUE(f.Checked("RadioButton6"));
       EXPECT_FALSE(f.Checked("RadioButton5"));
       EXPECT_EQ(s.numbers.Menseki, RoundingMode::kRoundUp);
     }},
    {"Goukei0ChecksKirisute", "Goukei=0",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_TRUE(f.Checked("RadioButton7"));
       EXPECT_EQ(s.numbers.Goukei, RoundingMode::kTruncate);
     }},
    {"Syakudo2Shows100", "Syakudo=2",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.Position("UpDown3"), 2);
       EXPECT_EQ(f.Text("Edit8"), "100");
       EXPECT_EQ(f.Text("Edit23"), "2");
     }},
    {"SyakudoHexadecimal", "Syakudo=0x1",
     [](const TForm1& f, const ProgramState&) { EXPECT_EQ(f.Text("Edit8"), "10"); }},
    {"SyakudoAboveRangeIsLimited", "Syakudo=9",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.Position("UpDown3"), 3);
       EXPECT_EQ(f.Text("Edit8"), "1000");
     }},
    {"EmptySyakudoIsDefault",
     "Syakudo=", [](const TForm1& f, const ProgramState&) { EXPECT_EQ(f.Position("UpDown3"), 3); }},
    {"Jouritu0Shows1", "Jouritu=0",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.Position("UpDown5"), 0);
       EXPECT_EQ(f.Text("Edit17"), "1");
     }},
    {"Leader0DisablesEdit14", "Leader=0",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_FALSE(f.Checked("CheckBox3"));
       EXPECT_FALSE(f.Enabled("Edit14"));
     }},
    {"AnyNonZeroBooleanIsTrue", "AllData=-7\r\nUseTextStyle=0x10",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_TRUE(f.Checked("CheckBox2"));
       EXPECT_TRUE(f.Checked("CheckBox4"));
       EXPECT_FALSE(f.Enabled("CheckBox4"));
     }},
    {"NonNumericIntegersAreDefaults", "Keta1=abc\r\nKeta2=3x\r\nKeta3=2.5",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_EQ(s.numbers.Keta1, 2);
       EXPECT_EQ(s.numbers.Keta2, 4);
       EXPECT_EQ(s.numbers.Keta3, 2);
       EXPECT_EQ(f.Text("Edit18"), "4");
     }},
    {"DecimalsOutOfRangeAreLimited", "Keta1=99\r\nKeta3=-4",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_EQ(s.numbers.Keta1, 6);
       EXPECT_EQ(f.Text("Edit7"), "6");
       EXPECT_EQ(s.numbers.Keta3, 0);
       EXPECT_EQ(f.Text("Edit4"), "0");
     }},
    {"DecimalsHexadecimal", "Keta2=0X5",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_EQ(s.numbers.Keta2, 5);
       EXPECT_EQ(f.Position("UpDown6"), 5);
     }},
    {"ProgIdAloneKeepsTheName", "ProgId=BricscadApp.AcadApplication",
     [](const TForm1& f, const ProgramState& s) {
       EXPECT_EQ(s.link.ProgId, "BricscadApp.AcadApplication");
       EXPECT_EQ(s.link.CadName, "ZWCAD");
       EXPECT_EQ(f.Caption(), "■ [ ZWCAD ]");
     }},
    {"CadNameShowsInTheCaption", "ProgId=BricscadApp.AcadApplication\r\ncadName=BricsCAD",
     [](const TForm1& f, const ProgramState&) { EXPECT_EQ(f.Caption(), "■ [ BricsCAD ]"); }},
    {"TextsAreTrimmedUnlessQuoted", "M_Layer=   L1   \r\nKakudo=\"  90 \"\r\nHaba1='1,2'",
     [](const TForm1& f, const ProgramState&) {
       EXPECT_EQ(f.Text("Edit12"), "L1");
       EXPECT_EQ(f.Text("Edit13"), "  90 ");
       EXPECT_EQ(f.Text("Edit11"), "1,2");
     }},
};

INSTANTIATE_TEST_SUITE_P(Keys, SettingsKeyTest, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Saving

// The file after a run without one: 31 keys, 2 in "Form" and 29 in "LT_Trivane", in file order.
TEST_F(SettingsTest, RunWithoutFileWritesEveryKeyInOrder) {
  Start()->Close();
  EXPECT_EQ(ReadBytes(IniPath()),
            "[Form]\r\nTop=336\r\nLeft=589\r\n\r\n"
            "[LT_Trivane]\r\n"
            "Kakudo=180.0\r\nYajirusi=400\r\nLeader=1\r\nKyuuseki=0\r\nAllData=1\r\n"
            "A_Hen=8.0\r\nB_Hen=10.0\r\nAutoCheck=0\r\nJouritu=3\r\nSyakudo=3\r\n"
            "Keta1=2\r\nKeta2=4\r\nKeta3=2\r\nM_Layer=H_TEXT\r\nH_Layer=H_HEN\r\n"
            "T_Layer=H_TAKASA\r\nNagasa=1\r\nMenseki=1\r\nGoukei=1\r\nM_Taka1=300\r\n"
            "N_Taka1=400\r\nHankei1=500\r\nM_Taka2=400\r\nG_Taka=800\r\n"
            "Haba1=1500,3000,3000,3000,4500\r\nHaba2=1500,3000,3000,4500\r\n"
            "UseTextStyle=1\r\nKeizoku=0\r\nProgId=ZWCAD.Application\r\ncadName=ZWCAD\r\n");
  EXPECT_EQ(platform.filter, nullptr);  // the filter before ours (none) is back
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(SettingsTest, EverySettingSurvivesARoundTrip) {
  {
    auto app = Start();
    TForm1& f = app->Form();
    f.MoveTo(-5, 7);
    ASSERT_TRUE(f.TypeText("Edit13", " 45.5 "));
    ASSERT_TRUE(f.TypeText("Edit14", "250"));
    ASSERT_TRUE(f.Click("CheckBox3"));  // unchecked
    ASSERT_TRUE(f.SelectItem("RadioGroup1", 1));
    ASSERT_TRUE(f.Click("CheckBox2"));  // unchecked
    ASSERT_TRUE(f.TypeText("Edit1", "3.5"));
    ASSERT_TRUE(f.TypeText("Edit2", "\"4\""));
    ASSERT_TRUE(f.ClickUpDown("UpDown5", UpDownButton::Down));
    ASSERT_TRUE(f.ClickUpDown("UpDown3", UpDownButton::Down));
    ASSERT_TRUE(f.ClickUpDown("UpDown3", UpDownButton::Down));
    ASSERT_TRUE(f.ClickUpDown("UpDown2", UpDownButton::Up));
    ASSERT_TRUE(f.ClickUpDown("UpDown6", UpDownButton::Down));
    ASSERT_TRUE(f.ClickUpDown("UpDown1", UpDownButton::Up));
    ASSERT_TRUE(f.TypeText("Edit12", "文字"));
    ASSERT_TRUE(f.TypeText("Edit15", "辺"));
    ASSERT_TRUE(f.TypeText("Edit19", "高さ"));
    ASSERT_TRUE(f.Click("RadioButton3"));
    ASSERT_TRUE(f.Click("RadioButton4"));
    ASSERT_TRUE(f.Click("RadioButton9"));
    for (const char* edit : {"Edit3", "Edit5", "Edit6", "Edit9", "Edit10", "Edit20"})
      ASSERT_TRUE(f.TypeText(edit, std::string("9") + edit));
    app->State().link.ProgId = "BricscadApp.AcadApplication";
    app->State().link.CadName = "BricsCAD";
  }
  auto app = Start();
  const TForm1& f = app->Form();
  EXPECT_EQ(f.Left(), -5);
  EXPECT_EQ(f.Top(), 7);
  ExpectControls(f, {{"Edit13", " 45.5 "},
                     {"Edit14", "250", std::nullopt, false},
                     {"CheckBox3", std::nullopt, false},
                     {"TabSheet2", " 三斜"},
                     {"CheckBox2", std::nullopt, false},
                     {"Edit1", "3.5"},
                     {"Edit2", "\"4\""},
                     {"CheckBox1", std::nullopt, false},
                     {"Edit17", "100"},
                     {"Edit8", "10"},
                     {"Edit7", "3"},
                     {"Edit18", "3"},
                     {"Edit4", "3"},
                     {"Edit12", "文字"},
                     {"Edit15", "辺"},
                     {"Edit19", "高さ"},
                     {"RadioButton3", std::nullopt, true},
                     {"RadioButton4", std::nullopt, true},
                     {"RadioButton9", std::nullopt, true},
                     {"Edit3", "9Edit3"},
                     {"Edit5", "9Edit5"},
                     {"Edit6", "9Edit6"},
                     {"Edit9", "9Edit9"},
                     {"Edit10", "9Edit10"},
                     {"Edit20", "9Edit20", std::nullopt, true},
                     {"CheckBox4", std::nullopt, true}});
  const ProgramState& s = app->State();
  EXPECT_EQ(s.numbers.Keta1, 3);
  EXPECT_EQ(s.numbers.Keta2, 3);
  EXPECT_EQ(s.numbers.Keta3, 3);
  EXPECT_EQ(s.numbers.Nagasa, RoundingMode::kRoundUp);
  EXPECT_EQ(s.numbers.Menseki, RoundingMode::kTruncate);
  EXPECT_EQ(s.numbers.Goukei, RoundingMode::kRoundUp);
  EXPECT_EQ(s.link.ProgId, "BricscadApp.AcadApplication");
  EXPECT_EQ(f.Caption(), "■ [ BricsCAD ]");
}

TEST_F(SettingsTest, SavingKeepsOtherSectionsKeysAndComments) {
  StartWith(
      "; kept\r\n[Other]\r\nx=1\r\n[lt_trivane]\r\nKAKUDO=90\r\nExtra=keep\r\n[Form]\r\nTop=1\r\n")
      ->Close();
  const std::string bytes = ReadBytes(IniPath());
  EXPECT_EQ(bytes.rfind("; kept\r\n[Other]\r\nx=1\r\n[lt_trivane]\r\nKAKUDO=90\r\nExtra=keep\r\n"
                        "Yajirusi=400.0\r\n",
                        0),
            0u)
      << bytes;
  EXPECT_NE(bytes.find("[Form]\r\nTop=1\r\nLeft="), std::string::npos) << bytes;
}

TEST_F(SettingsTest, SaveFailureShowsTheErrorBoxAndStillRevokesTheFilter) {
  std::filesystem::create_directory(IniPath());  // the settings path cannot become a file
  auto app = Start();
  EXPECT_EQ(app->Form().Left(), 589);  // a folder is no settings file
  app->Close();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, PathText(IniPath()) + " に書き込めません.");
  EXPECT_EQ(platform.boxes[0].caption, "■");
  EXPECT_EQ(platform.filter, nullptr);  // revoked all the same
  app->Close();                         // once only
  EXPECT_EQ(platform.boxes.size(), 1u);
}

TEST_F(SettingsTest, SaveFailureLeavesTheOldFileWhole) {
  const std::string old = "[Form]\r\nTop=1\r\nLeft=2\r\n";
  WriteBytes(IniPath(), old);
  auto app = Start();
  ASSERT_TRUE(app->Form().TypeText("Edit13", "12"));
  {
    const testing::ReplacingFails noRoom(IniPath());  // no room for the new text
    app->Close();
  }
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(ReadBytes(IniPath()), old);
}

// ---------------------------------------------------------------------------------------------
// The store's reading rules

TEST(ProfileIntegerTest, ReadsDecimalAndHexadecimalOnly) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"12", 12},   {"-3", -3},         {"+4", 4},          {"0x1F", 31},
      {"0X1f", 31}, {"0", 0},           {"007", 7},         {"2147483647", INT32_MAX},
      {"", {}},     {"0x", {}},         {"abc", {}},        {"12a", {}},
      {"1.5", {}},  {" 5", {}},         {"+-5", {}},        {"0x-5", {}},
      {"-0x5", {}}, {"2147483648", {}}, {"0x80000000", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseProfileInteger(c.text), c.value) << '"' << c.text << '"';
}

class IniFileStoreTest : public ::testing::Test {
 protected:
  IniFileStore StoreWith(const std::string& bytes) {
    WriteBytes(folder / "s.ini", bytes);
    return IniFileStore(folder / "s.ini");
  }
  TestFolder folder;
};

TEST_F(IniFileStoreTest, LooksUpLikeThePrivateProfileFunctions) {
  IniFileStore store = StoreWith(
      "\xEF\xBB\xBF"
      "top=before any section\n"
      "[ Sec ]\n"
      "; Key=commented out\n"
      "  Key  =  a value  \n"
      "key=second\n"
      "Eq=a=b\r"
      "NoEquals\n"
      "Dq=\"quoted\"\r\n"
      "Sq='single'\n"
      "Mixed=\"half'\n"
      "Blank=\n"
      "[Other]\n"
      "Late=no\n"
      "[SEC]\n"
      "Late=yes\n");
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"sec", "KEY", "a value"},  {"Sec", "Eq", "a=b"},        {"Sec", "Dq", "quoted"},
      {"Sec", "Sq", "single"},    {"Sec", "Mixed", "\"half'"}, {"Sec", "Blank", ""},
      {"Sec", "NoEquals", "(d)"}, {"Sec", "Late", "yes"},      {"", "top", "(d)"},
      {"Missing", "Key", "(d)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(store.ReadString(c.section, c.key, "(d)"), c.expected) << c.section << "/" << c.key;
}

TEST_F(IniFileStoreTest, LongValuesAreCutAt2047Characters) {
  const std::string kana = "あ";           // one UTF-16 unit, three bytes
  const std::string emoji = "\U0001F600";  // two UTF-16 units, four bytes
  std::string japanese;
  for (int i = 0; i < 2100; ++i)
    japanese += kana;
  std::string edge(2046, 'a');
  IniFileStore store = StoreWith("[S]\nA=" + std::string(3000, 'x') + "\nJ=" + japanese +
                                 "\nE=" + edge + emoji + "\n");
  EXPECT_EQ(store.ReadString("S", "A", ""), std::string(2047, 'x'));
  EXPECT_EQ(store.ReadString("S", "J", "").size(), 2047 * kana.size());
  EXPECT_EQ(store.ReadString("S", "E", ""), edge);  // the pair would not fit: cut before it
}

TEST_F(IniFileStoreTest, WrittenValuesReadBackAsTheyStand) {
  const std::filesystem::path path = folder / "w.ini";
  const std::vector<std::string> values = {"  blanks  ", "\"quoted\"", "'single'", "plain",
                                           "",           "a=b",        "日本語",   "\t"};
  auto key = [](std::size_t i) { return "K" + std::to_string(i); };
  {
    IniFileStore store(path);
    EXPECT_FALSE(store.Exists());
    for (std::size_t i = 0; i < values.size(); ++i)
      store.WriteString("S", key(i), values[i]);
    for (std::size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(store.ReadString("S", key(i), "(d)"), values[i]);
    EXPECT_FALSE(store.Exists());  // nothing reaches the file before Flush
    store.Flush();
  }
  IniFileStore reread(path);
  EXPECT_TRUE(reread.Exists());
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(reread.ReadString("S", key(i), "(d)"), values[i]);
}

TEST_F(IniFileStoreTest, ValueWithLineBreakCannotBeWritten) {
  IniFileStore store(folder / "w.ini");
  EXPECT_THROW(store.WriteString("S", "K", "two\nlines"), FileWriteError);
}

}  // namespace
}  // namespace trivane::app
