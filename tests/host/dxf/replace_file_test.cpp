// Files replaced as one step (WriteBytesReplacing, under WriteFile and the pictures), on Linux and
// on Windows alike: the target changes only when the new bytes are complete, nothing temporary is
// left behind, and names are UTF-8 on both.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/dxf/io.h"
#include "host/dxf/tags.h"
#include "tests/test_folder.h"

namespace trivane::dxf {
namespace {

std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using Folder = trivane::testing::TestFolder;

TEST(WriteBytesReplacing, ReplacesTheTargetWithTheWholeContent) {
  Folder folder;
  const std::filesystem::path target = folder.path() / Utf8Path("求積図 1.dxf");
  std::ofstream(target, std::ios::binary) << "old content, longer than the new one";
  WriteBytesReplacing(Utf8Of(target), std::string("new\r\n\0bytes", 12));
  EXPECT_EQ(ReadBytes(target), std::string("new\r\n\0bytes", 12));
  EXPECT_EQ(folder.Entries(), 1u) << "a temporary file was left behind";
  // A new file, and an empty one.
  const std::filesystem::path fresh = folder.path() / "fresh.dxf";
  WriteBytesReplacing(Utf8Of(fresh), "");
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_EQ(ReadBytes(fresh), "");
}

TEST(WriteBytesReplacing, FailureLeavesTheTargetAndNoTemporary) {
  Folder folder;
  // The target is a folder: replacing it fails after the bytes were written.
  const std::filesystem::path target = folder.path() / "folder.dxf";
  std::filesystem::create_directory(target);
  std::ofstream(target / "inside", std::ios::binary) << "x";
  EXPECT_THROW(WriteBytesReplacing(Utf8Of(target), "bytes"), WriteError);
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(ReadBytes(target / "inside"), "x");
  EXPECT_EQ(folder.Entries(), 1u) << "a temporary file was left behind";
  // A folder that does not exist: the error names the file.
  const std::filesystem::path missing = folder.path() / "missing" / "drawing.dxf";
  try {
    WriteBytesReplacing(Utf8Of(missing), "bytes");
    FAIL() << "wrote into a missing folder";
  } catch (const WriteError& e) {
    EXPECT_NE(std::string(e.what()).find("drawing.dxf"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace trivane::dxf
