#include "annotate/marker_dxf.h"

#include <gtest/gtest.h>

#include <string>

#include "annotate/ansi.h"
#include "writer_fixture.h"

namespace trivane::annotate {
namespace {

// The whole file for the right triangle (0,0), (4,0), (0,3) numbered 12, its marker at the
// incenter (1, 1), number height 400, rotated 0.1 rad.
TEST(MarkerDxf, WholeFileByteForByte) {
  MarkerDxfText text;
  text.layer = "H_TEXT";
  text.centre = {1.0, 1.0, 0.0};
  text.number = 12;
  text.height = 400.0;
  text.rotationDegrees = 0.1 * 180.0 / 3.141592653589793;
  text.record = RecordOf({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}});

  const std::string expected =
      "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  0\r\nENDSEC\r\n"
      "  0\r\nSECTION\r\n  2\r\nTABLES\r\n"
      "  0\r\nTABLE\r\n  2\r\nAPPID\r\n"
      "  0\r\nAPPID\r\n  2\r\nLT_TRIVANE\r\n 70\r\n0\r\n  0\r\nENDTAB\r\n"
      "  0\r\nENDSEC\r\n"
      "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
      "  0\r\nTEXT\r\n"
      "  8\r\nH_TEXT\r\n  6\r\nBYLAYER\r\n 62\r\n256\r\n 48\r\n1.0\r\n"
      " 10\r\n1\r\n 20\r\n1\r\n 11\r\n1\r\n 21\r\n1\r\n"
      "  1\r\n12\r\n 40\r\n400\r\n"
      " 41\r\n1.0\r\n"
      " 50\r\n5.72957795130823\r\n"
      " 72\r\n1\r\n 73\r\n2\r\n"
      "1001\r\nLT_TRIVANE\r\n"
      "1010\r\n4\r\n1020\r\n5\r\n1030\r\n3\r\n"
      "  0\r\nENDSEC\r\n"
      "  0\r\nEOF\r\n";
  EXPECT_EQ(BuildMarkerDxf(text), expected);
}

TEST(MarkerDxf, NumbersInTheGeneralFormat) {
  struct Case {
    double value;
    const char* line;
  } cases[] = {
      {-0.0, "0"},  // the rotation of a text at base 0 read anticlockwise
      {1234.5678912345678, "1234.56789123457"},
      {0.0000015, "1.5E-6"},
      {1e15, "1E15"},
      {-2.5, "-2.5"},
  };
  for (const Case& c : cases) {
    MarkerDxfText text;
    text.layer = "0";
    text.centre = {c.value, 0.0, 0.0};
    const std::string file = BuildMarkerDxf(text);
    EXPECT_NE(file.find(std::string(" 10\r\n") + c.line + "\r\n 20\r\n"), std::string::npos)
        << c.line;
  }
}

TEST(MarkerDxf, LayerBytesGoInVerbatim) {
  MarkerDxfText text;
  text.layer = ToAnsiCodePage("文字");
  EXPECT_NE(BuildMarkerDxf(text).find("  8\r\n\x95\xB6\x8E\x9A\r\n  6\r\n"), std::string::npos);
}

TEST(AnsiCodePage, JapaneseInCodePage932AsciiUnchanged) {
  EXPECT_EQ(ToAnsiCodePage("H_TEXT"), "H_TEXT");
  EXPECT_EQ(ToAnsiCodePage("文字_1"), "\x95\xB6\x8E\x9A_1");
  EXPECT_EQ(ToAnsiCodePage("ﾍﾛﾝ"), "\xCD\xDB\xDD");  // half-width katakana: one byte each
  // A character the code page lacks becomes "?" for each of its UTF-16 units (two beyond U+FFFF),
  // a stray byte one "?"; the rest survives.
  EXPECT_EQ(ToAnsiCodePage("a\xF0\x9F\x98\x80"
                           "b\xFF"
                           "c\xE2\x82\xAC"),
            "a??b?c?");
}

}  // namespace
}  // namespace trivane::annotate
