// The host's command line: what a person would read in the CAD's command window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trivane::host {

// Text is written as to a terminal: CR LF, LF and CR each end the current line. Lines() gives the
// finished lines followed by the current one when it is not empty; Lines(first) gives those from
// the first-th on, so that a reader following the log copies only what is new.
class CommandLog {
 public:
  void Write(std::string_view text);
  // Ends the current line (an empty line when nothing was written on it).
  void EndLine();
  std::vector<std::string> Lines(std::size_t first = 0) const;
  // How many lines Lines() gives.
  std::size_t LineCount() const { return lines_.size() + (current_.empty() ? 0 : 1); }
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
