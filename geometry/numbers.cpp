#include "geometry/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "geometry/plan.h"

namespace trivane {

namespace {

constexpr int kSignificantDigits = 15;

// Exact powers of ten for the decimals FormatRounded works with (10^(digits+1) at most 10^7).
constexpr std::array<double, kMaxDigits + 2> kPow10 = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

// A finite value rounded to 15 significant digits: value = 0.digits * 10^(exponent + 1), i.e.
// the first digit stands at the decimal place 10^exponent. Trailing zeros are stripped; zero
// has digits "0" and exponent 0.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

DecimalDigits ToDecimalDigits(double value) {
  DecimalDigits r;
  if (value == 0) {
    r.digits = "0";
    return r;
  }
  // "-d.dddddddddddddde-XXX": to_chars rounds correctly to 15 significant digits.
  std::array<char, 64> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, kSignificantDigits - 1);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  std::size_t pos = 0;
  if (text[pos] == '-') {
    r.negative = true;
    ++pos;
  }
  const std::size_t e = text.find('e', pos);
  for (std::size_t k = pos; k < e; ++k) {
    if (text[k] != '.')
      r.digits += text[k];
  }
  while (r.digits.size() > 1 && r.digits.back() == '0')
    r.digits.pop_back();
  const std::string_view exponentText = text.substr(e + 1);
  const std::size_t skip = exponentText.front() == '+' ? 1 : 0;
  std::from_chars(exponentText.data() + skip, exponentText.data() + exponentText.size(),
                  r.exponent);
  return r;
}

// Plain positional text of the digits, whatever the magnitude.
std::string Positional(const DecimalDigits& d) {
  std::string s = d.negative ? "-" : "";
  const int count = static_cast<int>(d.digits.size());
  if (d.exponent < 0) {
    s += "0.";
    s.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    s += d.digits;
  } else if (d.exponent + 1 >= count) {
    s += d.digits;
    s.append(static_cast<std::size_t>(d.exponent + 1 - count), '0');
  } else {
    s.append(d.digits, 0, static_cast<std::size_t>(d.exponent + 1));
    s += '.';
    s.append(d.digits, static_cast<std::size_t>(d.exponent + 1));
  }
  return s;
}

std::string NonFinite(double value) {
  if (std::isnan(value))
    return "nan";
  return value < 0 ? "-inf" : "inf";
}

// Nothing but ASCII white space.
bool IsBlankText(std::string_view text) {
  return text.find_first_not_of(" \t\n\r\f\v") == std::string_view::npos;
}

int ClampDigits(int digits) {
  return std::clamp(digits, kMinDigits, kMaxDigits);
}

}  // namespace

std::string FormatGeneral(double value) {
  if (!std::isfinite(value))
    return NonFinite(value);
  const DecimalDigits d = ToDecimalDigits(value);
  if (d.digits == "0")
    return "0";
  if (d.exponent >= -5 && d.exponent < 15)
    return Positional(d);
  std::string s = d.negative ? "-" : "";
  s += d.digits.front();
  if (d.digits.size() > 1) {
    s += '.';
    s.append(d.digits, 1);
  }
  s += 'E';
  s += std::to_string(d.exponent);
  return s;
}

std::string FormatFixed(double value, int digits) {
  // Enough for the largest double with its 309 integer digits and the decimals asked for.
  std::string buffer(400 + static_cast<std::size_t>(std::max(digits, 0)), '\0');
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, std::max(digits, 0));
  buffer.resize(ec == std::errc() ? static_cast<std::size_t>(end - buffer.data()) : 0);
  return buffer;
}

std::string FormatRounded(double value, int digits, RoundingMode mode) {
  if (!std::isfinite(value))
    return FormatGeneral(value);
  digits = ClampDigits(digits);
  const double magnitude = std::fabs(value);
  const double scaled = magnitude * kPow10[static_cast<std::size_t>(digits) + 1];
  if (!std::isfinite(scaled))
    return FormatFixed(value, digits);

  // The leading "0" keeps the kept part non-empty when the scaled value has a single digit.
  const std::string s = "0" + Positional(ToDecimalDigits(scaled));
  const std::size_t dot = s.find('.');
  const std::size_t checkAt = (dot == std::string::npos ? s.size() : dot) - 1;
  const char check = s[checkAt];
  double t = 0;  // value truncated to `digits` decimals, times 10^digits
  std::from_chars(s.data(), s.data() + checkAt, t);
  if ((mode == RoundingMode::kRoundHalfUp && check >= '5') ||
      (mode == RoundingMode::kRoundUp && check > '0'))
    t += 1;

  std::string text = FormatFixed(t / kPow10[static_cast<std::size_t>(digits)], digits);
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  if (value < 0 && !zero)
    text.insert(text.begin(), '-');
  return text;
}

BaseHeightText BaseHeightTexts(std::string_view a, std::string_view b, std::string_view c,
                               int digits, RoundingMode mode, double divisor) {
  const auto side = [](std::string_view text) { return IsBlankText(text) ? 0.0 : ToDecimal(text); };
  const double la = side(a), lb = side(b), lc = side(c);
  double base = lc;
  if (la >= lb && la >= lc) {
    base = la;
  } else if (lb >= la && lb >= lc) {
    base = lb;
  }
  const double height = la > 0 && lb > 0 && lc > 0 ? 2 * AreaFromSides(la, lb, lc) / base : 0.0;
  digits = ClampDigits(digits);
  const auto text = [&](double v) {
    return v == 0 ? FormatFixed(v / divisor, digits) : FormatRounded(v / divisor, digits, mode);
  };
  return {text(base), text(height)};
}

std::string PrintedLength(double length, int digits, RoundingMode mode, double divisor) {
  return FormatRounded(ToDecimal(FormatFixed(length, kRecordDecimals)) / divisor, digits, mode);
}

BaseHeightText PrintedBaseHeight(double a, double b, double c, int digits, RoundingMode mode,
                                 double divisor) {
  return BaseHeightTexts(FormatFixed(a, kRecordDecimals), FormatFixed(b, kRecordDecimals),
                         FormatFixed(c, kRecordDecimals), digits, mode, divisor);
}

std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t comma = text.find(','); comma != std::string_view::npos;
       comma = text.find(',', start)) {
    items.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  items.emplace_back(text.substr(start));
  return items;
}

}  // namespace trivane
