#include "base/file.h"

#ifdef _WIN32
#include "base/win/handles.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <string>

namespace trivane {
namespace {

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

#ifdef _WIN32

namespace {

std::string LastErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n > 0 && text ? std::wstring(text, n) : std::wstring();
  if (text)
    LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
    wide.pop_back();
  const std::string out = Utf8Of(std::filesystem::path(wide));
  return out.empty() ? "error " + std::to_string(code) : out;
}

}  // namespace

void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  const std::string name = Utf8Of(path);
  std::filesystem::path folder = path.parent_path();
  if (folder.empty())
    folder = L".";
  wchar_t temp[MAX_PATH + 1] = {};
  // A new, empty file of a unique name in the target's folder.
  if (GetTempFileNameW(folder.c_str(), L"tmp", 0, temp) == 0) {
    throw FileReplaceError("cannot create a temporary file beside " + name + ": " +
                           LastErrorText(GetLastError()));
  }
  win::UniqueFile file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  const auto fail = [&](const std::string& what) {
    const DWORD code = GetLastError();
    file.reset();
    DeleteFileW(temp);
    throw FileReplaceError(what + " " + name + ": " + LastErrorText(code));
  };
  if (!file)
    fail("cannot write");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
    DWORD n = 0;
    if (!::WriteFile(file.get(), bytes.data() + written, chunk, &n, nullptr))
      fail("cannot write");
    written += n;
  }
  if (!FlushFileBuffers(file.get()))
    fail("cannot flush");
  if (!file.Close())
    fail("cannot close");
  if (!MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    fail("cannot replace");
}

#else

namespace {

std::string ErrnoText() {
  return std::strerror(errno);
}

}  // namespace

void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  const std::string name = Utf8Of(path);
  std::string temp = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0)
    throw FileReplaceError("cannot create a temporary file beside " + name + ": " + ErrnoText());
  const auto fail = [&](const std::string& what) {
    const std::string reason = ErrnoText();
    ::close(fd);
    ::unlink(temp.c_str());
    throw FileReplaceError(what + " " + name + ": " + reason);
  };
  // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  mode_t mode = 0;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0)
    fail("cannot set the permissions of");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      fail("cannot write");
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0)
    fail("cannot flush");
  if (::close(fd) != 0) {
    const std::string reason = ErrnoText();
    ::unlink(temp.c_str());
    throw FileReplaceError("cannot close " + name + ": " + reason);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = ErrnoText();
    ::unlink(temp.c_str());
    throw FileReplaceError("cannot replace " + name + ": " + reason);
  }
}

#endif

}  // namespace trivane
