// The platform of the Windows program: the Win32 platform, plus the default error box with the
// stop icon (Platform::MessageBox has no icon parameter), owned by the tool window.
#pragma once

#include "cad/com/win.h"

#include <string_view>

#include "app/support.h"
#include "cad/com/win32_platform.h"
#include "cad/platform.h"

namespace trivane::app::win32 {

class ProgramPlatform final : public cad::Platform, public DefaultErrorBoxShower {
 public:
  // The window that owns every message box (the tool window); nullptr: none.
  void SetOwnerWindow(HWND owner) { system_.SetOwnerWindow(owner); }
  HWND OwnerWindow() const { return system_.OwnerWindow(); }

  bool IsProgIdRegistered(std::string_view progId) override {
    return system_.IsProgIdRegistered(progId);
  }
  cad::ObjectRef GetActiveObject(std::string_view progId) override {
    return system_.GetActiveObject(progId);
  }
  bool IsIconic(cad::WindowHandle w) override { return system_.IsIconic(w); }
  void OpenIcon(cad::WindowHandle w) override { system_.OpenIcon(w); }
  void SetForegroundWindow(cad::WindowHandle w) override { system_.SetForegroundWindow(w); }
  cad::WindowHandle GetForegroundWindow() override { return system_.GetForegroundWindow(); }
  void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) override {
    system_.KeybdEvent(virtualKey, flags);
  }
  void Sleep(std::uint32_t milliseconds) override { system_.Sleep(milliseconds); }
  void MessageBox(std::string_view text, std::string_view caption) override {
    system_.MessageBox(text, caption);
  }
  cad::MessageFilterRef RegisterMessageFilter(cad::MessageFilterRef filter) override {
    return system_.RegisterMessageFilter(std::move(filter));
  }

  // MessageBoxW with the stop icon and an OK button, owned by the tool window.
  void ShowDefaultErrorBox(std::string_view text, std::string_view caption) override;

 private:
  cad::com::Win32Platform system_;
};

}  // namespace trivane::app::win32
