// The tag level of DXF: a drawing file is a flat sequence of (group code, value) pairs, one line
// each. Values are held as text exactly as they stand in the file (after decoding the file's
// code page to UTF-8), so that writing them back reproduces the file. Numbers are parsed and
// formatted with "." as the decimal point whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/compact_text.h"
#include "base/text.h"

namespace trivane::dxf {

// Every error of this library. Misuse of the model (no model space to add to, a version that
// cannot hold an entity) throws this type itself.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be read: malformed, truncated, binary, unreadable. Reading either returns a
// complete document or throws this; nothing is half-loaded.
class ReadError : public Error {
 public:
  // line: 1-based line of the file where the fault was found (0 when it concerns no line).
  ReadError(std::string file, int line, const std::string& what);
  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// A file that could not be written; the target is left as it was.
class WriteError : public Error {
 public:
  using Error::Error;
};

struct Tag {
  int code = 0;
  // UTF-8. A value read from a file keeps the bytes the file had for it when they differ (another
  // code page, "\U+XXXX" escapes): value.source(). The writer uses them only while they still
  // decode to the value; setting a new value drops them.
  CompactText value;

  Tag() = default;
  Tag(int c, CompactText v) : code(c), value(std::move(v)) {}
  Tag(int c, std::string_view v, std::string_view source) : code(c), value(v, source) {}

  // Tags are equal when code and value are; where the value came from does not matter.
  friend bool operator==(const Tag& a, const Tag& b) {
    return a.code == b.code && a.value == b.value.view();
  }
};
using Tags = std::vector<Tag>;

// What a group code's value holds, by the ranges of the DXF reference.
enum class ValueKind { String, Integer, Double, Handle, Binary };
ValueKind KindOfCode(int code);
bool IsValidCode(int code);  // 0..1071

// Tags built from numbers: integers as integers, doubles in the general format (shortest form,
// at most 15 significant digits).
Tag IntTag(int code, std::int64_t value);
Tag DoubleTag(int code, double value);

// Numbers read from tag text by the system's strict parsers (base/text.h): surrounding blanks
// tolerated (R12 writers pad integers), a leading "+" accepted; anything else that is not a whole
// number gives nullopt.
inline std::optional<double> ParseDouble(std::string_view text) {
  return ParseDecimal(text);
}
inline std::optional<std::int64_t> ParseInt(std::string_view text) {
  return ParseInteger64(text);
}

}  // namespace trivane::dxf
