// The platform of the Windows program: the Win32 platform, plus the default error box with the
// stop icon (Platform::MessageBox has no icon parameter), owned by the tool window.
#pragma once

#include "cad/com/win.h"

#include <string_view>

#include "app/support.h"
#include "cad/com/win32_platform.h"
#include "cad/platform.h"

namespace trivane::app::win32 {

class ProgramPlatform final : public cad::ForwardingPlatform, public DefaultErrorBoxShower {
 public:
  ProgramPlatform() : cad::ForwardingPlatform(system_) {}

  // The window that owns every message box (the tool window); nullptr: none.
  void SetOwnerWindow(HWND owner) { system_.SetOwnerWindow(owner); }
  HWND OwnerWindow() const { return system_.OwnerWindow(); }

  // MessageBoxW with the stop icon and an OK button, owned by the tool window.
  void ShowDefaultErrorBox(std::string_view text, std::string_view caption) override;

 private:
  cad::com::Win32Platform system_;
};

}  // namespace trivane::app::win32
