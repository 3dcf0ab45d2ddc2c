// Fuzz target: a settings file as the command line reads it: decoded (UTF-16, UTF-8, code page
// 932), every key looked up, then a whole session started from it (the window loading every key).
// A file that does not decode must be a UsageError; nothing else may escape.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/settings.h"
#include "cli/errors.h"
#include "cli/session.h"
#include "cli/settings_file.h"

namespace {

// The file the session reads, one per process, removed when the process ends.
struct ScratchFile {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("trivane-fuzz-" + std::to_string(::getpid()) + ".ini");
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trivane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const app::IniDocument ini(cli::SettingsFileText(bytes));
    for (const app::SettingsKey& key : app::SettingsKeys())
      (void)app::ParseProfileInteger(ini.ReadString(key.section, key.key, ""));
  } catch (const cli::SettingsDecodeError&) {
  }

  static const ScratchFile file;
  std::ofstream(file.path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(size));
  std::ostringstream transcript;
  try {
    cli::Session session({.settingsFile = file.path, .progId = {}}, transcript);
  } catch (const cli::UsageError&) {
  }
  return 0;
}
