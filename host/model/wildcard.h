// Wildcard patterns of selection filters, as a CAD of this family matches them.
#pragma once

#include <string_view>

namespace trivane::host {

// True when `text` matches `pattern`. ASCII letters compare without regard to case; every other
// character must match exactly. Pattern characters:
//   ,      separates alternatives ("TEXT,CIRCLE"); the text must match one of them
//   *      any sequence of characters, also none ("*LINE")
//   ?      any one character
//   #      any digit;  @  any ASCII letter;  .  any character that is neither
//   [...]  any one of the characters listed, ranges such as a-z allowed; [~...] any other one
//   ~      at the start of an alternative: anything that does not match the rest of it
//   `      takes the next character literally
// Characters are Unicode code points of the UTF-8 texts.
bool WildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace trivane::host
