// Typed text: split into answers, numbers and points as the command line reads them.

#include "host/command_line/command_line.h"
#include "host/command_line/prompts.h"

namespace trivane::host::command_line {

namespace {

bool IsEnter(char c) {
  return c == '\r' || c == '\n';
}

// Index past the terminator at `i` (CR LF counts once).
std::size_t PastTerminator(std::string_view s, std::size_t i) {
  if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
    return i + 2;
  return i + 1;
}
}  // namespace

// "x,y" or "x,y,z"; with a leading "@" relative to `last` ("@" alone is `last`).
std::optional<TAcadPoint> ParsePoint(std::string_view s, const TAcadPoint& last) {
  const bool relative = s.starts_with('@');
  if (relative) {
    s.remove_prefix(1);
    if (s.empty())
      return last;
  }
  std::vector<double> parts;
  for (;;) {
    const std::size_t comma = s.find(',');
    const std::optional<double> v = ParseDecimal(s.substr(0, comma));
    if (!v)
      return std::nullopt;
    parts.push_back(*v);
    if (comma == std::string_view::npos)
      break;
    s.remove_prefix(comma + 1);
  }
  if (parts.size() != 2 && parts.size() != 3)
    return std::nullopt;
  TAcadPoint p{parts[0], parts[1], parts.size() == 3 ? parts[2] : 0.0};
  if (relative)
    p = {last.x + p.x, last.y + p.y, last.z + p.z};
  return p;
}
bool Matches(std::string_view answer, const Keyword& k) {
  const std::string a = FoldName(answer);
  return a.size() >= k.shortest && a.size() <= k.name.size() && k.name.starts_with(a);
}
}  // namespace trivane::host::command_line

namespace trivane::host {

using command_line::IsEnter;
using command_line::PastTerminator;

std::vector<TypedAnswer> SplitAnswers(std::string_view text, std::string& unfinished) {
  const std::string buffer = unfinished + std::string(text);
  unfinished.clear();
  const std::string_view s = buffer;
  std::vector<TypedAnswer> answers;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    if (s[i] == '(') {
      // AutoLISP: blanks and line ends inside the parentheses and strings belong to it.
      int depth = 0;
      bool inString = false;
      std::size_t j = i;
      for (; j < s.size(); ++j) {
        const char c = s[j];
        if (inString) {
          if (c == '\\')
            ++j;
          else if (c == '"')
            inString = false;
          continue;
        }
        if (c == '"')
          inString = true;
        else if (c == '(')
          ++depth;
        else if (c == ')')
          --depth;
        else if (depth <= 0 && (c == ' ' || IsEnter(c)))
          break;
      }
      if (j >= s.size()) {
        unfinished = std::string(s.substr(start));
        break;
      }
      answers.push_back({TypedAnswer::Kind::Lisp, std::string(s.substr(i, j - i))});
      i = PastTerminator(s, j);
      continue;
    }
    std::string word;
    bool quoted = false;
    std::size_t j = i;
    for (; j < s.size(); ++j) {
      const char c = s[j];
      if (IsEnter(c) || (c == ' ' && !quoted))
        break;
      if (c == '"')
        quoted = !quoted;
      else
        word += c;
    }
    if (j >= s.size()) {
      unfinished = std::string(s.substr(start));
      break;
    }
    answers.push_back({TypedAnswer::Kind::Text, std::move(word)});
    i = PastTerminator(s, j);
  }
  return answers;
}
}  // namespace trivane::host
