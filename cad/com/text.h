// Text at the COM boundary: UTF-8 inside the system, UTF-16 in BSTRs and Windows calls.
#pragma once

#include "cad/com/win.h"

#include <string>
#include <string_view>

namespace trivane::cad::com {

// Strict conversions: malformed input (invalid UTF-8, an unpaired surrogate) is an
// AutomationError with code E_INVALIDARG rather than a silently replaced character. Embedded NULs
// are kept.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// "<system message> (HRESULT 0x80020006)", or just the HRESULT part when the system has no text.
std::string HresultText(HRESULT hr);

}  // namespace trivane::cad::com
