// UTF-8 decoding for the host's text measures and wildcard matching.
#pragma once

#include <string>
#include <string_view>

namespace trivane::host {

// The code points of a UTF-8 text. A byte that does not start a well-formed sequence stands for
// itself (as U+0080..U+00FF would), so that no input is lost or rejected.
std::u32string DecodeUtf8(std::string_view s);

}  // namespace trivane::host
