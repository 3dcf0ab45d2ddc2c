#include "app/win32/wide_text.h"

#include <climits>
#include <stdexcept>

namespace trivane::app::win32 {

namespace {

int Length(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX))
    throw std::length_error("text too long for a Windows call");
  return static_cast<int>(size);
}

std::wstring ToWide(std::string_view bytes, UINT codePage) {
  if (bytes.empty())
    return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), Length(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(codePage, 0, bytes.data(), Length(bytes.size()), wide.data(), n);
  return wide;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  return ToWide(utf8, CP_UTF8);
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty())
    return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), Length(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), Length(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
  return utf8;
}

std::wstring WindowTextW(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0)
    return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::string WindowText(HWND window) {
  return Narrow(WindowTextW(window));
}

std::string CodePageToUtf8(std::string_view bytes, UINT codePage) {
  return Narrow(ToWide(bytes, codePage));
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, UINT codePage) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty())
    return std::string();
  // UTF-7 and UTF-8 refuse the "used default character" flag; they can hold every character.
  const bool unicode = codePage == CP_UTF8 || codePage == CP_UTF7;
  BOOL usedDefault = FALSE;
  const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used = unicode ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), Length(wide.size()), nullptr, 0,
                                    nullptr, used);
  if (n <= 0 || usedDefault)
    return std::nullopt;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), Length(wide.size()), bytes.data(), n, nullptr,
                      used);
  if (usedDefault)
    return std::nullopt;
  return bytes;
}

}  // namespace trivane::app::win32
