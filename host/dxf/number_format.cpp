#include "host/dxf/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "host/dxf/tags.h"

namespace trivane::dxf::detail {

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) {
    throw Error("a DXF file cannot hold the number " +
                std::string(std::isnan(value) ? "NaN" : "infinity"));
  }
  if (value == 0.0) {
    return "0";
  }
  // Round to 15 significant digits first; the digits and the exponent after rounding decide the
  // form (9.999999999999999e-6 rounds up to 1e-5 and is then written in fixed form).
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const bool negative = sci.front() == '-';
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos)) {
    if (c >= '0' && c <= '9') {
      digits += c;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
  }
  int exponent = 0;
  std::string_view expText = sci.substr(ePos + 1);
  if (!expText.empty() && expText.front() == '+') {
    expText.remove_prefix(1);
  }
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);

  std::string out = negative ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    out += digits.front();
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto intDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= intDigits) {
    out += digits;
    out.append(intDigits - digits.size(), '0');
  } else {
    out.append(digits, 0, intDigits);
    out += '.';
    out.append(digits, intDigits);
  }
  return out;
}

}  // namespace trivane::dxf::detail
