#include "app/support.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "base/file.h"

namespace trivane::app {

std::string MainWindowCaption(std::string_view cadName) {
  std::string caption(kApplicationTitle);
  caption += " [ ";
  caption += cadName;
  caption += " ]";
  return caption;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

std::string SingleLineText(std::string_view text) {
  return std::string(text.substr(0, text.find_first_of("\r\n")));
}

void ShowDefaultErrorBox(cad::Platform& platform, std::string_view text) {
  std::string message(text);
  message += '.';
  if (auto* shower = dynamic_cast<DefaultErrorBoxShower*>(&platform))
    shower->ShowDefaultErrorBox(message, kApplicationTitle);
  else
    platform.MessageBox(message, kApplicationTitle);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
  }
  return lines;
}

FileWriteError::FileWriteError(const std::filesystem::path& path)
    : std::runtime_error(PathText(path) + " に書き込めません") {}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    return std::nullopt;
  return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  try {
    WriteFileReplacing(path, bytes);
  } catch (const std::exception&) {
    throw FileWriteError(path);
  }
}

}  // namespace trivane::app
