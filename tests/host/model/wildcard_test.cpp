// Wildcard patterns of selection filters.
#include <gtest/gtest.h>

#include "host/model/wildcard.h"

namespace trivane::host {
namespace {

TEST(Wildcard, MatchesAsTheCadDoes) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } cases[] = {
      {"TEXT", "TEXT", true},
      {"text", "TEXT", true},  // ASCII letters fold
      {"TEXT", "MTEXT", false},
      {"*LINE", "LINE", true},
      {"*LINE", "LWPOLYLINE", true},
      {"*LINE", "LINES", false},
      {"*LINE", "TEXT", false},
      {"TEXT,CIRCLE", "CIRCLE", true},
      {"TEXT,CIRCLE", "TEXT", true},
      {"TEXT,CIRCLE", "LINE", false},
      {"TEXT,", "", true},  // an empty alternative matches the empty name
      {"?EXT", "TEXT", true},
      {"?EXT", "EXT", false},
      {"L*R", "LEADER", true},
      {"*", "", true},
      {"**E*", "LINE", true},
      {"~TEXT", "LINE", true},
      {"~TEXT", "TEXT", false},
      {"[LT]*", "TEXT", true},
      {"[~LT]*", "TEXT", false},
      {"[A-D]IRCLE", "CIRCLE", true},
      {"SSTEMP_#", "SSTEMP_7", true},
      {"SSTEMP_#", "SSTEMP_X", false},
      {"@@@@", "TEXT", true},
      {"H.TEXT", "H_TEXT", true},
      {"`*LINE", "*LINE", true},
      {"`*LINE", "XLINE", false},
      {"?", "面", true},  // one character, however many bytes
      {"h_text", "H_TEXT", true},
      {"ｈ_TEXT", "Ｈ_TEXT", false},  // full-width letters do not fold
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.text), c.match) << c.pattern << " ~ " << c.text;
}

}  // namespace
}  // namespace trivane::host
