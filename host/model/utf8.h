// UTF-8 decoding for the host's text measures and wildcard matching.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace trivane::host {

// The well-formed UTF-8 sequence starting at s[i] (i < s.size()): its length and code point, or
// nothing for a byte that starts none (overlong forms, surrogates and values past U+10FFFF are
// not well formed).
struct Utf8Sequence {
  std::size_t length;
  char32_t codePoint;
};
std::optional<Utf8Sequence> Utf8SequenceAt(std::string_view s, std::size_t i);

// The code points of a UTF-8 text. A byte that does not start a well-formed sequence stands for
// itself (as U+0080..U+00FF would), so that no input is lost or rejected.
std::u32string DecodeUtf8(std::string_view s);

}  // namespace trivane::host
