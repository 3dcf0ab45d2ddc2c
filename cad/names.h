// Names of drawing objects (layers, blocks, selection sets) and ProgIDs as the CAD compares them.
//
// Only the ASCII letters a-z fold to A-Z; every other byte, including each byte of a UTF-8
// sequence (full-width letters among them), must match exactly. Folding never changes a name's
// length, so a prefix matched on the folded text cuts the original text at the same place.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trivane::cad {

// The name with a-z turned to A-Z and nothing else changed.
std::string FoldAsciiUpper(std::string_view name);

// Equal after ASCII folding.
bool NamesEqual(std::string_view a, std::string_view b);

// `name` begins with `prefix` after ASCII folding.
bool StartsWithFolded(std::string_view name, std::string_view prefix);

// The number a numbered name carries: the text after the prefix read as a decimal integer (an
// optional sign, then one or more digits 0-9, nothing else). Empty when the text is not such an
// integer. The result is the digits of its absolute value with leading zeros removed ("0" for
// zero), so that numbers of any length compare and count up without overflow; a negative number
// (or minus zero) gives "0", since it can never be the largest.
std::optional<std::string> NameNumber(std::string_view textAfterPrefix);

// `prefix` followed by M + 1 in decimal, where M is the largest number carried by those of `names`
// that begin with `prefix` (ASCII folding), or 0 when none carries one. Text after the prefix that
// is not an integer counts as 0. The result is never one of `names`: every name that spells a
// decimal number after the prefix takes part in M.
std::string NextNumberedName(std::span<const std::string> names, std::string_view prefix);

// The version number a ProgID ends in, read the same way wherever a ProgID's version matters: the
// text after its last "." as a 64-bit integer (ParseInteger64), or 0 when there is no "." or the
// text is no such integer: "GCAD.Application.24" -> 24, "GCAD.Application.+24" -> 24,
// "GCAD.Application" -> 0, "GCAD.Application.24a" -> 0.
std::int64_t ProgIdVersion(std::string_view progId);

}  // namespace trivane::cad
