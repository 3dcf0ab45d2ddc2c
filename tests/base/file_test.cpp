// Files replaced as one step: the target changes only when the new bytes are complete, and
// nothing temporary is left behind, whether the write succeeds or fails.
#include "base/file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/test_folder.h"

namespace trivane {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

using Folder = testing::TestFolder;

TEST(WriteFileReplacing, ReplacesAWholeFileAndLeavesNoTemporary) {
  Folder folder;
  const std::filesystem::path path = folder.path() / "TRIVANE_1.dxf";
  WriteFileReplacing(path, std::string("first version, longer than the second\r\n"));
  WriteFileReplacing(path, std::string("second\r\n\0x", 10));
  EXPECT_EQ(ReadBytes(path), std::string("second\r\n\0x", 10));
  EXPECT_EQ(folder.Entries(), 1u) << "a temporary file was left behind";
}

TEST(WriteFileReplacing, AFolderThatIsNotThereIsAnErrorNamingThePath) {
  Folder folder;
  const std::filesystem::path path = folder.path() / "missing" / "TRIVANE_1.dxf";
  try {
    WriteFileReplacing(path, "x");
    ADD_FAILURE() << "expected an error";
  } catch (const FileReplaceError& e) {
    EXPECT_NE(std::string(e.what()).find("TRIVANE_1.dxf"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WriteFileReplacing, FailureAfterWritingLeavesTheTargetAndNoTemporary) {
  Folder folder;
  // The target is a folder: the bytes are written, the rename fails.
  const std::filesystem::path target = folder.path() / "settings.ini";
  std::filesystem::create_directory(target);
  std::ofstream(target / "inside", std::ios::binary) << "x";
  EXPECT_THROW(WriteFileReplacing(target, "bytes"), FileReplaceError);
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(ReadBytes(target / "inside"), "x");
  EXPECT_EQ(folder.Entries(), 1u) << "a temporary file was left behind";
}

// The settings file was once written through "<name>.tmp", which replaced and then removed any
// file of that name standing beside it.
TEST(WriteFileReplacing, AFileNamedLikeAFixedTemporaryIsLeftAlone) {
  Folder folder;
  const std::filesystem::path target = folder.path() / "trivane.ini";
  std::filesystem::path neighbour = target;
  neighbour += ".tmp";
  std::ofstream(neighbour, std::ios::binary) << "the user's own file";
  WriteFileReplacing(target, "[Trivane]\r\n");
  EXPECT_EQ(ReadBytes(target), "[Trivane]\r\n");
  EXPECT_EQ(ReadBytes(neighbour), "the user's own file");
  EXPECT_EQ(folder.Entries(), 2u);
}

#ifndef _WIN32
TEST(WriteFileReplacing, AReplacedFileKeepsItsPermissions) {
  Folder folder;
  const std::filesystem::path target = folder.path() / "list.txt";
  std::ofstream(target, std::ios::binary) << "old";
  const auto mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                    std::filesystem::perms::group_read;
  std::filesystem::permissions(target, mode);
  WriteFileReplacing(target, "new");
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(std::filesystem::status(target).permissions(), mode);
}
#endif

}  // namespace
}  // namespace trivane
