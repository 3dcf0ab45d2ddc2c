#include "cad/names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trivane::cad {
namespace {

TEST(NamesTest, OnlyAsciiLettersFold) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"h_text", "H_TEXT", true},    {"Trivane_1", "TRIVANE_1", true},
      {"ｈ_text", "Ｈ_TEXT", false},                     // full-width h and H: different characters
      {"Ｈ_TEXT", "Ｈ_TEXT", true},  {"ä", "Ä", false},  // Latin-1 letters do not fold either
      {"H_TEXT", "H_TEXT ", false},  {"", "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NamesEqual(c.a, c.b), c.equal) << c.a << " vs " << c.b;
    EXPECT_EQ(FoldAsciiUpper(c.a) == FoldAsciiUpper(c.b), c.equal) << c.a << " vs " << c.b;
  }
  EXPECT_EQ(FoldAsciiUpper("ssTemp_ｘ9"), "SSTEMP_ｘ9");
  EXPECT_TRUE(StartsWithFolded("trivane_9", "TRIVANE_"));
  EXPECT_FALSE(StartsWithFolded("TRIVANE", "TRIVANE_"));
}

TEST(NamesTest, NumberAfterThePrefix) {
  struct Case {
    const char* text;
    const char* number;  // nullptr: not an integer
  } cases[] = {
      {"9", "9"},
      {"0010", "10"},
      {"0", "0"},
      {"+7", "7"},
      {"-5", "0"},
      {"-0", "0"},
      {"", nullptr},
      {"X", nullptr},
      {"1.5", nullptr},
      {" 5", nullptr},
      {"5 ", nullptr},
      {"+", nullptr},
      {"１２", nullptr},  // full-width digits are not digits here
      {"123456789012345678901234567890", "123456789012345678901234567890"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> n = NameNumber(c.text);
    if (c.number)
      EXPECT_EQ(n, std::optional<std::string>(c.number)) << '"' << c.text << '"';
    else
      EXPECT_EQ(n, std::nullopt) << '"' << c.text << '"';
  }
}

TEST(NamesTest, NextNumberedNameTakesOneMoreThanTheLargest) {
  struct Case {
    std::vector<std::string> names;
    const char* prefix;
    const char* next;
  } cases[] = {
      {{"TRIVANE_2", "trivane_9", "TRIVANE_X"}, "TRIVANE_", "TRIVANE_10"},
      {{}, "TRIVANE_", "TRIVANE_1"},
      {{"*Model_Space", "*Paper_Space", "OTHER_5"}, "TRIVANE_", "TRIVANE_1"},
      {{"SSTEMP_1", "SSTEMP_4"}, "SSTEMP_", "SSTEMP_5"},
      {{"ssTemp_7", "MySet"}, "SSTEMP_", "SSTEMP_8"},
      {{"TRIVANE_3"}, "Trivane_", "Trivane_4"},  // the prefix is used as given
      {{"TRIVANE_007"}, "TRIVANE_", "TRIVANE_8"},
      {{"TRIVANE_-5", "TRIVANE_ 5"}, "TRIVANE_", "TRIVANE_1"},
      {{"XTRIVANE_5"}, "TRIVANE_", "TRIVANE_1"},
      {{"TRIVANE_"}, "TRIVANE_", "TRIVANE_1"},
      {{"TRIVANE_9223372036854775807"}, "TRIVANE_", "TRIVANE_9223372036854775808"},
      {{"TRIVANE_99999999999999999999"}, "TRIVANE_", "TRIVANE_100000000000000000000"},
  };
  for (const Case& c : cases) {
    const std::string next = NextNumberedName(c.names, c.prefix);
    EXPECT_EQ(next, c.next);
    for (const std::string& name : c.names)
      EXPECT_FALSE(NamesEqual(name, next)) << next << " is taken";
  }
}

}  // namespace
}  // namespace trivane::cad
