#include "host/model/command_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trivane::host {
namespace {

using Lines = std::vector<std::string>;

// A reader following the log asks for the lines from the count it has shown: it gets each line
// once, the unfinished one included, and nothing past the end.
TEST(CommandLog, LinesFromAnyPoint) {
  CommandLog log;
  log.Write("one\r\ntwo\rthree\npart");
  EXPECT_EQ(log.LineCount(), 4u);
  EXPECT_EQ(log.Lines(), (Lines{"one", "two", "three", "part"}));
  EXPECT_EQ(log.Lines(2), (Lines{"three", "part"}));
  EXPECT_EQ(log.Lines(3), (Lines{"part"}));
  EXPECT_EQ(log.Lines(4), Lines{});
  EXPECT_EQ(log.Lines(9), Lines{});
  log.EndLine();
  EXPECT_EQ(log.LineCount(), 4u);
  EXPECT_EQ(log.Lines(3), (Lines{"part"}));
  log.EndLine();  // an empty line
  EXPECT_EQ(log.Lines(4), (Lines{""}));
  log.Clear();
  EXPECT_EQ(log.LineCount(), 0u);
  EXPECT_EQ(log.Lines(0), Lines{});
}

}  // namespace
}  // namespace trivane::host
