#include <gtest/gtest.h>

#include <cstdint>
#include <ios>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/main_window.h"
#include "app_fixture.h"
#include "cad/connection.h"

namespace trivane::app {
namespace {

using testing::RecordingPlatform;
using testing::TestFolder;
using testing::WriteBytes;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : app(platform, folder / "trivane.exe") {}

  TForm1& form() { return app.Form(); }
  ProgramState& state() { return app.State(); }

  TestFolder folder;
  RecordingPlatform platform;
  Application app;
};

// ---------------------------------------------------------------------------------------------
// The controls as data

std::vector<std::string> NamesOnPage(const TForm1& form, const std::string& page) {
  std::vector<std::string> names;
  for (const Control& c : form.Controls()) {
    if (c.page == page && c.kind != ControlKind::Page)
      names.push_back(c.name);
  }
  return names;
}

TEST_F(MainWindowTest, EveryControlOfEveryPageInCreationOrder) {
  std::vector<std::string> pages;
  for (const Control& c : form().Controls()) {
    if (c.kind == ControlKind::Page)
      pages.push_back(c.name + "=" + c.text);
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"TabSheet2= ﾍﾛﾝ ", "TabSheet3= 設定1",
                                             "TabSheet4= 設定2", "TabSheet1= ﾂｰﾙ"}));
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
      {"TabSheet2", {"RadioGroup1", "Image3",     "SpeedButton4", "GroupBox6",    "Edit16",
                     "UpDown4",     "Button4",    "GroupBox5",    "Button12",     "Button13",
                     "Button10",    "GroupBox13", "Button8",      "Button6",      "GroupBox14",
                     "Button3",     "CheckBox2",  "SpeedButton1", "SpeedButton2", "SpeedButton3"}},
      {"TabSheet3",
       {"GroupBox4", "Edit8",        "Edit23",       "UpDown3",      "GroupBox9",  "Edit7",
        "UpDown2",   "RadioButton1", "RadioButton2", "RadioButton3", "GroupBox10", "Edit18",
        "UpDown6",   "RadioButton4", "RadioButton5", "RadioButton6", "GroupBox11", "Edit4",
        "UpDown1",   "RadioButton7", "RadioButton8", "RadioButton9", "GroupBox8",  "Label12",
        "Edit12",    "Label15",      "Edit15",       "Label18",      "Edit19"}},
      {"TabSheet4",
       {"GroupBox2", "Label3", "Edit3", "Label4", "Edit5", "Label5", "Edit6", "GroupBox1", "Label8",
        "Edit9", "Label9", "Edit10", "Label10", "Edit11", "Label19", "Edit20", "GroupBox15",
        "CheckBox4", "CheckBox5"}},
      {"TabSheet1",
       {"GroupBox7", "Button2",  "Label13", "Edit13",  "Button5",   "CheckBox3",  "Edit14",
        "Button11",  "Button14", "Edit21",  "Label6",  "Edit22",    "Label7",     "GroupBox3",
        "Label1",    "Edit1",    "Label2",  "Edit2",   "CheckBox1", "Label17",    "Edit17",
        "Edit24",    "UpDown5",  "Button1", "Button9", "Button7",   "GroupBox12", "Image1",
        "Button15",  "Button16", "Label11", "Label16"}},
  };
  std::size_t total = 1 + 4;  // the page control and its pages
  for (const auto& [page, names] : expected) {
    EXPECT_EQ(NamesOnPage(form(), page), names) << page;
    total += names.size();
  }
  EXPECT_EQ(form().Controls().size(), total);
}

