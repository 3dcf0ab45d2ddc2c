#include "host/dxf/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace trivane::dxf {

namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view s) {
  std::string out;
  for (char c : s) {
    out += AsciiUpper(c);
  }
  return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Length of the UTF-8 sequence at s[i] and its code point; 0 when the bytes there are not a
// well-formed sequence. Surrogates (the escaped bytes) are accepted on purpose.
std::size_t NextUtf8(std::string_view s, std::size_t i, std::uint32_t& cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t len = 0;
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  if ((b & 0xE0) == 0xC0) {
    len = 2;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    cp = b & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) {
    return 0;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  return len;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// The code unit of a "\U+XXXX" escape starting at s[i], or -1.
long EscapeAt(std::string_view s, std::size_t i) {
  if (i + 7 > s.size() || s[i] != '\\' || (s[i + 1] != 'U' && s[i + 1] != 'u') || s[i + 2] != '+') {
    return -1;
  }
  long v = 0;
  for (std::size_t k = 3; k < 7; ++k) {
    const int h = HexValue(s[i + k]);
    if (h < 0) {
      return -1;
    }
    v = v * 16 + h;
  }
  return v;
}

void AppendEscape(std::string& out, std::uint32_t unit) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\U+";
  for (int shift = 12; shift >= 0; shift -= 4) {
    out += kHex[(unit >> shift) & 0xF];
  }
}

}  // namespace

std::string IconvNameOfCodePage(std::string_view dwgCodePage) {
  const std::string name = Upper(dwgCodePage);
  if (name == "UTF-8" || name == "UTF8") {
    return "";
  }
  for (std::string_view prefix : {"ANSI_", "DOS"}) {
    if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) {
      return "CP" + name.substr(prefix.size());
    }
  }
  if (name.rfind("ISO8859-", 0) == 0) {
    return "ISO-8859-" + name.substr(8);
  }
  if (name == "KSC5601") {
    return "EUC-KR";
  }
  return name;  // BIG5, GB2312, JOHAB, MACINTOSH are iconv names as they stand
}

struct Codec::Handles {
  iconv_t decode = reinterpret_cast<iconv_t>(-1);
  iconv_t encode = reinterpret_cast<iconv_t>(-1);
  ~Handles() {
    if (decode != reinterpret_cast<iconv_t>(-1))
      iconv_close(decode);
    if (encode != reinterpret_cast<iconv_t>(-1))
      iconv_close(encode);
  }
};

Codec::Codec(std::string_view dwgCodePage) : handles_(std::make_unique<Handles>()) {
  std::string iconvName = IconvNameOfCodePage(dwgCodePage);
  if (iconvName.empty()) {
    utf8_ = true;
    return;
  }
  const auto bad = reinterpret_cast<iconv_t>(-1);
  handles_->decode = iconv_open("UTF-8", iconvName.c_str());
  handles_->encode = iconv_open(iconvName.c_str(), "UTF-8");
  if (handles_->decode == bad || handles_->encode == bad) {
    handles_ = std::make_unique<Handles>();
    fallback_ = true;
    handles_->decode = iconv_open("UTF-8", "ISO-8859-1");
    handles_->encode = iconv_open("ISO-8859-1", "UTF-8");
  }
}

Codec::~Codec() = default;

std::string Codec::Decode(std::string_view bytes) {
  if (utf8_) {
    return std::string(bytes);
  }
  if (IsAscii(bytes)) {
    return DecodeUnicodeEscapes(bytes);
  }
  std::string out;
  std::vector<char> buf(bytes.size() * 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  iconv(handles_->decode, nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0) {
    char* outPtr = buf.data();
    std::size_t outLeft = buf.size();
    const std::size_t r = iconv(handles_->decode, &in, &inLeft, &outPtr, &outLeft);
    out.append(buf.data(), static_cast<std::size_t>(outPtr - buf.data()));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // Not a character of the code page (or cut short): carry the byte as an escape.
      AppendUtf8(out, 0xDC00u + static_cast<unsigned char>(*in));
      ++in;
      --inLeft;
      iconv(handles_->decode, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return DecodeUnicodeEscapes(out);
}

std::string Codec::Encode(std::string_view utf8) {
  if (utf8_ || IsAscii(utf8)) {
    return std::string(utf8);
  }
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t cp = 0;
    const std::size_t len = NextUtf8(utf8, i, cp);
    if (len == 0) {
      out += utf8[i];  // not UTF-8 at all: pass the byte through untouched
      ++i;
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out += static_cast<char>(cp - 0xDC00);
    } else {
      char* in = const_cast<char*>(utf8.data() + i);
      std::size_t inLeft = len;
      char buf[16];
      char* outPtr = buf;
      std::size_t outLeft = sizeof buf;
      iconv(handles_->encode, nullptr, nullptr, nullptr, nullptr);
      const std::size_t r = iconv(handles_->encode, &in, &inLeft, &outPtr, &outLeft);
      if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
        if (cp >= 0x10000) {
          AppendEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
          AppendEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          AppendEscape(out, cp);
        }
      } else {
        out.append(buf, static_cast<std::size_t>(outPtr - buf));
      }
    }
    i += len;
  }
  return out;
}

std::string DecodeUnicodeEscapes(std::string_view s) {
  if (s.find('\\') == std::string_view::npos) {
    return std::string(s);
  }
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] != '\\') {
      out += s[i++];
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == '\\') {
      out += "\\\\";
      i += 2;
      continue;
    }
    const long unit = EscapeAt(s, i);
    if (unit > 0 && unit < 0xD800) {
      AppendUtf8(out, static_cast<std::uint32_t>(unit));
      i += 7;
      continue;
    }
    if (unit >= 0xE000) {
      AppendUtf8(out, static_cast<std::uint32_t>(unit));
      i += 7;
      continue;
    }
    if (unit >= 0xD800 && unit < 0xDC00) {
      const long low = EscapeAt(s, i + 7);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000u + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                            (static_cast<std::uint32_t>(low) - 0xDC00));
        i += 14;
        continue;
      }
    }
    out += s[i++];  // not an escape we decode (a lone surrogate, U+0000): keep the text
  }
  return out;
}

}  // namespace trivane::dxf
