// The entity kinds described by their tables (host/dxf/entities): what a kind's defaults do to
// reading, updating and writing its records.
#include <gtest/gtest.h>

#include <string>

#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "tests/host/dxf/record_text.h"

namespace trivane::dxf {
namespace {

using testing::Parse;
using testing::Text;

// Scales and rotation have defaults: a record without them reads them, keeps lacking them while
// they stay the defaults, and gets one in its place when it changes; a new reference leaves them
// out. The block name and the insertion point have none.
TEST(EntityTables, InsertLeavesOutItsDefaults) {
  const std::string bare = "  0\nINSERT\n  8\n0\n  2\nB\n 10\n1.0\n 20\n2.0\n";
  Entity insert = Parse(bare);
  const InsertData atDefaults{"B", {1, 2, 0}, 1, 1, 1, 0};
  EXPECT_EQ(AsInsert(insert), atDefaults);
  Update(insert, atDefaults);
  EXPECT_EQ(Text(insert), bare);

  InsertData turned = atDefaults;
  turned.yScale = 2;
  turned.rotationDegrees = 90;
  Update(insert, turned);
  EXPECT_EQ(Text(insert), "  0\nINSERT\n  8\n0\n  2\nB\n 10\n1.0\n 20\n2.0\n 42\n2\n 50\n90\n");
  EXPECT_EQ(AsInsert(insert), turned);

  EXPECT_EQ(Text(NewEntity(NewDocument("AC1009"), atDefaults)),
            "  0\nINSERT\n  8\n0\n  2\nB\n 10\n1\n 20\n2\n 30\n0\n");
  EXPECT_EQ(Text(NewEntity(NewDocument("AC1009"), turned)),
            "  0\nINSERT\n  8\n0\n  2\nB\n 10\n1\n 20\n2\n 30\n0\n 42\n2\n 50\n90\n");
}

// A radius has no default: a record without one reads 0 and gets one written.
TEST(EntityTables, CircleRadiusIsAlwaysWritten) {
  Entity circle = Parse("  0\nCIRCLE\n  8\n0\n 10\n1.0\n 20\n2.0\n");
  EXPECT_EQ(AsCircle(circle), (CircleData{{1, 2, 0}, 0}));
  Update(circle, CircleData{{1, 2, 0}, 0});
  EXPECT_EQ(Text(circle), "  0\nCIRCLE\n  8\n0\n 10\n1.0\n 20\n2.0\n 40\n0\n");
}

}  // namespace
}  // namespace trivane::dxf
