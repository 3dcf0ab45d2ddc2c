// Numbers as text: the one rounding routine of the system, the general number format and the
// fixed format. Numbers are read by base/text.h's strict parsers.
//
// Every conversion here uses "." as the decimal point and no thousands separator, whatever the
// process locale: formatting goes through std::to_chars.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace trivane {

// Rounding rule chosen by the user per kind of number; the values are those of the settings file.
// Any other value (a settings file may hold one) behaves as kTruncate.
enum class RoundingMode : int {
  kTruncate = 0,     // 切捨
  kRoundHalfUp = 1,  // 四捨
  kRoundUp = 2,      // 切上
};

// Number of decimals FormatRounded and BaseHeightTexts accept; values outside are clamped.
inline constexpr int kMinDigits = 0;
inline constexpr int kMaxDigits = 6;

// The general format: the shortest decimal text with at most 15 significant digits (rounded to
// nearest), e.g. 1004.9999999999999 -> "1005", 1230.1 -> "1230.1", 5 -> "5",
// 0.00001 -> "0.00001". Plain positional notation, except exponent notation for non-zero
// magnitudes below 1e-5 or from 1e15 up (judged after rounding to 15 digits): "1.5E-6", "1E15",
// "-2.25E20" (mantissa without trailing zeros, "E", sign only when negative, no leading zeros).
// Zero of either sign gives "0"; non-finite values give "nan", "inf", "-inf".
std::string FormatGeneral(double value);

// value with exactly `digits` decimals, rounded to nearest (like "%.*f" in the C locale);
// digits = 0 prints no decimal point. Negative digits count as 0.
std::string FormatFixed(double value, int digits);

// Rounds value to `digits` decimals by `mode` and prints it with exactly that many decimals.
// The rule works on the decimal digits of value * 10^(digits+1) printed with 15 significant
// digits, so binary representation error is gone before a digit is inspected (1.005 to 2 decimals
// rounds half up to "1.01", 2.675 to "2.68"). Only the single digit at decimal place digits+1
// decides: truncate drops it, round half up adds one unit when it is 5 or more, round up adds one
// unit when it is not 0 (1.2301 -> "1.23", 7.3321 -> "7.34" to 2 decimals). A carry runs into the
// integer part (99.995 -> "100.00").
// digits is clamped to [kMinDigits, kMaxDigits].
// Beyond the range the system uses (value * 10^(digits+1) below 1e-5 or from 1e15 up) the same
// rule is applied to the full positional digits: tiny values give zero ("0.00"), huge values keep
// their 15 significant digits followed by zeros. A negative value is rounded by the same rules on
// its magnitude (truncate goes toward zero, round up away from it) and gets a leading "-" unless
// the result is zero. Non-finite values give FormatGeneral's text.
std::string FormatRounded(double value, int digits, RoundingMode mode);

struct BaseHeightText {
  std::string base;
  std::string height;
};

// Base and height texts of the base-times-height method from three side-length texts a, b, c.
// A blank text counts as 0; any other text must be a decimal number (NumberConversionError
// otherwise). The base is the longest side (ties to a, then b); the height is
// 2 * AreaFromSides / base when all three sides are above 0, else 0. Each is divided by
// `divisor` and printed by FormatRounded, or, when it is 0, as 0 with `digits` decimals.
BaseHeightText BaseHeightTexts(std::string_view a, std::string_view b, std::string_view c,
                               int digits, RoundingMode mode, double divisor);

// Decimals a triangle record keeps of a side length: the area table reads the record back as text.
inline constexpr int kRecordDecimals = 8;

// A length as it is printed, on a label and in the area table alike, so that the table's row
// holds what the drawing shows: the length kept to kRecordDecimals (as the table reads it back),
// divided by `divisor` (the scale) and rounded to `digits` by `mode` (FormatRounded).
std::string PrintedLength(double length, int digits, RoundingMode mode, double divisor);

// Base and height as printed, on the labels of "三斜" and in the area table alike: BaseHeightTexts
// of the three side lengths kept to kRecordDecimals. The base is the longest side (ties to a,
// then b); the height is twice the area from the sides over the base.
BaseHeightText PrintedBaseHeight(double a, double b, double c, int digits, RoundingMode mode,
                                 double divisor);

// Splits text at every ","; items are not trimmed and empty items stay:
// "1500,3000,,4500" -> 4 items, "a," -> {"a", ""}, "" -> {""}.
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace trivane
