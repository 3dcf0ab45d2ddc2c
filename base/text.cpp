#include "base/text.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace trivane {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The text without its blanks and without one leading "+" (from_chars takes only "-"); nothing
// when no number can be left, so that "+-1" and "+" are refused.
std::optional<std::string_view> NumberBody(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
      return std::nullopt;
  }
  if (text.empty())
    return std::nullopt;
  return text;
}

template <typename Integer>
std::optional<Integer> ParseWhole(std::string_view text) {
  const auto body = NumberBody(text);
  if (!body)
    return std::nullopt;
  Integer value = 0;
  const auto [end, ec] = std::from_chars(body->data(), body->data() + body->size(), value, 10);
  if (ec != std::errc() || end != body->data() + body->size())
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text) {
  const auto body = NumberBody(text);
  if (!body)
    return std::nullopt;
  double value = 0;
  const auto [end, ec] =
      std::from_chars(body->data(), body->data() + body->size(), value, std::chars_format::general);
  if (ec != std::errc() || end != body->data() + body->size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<int> ParseInteger(std::string_view text) {
  return ParseWhole<int>(text);
}

std::optional<std::int64_t> ParseInteger64(std::string_view text) {
  return ParseWhole<std::int64_t>(text);
}

NumberConversionError::NumberConversionError(std::string_view text)
    : std::invalid_argument("'" + std::string(text) + "' is not a valid number") {}

double ToDecimal(std::string_view text) {
  if (const auto v = ParseDecimal(text))
    return *v;
  throw NumberConversionError(text);
}

int ToInteger(std::string_view text) {
  if (const auto v = ParseInteger(text))
    return *v;
  throw NumberConversionError(text);
}

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace trivane
