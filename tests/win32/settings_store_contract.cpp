#include "tests/win32/settings_store_contract.h"

#include <string>
#include <vector>

#include "app/application.h"
#include "app/support.h"
#include "tests/app/app_fixture.h"

namespace trivane::app::testing {
namespace {

// The contract is the suite's own; each build instantiates it for its stores.
TEST_P(SettingsStoreContract, LooksUpLikeThePrivateProfileFunctions) {
  TestFolder folder;
  GetParam().writeText(folder / "s.ini",
                       "[ Sec ]\n"
                       "; Key=commented out\n"
                       "  Key  =  a value  \n"
                       "key=second\n"
                       "Eq=a=b\n"
                       "Dq=\"quoted\"\n"
                       "Sq='single'\n"
                       "Mixed=\"half'\n"
                       "Blank=\n"
                       "Kana=ﾍﾛﾝ 三斜\n"
                       "[Other]\n"
                       "Late=no\n");
  std::unique_ptr<SettingsStore> store = GetParam().open(folder / "s.ini");
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"sec", "KEY", "a value"},   {"Sec", "Eq", "a=b"},        {"Sec", "Dq", "quoted"},
      {"Sec", "Sq", "single"},     {"Sec", "Mixed", "\"half'"}, {"Sec", "Blank", ""},
      {"Sec", "Kana", "ﾍﾛﾝ 三斜"}, {"Sec", "Late", "(d)"},      {"Other", "Late", "no"},
      {"Missing", "Key", "(d)"},   {"Sec", "Missing", "(d)"},
  };
  EXPECT_TRUE(store->Exists());
  for (const auto& c : cases)
    EXPECT_EQ(store->ReadString(c.section, c.key, "(d)"), c.expected) << c.section << "/" << c.key;
  // The fallback comes back as given, blanks and all.
  EXPECT_EQ(store->ReadString("Sec", "Missing", " two words "), " two words ");
}

TEST_P(SettingsStoreContract, LongValuesAreCutAt2047Characters) {
  TestFolder folder;
  const std::string kana = "あ";           // one UTF-16 unit
  const std::string emoji = "\U0001F600";  // two UTF-16 units
  std::string japanese;
  for (int i = 0; i < 2100; ++i)
    japanese += kana;
  const std::string edge(2046, 'a');
  GetParam().writeText(folder / "s.ini", "[S]\nA=" + std::string(3000, 'x') + "\nJ=" + japanese +
                                             "\nE=" + edge + emoji + "\n");
  std::unique_ptr<SettingsStore> store = GetParam().open(folder / "s.ini");
  EXPECT_EQ(store->ReadString("S", "A", ""), std::string(2047, 'x'));
  EXPECT_EQ(store->ReadString("S", "J", "").size(), 2047 * kana.size());
  EXPECT_EQ(store->ReadString("S", "E", ""), edge);  // the pair would not fit: cut before it
}

