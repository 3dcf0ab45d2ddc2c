#include "cad/names.h"

#include <algorithm>

#include "base/text.h"

namespace trivane::cad {
namespace {

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Both are digit strings without leading zeros: the longer is larger, else the later in order.
bool NumberLess(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return a.size() < b.size();
  return a < b;
}

// A digit string plus one ("9" -> "10", "199" -> "200").
std::string Increment(std::string digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return digits;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
  return digits;
}

}  // namespace

std::string FoldAsciiUpper(std::string_view name) {
  std::string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldAscii);
  return folded;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

bool StartsWithFolded(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && NamesEqual(name.substr(0, prefix.size()), prefix);
}

std::optional<std::string> NameNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
    return std::nullopt;
  if (negative)
    return std::string("0");
  const std::size_t first = text.find_first_not_of('0');
  return first == std::string_view::npos ? std::string("0") : std::string(text.substr(first));
}

std::string NextNumberedName(std::span<const std::string> names, std::string_view prefix) {
  std::string largest = "0";
  for (const std::string& name : names) {
    if (!StartsWithFolded(name, prefix))
      continue;
    const std::optional<std::string> number =
        NameNumber(std::string_view(name).substr(prefix.size()));
    if (number && NumberLess(largest, *number))
      largest = *number;
  }
  return std::string(prefix) + Increment(largest);
}

std::int64_t ProgIdVersion(std::string_view progId) {
  const std::size_t dot = progId.rfind('.');
  if (dot == std::string_view::npos)
    return 0;
  return ParseInteger64(progId.substr(dot + 1)).value_or(0);
}

}  // namespace trivane::cad
