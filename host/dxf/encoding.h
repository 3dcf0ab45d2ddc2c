// Text encoding of a DXF file. Inside the library every string is UTF-8. Files up to AC1018
// (R2004) are written in the code page named by $DWGCODEPAGE, with "\U+XXXX" escapes for the
// characters the code page cannot hold; from AC1021 (R2007) on they are UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace trivane::dxf {

// Converts tag values between a file's bytes and UTF-8 (glibc iconv underneath; on Windows the
// system's code-page tables, MultiByteToWideChar and WideCharToMultiByte).
//
// Lossless both ways: bytes the code page does not define are carried as the code points
// U+DC80..U+DCFF (one per byte, the "surrogate escape" scheme) and written back as the same
// bytes, so a file with stray bytes still round-trips.
class Codec {
 public:
  // dwgCodePage: a $DWGCODEPAGE name ("ANSI_932", "ANSI_1252", "DOS850", ...) or "UTF-8".
  // A name the converter does not know falls back to ISO-8859-1, which maps every byte to one code
  // point and back, so nothing is lost; usedFallback() then says so.
  explicit Codec(std::string_view dwgCodePage);
  ~Codec();
  Codec(const Codec&) = delete;
  Codec& operator=(const Codec&) = delete;

  bool isUtf8() const { return utf8_; }
  bool usedFallback() const { return fallback_; }

  // File bytes to UTF-8; for code-page files also decodes "\U+XXXX" escapes.
  std::string Decode(std::string_view bytes);
  // UTF-8 to file bytes; for code-page files, characters the code page lacks become "\U+XXXX".
  std::string Encode(std::string_view utf8);
  // Whether Decode gives the bytes back unchanged, told without making a copy: UTF-8 files, and
  // ASCII text without a backslash (no escape can start).
  bool DecodesToItself(std::string_view bytes) const;
  // Encode(utf8) appended to `out`.
  void AppendEncoded(std::string& out, std::string_view utf8);

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
  bool utf8_ = false;
  bool fallback_ = false;
};

// The iconv name of a $DWGCODEPAGE value ("ANSI_932" -> "CP932"); empty for UTF-8.
std::string IconvNameOfCodePage(std::string_view dwgCodePage);

// Replaces "\U+XXXX" (and surrogate pairs of them) by the character; "\\" pairs are left alone so
// that an escaped backslash in multiline text never starts an escape.
std::string DecodeUnicodeEscapes(std::string_view utf8);

}  // namespace trivane::dxf
