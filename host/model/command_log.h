// The host's command line: what a person would read in the CAD's command window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trivane::host {

// Text is written as to a terminal: CR LF, LF and CR each end the current line. Lines() gives the
// finished lines followed by the current one when it is not empty.
class CommandLog {
 public:
  void Write(std::string_view text);
  // Ends the current line (an empty line when nothing was written on it).
  void EndLine();
  std::vector<std::string> Lines() const;
  // Everything written, lines joined by "\n".
  std::string Text() const;
  void Clear();

 private:
  void Break();

  std::vector<std::string> lines_;
  std::string current_;
  bool pendingCr_ = false;  // the last character was CR: an LF right after it belongs to it
};

}  // namespace trivane::host
