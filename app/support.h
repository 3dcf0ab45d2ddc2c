// Small pieces shared by the tool window, the settings file and the target-CAD dialog: the
// application title and captions, the default error box, single-line edit text, and whole-file
// reading and atomic writing.
#pragma once

#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cad/platform.h"

namespace trivane::app {

// The application title: the first part of the main window's caption and the caption of the
// default error box.
inline constexpr std::string_view kApplicationTitle = "■";

// "■ [ name ]": the main window's caption for a target CAD's display name.
std::string MainWindowCaption(std::string_view cadName);

// A path as UTF-8 text (for messages).
std::string PathText(const std::filesystem::path& path);

// What a single-line edit keeps of a text put into it: everything before the first line break.
std::string SingleLineText(std::string_view text);

// A platform that shows the default error box itself. Platform::MessageBox has no icon
// parameter; the Windows program's platform implements this as well to show the box with the stop
// icon.
class DefaultErrorBoxShower {
 public:
  virtual void ShowDefaultErrorBox(std::string_view text, std::string_view caption) = 0;

 protected:
  ~DefaultErrorBoxShower() = default;
};

// The default error box: the error's text with a full stop added, caption "■", OK only; shown by
// the platform's DefaultErrorBoxShower when it has one, else as its plain message box.
void ShowDefaultErrorBox(cad::Platform& platform, std::string_view text);

// Runs a handler raised by a control. An error that escapes it is shown in the default error box
// and goes no further, so the window stays usable. Returns false when an error was shown.
template <typename F>
bool RunGuarded(cad::Platform& platform, F&& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& e) {
    ShowDefaultErrorBox(platform, e.what());
  } catch (...) {
    ShowDefaultErrorBox(platform, "不明なエラーです");
  }
  return false;
}

// A file could not be written: "%s に書き込めません" with the file's path.
class FileWriteError : public std::runtime_error {
 public:
  explicit FileWriteError(const std::filesystem::path& path);
};

// The UTF-8 byte-order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The lines of a text: line ends are CR LF, LF or CR; a final line end does not start another
// line.
std::vector<std::string> SplitLines(std::string_view text);

// The file's bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// Replaces the file's contents with `bytes` as one step: the bytes go to a temporary file beside
// it, which then takes the file's place. On failure the file keeps its old contents (or stays
// absent), the temporary file is removed, and FileWriteError is thrown.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace trivane::app