TEST_F(MainWindowTest, ParentsComeFirstAndVisibleControlsFitInThem) {
  std::set<std::string> seen;
  for (const Control& c : form().Controls()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(seen.insert(c.name).second) << "duplicate";
    if (c.parent.empty())
      continue;
    ASSERT_TRUE(seen.count(c.parent)) << "parent after child";
    const Control& parent = form().Find(c.parent);
    if (c.kind == ControlKind::UpDown) {
      ASSERT_TRUE(seen.count(c.associate)) << "associated edit after its up-down";
      EXPECT_EQ(form().Find(c.associate).kind, ControlKind::Edit);
    }
    if (!c.visible || c.neverEnabled)
      continue;  // the never-used controls sit below their group's visible area
    EXPECT_LE(c.bounds.left + c.bounds.width, parent.bounds.width);
    EXPECT_LE(c.bounds.top + c.bounds.height, parent.bounds.height);
  }
}

TEST_F(MainWindowTest, GroupBoundsAndUpDowns) {
  const struct {
    const char* name;
    Bounds bounds;
  } groups[] = {
      {"PageControl1", {0, 2, 185, 263}}, {"RadioGroup1", {3, 2, 57, 71}},
      {"GroupBox6", {64, 28, 110, 45}},   {"GroupBox5", {2, 79, 175, 50}},
      {"GroupBox13", {2, 132, 175, 49}},  {"GroupBox14", {0, 183, 175, 49}},
      {"GroupBox4", {2, 2, 173, 41}},     {"GroupBox9", {2, 46, 57, 97}},
      {"GroupBox10", {62, 46, 55, 97}},   {"GroupBox11", {120, 46, 55, 97}},
      {"GroupBox8", {2, 146, 173, 81}},   {"GroupBox2", {0, 0, 175, 81}},
      {"GroupBox1", {0, 84, 175, 91}},    {"GroupBox15", {0, 176, 174, 57}},
      {"GroupBox7", {-1, 0, 175, 71}},    {"GroupBox3", {-1, 72, 176, 99}},
      {"GroupBox12", {0, 171, 175, 64}},  {"Image3", {88, 3, 31, 26}},
      {"SpeedButton4", {125, 3, 42, 22}}, {"Image1", {6, 6, 37, 31}},
  };
  for (const auto& g : groups)
    EXPECT_EQ(form().Find(g.name).bounds, g.bounds) << g.name;

  const struct {
    const char* upDown;
    const char* edit;
    int min, max, position;
    bool editVisible;
  } upDowns[] = {
      {"UpDown4", "Edit16", 1, kMaxTriangleNumber, 1, true},
      {"UpDown2", "Edit7", 0, 6, 2, true},
      {"UpDown6", "Edit18", 0, 6, 4, true},
      {"UpDown1", "Edit4", 0, 6, 2, true},
      {"UpDown3", "Edit23", 0, 3, 3, false},
      {"UpDown5", "Edit24", 0, 3, 3, false},
  };
  for (const auto& u : upDowns) {
    const Control& c = form().Find(u.upDown);
    EXPECT_EQ(c.associate, u.edit) << u.upDown;
    EXPECT_EQ(c.min, u.min) << u.upDown;
    EXPECT_EQ(c.max, u.max) << u.upDown;
    EXPECT_EQ(c.position, u.position) << u.upDown;
    EXPECT_EQ(form().Visible(u.edit), u.editVisible) << u.edit;
    EXPECT_EQ(form().Text(u.edit), std::to_string(u.position)) << u.edit;
  }
}

// ---------------------------------------------------------------------------------------------
// The small handlers

TEST_F(MainWindowTest, MethodSwitchRenamesThePageAndSwapsTheWidthFields) {
  auto expectMethod = [&](const char* caption, bool sankaku) {
    EXPECT_EQ(form().Text("TabSheet2"), caption);
    EXPECT_EQ(form().Enabled("Label19"), sankaku);
    EXPECT_EQ(form().Enabled("Edit20"), sankaku);
    EXPECT_EQ(form().Enabled("Label10"), !sankaku);
    EXPECT_EQ(form().Enabled("Edit11"), !sankaku);
  };
  expectMethod(" ﾍﾛﾝ ", false);
  ASSERT_TRUE(form().SelectItem("RadioGroup1", 1));
  expectMethod(" 三斜", true);
  ASSERT_TRUE(form().SelectItem("RadioGroup1", 0));
  expectMethod(" ﾍﾛﾝ", false);
}

