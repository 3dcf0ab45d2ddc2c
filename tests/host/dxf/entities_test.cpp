// The entity kinds described by their tables (host/dxf/entities): what a kind's defaults do to
// reading, updating and writing its records.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

// A default that is written: a record without the group reads the default, and updating it, even
// at the default, gives it the group in its place. Defaults that are left out stay out.
TEST(EntityTables, WrittenDefaultsAreReadAndWritten) {
  Entity text = Parse("  0\nTEXT\n  8\n0\n 10\n1.0\n 20\n2.0\n  1\nA\n");
  const TextData plain{"A", {1, 2, 0}, {0, 0, 0}, 1.0, 0.0, kAlignLeft};
  EXPECT_EQ(AsText(text), plain);
  Update(text, plain);
  EXPECT_EQ(Text(text), "  0\nTEXT\n  8\n0\n 10\n1.0\n 20\n2.0\n 40\n1\n  1\nA\n");

  // A number (color), a flag word and a text with a default.
  Entity layer = Parse("  0\nLAYER\n  2\nL\n");
  const LayerData layerDefaults{"L", 7, "Continuous", 0};
  EXPECT_EQ(AsLayer(layer), layerDefaults);
  Update(layer, layerDefaults);
  EXPECT_EQ(Text(layer), "  0\nLAYER\n  2\nL\n 70\n0\n 62\n7\n  6\nContinuous\n");

  // A yes/no value as 0/1, and a text default.
  Entity leader = Parse("  0\nLEADER\n  8\n0\n  3\nS\n 76\n1\n 10\n1.0\n 20\n2.0\n");
  const LeaderData arrowed{{{1, 2, 0}}, true, "S"};
  EXPECT_EQ(AsLeader(leader), arrowed);
  Update(leader, arrowed);
  EXPECT_EQ(Text(leader), "  0\nLEADER\n  8\n0\n  3\nS\n 71\n1\n 76\n1\n 10\n1.0\n 20\n2.0\n");
  EXPECT_EQ(AsLeader(Parse("  0\nLEADER\n  8\n0\n"))->dimStyle, "Standard");
}

// A text's style and width factor are read with their defaults and set only when they change:
// in the tag the record has, else at the end of the first AcDbText subclass, before the second
// one that holds 73; a new text gets them there too.
TEST(EntityTables, TextStyleGoesAtTheEndOfTheFirstSubclass) {
  const std::string head =
      "  0\nTEXT\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n1.0\n 20\n2.0\n 30\n0.0\n 40\n1.0\n "
      " 1\nA\n";
  Entity text = Parse(head + "100\nAcDbText\n");
  TextData d = *AsText(text);
  EXPECT_EQ(d.style, "Standard");
  EXPECT_EQ(d.widthFactor, 1.0);
  Update(text, d);
  EXPECT_EQ(Text(text), head + "100\nAcDbText\n");

  d.style = "Mincho";
  d.widthFactor = 0.8;
  Update(text, d);
  const std::string styled = head + "  7\nMincho\n 41\n0.8\n100\nAcDbText\n";
  EXPECT_EQ(Text(text), styled);
  EXPECT_EQ(AsText(text), d);
  d.style = "Gothic";
  Update(text, d);
  EXPECT_EQ(Text(text), head + "  7\nGothic\n 41\n0.8\n100\nAcDbText\n");

  Document doc = NewDocument();
  const TextData fresh{"A", {1, 2, 0}, {}, 1.0, 0.0, kAlignLeft, 0.8, "Mincho"};
  EXPECT_EQ(AsText(NewEntity(doc, fresh)), fresh);
  const std::string made = Text(NewEntity(doc, fresh));
  EXPECT_EQ(made.substr(made.find("  1\nA\n")), "  1\nA\n  7\nMincho\n 41\n0.8\n100\nAcDbText\n");
}

// The records of an ENTITIES section holding this text.
std::vector<Entity> ParseAll(const std::string& recordsText) {
  return Read("  0\nSECTION\n  2\nENTITIES\n" + recordsText + "  0\nENDSEC\n  0\nEOF\n").Entities();
}

// POLYLINE is read with its VERTEX records, and only in its plain 2D form: flags 1 (closed) and
// 128 on the head, none on a vertex.
TEST(EntityTables, PolylineReadsThePlainFormOnly) {
  const std::string vertices =
      "  0\nVERTEX\n  8\n0\n 10\n1.0\n 20\n2.0\n 42\n0.5\n"
      "  0\nVERTEX\n  8\n0\n 10\n3.0\n 20\n4.0\n  0\nSEQEND\n  8\n0\n";
  const LwPolylineData path{{{1, 2, 0.5}, {3, 4, 0}}, false, 0};
  struct Case {
    std::string head;
    std::optional<LwPolylineData> read;
  };
  LwPolylineData closedHigh = path;
  closedHigh.closed = true;
  closedHigh.elevation = 5;
  const Case cases[] = {
      {"  0\nPOLYLINE\n  8\n0\n 66\n1\n", path},
      {"  0\nPOLYLINE\n  8\n0\n 66\n1\n 10\n0.0\n 20\n0.0\n 30\n5.0\n 70\n129\n", closedHigh},
      {"  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n8\n", std::nullopt},  // 3D
      {"  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n2\n", std::nullopt},  // curve-fit
  };
  for (const Case& c : cases)
    EXPECT_EQ(AsPolyline(ParseAll(c.head + vertices), 0), c.read) << c.head;

  // A vertex of a fitted curve makes it another form too.
  EXPECT_EQ(AsPolyline(ParseAll("  0\nPOLYLINE\n  8\n0\n 66\n1\n  0\nVERTEX\n  8\n0\n 70\n1\n"
                                "  0\nSEQEND\n  8\n0\n"),
                       0),
            std::nullopt);
}

// The head and the vertices change only the groups whose values change: a head lacking 70 and
// 10/20/30 gets them to close and raise it; a straight vertex loses its bulge.
TEST(EntityTables, PolylineUpdatesSetOnlyWhatChanges) {
  Entity head = Parse("  0\nPOLYLINE\n  8\n0\n");
  UpdatePolylineHead(head, LwPolylineData{{}, false, 0});
  EXPECT_EQ(Text(head), "  0\nPOLYLINE\n  8\n0\n 66\n1\n");
  UpdatePolylineHead(head, LwPolylineData{{}, true, 2.5});
  EXPECT_EQ(Text(head), "  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n1\n 10\n0.0\n 20\n0.0\n 30\n2.5\n");

  Entity vertex = Parse("  0\nVERTEX\n  8\n0\n 10\n1.0\n 20\n2.0\n 42\n0.5\n");
  UpdateVertex(vertex, LwVertex{1, 3, 0});
  EXPECT_EQ(Text(vertex), "  0\nVERTEX\n  8\n0\n 10\n1.0\n 20\n3\n");
}

}  // namespace
}  // namespace trivane::dxf
