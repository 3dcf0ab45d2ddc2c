// The settings file as the command line reads it: the encodings the program's own file comes in,
// and a file that cannot be read or decoded refused with its name and the reason.
#include "cli/settings_file.h"

#include <unistd.h>

#include "cli_fixture.h"

namespace trivane::cli::testing {
namespace {

// "[LT_Trivane]\r\nH_Layer=辺線\r\n" in each form a settings file comes in.
struct EncodingCase {
  std::string name;
  std::string bytes;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kText = "[LT_Trivane]\r\nH_Layer=辺線\r\n";

std::string Utf16(std::string_view ascii, std::u16string_view japanese, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto put = [&](char16_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  for (char c : ascii)
    put(static_cast<char16_t>(c));
  for (char16_t u : japanese)
    put(u);
  for (char c : std::string_view("\r\n"))
    put(static_cast<char16_t>(c));
  return out;
}

const EncodingCase kEncodings[] = {
    {"Utf16WithMark", Utf16("[LT_Trivane]\r\nH_Layer=", u"辺線", false)},
    {"Utf16BigEndianWithMark", Utf16("[LT_Trivane]\r\nH_Layer=", u"辺線", true)},
    {"Utf8WithMark", "\xEF\xBB\xBF" + kText},
    {"Utf8", kText},
    {"CodePage932", "[LT_Trivane]\r\nH_Layer=\x95\xd3\x90\xfc\r\n"},
};

class SettingsEncodings : public CliTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(SettingsEncodings, DecodeToTheSameText) {
  EXPECT_EQ(SettingsFileText(GetParam().bytes), kText);
}

// The whole road: the layer name from the file is the one the split draws on, in every encoding.
TEST_P(SettingsEncodings, RunDrawsOnTheFilesLayer) {
  const fs::path in =
      WriteDrawing("in.dxf", Outline({{0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}}));
  const fs::path settings = WriteText("trivane.ini", GetParam().bytes);
  const fs::path script = WriteText("s.txt", "click split\npoint 3000,5000\n");
  const CliResult r = Cli({"run", in.string(), script.string(), "--settings", settings.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ShapesOf<host::LineShape>(ReadBack(Dir() / "in.out.dxf"), "辺線").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsEncodings, ::testing::ValuesIn(kEncodings),
                         [](const ::testing::TestParamInfo<EncodingCase>& info) {
                           return info.param.name;
                         });

TEST(SettingsFileText, UndecodableBytesAreRefusedWithTheirLine) {
  struct Case {
    std::string name;
    std::string bytes;
    int line;
  };
  const Case cases[] = {
      {"not code page 932 (lead byte, no trail)", "[LT_Trivane]\r\nH_Layer=\x95\r\n", 2},
      {"byte code page 932 does not define", "[Form]\nTop=1\n\nX=\xFD\n", 4},
      {"broken UTF-8 after the mark", "\xEF\xBB\xBF[Form]\r\nTop=\xE8\xBE\r\n", 2},
      {"lone high surrogate",
       std::string("\xFF\xFE"
                   "a\0\n\0\x00\xD8"
                   "b\0",
                   10),
       2},
      {"lone low surrogate", std::string("\xFF\xFE\x00\xDC", 4), 1},
      {"odd byte count",
       std::string("\xFF\xFE"
                   "a\0b",
                   5),
       1},
  };
  for (const Case& c : cases) {
    try {
      SettingsFileText(c.bytes);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const SettingsDecodeError& e) {
      EXPECT_EQ(e.line(), c.line) << c.name << ": " << e.what();
    }
  }
}

TEST_F(CliTest, SettingsFileThatCannotBeReadOrDecodedExitsTwo) {
  const fs::path in = WriteDrawing("in.dxf", Outline({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}));
  const fs::path script = WriteText("s.txt", "click max\n");
  const fs::path folder = Dir() / "folder.ini";
  fs::create_directory(folder);
  const fs::path garbled = WriteText("garbled.ini", "[LT_Trivane]\nM_Layer=\x81\x20\n");
  const fs::path locked = WriteText("locked.ini", "[LT_Trivane]\nKyuuseki=1\n");
  fs::permissions(locked, fs::perms::none);
  struct Case {
    fs::path settings;
    std::string message;
  };
  std::vector<Case> cases = {
      {folder, "folder.ini: the settings file is a folder, not a file"},
      {garbled, "garbled.ini:2: bytes that are neither UTF-8 nor code page 932"},
  };
  // Permissions do not keep the superuser out.
  if (geteuid() != 0)
    cases.push_back({locked, "locked.ini: cannot read the settings file: Permission denied"});
  for (const Case& c : cases) {
    for (const char* verb : {"run", "table"}) {
      std::vector<std::string> args{verb, in.string()};
      if (std::string_view(verb) == "run")
        args.push_back(script.string());
      args.insert(args.end(), {"--settings", c.settings.string()});
      const CliResult r = Cli(args);
      EXPECT_EQ(r.status, 2) << verb << " " << c.message;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
  }
  EXPECT_FALSE(fs::exists(Dir() / "in.out.dxf"));
  fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace trivane::cli::testing
