#include "host/model/command_log.h"

#include <utility>

namespace trivane::host {

void CommandLog::Write(std::string_view text) {
  for (char c : text) {
    if (c == '\n' && pendingCr_) {
      pendingCr_ = false;
      continue;
    }
    pendingCr_ = c == '\r';
    if (c == '\r' || c == '\n')
      Break();
    else
      current_.push_back(c);
  }
}

void CommandLog::EndLine() {
  pendingCr_ = false;
  Break();
}

void CommandLog::Break() {
  lines_.push_back(std::move(current_));
  current_.clear();
}

std::vector<std::string> CommandLog::Lines(std::size_t first) const {
  std::vector<std::string> out;
  if (first < lines_.size())
    out.assign(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end());
  if (!current_.empty() && first <= lines_.size())
    out.push_back(current_);
  return out;
}

std::string CommandLog::Text() const {
  std::string s;
  for (const std::string& line : Lines()) {
    if (!s.empty())
      s += '\n';
    s += line;
  }
  return s;
}

void CommandLog::Clear() {
  lines_.clear();
  current_.clear();
  pendingCr_ = false;
}

}  // namespace trivane::host
