// The one error channel of the command line for what the user can put right: a bad script, a
// missing or malformed drawing or settings file, an unknown key, button or variable. `trivane`
// prints the text and ends with status 2.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace trivane::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a script line came from: "session.txt:12".
struct SourceLine {
  std::string file;
  int line = 0;
};

// "file:line: what" for an error found at a line of a script.
inline UsageError LineError(const SourceLine& where, std::string_view what) {
  return UsageError(where.file + ":" + std::to_string(where.line) + ": " + std::string(what));
}

// A path as UTF-8 text for messages.
inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace trivane::cli
