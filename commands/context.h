// What a command works with: the CAD link, the tool window it reads its settings from, and the
// program-wide state it may change. The program state itself is owned by app/ (ProgramState);
// commands see it only through this context, so they know nothing of how the window is drawn.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "annotate/creation_list.h"
#include "cad/link.h"
#include "geometry/numbers.h"
#include "geometry/point.h"
#include "geometry/selection_buffers.h"

namespace trivane::commands {

// The tool window as the commands see it. Controls are named as in the window ("Edit3",
// "UpDown4", "RadioGroup1", "CheckBox2", "Button9"); an unknown name is a programming error
// (std::logic_error).
class ToolWindow {
 public:
  virtual ~ToolWindow() = default;

  virtual std::string Text(std::string_view control) const = 0;  // an edit's text, UTF-8
  virtual int Position(std::string_view upDown) const = 0;
  // Sets an up-down's position (clamped to its range) and shows it in its associated edit.
  virtual void SetPosition(std::string_view upDown, int position) = 0;
  virtual bool Checked(std::string_view checkBox) const = 0;
  virtual int ItemIndex(std::string_view radioGroup) const = 0;
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
};

// Decimals and rounding modes of lengths, areas and the final total (program-wide, kept in step
// with the up-downs and radio buttons of the settings page).
struct NumberSettings {
  int Keta1 = 2;
  int Keta2 = 4;
  int Keta3 = 2;
  RoundingMode Nagasa = RoundingMode::kRoundHalfUp;
  RoundingMode Menseki = RoundingMode::kRoundHalfUp;
  RoundingMode Goukei = RoundingMode::kRoundHalfUp;
};

// The top of the next-number field (UpDown4: a Win32 up-down's 16-bit range). The field cannot
// step past it, so a triangle numbered there would leave the next one the same number: the field
// at the top numbers nothing, and the last number a triangle takes is one below it.
inline constexpr int kTopTriangleNumber = 32767;

// The commands of this run that failed or were refused, in order, each by the message it showed
// (a split that failed, land already numbered, a side not joined, ...). The window shows these
// only as message boxes; the command line lists them and ends with a status of its own.
struct CommandFailures {
  std::vector<std::string> messages;
};

// The next triangle number as the last numbering command left it (0 before the first). A field
// that shows another number was typed (or set by "最大"), and is checked against the numbers the
// drawing's records already use before a command numbers from it.
// After an undo in the CAD the last command's markers are gone, and the number goes back to the
// first that command took.
struct NumberingState {
  int nextLeft = 0;
  int commandFirst = 0;           // the number the running command starts from
  int firstOfLast = 0;            // the first number the last numbering command took
  std::int64_t lastMarkerId = 0;  // the ObjectID of the newest entity of its last marker
};

struct CommandContext {
  cad::CadLink& link;
  ToolWindow& window;
  NumberSettings& numbers;
  annotate::CreationList& creation;
  SelectionBuffers& buffers;
  TAcadTriangle& LastBaseTriangle;
  std::filesystem::path programFolder;  // folder of the program file (marker DXF files go here)
  // The number of the next corner name "P1", "P2", ... the coordinate table writes; it runs on
  // across commands for the whole run, as the triangle number does.
  int& NextPointNumber;
  CommandFailures& failures;
  NumberingState& numbering;
};

}  // namespace trivane::commands