TEST_F(MainWindowTest, RadioButtonCheckedFromCodeRaisesOnlyWhenItWasNotChecked) {
  state().numbers.Nagasa = static_cast<RoundingMode>(9);
  form().SetChecked("RadioButton2", true);  // already checked: nothing raised
  EXPECT_EQ(state().numbers.Nagasa, static_cast<RoundingMode>(9));
  form().SetChecked("RadioButton1", true);
  EXPECT_EQ(state().numbers.Nagasa, RoundingMode::kTruncate);
  EXPECT_FALSE(form().Checked("RadioButton2"));
  ASSERT_TRUE(form().Click("RadioButton6"));
  EXPECT_EQ(state().numbers.Menseki, RoundingMode::kRoundUp);
  ASSERT_TRUE(form().Click("RadioButton7"));
  EXPECT_EQ(state().numbers.Goukei, RoundingMode::kTruncate);
  // Each group keeps its own checked button.
  EXPECT_TRUE(form().Checked("RadioButton1"));
  EXPECT_TRUE(form().Checked("RadioButton6"));
  EXPECT_FALSE(form().Checked("RadioButton8"));
}

TEST_F(MainWindowTest, UpDownsStepWithinTheirRangeAndShowInTheirEdits) {
  const struct {
    const char* upDown;
    UpDownButton button;
    int clicks;
    const char* edit;
    const char* text;
    int commands::NumberSettings::*decimals;
    int expectedDecimals;
  } cases[] = {
      {"UpDown2", UpDownButton::Up, 10, "Edit7", "6", &commands::NumberSettings::Keta1, 6},
      {"UpDown6", UpDownButton::Down, 10, "Edit18", "0", &commands::NumberSettings::Keta2, 0},
      {"UpDown1", UpDownButton::Up, 1, "Edit4", "3", &commands::NumberSettings::Keta3, 3},
      {"UpDown3", UpDownButton::Down, 1, "Edit8", "100", nullptr, 0},
      {"UpDown3", UpDownButton::Down, 5, "Edit8", "1", nullptr, 0},
      {"UpDown3", UpDownButton::Up, 9, "Edit23", "3", nullptr, 0},
      {"UpDown5", UpDownButton::Down, 3, "Edit17", "1", nullptr, 0},
      {"UpDown5", UpDownButton::Up, 1, "Edit24", "1", nullptr, 0},
      {"UpDown4", UpDownButton::Up, 2, "Edit16", "3", nullptr, 0},
      {"UpDown4", UpDownButton::Down, 9, "Edit16", "1", nullptr, 0},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < c.clicks; ++i)
      ASSERT_TRUE(form().ClickUpDown(c.upDown, c.button));
    EXPECT_EQ(form().Text(c.edit), c.text) << c.upDown << " " << c.clicks;
    if (c.decimals) {
      EXPECT_EQ(state().numbers.*c.decimals, c.expectedDecimals) << c.upDown;
    }
  }
}

TEST_F(MainWindowTest, TypingTheNextNumberMovesUpDown4) {
  ASSERT_TRUE(form().TypeText("Edit16", "25"));
  EXPECT_EQ(form().Position("UpDown4"), 25);
  ASSERT_TRUE(form().ClickUpDown("UpDown4", UpDownButton::Up));
  EXPECT_EQ(form().Text("Edit16"), "26");
  ASSERT_TRUE(form().TypeText("Edit16", "5000"));
  EXPECT_EQ(form().Position("UpDown4"), 5000);  // numbers run on past 1000
  ASSERT_TRUE(form().TypeText("Edit16", "x"));
  EXPECT_EQ(form().Position("UpDown4"), 5000);  // not a number: the position stays
  form().SetPosition("UpDown4", kMaxTriangleNumber + 1);
  EXPECT_EQ(form().Text("Edit16"), "32767");  // clamped; no thousands separator
}

