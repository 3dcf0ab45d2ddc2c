#include "host/model/utf8.h"

namespace trivane::host {

std::optional<Utf8Sequence> Utf8SequenceAt(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80)
    return Utf8Sequence{1, b0};
  std::size_t len = 0;
  char32_t cp = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    return std::nullopt;
  }
  if (i + len > s.size())
    return std::nullopt;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80)
      return std::nullopt;
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not well formed.
  if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
      (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return std::nullopt;
  return Utf8Sequence{len, cp};
}

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (const std::optional<Utf8Sequence> seq = Utf8SequenceAt(s, i)) {
      out.push_back(seq->codePoint);
      i += seq->length;
    } else {
      out.push_back(static_cast<unsigned char>(s[i]));
      ++i;
    }
  }
  return out;
}

}  // namespace trivane::host
