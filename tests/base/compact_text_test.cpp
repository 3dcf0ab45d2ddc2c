#include "base/compact_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace trivane {
namespace {

// Texts on both sides of the inline limit, with and without the bytes a file had for them: each
// survives copies, moves and assignments whole, and a new text drops the old source.
TEST(CompactText, KeepsEveryTextAndItsSourceThroughCopiesAndMoves) {
  struct Case {
    std::string text;
    std::string source;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"10", ""},
      {std::string(23, 'x'), ""},          // the longest kept inline
      {std::string(24, 'y'), ""},          // the shortest on the heap
      {"面積", "\x96\xca\x90\xcf"},        // a short text with its code-page bytes
      {std::string(40, 'z'), "\\U+007A"},  // a long one with its source
      {"", "\\U+"},                        // an empty text with a source
      {std::string("a\0b", 3), ""},        // NUL bytes are text like any other
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CompactText original(c.text, c.source);
    EXPECT_EQ(original.view(), c.text);
    EXPECT_EQ(original.size(), c.text.size());
    EXPECT_EQ(original.source(), c.source == c.text ? "" : c.source);

    CompactText copy(original);
    EXPECT_EQ(copy.view(), c.text);
    EXPECT_EQ(copy.source(), original.source());
    CompactText moved(std::move(copy));
    EXPECT_EQ(moved.view(), c.text);
    EXPECT_EQ(moved.source(), original.source());
    EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty

    CompactText assigned("something else entirely, and long");
    assigned = original;
    EXPECT_EQ(assigned.view(), c.text);
    assigned = moved;  // over a text of the same kind
    EXPECT_EQ(assigned.source(), original.source());
    assigned = "new";
    EXPECT_EQ(assigned.view(), "new");
    EXPECT_TRUE(assigned.source().empty());
    assigned = std::string(30, 'n');
    EXPECT_EQ(assigned.view(), std::string(30, 'n'));
    EXPECT_TRUE(assigned.source().empty());

    // Equal by what they say, whatever the source.
    EXPECT_TRUE(original == CompactText(c.text));
    EXPECT_TRUE(original == std::string_view(c.text));
  }
  static_assert(sizeof(CompactText) == 24);
}

}  // namespace
}  // namespace trivane
