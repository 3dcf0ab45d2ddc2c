#include "base/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace trivane {
namespace {

TEST(ParseDecimal, WholeTextMustBeOneNumber) {
  struct Case {
    const char* text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"300", 300.0},        {"8.0", 8.0},          {" \t8.5 ", 8.5},
      {"2.5\r", 2.5},  // a DXF line of a file with CR CR LF line ends
      {"\r\n7\f\v", 7.0},    {"-1.5", -1.5},        {"+2", 2.0},
      {".5", 0.5},           {"1e3", 1000.0},       {"", std::nullopt},
      {"   ", std::nullopt}, {"1,5", std::nullopt}, {"1.5x", std::nullopt},
      {"1 5", std::nullopt}, {"abc", std::nullopt}, {"0x10", std::nullopt},
      {"inf", std::nullopt}, {"nan", std::nullopt}, {"1e400", std::nullopt},
      {"+-1", std::nullopt}, {"+", std::nullopt},   {"--1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDecimal(c.text), c.expected);
  }
}

TEST(ParseInteger, WholeTextMustBeOneInteger) {
  struct Case {
    const char* text;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {"300", 300},
      {" -7 ", -7},
      {"+12", 12},
      {"8.0", std::nullopt},
      {"", std::nullopt},
      {"1e3", std::nullopt},
      {"99999999999", std::nullopt},
      {"12a", std::nullopt},
      {"+-1", std::nullopt},
      {"- 1", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInteger(c.text), c.expected);
  }
}

TEST(ToDecimal, NonNumberThrowsNumberConversionError) {
  EXPECT_EQ(ToDecimal(" 2.5"), 2.5);
  EXPECT_EQ(ToInteger("40"), 40);
  EXPECT_THROW(ToDecimal("2,5"), NumberConversionError);
  EXPECT_THROW(ToDecimal(""), NumberConversionError);
  EXPECT_THROW(ToInteger("4.0"), NumberConversionError);
}

TEST(ParseInteger64, TheWholeRangeOfSixtyFourBits) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> expected;
  };
  const Case cases[] = {
      {"24", 24},
      {" +25\r", 25},
      {"2147483648", std::int64_t{2147483648}},  // beyond a 32-bit long
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"24.0", std::nullopt},
      {"+-24", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInteger64(c.text), c.expected);
  }
}

TEST(TrimBlanks, OnlySpacesAndTabsGo) {
  EXPECT_EQ(TrimBlanks(" \t a b\t "), "a b");
  EXPECT_EQ(TrimBlanks("\r\nx\r"), "\r\nx\r");
  EXPECT_EQ(TrimBlanks(" \t "), "");
}

}  // namespace
}  // namespace trivane