TEST_F(MainWindowTest, ArrowCheckBoxEnablesTheArrowSize) {
  ASSERT_TRUE(form().Click("CheckBox3"));
  EXPECT_FALSE(form().Enabled("Edit14"));
  EXPECT_FALSE(form().TypeText("Edit14", "1"));
  ASSERT_TRUE(form().Click("CheckBox3"));
  EXPECT_TRUE(form().Enabled("Edit14"));
}

TEST_F(MainWindowTest, EnterMovesTheFocusFromEdit1ToEdit2ToButton1) {
  ASSERT_TRUE(form().TypeText("Edit1", "5"));
  EXPECT_EQ(form().Focused(), "Edit1");
  EXPECT_TRUE(form().KeyPress("Edit1", '\r'));
  EXPECT_EQ(form().Focused(), "Edit2");
  EXPECT_FALSE(form().KeyPress("Edit2", '7'));
  EXPECT_EQ(form().Focused(), "Edit2");
  EXPECT_TRUE(form().KeyPress("Edit2", '\r'));
  EXPECT_EQ(form().Focused(), "Button1");
  EXPECT_FALSE(form().KeyPress("Edit13", '\r'));  // no key handler there
}

TEST_F(MainWindowTest, UsersCannotTypeIntoReadOnlyDisabledOrHiddenControls) {
  for (const char* edit :
       {"Edit7", "Edit18", "Edit4", "Edit8", "Edit20", "Edit23", "Edit24", "Edit21", "Edit22"}) {
    const std::string before = form().Text(edit);
    EXPECT_FALSE(form().TypeText(edit, "9")) << edit;
    EXPECT_EQ(form().Text(edit), before) << edit;
  }
  for (const char* button :
       {"Button9", "Button14", "Button7", "SpeedButton1", "CheckBox1", "CheckBox4"})
    EXPECT_FALSE(form().Click(button)) << button;
  EXPECT_TRUE(form().TypeText("Edit17", "250\r\nsecond line"));  // Edit17 is not read-only
  EXPECT_EQ(form().Text("Edit17"), "250");
}

TEST_F(MainWindowTest, NeverEnabledControlsStayDisabled) {
  for (const char* name :
       {"Button14", "Edit21", "Label6", "Edit22", "Label7", "Button7", "CheckBox1", "CheckBox4"}) {
    EXPECT_THROW(form().SetEnabled(name, true), std::logic_error) << name;
    EXPECT_FALSE(form().Enabled(name)) << name;
  }
  for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"})
    EXPECT_FALSE(form().Visible(name)) << name;
}

TEST_F(MainWindowTest, TabsShowTheirPages) {
  ASSERT_TRUE(form().Click("TabSheet1"));
  EXPECT_EQ(form().ActivePage(), 3);
  ASSERT_TRUE(form().Click("TabSheet3"));
  EXPECT_EQ(form().ActivePage(), 1);
}

TEST_F(MainWindowTest, ObserverHearsEveryControlAHandlerChanges) {
  std::vector<std::string> changed;
  form().SetObserver([&](std::string_view name) { changed.emplace_back(name); });
  ASSERT_TRUE(form().ClickUpDown("UpDown3", UpDownButton::Down));
  EXPECT_EQ(changed, (std::vector<std::string>{"UpDown3", "Edit23", "Edit8"}));
}

// ---------------------------------------------------------------------------------------------
// Command buttons

