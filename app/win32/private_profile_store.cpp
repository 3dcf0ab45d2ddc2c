#include "app/win32/private_profile_store.h"

#include <algorithm>
#include <vector>

#include "app/support.h"
#include "app/win32/wide_text.h"
#include "base/win/handles.h"

namespace trivane::app::win32 {

namespace {

constexpr std::string_view kBlanks = " \t";

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// A value that would not read back as it stands (blanks at its ends, enclosing quotes) is
// written quoted: the reading strips the blanks first and then one pair of quotes.
std::string StoredValue(std::string_view value) {
  const bool blanksAtEnds = !value.empty() && (kBlanks.find(value.front()) != std::string::npos ||
                                               kBlanks.find(value.back()) != std::string::npos);
  const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back();
  if (blanksAtEnds || quoted)
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

bool SameAsciiFolded(std::string_view a, std::string_view b) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

// The names of the section's keys (GetPrivateProfileStringW without a key name: each name ended
// by a NUL), read into a buffer that grows until the list fits.
std::vector<std::wstring> KeyNames(const std::wstring& section, const std::filesystem::path& path) {
  DWORD size = 4096;
  for (;;) {
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD got =
        GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(), size, path.c_str());
    // A list that does not fit comes back as size - 2 characters.
    if (got + 2 < size || size >= (1u << 24)) {
      std::vector<std::wstring> names;
      for (DWORD at = 0; at < got;) {
        std::wstring name(buffer.data() + at);
        at += static_cast<DWORD>(name.size()) + 1;
        names.push_back(std::move(name));
      }
      return names;
    }
    size *= 4;
  }
}

}  // namespace

PrivateProfileStore::PrivateProfileStore(std::filesystem::path path) : path_(std::move(path)) {}

bool PrivateProfileStore::Exists() const {
  const DWORD attributes = GetFileAttributesW(path_.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PrivateProfileStore::HasKey(const std::wstring& section, std::string_view key) const {
  const std::vector<std::wstring> names = KeyNames(section, path_);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::wstring& name) { return SameAsciiFolded(Narrow(name), key); });
}

std::string PrivateProfileStore::ReadString(std::string_view section, std::string_view key,
                                            std::string_view fallback) const {
  if (!Exists())
    return std::string(fallback);
  const std::wstring wideSection = Widen(section);
  const std::wstring wideKey = Widen(key);
  // The read buffer holds kMaxProfileValueLength characters and the terminator.
  std::wstring value(static_cast<std::size_t>(kMaxProfileValueLength) + 1, L'\0');
  const DWORD got =
      GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", value.data(),
                               static_cast<DWORD>(value.size()), path_.c_str());
  value.resize(got);
  // An empty answer is an empty value or a missing key (the system's own default would have its
  // trailing blanks removed, so the fallback is not passed to it).
  if (value.empty() && !HasKey(wideSection, key))
    return std::string(fallback);
  // Never end on half of a surrogate pair: the cut falls before the character that did not fit.
  if (got == static_cast<DWORD>(kMaxProfileValueLength) && IS_HIGH_SURROGATE(value.back()))
    value.pop_back();
  return Narrow(value);
}

void PrivateProfileStore::CreateWithByteOrderMark() const {
  trivane::win::UniqueFile file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    if (GetLastError() == ERROR_FILE_EXISTS)
      return;  // someone made it meanwhile; it keeps its encoding
    throw FileWriteError(path_);
  }
  static constexpr unsigned char kUtf16LeMark[] = {0xFF, 0xFE};
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), kUtf16LeMark, sizeof kUtf16LeMark, &written, nullptr);
  const bool closed = file.Close();
  if (!ok || !closed || written != sizeof kUtf16LeMark) {
    DeleteFileW(path_.c_str());
    throw FileWriteError(path_);
  }
}

void PrivateProfileStore::WriteString(std::string_view section, std::string_view key,
                                      std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos)
    throw FileWriteError(path_);
  if (!Exists())
    CreateWithByteOrderMark();
  const std::wstring stored = Widen(StoredValue(value));
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), stored.c_str(),
                                  path_.c_str()))
    throw FileWriteError(path_);
}

void PrivateProfileStore::Flush() {
  // All three names null: the system writes out what it caches of the file. Every write has
  // already reported its own failure.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
}

}  // namespace trivane::app::win32