TEST_P(SettingsStoreContract, WrittenValuesReadBackAsTheyStand) {
  TestFolder folder;
  const std::filesystem::path path = folder / "w.ini";
  const std::vector<std::string> values = {
      "  blanks  ", "\"quoted\"", "'single'", "plain",           "",
      "a=b",        "日本語 ﾍﾛﾝ", "\t",       "; not a comment",
  };
  auto key = [](std::size_t i) { return "K" + std::to_string(i); };
  {
    std::unique_ptr<SettingsStore> store = GetParam().open(path);
    EXPECT_FALSE(store->Exists());
    EXPECT_EQ(store->ReadString("S", "K0", "(d)"), "(d)");
    for (std::size_t i = 0; i < values.size(); ++i)
      store->WriteString("S", key(i), values[i]);
    for (std::size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(store->ReadString("S", key(i), "(d)"), values[i]) << key(i);
    store->Flush();
  }
  std::unique_ptr<SettingsStore> reread = GetParam().open(path);
  EXPECT_TRUE(reread->Exists());
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(reread->ReadString("S", key(i), "(d)"), values[i]) << key(i);
}

TEST_P(SettingsStoreContract, UpdatesKeepTheRestOfTheFile) {
  TestFolder folder;
  const std::filesystem::path path = folder / "u.ini";
  GetParam().writeText(path,
                       "; kept comment\n"
                       "[Form]\n"
                       "Top=10\n"
                       "[Mine]\n"
                       "Other=stays\n");
  {
    std::unique_ptr<SettingsStore> store = GetParam().open(path);
    store->WriteString("form", "top", "20");  // names compare case-insensitively
    store->WriteString("Form", "Left", "30");
    store->WriteString("New", "Key", "値");
    store->Flush();
  }
  std::unique_ptr<SettingsStore> reread = GetParam().open(path);
  EXPECT_EQ(reread->ReadString("Form", "Top", ""), "20");
  EXPECT_EQ(reread->ReadString("Form", "Left", ""), "30");
  EXPECT_EQ(reread->ReadString("Mine", "Other", ""), "stays");
  EXPECT_EQ(reread->ReadString("New", "Key", ""), "値");
}

TEST_P(SettingsStoreContract, UnwritableValuesAndFilesAreFileWriteErrors) {
  TestFolder folder;
  std::unique_ptr<SettingsStore> store = GetParam().open(folder / "w.ini");
  EXPECT_THROW(store->WriteString("S", "K", "two\nlines"), FileWriteError);
  EXPECT_THROW(store->WriteString("S", "K", "cr\ronly"), FileWriteError);

  std::unique_ptr<SettingsStore> lost = GetParam().open(folder / "no such folder" / "w.ini");
  EXPECT_THROW(
      {
        lost->WriteString("S", "K", "v");
        lost->Flush();
      },
      FileWriteError);
}

// A whole run: the program starts without a settings file, the user changes settings, the
// program ends and starts again with them.
TEST_P(SettingsStoreContract, SettingsSurviveARunOfTheProgram) {
  TestFolder folder;
  RecordingPlatform platform;
  ApplicationOptions options;
  options.screen = {1024, 768};
  options.openSettings = GetParam().open;
  const std::filesystem::path program = folder / "trivane.exe";
  {
    Application app(platform, program, options);
    TForm1& form = app.Form();
    ASSERT_TRUE(form.TypeText("Edit12", "文字の画層"));
    ASSERT_TRUE(form.TypeText("Edit11", "  1500,3000 "));
    ASSERT_TRUE(form.SelectItem("RadioGroup1", 1));
    ASSERT_TRUE(form.Click("RadioButton3"));
    ASSERT_TRUE(form.Click("CheckBox3"));
    ASSERT_TRUE(form.ClickUpDown("UpDown3", UpDownButton::Down));
    form.MoveTo(12, 34);
    app.State().link.CadName = "図研 CAD";
    app.Close();
  }
  std::unique_ptr<SettingsStore> file = GetParam().open(folder / "trivane.ini");
  ASSERT_TRUE(file->Exists());
  for (const char* key : {"Top", "Left"})
    EXPECT_NE(file->ReadString("Form", key, "(absent)"), "(absent)") << key;
  for (const char* key : {"Kakudo", "Yajirusi",  "Leader",       "Kyuuseki", "AllData", "A_Hen",
                          "B_Hen",  "AutoCheck", "Jouritu",      "Syakudo",  "Keta1",   "Keta2",
                          "Keta3",  "M_Layer",   "H_Layer",      "T_Layer",  "Nagasa",  "Menseki",
                          "Goukei", "M_Taka1",   "N_Taka1",      "Hankei1",  "M_Taka2", "G_Taka",
                          "Haba1",  "Haba2",     "UseTextStyle", "ProgId",   "cadName"})
    EXPECT_NE(file->ReadString("LT_Trivane", key, "(absent)"), "(absent)") << key;

  Application again(platform, program, options);
  const TForm1& form = again.Form();
  EXPECT_EQ(form.Text("Edit12"), "文字の画層");
  EXPECT_EQ(form.Text("Edit11"), "  1500,3000 ");
  EXPECT_EQ(form.ItemIndex("RadioGroup1"), 1);
  EXPECT_EQ(form.Text("TabSheet2"), " 三斜");
  EXPECT_TRUE(form.Checked("RadioButton3"));
  EXPECT_EQ(again.State().numbers.Nagasa, RoundingMode::kRoundUp);
  EXPECT_FALSE(form.Checked("CheckBox3"));
  EXPECT_FALSE(form.Enabled("Edit14"));
  EXPECT_EQ(form.Text("Edit8"), "100");
  EXPECT_EQ(form.Left(), 12);
  EXPECT_EQ(form.Top(), 34);
  EXPECT_EQ(form.Caption(), "■ [ 図研 CAD ]");
  EXPECT_TRUE(platform.boxes.empty());
}

}  // namespace
}  // namespace trivane::app::testing