TEST_F(MainWindowTest, SharedHandlerTellsItsThreeButtonsApart) {
  std::vector<std::string> senders;
  form().RegisterCommand("Button10Click", [&](commands::CommandContext& ctx, std::string_view s) {
    senders.emplace_back(s);
    EXPECT_EQ(&ctx.window, &form());
    EXPECT_EQ(&ctx.numbers, &state().numbers);
    EXPECT_EQ(&ctx.link, &state().link);
    EXPECT_EQ(&ctx.creation, &state().creation);
    EXPECT_EQ(&ctx.LastBaseTriangle, &state().LastBaseTriangle);
    EXPECT_EQ(ctx.programFolder, folder.path());
  });
  for (const char* button : {"Button12", "Button10", "Button6"})
    ASSERT_TRUE(form().Click(button));
  EXPECT_EQ(senders, (std::vector<std::string>{"Button12", "Button10", "Button6"}));
}

TEST_F(MainWindowTest, EachCommandButtonRunsItsOwnHandler) {
  const std::pair<const char*, const char*> wiring[] = {
      {"Button13", "Button13Click"}, {"Button8", "Button8Click"},   {"Button1", "Button1Click"},
      {"Button4", "Button4Click"},   {"Button3", "Button3Click"},   {"Button2", "Button2Click"},
      {"Button5", "Button5Click"},   {"Button11", "Button11Click"}, {"Button15", "Button15Click"},
      {"Button16", "Button15Click"},
  };
  std::vector<std::string> ran;
  for (std::string_view handler : TForm1::CommandHandlerNames()) {
    form().RegisterCommand(handler, [&ran, handler](commands::CommandContext&, std::string_view) {
      ran.emplace_back(handler);
    });
  }
  for (const auto& [button, handler] : wiring) {
    ran.clear();
    ASSERT_TRUE(form().Click(button));
    EXPECT_EQ(ran, std::vector<std::string>{handler}) << button;
  }
}

