#include "annotate/ansi.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace trivane::annotate {
namespace {

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

}  // namespace

#ifdef _WIN32

std::string ToAnsiCodePage(std::string_view utf8) {
  if (utf8.empty() || IsAscii(utf8))
    return std::string(utf8);
  const int n = static_cast<int>(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
  if (wide <= 0)
    return std::string(utf8.size(), '?');
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, w.data(), wide);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return std::string(utf8.size(), '?');
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

#else

namespace {

// Length of the UTF-8 sequence starting with byte b (1 for a stray byte).
std::size_t SequenceLength(unsigned char b) {
  if ((b & 0xE0) == 0xC0)
    return 2;
  if ((b & 0xF0) == 0xE0)
    return 3;
  if ((b & 0xF8) == 0xF0)
    return 4;
  return 1;
}

class IconvHandle {
 public:
  IconvHandle() : cd_(iconv_open("CP932", "UTF-8")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("the code page CP932 is not available (iconv)");
  }
  ~IconvHandle() { iconv_close(cd_); }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::string ToAnsiCodePage(std::string_view utf8) {
  if (IsAscii(utf8))
    return std::string(utf8);
  IconvHandle cd;
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    // One character at a time, so that a character the code page lacks costs only itself.
    std::size_t len = SequenceLength(static_cast<unsigned char>(utf8[i]));
    if (i + len > utf8.size())
      len = utf8.size() - i;
    std::string in(utf8.substr(i, len));
    char buffer[8];
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);  // reset the shift state
      // A character beyond U+FFFF is two UTF-16 units, and WideCharToMultiByte writes a "?"
      // for each.
      out += len == 4 ? "??" : "?";
    } else {
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    }
    i += len;
  }
  return out;
}

#endif

}  // namespace trivane::annotate
