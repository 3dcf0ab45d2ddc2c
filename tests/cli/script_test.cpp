// Session scripts: what a line means, and the buttons a script can name.
#include <gtest/gtest.h>

#include "app/controls.h"
#include "cli/script.h"

namespace trivane::cli {
namespace {

TEST(ScriptButtons, CaptionsAreTheWindowsOwn) {
  const std::vector<app::Control> controls = app::MainWindowControls();
  for (const ButtonName& b : CommandButtons()) {
    const auto c = std::find_if(controls.begin(), controls.end(),
                                [&](const app::Control& c) { return c.name == b.control; });
    ASSERT_NE(c, controls.end()) << b.control;
    EXPECT_EQ(c->text, b.caption) << b.control;
    EXPECT_EQ(FindButton(b.caption), &b);
    EXPECT_EQ(FindButton(b.alias), &b);
    EXPECT_EQ(FindButton(b.control), &b);
  }
  EXPECT_EQ(CommandButtons().size(), 14u);
}

TEST(ScriptButtons, OtherSpellings) {
  const struct {
    std::string_view word;
    std::string_view control;  // "" for none
  } cases[] = {
      {"AUTO", "Button10"},   {"1点指示", "Button6"},
      {"2辺指示", "Button8"}, {"Move-Marker", "Button5"},
      {"button9", "Button9"}, {"戻す", ""},
      {"auto matic", ""},     {"", ""},
  };
  for (const auto& c : cases) {
    const ButtonName* b = FindButton(c.word);
    EXPECT_EQ(b ? b->control : std::string_view(), c.control) << c.word;
  }
}

TEST(ScriptParse, ActionsAnswersAndComments) {
  const Script s = ParseScript(
      "\xEF\xBB\xBF# a session\r\n"
      "SET M_Layer 文字 層   # blanks inside a value stay\r\n"
      "number 12\r\n"
      "sysvar viewsize 40000\r\n"
      "\r\n"
      "Click 自動\r\n"
      "  point 1.5,-2   \r\n"
      "# between answers\r\n"
      "entity 3,4,5\r\n"
      "select all\r\n"
      "select window 0,0 10,10\r\n"
      "select crossing 10,10 0,0\r\n"
      "cancel\r\n"
      "set Haba1 1500,3000,3000,3000,4500#not a comment\r\n",
      "s.txt");
  ASSERT_EQ(s.steps.size(), 5u);
  const auto& set = std::get<SetAction>(s.steps[0].action);
  EXPECT_EQ(set.key, "M_Layer");
  EXPECT_EQ(set.value, "文字 層");
  EXPECT_EQ(s.steps[0].where.line, 2);
  EXPECT_EQ(std::get<NumberAction>(s.steps[1].action).number, 12);
  EXPECT_EQ(std::get<SysvarAction>(s.steps[2].action).name, "VIEWSIZE");
  const auto& click = std::get<ClickAction>(s.steps[3].action);
  EXPECT_EQ(click.button->control, "Button10");
  EXPECT_EQ(s.steps[3].text, "Click 自動");
  std::vector<std::string> answers;
  std::vector<int> lines;
  for (const ScriptAnswer& a : click.answers) {
    answers.push_back(a.answer.Describe());
    lines.push_back(a.where.line);
  }
  EXPECT_EQ(answers, (std::vector<std::string>{"1.5,-2", "3,4,5", "ALL", "W 0,0 10,10",
                                               "C 10,10 0,0", "*Cancel*"}));
  EXPECT_EQ(lines, (std::vector<int>{7, 9, 10, 11, 12, 13}));
  EXPECT_EQ(click.answers[1].answer.kind, host::UserAnswer::Kind::Pick);
  EXPECT_EQ(std::get<SetAction>(s.steps[4].action).value, "1500,3000,3000,3000,4500#not a comment");
}

TEST(ScriptParse, PointsTakeDotDecimalsOnly) {
  const struct {
    std::string_view text;
    bool ok;
  } cases[] = {
      {"1,2", true},   {" 1 , 2 ", true},  {"1,2,3", true}, {"1e3,-2.5", true},
      {"1", false},    {"1,2,3,4", false}, {"1;2", false},  {"1,5,2,5,3,5", false},
      {"1,,2", false}, {"a,b", false},     {"", false},     {"nan,1", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParsePoint(c.text).has_value(), c.ok) << c.text;
}

TEST(ScriptParse, ErrorsNameFileAndLine) {
  const struct {
    std::string_view script;
    std::string_view message;
  } cases[] = {
      {"set\n", "s.txt:1: set needs a settings key"},
      {"set Nothing 1\n", "s.txt:1: unknown settings key \"Nothing\""},
      {"number 32768\n", "s.txt:1: number needs a whole number from 1 to 32767"},
      {"number 2.0\n", "s.txt:1: number needs a whole number"},
      {"sysvar ANGBASE\n", "s.txt:1: sysvar needs a variable name and a value"},
      {"click\n", "s.txt:1: unknown button \"\""},
      {"click 最大\n\ncancel now\n", "s.txt:3: cancel takes nothing after it"},
      {"click 最大\nselect some\n", "s.txt:2: select needs all, window"},
      {"click 最大\nselect crossing 0,0 1,1 2,2\n", "s.txt:2: select crossing needs two corners"},
      {"click 最大\npoint 1,2\nnumber 3\npoint 1,2\n", "s.txt:4: an answer with no click"},
  };
  for (const auto& c : cases) {
    try {
      ParseScript(c.script, "s.txt");
      ADD_FAILURE() << "no error for: " << c.script;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace trivane::cli
