// The operating system as the tool sees it on Windows: COM lookup of the running CAD, the window
// and keyboard calls, sleeping, message boxes and the thread's COM message filter.
//
// Use it on the user-interface thread, inside a single-threaded apartment (StaScope).
#pragma once

#include "cad/com/win.h"

#include <string_view>

#include "cad/platform.h"

namespace trivane::cad::com {

class Win32Platform final : public Platform {
 public:
  // The window that owns the message boxes (the tool window); nullptr: none.
  void SetOwnerWindow(HWND owner) { owner_ = owner; }
  HWND OwnerWindow() const { return owner_; }

  bool IsProgIdRegistered(std::string_view progId) override;
  // Any failure on the way (unknown ProgID, nothing running, no IDispatch) gives nullptr.
  ObjectRef GetActiveObject(std::string_view progId) override;

  bool IsIconic(WindowHandle w) override;
  void OpenIcon(WindowHandle w) override;
  void SetForegroundWindow(WindowHandle w) override;
  WindowHandle GetForegroundWindow() override;
  void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) override;
  void Sleep(std::uint32_t milliseconds) override;
  // MessageBoxW with an OK button only, owned by the owner window.
  void MessageBox(std::string_view text, std::string_view caption) override;

  // CoRegisterMessageFilter; throws AutomationError when COM refuses (not a single-threaded
  // apartment).
  MessageFilterRef RegisterMessageFilter(MessageFilterRef filter) override;

 private:
  HWND owner_ = nullptr;
};

// The window a CAD reports through its HWND property, and back.
HWND ToHwnd(WindowHandle w);
WindowHandle FromHwnd(HWND h);

}  // namespace trivane::cad::com
