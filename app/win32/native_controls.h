// Native controls for the records of app/controls.h: which window class and styles each kind of
// control becomes, the fonts, the containers (pages and group boxes pass their controls'
// notifications on to the top-level window), and edits that report typed characters.
#pragma once

#include "cad/com/win.h"

#include <map>
#include <string>
#include <tuple>

#include "app/controls.h"
#include "base/win/handles.h"

namespace trivane::app::win32 {

// The views' own window classes.
inline constexpr wchar_t kMainWindowClass[] = L"TrivaneForm1";
inline constexpr wchar_t kTargetCadDialogClass[] = L"TrivaneTargetCADForm";
inline constexpr wchar_t kPageClass[] = L"TrivanePage";

// Sent by an edit with a key handler to its top-level window for every character typed in it:
// wParam the character (UTF-16), lParam the edit. Non-zero answer: the character was swallowed.
inline constexpr UINT kKeyPressMessage = WM_APP + 1;

// The program icon's resource ID (trivane.rc).
inline constexpr int kProgramIconId = 1;

// Loads the common controls and registers the page class; harmless when repeated.
void InitNativeControls(HINSTANCE instance);

// The window class a control of that kind is made of ("Button", "Edit", "msctls_updown32"...).
const wchar_t* NativeClassName(ControlKind kind);

// Creates the native control for `c` inside `parent` with the given ID: its class and styles
// follow its kind and flags (enabled, visible, tab stop, read-only, up-down options), its text is
// set, and a page or group box passes its controls' notifications on to the top-level window.
// Radio-group items, the up-down's buddy, fonts and the icon are the caller's.
HWND CreateNativeControl(const Control& c, HWND parent, int id, HINSTANCE instance);

// Makes an edit send kKeyPressMessage to its top-level window for each character typed, Enter
// included (a dialog would otherwise take Enter for its default button).
void ReportKeyPresses(HWND edit);

// Switches the input method off for an edit that has just got the focus (the number and name
// fields take plain ASCII).
void CloseInputMethod(HWND edit);

// Fonts of one face, made on first use and deleted with the set.
class FontSet {
 public:
  FontSet(std::wstring face, BYTE charset) : face_(std::move(face)), charset_(charset) {}
  FontSet(const FontSet&) = delete;
  FontSet& operator=(const FontSet&) = delete;

  // The font whose characters are `height` pixels high (the em height, as a negative LOGFONT
  // height), bold or not.
  HFONT Get(int height, bool bold);

 private:
  std::wstring face_;
  BYTE charset_;
  std::map<std::tuple<int, bool>, trivane::win::UniqueFont> fonts_;
};

// The icon of the program at 32 x 32 from the module's resources (shared: never destroyed), or
// nullptr when the module has none.
HICON ProgramIcon(HINSTANCE instance);

}  // namespace trivane::app::win32
