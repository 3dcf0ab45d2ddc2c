#include "cli/settings_file.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "cli/errors.h"
#include "host/model/utf8.h"

namespace trivane::cli {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// The line (from 1) that the byte at `offset` is on, counting LF, CR LF and CR line ends.
int LineAt(std::string_view text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
  }
  return line;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

enum class ByteOrder { LittleEndian, BigEndian };

std::string FromUtf16(std::string_view bytes, ByteOrder order) {
  std::string out;
  int line = 1;
  const auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(order == ByteOrder::LittleEndian ? a | (b << 8) : (a << 8) | b);
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char16_t u = unit(i);
    char32_t c = u;
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      throw SettingsDecodeError(line, "a lone UTF-16 surrogate");
    }
    if (c == U'\n')
      ++line;
    AppendUtf8(out, c);
  }
  if (i < bytes.size())
    throw SettingsDecodeError(line, "an odd number of bytes in UTF-16 text");
  return out;
}

// The offset of the first byte that is not well-formed UTF-8, or nothing.
std::optional<std::size_t> FirstBadUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::optional<host::Utf8Sequence> seq = host::Utf8SequenceAt(s, i);
    if (!seq)
      return i;
    i += seq->length;
  }
  return std::nullopt;
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Code page 932 as Windows extends Shift_JIS; a byte sequence it does not define is refused.
std::string FromCodePage932(std::string_view bytes) {
  const iconv_t opened = iconv_open("UTF-8", "CP932");
  if (opened == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("the code page CP932 is not available (iconv)");
  const std::unique_ptr<void, IconvCloser> cd(opened);
  std::string in(bytes);
  std::string out(in.size() * 3 + 4, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
    const auto offset = static_cast<std::size_t>(inPtr - in.data());
    throw SettingsDecodeError(LineAt(bytes, offset),
                              "bytes that are neither UTF-8 nor code page 932");
  }
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string SettingsFileText(std::string_view bytes) {
  if (bytes.starts_with(kUtf16LeMark))
    return FromUtf16(bytes.substr(kUtf16LeMark.size()), ByteOrder::LittleEndian);
  if (bytes.starts_with(kUtf16BeMark))
    return FromUtf16(bytes.substr(kUtf16BeMark.size()), ByteOrder::BigEndian);
  if (bytes.starts_with(kUtf8Mark)) {
    bytes.remove_prefix(kUtf8Mark.size());
    if (const std::optional<std::size_t> bad = FirstBadUtf8(bytes))
      throw SettingsDecodeError(LineAt(bytes, *bad), "bytes that are not UTF-8 after its mark");
    return std::string(bytes);
  }
  if (!FirstBadUtf8(bytes))
    return std::string(bytes);
  return FromCodePage932(bytes);
}

app::IniDocument ReadSettingsFile(const std::filesystem::path& path) {
  const std::string name = PathText(path);
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found)
    throw UsageError(name + ": no such settings file");
  if (status.type() == std::filesystem::file_type::directory)
    throw UsageError(name + ": the settings file is a folder, not a file");
  if (ec)
    throw UsageError(name + ": cannot read the settings file: " + ec.message());
  if (status.type() != std::filesystem::file_type::regular)
    throw UsageError(name + ": the settings file is not a regular file");

  errno = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"),
                                                             &std::fclose);
  if (!file)
    throw UsageError(name + ": cannot read the settings file: " + std::strerror(errno));
  std::string bytes;
  char buffer[8192];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    bytes.append(buffer, n);
  if (std::ferror(file.get()))
    throw UsageError(name + ": cannot read the settings file: " + std::strerror(errno));
  try {
    return app::IniDocument(SettingsFileText(bytes));
  } catch (const SettingsDecodeError& e) {
    throw UsageError(name + ":" + std::to_string(e.line()) + ": " + e.what());
  }
}

}  // namespace trivane::cli
