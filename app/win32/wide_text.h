// Text at the Windows boundary of the view: UTF-8 inside the system, UTF-16 in window texts and
// Windows calls, and the system's ANSI code page in the target-CAD list file.
#pragma once

#include "cad/com/win.h"

#include <optional>
#include <string>
#include <string_view>

namespace trivane::app::win32 {

// Lenient conversions for what the user sees and types: a malformed sequence becomes U+FFFD
// instead of an error, so that a window text is never lost.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// A window's text as UTF-8.
std::string WindowText(HWND window);
// A window's text as UTF-16.
std::wstring WindowTextW(HWND window);

// Bytes in the given code page as UTF-8, and UTF-8 in the code page; nothing when a character has
// no form in that code page (it would turn into "?").
std::string CodePageToUtf8(std::string_view bytes, UINT codePage);
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, UINT codePage);

}  // namespace trivane::app::win32
