// Files written whole or not at all.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace trivane {

// A file that could not be written; the file is left as it was. The message names the file
// (UTF-8) and the system's reason: "cannot write C:/drawings/a.dxf: Access is denied.".
class FileReplaceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces the file's contents with `bytes` as one step: the bytes go to a new temporary file of
// a unique name in the same folder, which is flushed to the disk, closed and then renamed over
// the file (on Windows with MoveFileExW, replacing and writing through). Readers see the old
// contents or the new ones, never a part; an existing file keeps its permissions (POSIX), a new
// one gets the usual ones. On failure throws FileReplaceError; the file keeps its old contents
// (or stays absent) and the temporary file is removed.
void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes);

}  // namespace trivane
