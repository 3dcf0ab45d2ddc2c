// What the system takes from the operating system, behind one small interface.
//
// Two implementations: the Win32 one (cad/com/, Windows only) and the simulated one of the
// built-in host (host/), which keeps a virtual clock and a record of what was called so that tests
// can assert on restores, Esc presses, waits and message boxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cad/automation.h"

namespace trivane::cad {

// A window handle as the CAD reports it through its HWND property (a 64-bit integer).
using WindowHandle = std::int64_t;

inline constexpr std::uint8_t kVirtualKeyEscape = 27;
inline constexpr std::uint32_t kKeyEventKeyUp = 2;  // KEYEVENTF_KEYUP

class Platform {
 public:
  virtual ~Platform() = default;

  // CLSIDFromProgID: false when the ProgID is not registered on this computer.
  virtual bool IsProgIdRegistered(std::string_view progId) = 0;
  // CLSIDFromProgID + GetActiveObject + QueryInterface(IDispatch): the running instance registered
  // under the ProgID, or nullptr when the ProgID is unknown or nothing runs under it.
  virtual ObjectRef GetActiveObject(std::string_view progId) = 0;

  // Window calls.
  virtual bool IsIconic(WindowHandle w) = 0;
  virtual void OpenIcon(WindowHandle w) = 0;
  virtual void SetForegroundWindow(WindowHandle w) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  virtual void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) = 0;

  // Blocks the user-interface thread for `milliseconds` (the simulation advances its clock).
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // A message box owned by the tool window, with an OK button only. Texts are UTF-8.
  virtual void MessageBox(std::string_view text, std::string_view caption) = 0;
};

}  // namespace trivane::cad
