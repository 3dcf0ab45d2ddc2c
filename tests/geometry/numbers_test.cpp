#include "geometry/numbers.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace trivane {
namespace {

// Expected texts for modes truncate, round half up, round up.
struct RoundingCase {
  double value;
  int digits;
  std::array<const char*, 3> expected;
};

TEST(FormatRounded, DecidesByTheOneDigitAfterTheLastKeptDecimal) {
  const RoundingCase cases[] = {
      {0, 2, {"0.00", "0.00", "0.00"}},
      {8, 2, {"8.00", "8.00", "8.00"}},
      {0.005, 2, {"0.00", "0.01", "0.01"}},
      {2.345, 2, {"2.34", "2.35", "2.35"}},
      {2.344, 2, {"2.34", "2.34", "2.35"}},
      {12.5, 0, {"12", "13", "13"}},
      {0.5, 0, {"0", "1", "1"}},
      {99.995, 2, {"99.99", "100.00", "100.00"}},
      {123.456789, 4, {"123.4567", "123.4568", "123.4568"}},
      // 15 significant digits remove the binary error before the digit is looked at.
      {1.005, 2, {"1.00", "1.01", "1.01"}},
      {2.675, 2, {"2.67", "2.68", "2.68"}},
      // Round up looks at one digit only.
      {1.2301, 2, {"1.23", "1.23", "1.23"}},
      {7.3321, 2, {"7.33", "7.33", "7.34"}},
      {0.1 + 0.2, 1, {"0.3", "0.3", "0.3"}},
      {1234567.891, 6, {"1234567.891000", "1234567.891000", "1234567.891000"}},
      {9.99999, 4, {"9.9999", "10.0000", "10.0000"}},
  };
  for (const RoundingCase& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      SCOPED_TRACE(testing::Message() << c.value << " digits " << c.digits << " mode " << mode);
      EXPECT_EQ(FormatRounded(c.value, c.digits, static_cast<RoundingMode>(mode)),
                c.expected[mode]);
    }
  }
}

TEST(FormatRounded, UnknownModesTruncate) {
  for (const int value : {3, -1, 99}) {
    const auto mode = static_cast<RoundingMode>(value);
    EXPECT_EQ(FormatRounded(2.345, 2, mode), "2.34");
    EXPECT_EQ(FormatRounded(12.9, 0, mode), "12");
  }
}

TEST(FormatRounded, DigitsOutsideZeroToSixAreClamped) {
  EXPECT_EQ(FormatRounded(1.23456789, 9, RoundingMode::kRoundHalfUp), "1.234568");
  EXPECT_EQ(FormatRounded(12.5, -2, RoundingMode::kRoundHalfUp), "13");
}

// Values the system never passes: the same rules on the magnitude, sign in front unless zero.
TEST(FormatRounded, NegativeValuesRoundTheMagnitude) {
  const RoundingCase cases[] = {
      {-2.345, 2, {"-2.34", "-2.35", "-2.35"}},
      {-0.001, 2, {"0.00", "0.00", "-0.01"}},
      {-0.0, 2, {"0.00", "0.00", "0.00"}},
  };
  for (const RoundingCase& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      SCOPED_TRACE(testing::Message() << c.value << " mode " << mode);
      EXPECT_EQ(FormatRounded(c.value, c.digits, static_cast<RoundingMode>(mode)),
                c.expected[mode]);
    }
  }
}

TEST(FormatRounded, OutsideTheFifteenDigitRange) {
  const RoundingCase cases[] = {
      // value * 10^(digits+1) below 1e-5: the inspected digit is 0.
      {1e-9, 2, {"0.00", "0.00", "0.00"}},
      // value * 10^(digits+1) from 1e15 up: 15 significant digits, then zeros.
      {1e20,
       2,
       {"100000000000000000000.00", "100000000000000000000.00", "100000000000000000000.00"}},
      {123456789012345.67, 1, {"123456789012346.0", "123456789012346.0", "123456789012346.0"}},
  };
  for (const RoundingCase& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      SCOPED_TRACE(testing::Message() << c.value << " mode " << mode);
      EXPECT_EQ(FormatRounded(c.value, c.digits, static_cast<RoundingMode>(mode)),
                c.expected[mode]);
    }
  }
}

