// Text that should hold a number, read one way everywhere: settings, session scripts, typed
// command-line input, DXF group values and automation strings.
//
// The rules, the same for every parser here:
// - Blanks (ASCII white space: space, tab, CR, LF, FF, VT) before and after the number are
//   ignored; blanks inside it are not ("1 5" is refused).
// - One optional sign, "-" or "+", directly before the digits ("+-1", "--1" and "+" alone are
//   refused).
// - Base 10 only, "." as the decimal point, whatever the process locale; no thousands separator
//   ("1,5" is refused), no hexadecimal ("0x10" is refused).
// - A decimal has digits with at most one "." and an optional exponent ("1e3", ".5");
//   "inf", "nan" and values beyond the range of double are refused.
// - An integer is digits only ("8.0" and "1e3" are refused) and must fit the type asked for:
//   ParseInteger the range of int (32 bits on every platform), ParseInteger64 that of int64_t.
// Empty text and trailing garbage give nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace trivane {

std::optional<double> ParseDecimal(std::string_view text);
std::optional<int> ParseInteger(std::string_view text);
std::optional<std::int64_t> ParseInteger64(std::string_view text);

// The error of a text that should have been a number and is not.
class NumberConversionError : public std::invalid_argument {
 public:
  explicit NumberConversionError(std::string_view text);
};

// As ParseDecimal and ParseInteger, but a text that is not a number throws NumberConversionError.
double ToDecimal(std::string_view text);
int ToInteger(std::string_view text);

// Text without its leading and trailing spaces and tabs (other characters, line ends included,
// stay): how settings, session scripts and DXF group codes are read.
std::string_view TrimBlanks(std::string_view text);

}  // namespace trivane
