#include "host/utf8.h"

namespace trivane::host {

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
      len = 1;
      cp = b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      cp = b0 & 0x07;
    }
    bool ok = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      ok = (b & 0xC0) == 0x80;
      cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not well formed.
    if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
      ok = false;
    if (!ok) {
      out.push_back(b0);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

}  // namespace trivane::host
