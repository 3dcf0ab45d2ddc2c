// Session scripts: what a user at the tool window and the CAD does, one action a line.
//
//   # comments and blank lines are ignored
//   set Kyuuseki 1            a setting by its settings-file key, as typed or clicked
//   number 7                  the next triangle number (Edit16)
//   sysvar VIEWSIZE 40000     a system variable of the CAD
//   click 自動                a button, by caption or alias ("auto")
//   point 25000,19000         the answers to the prompts of the click above, in order:
//   entity 100,0              point X,Y[,Z], entity X,Y (the entity picked there),
//   select all                select all | window X1,Y1 X2,Y2 | crossing X1,Y1 X2,Y2,
//   cancel                    cancel (Esc)
//   undo                      the CAD's U command: takes the last command back
//
// Keywords and aliases compare without regard to ASCII case; captions, keys' values and
// variable values are taken as written. A `#` starts a comment at the start of a line or after a
// blank. Numbers use "." as the decimal point.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/errors.h"
#include "host/model/scripted_user.h"

namespace trivane::cli {

// A command button of the tool window as a script names it.
struct ButtonName {
  std::string_view control;  // "Button10"
  std::string_view caption;  // "自動", as on the button
  std::string_view alias;    // "auto"
};

// Every command button, in the order of the window's pages.
std::span<const ButtonName> CommandButtons();
// The button a script word names: its caption, its alias (ASCII case ignored), its control name,
// or the caption with ASCII digits for the full-width ones ("1点指示"). nullptr when none.
const ButtonName* FindButton(std::string_view word);

struct SetAction {
  std::string key;    // as the settings file spells it ("Keta2")
  std::string value;  // the rest of the line, blanks at its ends removed
};
struct NumberAction {
  int number = 1;
};
struct SysvarAction {
  std::string name;  // upper case
  std::string value;
};
struct ScriptAnswer {
  SourceLine where;
  host::UserAnswer answer;
};
struct ClickAction {
  const ButtonName* button = nullptr;
  std::vector<ScriptAnswer> answers;  // in the order the prompts take them
};

// The user types U in the CAD: the newest undo step (a whole command) is taken back.
struct UndoAction {};

using Action = std::variant<SetAction, NumberAction, SysvarAction, ClickAction, UndoAction>;

struct Step {
  SourceLine where;
  std::string text;  // the line as written, blanks at its ends removed
  Action action;
};

struct Script {
  std::vector<Step> steps;
};

// Parses a script; `file` names it in error messages. Throws UsageError ("file:line: what") for an
// unknown keyword, button or settings key, a malformed number, point or answer, or an answer
// without a click above it. Variables and values are checked when the script is played.
Script ParseScript(std::string_view text, const std::string& file);
// Reads and parses a script file (UTF-8; a byte-order mark is skipped). UsageError when it cannot
// be read.
Script ReadScriptFile(const std::filesystem::path& path);

// "x,y" or "x,y,z": plain decimal numbers with "." as the decimal point, blanks around each
// allowed; nothing for anything else.
std::optional<TAcadPoint> ParsePoint(std::string_view text);

}  // namespace trivane::cli
