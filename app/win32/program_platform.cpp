#include "app/win32/program_platform.h"

#include "app/win32/wide_text.h"

namespace trivane::app::win32 {

void ProgramPlatform::ShowDefaultErrorBox(std::string_view text, std::string_view caption) {
  MessageBoxW(OwnerWindow(), Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace trivane::app::win32
