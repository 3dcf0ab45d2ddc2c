// The number-marker file the system writes for some CADs: R12, CR LF, the system's ANSI code page,
// one TEXT carrying the triangle record as extended data. The host inserts such files, so the
// reader must take them as they are.
#include <gtest/gtest.h>

#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::dxf {
namespace {

// The marker of the triangle (0,0), (4,0), (0,3): incenter (1, 1), sides 4, 5, 3, number 7,
// rotation 0.1 rad, on the layer "三角形" in code page 932.
std::string MarkerFile(const std::string& layer = "\x8e\x4f\x8a\x70\x8c\x60") {
  return "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  0\r\nENDSEC\r\n"
         "  0\r\nSECTION\r\n  2\r\nTABLES\r\n"
         "  0\r\nTABLE\r\n  2\r\nAPPID\r\n"
         "  0\r\nAPPID\r\n  2\r\nLT_TRIVANE\r\n 70\r\n0\r\n  0\r\nENDTAB\r\n"
         "  0\r\nENDSEC\r\n"
         "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
         "  0\r\nTEXT\r\n"
         "  8\r\n" +
         layer +
         "\r\n  6\r\nBYLAYER\r\n 62\r\n256\r\n 48\r\n1.0\r\n"
         " 10\r\n1\r\n 20\r\n1\r\n 11\r\n1\r\n 21\r\n1\r\n"
         "  1\r\n7\r\n 40\r\n2.5\r\n 41\r\n1.0\r\n 50\r\n5.72957795130823\r\n"
         " 72\r\n1\r\n 73\r\n2\r\n"
         "1001\r\nLT_TRIVANE\r\n1010\r\n4\r\n1020\r\n5\r\n1030\r\n3\r\n"
         "  0\r\nENDSEC\r\n"
         "  0\r\nEOF\r\n";
}

TEST(MarkerFile, ReadsAsOneTextWithTheTriangleRecord) {
  const std::string bytes = MarkerFile();
  const Document doc = Read(bytes, "TRIVANE_1.dxf", ReadOptions{"ANSI_932"});
  ASSERT_EQ(doc.Entities().size(), 1u);
  const Entity& text = doc.Entities()[0];
  const auto data = AsText(text);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->text, "7");
  EXPECT_EQ(data->insertion, (TAcadPoint{1, 1, 0}));
  EXPECT_EQ(data->alignmentPoint, (TAcadPoint{1, 1, 0}));
  EXPECT_EQ(data->height, 2.5);
  EXPECT_EQ(data->rotationDegrees, 5.72957795130823);
  EXPECT_EQ(data->alignment, kAlignMiddleCenter);
  EXPECT_EQ(LayerOf(text), "三角形");
  ASSERT_EQ(text.xdata.size(), 1u);
  EXPECT_EQ(text.xdata[0], (XData{"LT_TRIVANE", {{1010, "4"}, {1020, "5"}, {1030, "3"}}}));
  EXPECT_NE(doc.FindTableRecord("APPID", "LT_TRIVANE"), nullptr);
  EXPECT_EQ(doc.AcadVersion(), "AC1009");
  EXPECT_EQ(Write(doc), bytes);
}

TEST(MarkerFile, AnotherCodePageLosesNothingEither) {
  // Read with the default code page the layer name is mojibake, but the bytes come back.
  const std::string bytes = MarkerFile();
  EXPECT_EQ(Write(Read(bytes)), bytes);
}

TEST(MarkerFile, EzdxfReadsIt) {
  testing::ScratchDir dir;
  const std::string path = dir.File("TRIVANE_1.dxf");
  // ezdxf cannot know the file's code page (the file does not name it): an ASCII layer here.
  testing::WriteBytes(path, MarkerFile("MARKERS"));
  const auto result = testing::RunScript("audit.py", testing::Quote(path));
  EXPECT_EQ(result.exitCode, 0) << result.output;
}

}  // namespace
}  // namespace trivane::dxf
