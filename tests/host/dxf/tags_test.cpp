#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "host/dxf/encoding.h"
#include "host/dxf/number_format.h"
#include "host/dxf/tags.h"

namespace trivane::dxf {
namespace {

struct FormatCase {
  double value;
  const char* text;
};

TEST(FormatGeneral, ShortestFormWithFifteenDigits) {
  const FormatCase cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {4.0, "4"},
      {0.1 + 0.2, "0.3"},  // 0.30000000000000004 rounds at 15 digits
      {5.729577951308232, "5.72957795130823"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e15, "1.5E15"},
      {0.00001, "0.00001"},
      {0.0000123, "0.0000123"},
      {0.0000015, "1.5E-6"},
      {-0.0000015, "-1.5E-6"},
      {9.9999999999999999e-6, "0.00001"},  // rounds up to 1e-5: fixed form
      {1234.5, "1234.5"},
      {100.0, "100"},
      {1e-300, "1E-300"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(detail::FormatGeneral(c.value), c.text) << c.value;
  }
}

TEST(FormatGeneral, RefusesWhatAFileCannotHold) {
  EXPECT_THROW(detail::FormatGeneral(std::numeric_limits<double>::quiet_NaN()), Error);
  EXPECT_THROW(detail::FormatGeneral(std::numeric_limits<double>::infinity()), Error);
}

TEST(ParseNumbers, ToleratePaddingAndPlusButNothingElse) {
  EXPECT_EQ(ParseInt("     0"), 0);
  EXPECT_EQ(ParseInt(" 70 "), 70);
  EXPECT_EQ(ParseInt("+5"), 5);
  EXPECT_EQ(ParseInt("-3"), -3);
  EXPECT_FALSE(ParseInt("1.0"));
  EXPECT_FALSE(ParseInt(""));
  EXPECT_FALSE(ParseInt("7x"));
  EXPECT_EQ(ParseDouble("1.5E-6"), 1.5e-6);
  EXPECT_EQ(ParseDouble(" -.5 "), -0.5);
  EXPECT_EQ(ParseDouble("+2"), 2.0);
  EXPECT_FALSE(ParseDouble("1,5"));
  EXPECT_FALSE(ParseDouble("nan"));
  EXPECT_FALSE(ParseDouble("1.#QNAN"));
  EXPECT_FALSE(ParseDouble("12abc"));
}

TEST(ParseNumbers, IgnoreTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  // glibc's names, then the Windows C runtime's.
  bool comma = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "German_Germany.1252"})
    comma = comma || std::setlocale(LC_NUMERIC, name) != nullptr;
  if (!comma)
    GTEST_SKIP() << "no locale with a decimal comma installed";
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  EXPECT_EQ(ParseDouble("2.5"), 2.5);
  EXPECT_EQ(detail::FormatGeneral(2.5), "2.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(GroupCodes, KindsFollowTheReferenceRanges) {
  EXPECT_EQ(KindOfCode(0), ValueKind::String);
  EXPECT_EQ(KindOfCode(1), ValueKind::String);
  EXPECT_EQ(KindOfCode(5), ValueKind::Handle);
  EXPECT_EQ(KindOfCode(10), ValueKind::Double);
  EXPECT_EQ(KindOfCode(50), ValueKind::Double);
  EXPECT_EQ(KindOfCode(62), ValueKind::Integer);
  EXPECT_EQ(KindOfCode(90), ValueKind::Integer);
  EXPECT_EQ(KindOfCode(100), ValueKind::String);
  EXPECT_EQ(KindOfCode(210), ValueKind::Double);
  EXPECT_EQ(KindOfCode(280), ValueKind::Integer);
  EXPECT_EQ(KindOfCode(310), ValueKind::Binary);
  EXPECT_EQ(KindOfCode(330), ValueKind::Handle);
  EXPECT_EQ(KindOfCode(370), ValueKind::Integer);
  EXPECT_EQ(KindOfCode(1000), ValueKind::String);
  EXPECT_EQ(KindOfCode(1005), ValueKind::Handle);
  EXPECT_EQ(KindOfCode(1010), ValueKind::Double);
  EXPECT_EQ(KindOfCode(1070), ValueKind::Integer);
  EXPECT_EQ(KindOfCode(1071), ValueKind::Integer);
  EXPECT_TRUE(IsValidCode(1071));
  EXPECT_FALSE(IsValidCode(1072));
  EXPECT_FALSE(IsValidCode(-1));
  EXPECT_EQ(IntTag(70, 3), (Tag{70, "3"}));
  EXPECT_EQ(DoubleTag(40, 2.0), (Tag{40, "2"}));
}

struct CodecCase {
  const char* codePage;
  std::string bytes;  // as in the file
  std::string utf8;   // inside the library
};

TEST(Codec, DecodesAndEncodesEachCodePage) {
  const CodecCase cases[] = {
      {"ANSI_932", "\x8e\x4f\x8a\x70\x8c\x60", "三角形"},
      // Second byte 0x5C ("ソ") is a character, not a backslash starting an escape.
      {"ANSI_932", "\x83\x5c\x83\x74\x83\x67\\U+20AC", "ソフト€"},
      {"ANSI_1252", "caf\xe9 \x80", "café €"},
      {"ANSI_1252", "\\U+4E09\\U+89D2", "三角"},
      {"ANSI_936", "\xc3\xe6\xbb\xfd", "面积"},
      {"ANSI_949", "\xb8\xe9\xc0\xfb", "면적"},
      {"ANSI_950", "\xad\xb1\xbf\x6e", "面積"},
      {"ANSI_1251", "\xcf\xeb\xee\xf9\xe0\xe4\xfc", "Площадь"},
      {"ANSI_1250", "\x9ai\x9a", "šiš"},
      {"UTF-8", "三角形 \\U+0041", "三角形 \\U+0041"},  // UTF-8 files carry characters as such
      // Outside the Basic Multilingual Plane: a surrogate pair of escapes.
      {"ANSI_932", "\\U+D840\\U+DC0B", "\xF0\xA0\x80\x8B"},
  };
  for (const CodecCase& c : cases) {
    Codec codec(c.codePage);
    EXPECT_FALSE(codec.usedFallback()) << c.codePage;
    EXPECT_EQ(codec.Decode(c.bytes), c.utf8) << c.codePage;
    EXPECT_EQ(codec.Encode(c.utf8), c.bytes) << c.codePage;
  }
}

TEST(Codec, ReadsLowerCaseEscapesAndLeavesEscapedBackslashesAlone) {
  Codec codec("ANSI_1252");
  EXPECT_EQ(codec.Decode("\\U+20ac"), "€");
  EXPECT_EQ(codec.Decode("a\\\\U+0041"), "a\\\\U+0041");  // "\\" then literal U+0041
  EXPECT_EQ(codec.Decode("\\U+00"), "\\U+00");            // too short: text
  EXPECT_EQ(codec.Decode("\\U+DC80"), "\\U+DC80");        // a lone surrogate stays text
}

TEST(Codec, BytesTheCodePageLacksSurviveARoundTrip) {
  Codec codec("ANSI_1252");
  const std::string bytes = "a\x81z";  // 0x81 is not a character of code page 1252
  const std::string inside = codec.Decode(bytes);
  EXPECT_NE(inside, bytes);
  EXPECT_EQ(codec.Encode(inside), bytes);

  Codec sjis("ANSI_932");
  const std::string cut = "\x8e\x4f\x8e";  // a lead byte with nothing after it
  EXPECT_EQ(sjis.Encode(sjis.Decode(cut)), cut);
}

TEST(Codec, UnknownCodePageFallsBackWithoutLoss) {
  Codec codec("ANSI_99999");
  EXPECT_TRUE(codec.usedFallback());
  const std::string bytes = "\x8e\x4f\xff";
  EXPECT_EQ(codec.Encode(codec.Decode(bytes)), bytes);
}

TEST(Codec, CodePageNamesMapToIconv) {
  EXPECT_EQ(IconvNameOfCodePage("ANSI_932"), "CP932");
  EXPECT_EQ(IconvNameOfCodePage("ansi_1252"), "CP1252");
  EXPECT_EQ(IconvNameOfCodePage("DOS850"), "CP850");
  EXPECT_EQ(IconvNameOfCodePage("UTF-8"), "");
  for (int cp = 1250; cp <= 1258; ++cp) {
    EXPECT_FALSE(Codec("ANSI_" + std::to_string(cp)).usedFallback()) << cp;
  }
}

}  // namespace
}  // namespace trivane::dxf