TEST_F(MainWindowTest, DisabledButtonDoesNotRunUntilEnabled) {
  int runs = 0;
  form().RegisterCommand("Button9Click",
                         [&](commands::CommandContext&, std::string_view) { ++runs; });
  EXPECT_FALSE(form().Click("Button9"));
  EXPECT_EQ(runs, 0);
  form().SetEnabled("Button9", true);
  EXPECT_TRUE(form().Click("Button9"));
  EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, ButtonWithoutHandlerDoesNothing) {
  form().RegisterCommand("Button3Click", {});
  EXPECT_TRUE(form().Click("Button3"));
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(MainWindowTest, TheCommandsLibraryIsWiredAtStart) {
  // No CAD runs here: each registered command ends at its running check, without a message.
  for (const char* button : {"Button12", "Button10", "Button6", "Button13", "Button8", "Button1"})
    EXPECT_TRUE(form().Click(button)) << button;
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(MainWindowTest, OnlyTheCommandHandlerNamesCanBeRegistered) {
  auto none = [](commands::CommandContext&, std::string_view) {};
  for (const char* name : {"Button14Click", "Button12Click", "RadioGroup1Click", "Button7Click"})
    EXPECT_THROW(form().RegisterCommand(name, none), std::invalid_argument) << name;
}

TEST_F(MainWindowTest, EscapedErrorIsShownInTheDefaultErrorBoxAndTheWindowStaysUsable) {
  int runs = 0;
  form().RegisterCommand("Button3Click", [&](commands::CommandContext&, std::string_view) {
    if (++runs == 1)
      throw std::runtime_error("作成できません");
    if (runs == 2)
      throw 42;  // not even an exception class
  });
  EXPECT_TRUE(form().Click("Button3"));
  EXPECT_TRUE(form().Click("Button3"));
  EXPECT_TRUE(form().Click("Button3"));
  EXPECT_EQ(runs, 3);
  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_EQ(platform.boxes[0].text, "作成できません.");
  EXPECT_EQ(platform.boxes[0].caption, "■");
  EXPECT_EQ(platform.boxes[1].text.back(), '.');
  EXPECT_EQ(platform.boxes[1].caption, "■");
}

TEST_F(MainWindowTest, ACadThatWentAwayOrRefusedMidCommandIsToldOnceAndTheWindowGoesOn) {
  // An object standing for the CAD's application object.
  class Stand final : public cad::Object {
   public:
    cad::Value Invoke(std::string_view, cad::InvokeKind, std::span<cad::Arg>) override {
      return {};
    }
  };
  const struct {
    std::uint32_t code;
    std::string message;
    bool kept;  // the application object is kept
  } cases[] = {
      {0x800706BE, std::string(cad::kCadGoneMessage), false},  // RPC_S_CALL_FAILED
      {0x80010108, std::string(cad::kCadGoneMessage), false},  // RPC_E_DISCONNECTED
      {0x80010001, std::string(cad::kCadBusyMessage), true},   // RPC_E_CALL_REJECTED
      {0x80004005, "AddText: refused.", true},  // any other error: the default error box
  };
  for (const auto& c : cases) {
    int runs = 0;
    form().RegisterCommand(
        "Button10Click", [&](commands::CommandContext& context, std::string_view) {
          ++runs;
          context.link.CadApplication = std::make_shared<Stand>();
          throw cad::AutomationError("AddText", "refused", static_cast<std::int32_t>(c.code));
        });
    platform.boxes.clear();
    EXPECT_TRUE(form().Click("Button10"));
    EXPECT_TRUE(form().Click("Button10"));  // the window goes on: the next click runs
    EXPECT_EQ(runs, 2);
    ASSERT_EQ(platform.boxes.size(), 2u) << std::hex << c.code;  // one per command
    EXPECT_EQ(platform.boxes[1].text, c.message);
    EXPECT_EQ(platform.boxes[1].caption, "■");
    EXPECT_EQ(state().link.CadApplication != nullptr, c.kept) << std::hex << c.code;
  }
}

TEST_F(MainWindowTest, UnknownControlsAndWrongActionsAreProgrammingErrors) {
  EXPECT_THROW(form().Click("Button99"), std::invalid_argument);
  EXPECT_THROW(form().Text("Nope"), std::logic_error);
  EXPECT_THROW(form().Click("Edit1"), std::invalid_argument);
  EXPECT_THROW(form().Position("Edit16"), std::invalid_argument);
  EXPECT_THROW(form().SelectItem("RadioGroup1", 2), std::invalid_argument);
  EXPECT_THROW(form().TypeText("Button1", "x"), std::invalid_argument);
}

// ---------------------------------------------------------------------------------------------
// The target-CAD dialog from the window

TEST_F(MainWindowTest, SpeedButton4ShowsTheDialogModally) {
  WriteBytes(folder / "TargetCAD_APIVersion.txt",
             "BricsCAD\tBricscadApp.AcadApplication\r\nZWCAD\tZWCAD.Application\r\n");
  int shown = 0;
  form().SetModalRunner([&](TTargetCADForm& dialog) {
    ++shown;
    EXPECT_TRUE(dialog.Visible());
    EXPECT_EQ(dialog.ItemIndex(), 1);  // the current target
    dialog.ListBox1Click(0);
    dialog.Button1Click();
  });
  ASSERT_TRUE(form().Click("SpeedButton4"));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(form().Caption(), "■ [ BricsCAD ]");
  EXPECT_EQ(state().link.ProgId, "BricscadApp.AcadApplication");
  EXPECT_EQ(state().link.CadName, "BricsCAD");
  EXPECT_FALSE(app.TargetCadForm().Visible());
}

TEST_F(MainWindowTest, WithoutModalRunnerTheDialogStaysShownForItsDriver) {
  ASSERT_TRUE(form().Click("SpeedButton4"));
  EXPECT_TRUE(app.TargetCadForm().Visible());
  app.TargetCadForm().Button2Click();
  EXPECT_FALSE(app.TargetCadForm().Visible());
  EXPECT_EQ(form().Caption(), "■ [ ZWCAD ]");
}

}  // namespace
}  // namespace trivane::app
