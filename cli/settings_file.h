// The settings file as the Windows program's private-profile reading takes it: UTF-16 with its
// byte-order mark (the program writes a new file so), UTF-8 with or without the mark, or the
// system code page of the program's users (932) as older files are kept. A text that is none of
// these is refused rather than read as something else.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/settings.h"

namespace trivane::cli {

// Bytes that do not decode: what is wrong and the line (from 1) it is on.
class SettingsDecodeError : public std::runtime_error {
 public:
  SettingsDecodeError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The file's text as UTF-8, without a byte-order mark. A text without a mark is UTF-8 when all
// of it is well-formed UTF-8, else code page 932. Throws SettingsDecodeError.
std::string SettingsFileText(std::string_view bytes);

// The settings file read and decoded. UsageError naming the file and the reason when it is not a
// regular file, cannot be read, or does not decode.
app::IniDocument ReadSettingsFile(const std::filesystem::path& path);

}  // namespace trivane::cli