TEST(FormatGeneral, ShortestFifteenDigitText) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {1004.9999999999999, "1005"},
      {1230.1, "1230.1"},
      {5, "5"},
      {0, "0"},
      {-0.0, "0"},
      {-2.5, "-2.5"},
      {0.1 + 0.2, "0.3"},
      {5.729577951308232, "5.72957795130823"},
      {0.00001, "0.00001"},
      {0.0000123, "0.0000123"},
      {1.5e-6, "1.5E-6"},
      {-1.5e-6, "-1.5E-6"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1.25e20, "1.25E20"},
      {123456789012345678.0, "1.23456789012346E17"},
      // Rounding to 15 digits reaches 1e15: exponent notation.
      {999999999999999.9, "1E15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatGeneral(c.value), c.expected);
  }
}

TEST(FormatFixed, ExactDecimalsWithoutLocale) {
  EXPECT_EQ(FormatFixed(2.4, 2), "2.40");
  EXPECT_EQ(FormatFixed(7, 0), "7");
  EXPECT_EQ(FormatFixed(0.125, 6), "0.125000");
}

TEST(BaseHeightTexts, LongestSideAndHeightFromHeron) {
  struct Case {
    const char* name;
    const char *a, *b, *c;
    int digits;
    RoundingMode mode;
    double divisor;
    const char *base, *height;
  };
  const Case cases[] = {
      {"3-4-5", "3", "4", "5", 2, RoundingMode::kRoundHalfUp, 1, "5.00", "2.40"},
      {"3-4-5 scaled by 10", "30", "40", "50", 2, RoundingMode::kRoundHalfUp, 10, "5.00", "2.40"},
      {"one blank side", "3", " ", "5", 2, RoundingMode::kRoundHalfUp, 1, "5.00", "0.00"},
      {"two empty sides", "", "4", "", 2, RoundingMode::kRoundHalfUp, 1, "4.00", "0.00"},
      {"all blank", "", "", "", 3, RoundingMode::kRoundUp, 1, "0.000", "0.000"},
      {"equilateral", "2", "2", "2", 2, RoundingMode::kTruncate, 1, "2.00", "1.73"},
      {"round up", "2", "2", "2", 2, RoundingMode::kRoundUp, 1, "2.00", "1.74"},
      {"impossible sides", "1", "1", "5", 1, RoundingMode::kRoundHalfUp, 1, "5.0", "0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BaseHeightText r = BaseHeightTexts(c.a, c.b, c.c, c.digits, c.mode, c.divisor);
    EXPECT_EQ(r.base, c.base);
    EXPECT_EQ(r.height, c.height);
  }
}

TEST(BaseHeightTexts, NonNumberSideThrows) {
  EXPECT_THROW(BaseHeightTexts("3", "x", "5", 2, RoundingMode::kRoundHalfUp, 1),
               NumberConversionError);
  EXPECT_THROW(BaseHeightTexts("3", "4", "5,0", 2, RoundingMode::kRoundHalfUp, 1),
               NumberConversionError);
}

TEST(SplitCommaList, KeepsEmptyItemsAndBlanks) {
  struct Case {
    const char* text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"1500,3000,3000,3000,4500", {"1500", "3000", "3000", "3000", "4500"}},
      {"1500,3000,,4500", {"1500", "3000", "", "4500"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {"", {""}},
      {" 1 , 2", {" 1 ", " 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitCommaList(c.text), c.expected);
  }
}

TEST(TrimBlanks, SpacesAndTabsOnlyAtEitherEnd) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {" \tH_TEXT\t ", "H_TEXT"}, {"a b", "a b"},         {" \t ", ""}, {"", ""},
      {"\r\n x \r", "\r\n x \r"}, {"\u3000x", "\u3000x"},  // line ends and full-width spaces stay
  };
  for (const auto& [text, trimmed] : cases)
    EXPECT_EQ(TrimBlanks(text), trimmed) << text;
}

}  // namespace
}  // namespace trivane
