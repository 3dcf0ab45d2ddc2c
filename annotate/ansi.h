// Text in the system's ANSI code page, for the files the CAD reads back with its own DXF reader.
//
// The marker DXF file carries the text layer name in the code page the CAD expects of a DXF R12
// file: the system's ANSI code page. On Windows that is whatever CP_ACP is (WideCharToMultiByte);
// elsewhere the program targets a Japanese system and writes code page 932 (Shift_JIS as Windows
// extends it) through iconv. A character the code page cannot hold becomes "?", one for each of
// its UTF-16 units, as WideCharToMultiByte writes it by default.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace trivane::annotate {

// UTF-8 in, code-page bytes out. Plain ASCII comes out unchanged.
using AnsiEncoder = std::function<std::string(std::string_view utf8)>;

// The system's ANSI code page as described above. Malformed UTF-8 bytes become "?" too.
std::string ToAnsiCodePage(std::string_view utf8);

}  // namespace trivane::annotate
