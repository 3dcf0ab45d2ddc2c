// The tool window and the target-CAD dialog as data: one record per control, in creation order.
//
// A view (the Win32 window, the command line) builds its controls from these lists in order: a
// control's parent (page, group box) always comes before it, an up-down's associated edit comes
// before the up-down, and the order within one parent is the Tab order. Positions are pixels at
// 96 dots per inch, relative to the parent's client area.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/context.h"

namespace trivane::app {

enum class ControlKind {
  PageControl,  // items: none; itemIndex: the page shown
  Page,         // text: the tab caption
  GroupBox,
  RadioGroup,  // items: the choices; itemIndex: the one selected (-1: none)
  Button,
  SpeedButton,  // flat button; never takes the focus
  Edit,
  UpDown,  // min, max, position; shows its position in `associate`
  Label,
  RadioButton,  // one of the radio buttons of its parent group
  CheckBox,
  Image,    // the program icon
  ListBox,  // items, itemIndex
};

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

struct Control {
  std::string name;  // "Edit3", "UpDown4", "RadioGroup1", "Button9"...
  ControlKind kind = ControlKind::Label;
  std::string parent;  // the control it sits in; "" for the window itself
  Bounds bounds;
  std::string text;  // caption or text (UTF-8)
  std::string hint;  // tooltip; "" for none
  std::vector<std::string> items;
  int itemIndex = -1;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  bool tabStop = true;
  bool readOnly = false;
  bool imeClosed = false;  // the input method is switched off while the edit has the focus
  bool bold = false;
  int fontHeight = 0;         // pixels; 0: the window's font
  bool neverEnabled = false;  // created disabled and nothing may enable it
  // Up-downs.
  int min = 0;
  int max = 0;
  int position = 0;
  std::string associate;  // the edit that shows the position
  bool thousands = true;  // the position is shown with thousands separators
  bool buttonsLeft = false;
  // The handler the control raises when clicked (changed, for up-downs and radio groups) and when
  // a key is typed in it; "" for none.
  std::string onClick;
  std::string onKeyPress;
  // Filled from the parent chain: the page ("TabSheet2"...) the control lives on; "" for the page
  // control itself and for controls of the dialog.
  std::string page;
};

// The tool window's font: "ＭＳ Ｐゴシック", 12 pixels (9 point), Shift-JIS character set.
inline constexpr std::string_view kWindowFontName = "ＭＳ Ｐゴシック";
inline constexpr int kWindowFontHeight = 12;
inline constexpr int kShiftJisCharset = 128;
// The highest next triangle number UpDown4 holds (the top of a Win32 up-down's 16-bit range); the
// commands number nothing at it.
inline constexpr int kMaxTriangleNumber = commands::kTopTriangleNumber;

// Every control of the tool window with its design-time state: PageControl1, its four pages in
// tab order (TabSheet2 " ﾍﾛﾝ ", TabSheet3 " 設定1", TabSheet4 " 設定2", TabSheet1 " ﾂｰﾙ"), and
// the controls of each page.
std::vector<Control> MainWindowControls();

// The controls of the target-CAD dialog ("ターゲット CAD", client 315 × 307, font Tahoma 11
// pixels; list box and edits 13, labels 12). Its state lives in TTargetCADForm; this list is the
// layout only.
std::vector<Control> TargetCadDialogControls();

}  // namespace trivane::app
