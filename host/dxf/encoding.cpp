#include "host/dxf/encoding.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <utility>
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

// --- The code page's own conversions, by the platform's converter --------------------------------
//
// Handles::Open opens a code page by its iconv name (false when the platform does not know it);
// DecodeInto appends the UTF-8 of the bytes, a byte it cannot read as U+DC80..U+DCFF; EncodeChar
// appends the bytes of one character (its UTF-8 sequence), false when the code page lacks it.

#ifdef _WIN32

namespace {

// The Windows code page of an iconv name; 0 when there is none.
UINT WindowsCodePage(std::string_view iconvName) {
  const auto number = [](std::string_view digits) -> UINT {
    UINT v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || v > 100000)
        return 0;
      v = v * 10 + static_cast<UINT>(c - '0');
    }
    return v;
  };
  if (iconvName.starts_with("CP"))
    return number(iconvName.substr(2));
  if (iconvName.starts_with("ISO-8859-")) {
    const UINT part = number(iconvName.substr(9));
    return part == 0 ? 0 : 28590 + part;
  }
  static constexpr std::pair<std::string_view, UINT> kNamed[] = {
      {"EUC-KR", 51949}, {"BIG5", 950}, {"GB2312", 936}, {"JOHAB", 1361}, {"MACINTOSH", 10000}};
  for (const auto& [name, page] : kNamed) {
    if (iconvName == name)
      return page;
  }
  return 0;
}

void AppendUtf16AsUtf8(std::string& out, const wchar_t* units, int count) {
  for (int k = 0; k < count; ++k) {
    std::uint32_t cp = static_cast<std::uint16_t>(units[k]);
    if (cp >= 0xD800 && cp < 0xDC00 && k + 1 < count) {
      const std::uint32_t low = static_cast<std::uint16_t>(units[k + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++k;
      }
    }
    AppendUtf8(out, cp);
  }
}

}  // namespace

struct Codec::Handles {
  UINT codePage = 0;

  bool Open(const std::string& iconvName) {
    codePage = WindowsCodePage(iconvName);
    return codePage != 0 && IsValidCodePage(codePage);
  }

  void DecodeInto(std::string_view bytes, std::string& out) const {
    wchar_t units[4];
    for (std::size_t i = 0; i < bytes.size();) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b < 0x80) {
        out += static_cast<char>(b);
        ++i;
        continue;
      }
      // A lead byte and its trail byte first, else the byte alone; neither read: escaped.
      int used = 0;
      int count = 0;
      if (i + 1 < bytes.size() && IsDBCSLeadByteEx(codePage, b)) {
        count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data() + i, 2, units, 4);
        used = 2;
      }
      if (count <= 0) {
        count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data() + i, 1, units, 4);
        used = 1;
      }
      if (count <= 0) {
        AppendUtf8(out, 0xDC00u + b);
        ++i;
        continue;
      }
      AppendUtf16AsUtf8(out, units, count);
      i += static_cast<std::size_t>(used);
    }
  }

  bool EncodeChar(std::uint32_t cp, std::string& out) const {
    wchar_t units[2];
    int count = 1;
    if (cp >= 0x10000) {
      units[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      count = 2;
    } else {
      units[0] = static_cast<wchar_t>(cp);
    }
    char buf[16];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count, buf, sizeof buf,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
      return false;
    out.append(buf, static_cast<std::size_t>(n));
    return true;
  }
};

#else

struct Codec::Handles {
  iconv_t decode = reinterpret_cast<iconv_t>(-1);
  iconv_t encode = reinterpret_cast<iconv_t>(-1);

  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() { Close(); }

  bool Open(const std::string& iconvName) {
    Close();
    const auto bad = reinterpret_cast<iconv_t>(-1);
    decode = iconv_open("UTF-8", iconvName.c_str());
    encode = iconv_open(iconvName.c_str(), "UTF-8");
    if (decode == bad || encode == bad) {
      Close();
      return false;
    }
    return true;
  }

  void Close() {
    const auto bad = reinterpret_cast<iconv_t>(-1);
    if (decode != bad)
      iconv_close(decode);
    if (encode != bad)
      iconv_close(encode);
    decode = encode = bad;
  }

  void DecodeInto(std::string_view bytes, std::string& out) const {
    std::vector<char> buf(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    iconv(decode, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
      char* outPtr = buf.data();
      std::size_t outLeft = buf.size();
      const std::size_t r = iconv(decode, &in, &inLeft, &outPtr, &outLeft);
      out.append(buf.data(), static_cast<std::size_t>(outPtr - buf.data()));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        // Not a character of the code page (or cut short): carry the byte as an escape.
        AppendUtf8(out, 0xDC00u + static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(decode, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

  bool EncodeChar(std::uint32_t cp, std::string& out) const {
    std::string utf8;
    AppendUtf8(utf8, cp);
    char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    char buf[16];
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    iconv(encode, nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(encode, &in, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0)
      return false;
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    return true;
  }
};

#endif

Codec::Codec(std::string_view dwgCodePage) : handles_(std::make_unique<Handles>()) {
  const std::string iconvName = IconvNameOfCodePage(dwgCodePage);
  if (iconvName.empty()) {
    utf8_ = true;
    return;
  }
  if (!handles_->Open(iconvName)) {
    // ISO-8859-1 maps every byte to one code point and back: nothing is lost.
    fallback_ = true;
    if (!handles_->Open("ISO-8859-1"))
      throw std::runtime_error("the code page ISO-8859-1 is not available");
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
  handles_->DecodeInto(bytes, out);
  return DecodeUnicodeEscapes(out);
}

bool Codec::DecodesToItself(std::string_view bytes) const {
  return utf8_ || (IsAscii(bytes) && bytes.find('\\') == std::string_view::npos);
}

void Codec::AppendEncoded(std::string& out, std::string_view utf8) {
  if (utf8_ || IsAscii(utf8))
    out += utf8;
  else
    out += Encode(utf8);
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
    } else if (!handles_->EncodeChar(cp, out)) {
      if (cp >= 0x10000) {
        AppendEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
        AppendEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        AppendEscape(out, cp);
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
