#include "host/dxf/tags.h"

#include "host/dxf/number_format.h"

namespace trivane::dxf {

ReadError::ReadError(std::string file, int line, const std::string& what)
    : Error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what),
      file_(std::move(file)),
      line_(line) {}

bool IsValidCode(int code) {
  return code >= 0 && code <= 1071;
}

ValueKind KindOfCode(int code) {
  const auto in = [code](int lo, int hi) { return code >= lo && code <= hi; };
  if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059)) {
    return ValueKind::Double;
  }
  if (in(60, 99) || in(160, 179) || in(270, 299) || in(370, 389) || in(400, 409) || in(420, 429) ||
      in(440, 459) || in(1060, 1071)) {
    return ValueKind::Integer;
  }
  if (code == 5 || code == 105 || in(320, 369) || in(390, 399) || in(480, 481) || code == 1005) {
    return ValueKind::Handle;
  }
  if (in(310, 319) || code == 1004) {
    return ValueKind::Binary;
  }
  return ValueKind::String;
}

Tag IntTag(int code, std::int64_t value) {
  return Tag{code, std::to_string(value)};
}

Tag DoubleTag(int code, double value) {
  return Tag{code, detail::FormatGeneral(value)};
}

}  // namespace trivane::dxf
