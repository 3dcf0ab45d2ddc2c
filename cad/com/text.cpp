#include "cad/com/text.h"

#include <charconv>
#include <climits>

#include "cad/automation.h"

namespace trivane::cad::com {
namespace {

int CheckedLength(std::size_t n) {
  if (n > static_cast<std::size_t>(INT_MAX))
    throw AutomationError("", "text too long", kErrorInvalidArg);
  return static_cast<int>(n);
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int n = CheckedLength(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, nullptr, 0);
  if (wide <= 0)
    throw AutomationError("", "text is not valid UTF-8", kErrorInvalidArg);
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, out.data(), wide);
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty())
    return {};
  const int n = CheckedLength(wide.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), n, nullptr, 0,
                                        nullptr, nullptr);
  if (bytes <= 0)
    throw AutomationError("", "text is not valid UTF-16 (unpaired surrogate)", kErrorInvalidArg);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), n, out.data(), bytes, nullptr,
                      nullptr);
  return out;
}

std::string HresultText(HRESULT hr) {
  char hex[16];
  char* const end = std::to_chars(hex, hex + sizeof hex, static_cast<unsigned long>(hr), 16).ptr;
  for (char* c = hex; c != end; ++c)
    if (*c >= 'a' && *c <= 'f')
      *c = static_cast<char>(*c - 'a' + 'A');
  const std::string code = "HRESULT 0x" + std::string(hex, end);

  wchar_t* buffer = nullptr;
  const DWORD len = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message;
  if (len > 0 && buffer)
    message.assign(buffer, len);
  if (buffer)
    LocalFree(buffer);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty())
    return code;
  try {
    return WideToUtf8(message) + " (" + code + ")";
  } catch (const AutomationError&) {
    return code;
  }
}

}  // namespace trivane::cad::com
