// The settings file through the Windows private-profile functions (GetPrivateProfileStringW,
// WritePrivateProfileStringW), read by the same rules as the portable IniFileStore
// (app/settings.h).
//
// Each write reaches the file at once, as the private-profile functions work; Flush asks the
// system to write out what it may still cache. A file the store creates starts with a UTF-16LE
// byte-order mark, which makes the private-profile functions keep the file in UTF-16, so Japanese
// texts survive whatever the system code page is (a file without one is ANSI to them, and a
// character outside the code page would be written as "?").
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/settings.h"

namespace trivane::app::win32 {

class PrivateProfileStore final : public SettingsStore {
 public:
  explicit PrivateProfileStore(std::filesystem::path path);

  const std::filesystem::path& Path() const override { return path_; }
  bool Exists() const override;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const override;
  // Throws FileWriteError when the value holds a line break, when the file cannot be created or
  // when the system refuses the write.
  void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  void Flush() override;

 private:
  bool HasKey(const std::wstring& section, std::string_view key) const;
  void CreateWithByteOrderMark() const;

  std::filesystem::path path_;
};

}  // namespace trivane::app::win32
