// The target-CAD list file at the Windows boundary: the system code page on disk, UTF-8 in the
// list, and UTF-8 with a byte-order mark for what the code page cannot hold.
#include <gtest/gtest.h>

#include <string>

#include "app/support.h"
#include "app/target_cad_form.h"
#include "app/win32/list_file_encoding.h"
#include "cad/link.h"
#include "tests/app/app_fixture.h"

namespace trivane::app::win32 {
namespace {

using testing::ReadBytes;
using testing::RecordingPlatform;
using testing::TestFolder;
using testing::WriteBytes;

constexpr UINT kShiftJis = 932;
constexpr UINT kWestern = 1252;

TEST(ListFileEncodingTest, CodePageBytesAndUtf8) {
  const struct {
    const char* name;
    UINT codePage;
    std::string utf8;
    std::string bytes;
  } cases[] = {
      {"ascii", kWestern, "ZWCAD\tZWCAD.Application\r\n", "ZWCAD\tZWCAD.Application\r\n"},
      {"shift-jis", kShiftJis, "図研\tP.A\r\n", "\x90\x7D\x8C\xA4\tP.A\r\n"},
      {"half-width kana", kShiftJis, "ﾍﾛﾝ\r\n", "\xCD\xDB\xDD\r\n"},
      {"western", kWestern, "Größe\r\n", "Gr\xF6\xDF\x65\r\n"},
      // No form in the code page: the file is UTF-8 with its mark, nothing becomes "?".
      {"japanese in 1252", kWestern, "図研\r\n", "\xEF\xBB\xBF\xE5\x9B\xB3\xE7\xA0\x94\r\n"},
      {"emoji in 932", kShiftJis, "\U0001F600\r\n", "\xEF\xBB\xBF\xF0\x9F\x98\x80\r\n"},
      {"empty", kShiftJis, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ListFileBytes(c.utf8, c.codePage), c.bytes);
    // What the list reader sees: the same text (a mark is skipped by the reader itself).
    EXPECT_EQ(ParseTargetCadList(ListFileText(c.bytes, c.codePage)), ParseTargetCadList(c.utf8));
  }
}

// The dialog reads and writes its list through the encoding the Windows program gives it.
TEST(ListFileEncodingTest, TheDialogKeepsItsListInTheCodePage) {
  TestFolder folder;
  RecordingPlatform platform;
  cad::CadLink link(platform);
  link.ProgId = "ZWCAD.Application";
  const std::filesystem::path list = folder / "TargetCAD_APIVersion.txt";
  WriteBytes(list, "\x90\x7D\x8C\xA4\tZWCAD.Application\r\n");  // 図研 in Shift-JIS
  TTargetCADForm dialog(link, list, nullptr);
  dialog.SetListFileEncoding(SystemCodePageListEncoding(kShiftJis));

  dialog.Show();
  ASSERT_EQ(dialog.Items().size(), 1u);
  EXPECT_EQ(dialog.Edit1Text(), "図研");
  dialog.SetEdit1Text("ﾍﾛﾝ CAD");
  dialog.SetEdit2Text("Heron.Application");
  dialog.SpeedButton1Click();
  EXPECT_EQ(ReadBytes(list),
            "\x90\x7D\x8C\xA4\tZWCAD.Application\r\n"
            "\xCD\xDB\xDD CAD\tHeron.Application\r\n");
  EXPECT_TRUE(platform.boxes.empty());
}

}  // namespace
}  // namespace trivane::app::win32
