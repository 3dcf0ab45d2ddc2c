// The target-CAD list file on Windows: in the system's ANSI code page, as the file has always been
// kept. A list holding a character the code page has no form for is written as UTF-8 with a
// byte-order mark instead, so that nothing turns into "?"; a file with that mark reads as UTF-8.
#pragma once

#include "cad/com/win.h"

#include <string>
#include <string_view>

#include "app/target_cad_form.h"

namespace trivane::app::win32 {

// The file's bytes as the UTF-8 text the list holds.
std::string ListFileText(std::string_view bytes, UINT codePage = CP_ACP);
// The bytes to write for the list's UTF-8 text.
std::string ListFileBytes(std::string_view utf8, UINT codePage = CP_ACP);

// Both, for TTargetCADForm::SetListFileEncoding.
TTargetCADForm::ListFileEncoding SystemCodePageListEncoding(UINT codePage = CP_ACP);

}  // namespace trivane::app::win32
