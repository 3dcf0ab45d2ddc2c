#include <gtest/gtest.h>

#include <set>

#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "tests/host/dxf/record_text.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::dxf {
namespace {

using testing::Parse;
using testing::Text;

TEST(UpdateEntity, LineChangesOnlyItsPoints) {
  Entity line = Parse(
      "  0\nLINE\n  5\n2A\n102\n{ACAD_REACTORS\n330\n1F\n102\n}\n330\n1F\n100\nAcDbEntity\n"
      "  8\nA\n  6\nDASHED\n 62\n5\n100\nAcDbLine\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
      " 11\n10.0\n 21\n5.0\n 31\n0.0\n210\n0.0\n220\n0.0\n230\n1.0\n1001\nOTHER\n1000\nx\n");
  Update(line, LineData{{1, 2, 0}, {10, 5, 0}});
  EXPECT_EQ(Text(line),
            "  0\nLINE\n  5\n2A\n102\n{ACAD_REACTORS\n330\n1F\n102\n}\n330\n1F\n100\nAcDbEntity\n"
            "  8\nA\n  6\nDASHED\n 62\n5\n100\nAcDbLine\n 10\n1\n 20\n2\n 30\n0.0\n"
            " 11\n10.0\n 21\n5.0\n 31\n0.0\n210\n0.0\n220\n0.0\n230\n1.0\n1001\nOTHER\n1000\nx\n");
  EXPECT_EQ(AsLine(line), (LineData{{1, 2, 0}, {10, 5, 0}}));
}

TEST(UpdateEntity, TwoDimensionalR12LineGetsZOnlyWhenNeeded) {
  const std::string original = "  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 11\n1.0\n 21\n1.0\n";
  Entity line = Parse(original);
  Update(line, LineData{{0, 0, 0}, {1, 1, 0}});
  EXPECT_EQ(Text(line), original);
  Update(line, LineData{{0, 0, 3}, {1, 1, 0}});
  EXPECT_EQ(Text(line), "  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n3\n 11\n1.0\n 21\n1.0\n");
}

TEST(TextAlignment, PairsMapToTheAlignmentCode) {
  struct Case {
    int h72, v73, alignment;
  };
  const Case cases[] = {{0, 0, 0},  {1, 0, 1},  {2, 0, 2},  {3, 0, 3},  {4, 0, 4},
                        {5, 0, 5},  {0, 3, 6},  {1, 3, 7},  {2, 3, 8},  {0, 2, 9},
                        {1, 2, 10}, {2, 2, 11}, {0, 1, 12}, {1, 1, 13}, {2, 1, 14}};
  for (const Case& c : cases) {
    EXPECT_EQ(AlignmentFromDxf(c.h72, c.v73), c.alignment);
    int h = -1;
    int v = -1;
    DxfFromAlignment(c.alignment, h, v);
    EXPECT_EQ(h, c.h72) << c.alignment;
    EXPECT_EQ(v, c.v73) << c.alignment;
  }
  EXPECT_EQ(AlignmentFromDxf(4, 2), kAlignMiddle);  // middle ignores the vertical code
  EXPECT_EQ(AlignmentFromDxf(7, 0), kAlignLeft);
  EXPECT_EQ(AlignmentFromDxf(1, 9), kAlignLeft);
}

TEST(UpdateEntity, TextGainsAlignmentTagsInTheirSubclasses) {
  Entity text = Parse(
      "  0\nTEXT\n  5\n30\n330\n1F\n100\nAcDbEntity\n  8\n0\n 62\n3\n100\nAcDbText\n"
      " 10\n1.0\n 20\n2.0\n 30\n0.0\n 40\n2.5\n  1\nold\n  7\nROMANS\n100\nAcDbText\n"
      "1001\nOTHER\n1070\n1\n");
  TextData data = *AsText(text);
  EXPECT_EQ(data.alignment, kAlignLeft);
  data.text = "面積";
  data.alignment = kAlignMiddleCenter;
  data.alignmentPoint = {5, 6, 0};
  data.rotationDegrees = 30;
  Update(text, data);
  EXPECT_EQ(Text(text),
            "  0\nTEXT\n  5\n30\n330\n1F\n100\nAcDbEntity\n  8\n0\n 62\n3\n100\nAcDbText\n"
            " 10\n1.0\n 20\n2.0\n 30\n0.0\n 40\n2.5\n  1\n面積\n 50\n30\n  7\nROMANS\n 72\n1\n"
            " 11\n5\n 21\n6\n100\nAcDbText\n 73\n2\n1001\nOTHER\n1070\n1\n");
  EXPECT_EQ(AsText(text), data);
}

TEST(UpdateEntity, R12TextKeepsItsOrder) {
  Entity text = Parse(
      "  0\nTEXT\n  8\nT\n 10\n1\n 20\n1\n 40\n2\n  1\n7\n 72\n1\n 11\n1\n 21\n1\n"
      " 73\n2\n");
  TextData data = *AsText(text);
  EXPECT_EQ(data.alignment, kAlignMiddleCenter);
  data.alignment = kAlignLeft;
  data.insertion = {3, 4, 0};
  Update(text, data);
  EXPECT_EQ(Text(text),
            "  0\nTEXT\n  8\nT\n 10\n3\n 20\n4\n 40\n2\n  1\n7\n 72\n0\n 11\n1\n"
            " 21\n1\n 73\n0\n");
}

TEST(UpdateEntity, LwPolylineKeepsWidthsWhenTheVertexCountStays) {
  Entity pl = Parse(
      "  0\nLWPOLYLINE\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcDbPolyline\n 90\n2\n 70\n128\n"
      " 43\n0.0\n 10\n0.0\n 20\n0.0\n 40\n0.5\n 41\n0.5\n 10\n5.0\n 20\n0.0\n 42\n0.25\n"
      "210\n0.0\n220\n0.0\n230\n1.0\n");
  LwPolylineData data = *AsLwPolyline(pl);
  EXPECT_EQ(data.vertices, (std::vector<LwVertex>{{0, 0, 0}, {5, 0, 0.25}}));
  data.vertices = {{1, 0, 0.5}, {5, 2, 0}};
  data.closed = true;
  Update(pl, data);
  EXPECT_EQ(Text(pl),
            "  0\nLWPOLYLINE\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcDbPolyline\n 90\n2\n"
            " 70\n129\n 43\n0.0\n 10\n1\n 20\n0.0\n 40\n0.5\n 41\n0.5\n 42\n0.5\n 10\n5.0\n"
            " 20\n2\n 42\n0\n210\n0.0\n220\n0.0\n230\n1.0\n");
  data.vertices.push_back({9, 9, 0});
  data.closed = false;
  Update(pl, data);
  EXPECT_EQ(Text(pl),
            "  0\nLWPOLYLINE\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcDbPolyline\n 90\n3\n"
            " 70\n128\n 43\n0.0\n 10\n1\n 20\n0\n 42\n0.5\n 10\n5\n 20\n2\n 10\n9\n 20\n9\n"
            "210\n0.0\n220\n0.0\n230\n1.0\n");
  EXPECT_EQ(AsLwPolyline(pl), data);
}

TEST(RecordSpan, SubRecordsBelongToTheirEntity) {
  const Document doc = ReadFile(testing::FixturePath("other_program_r2018.dxf"));
  const std::vector<Entity>& records = doc.Entities();
  std::size_t polylines = 0;
  std::size_t insertsWithAttributes = 0;
  for (std::size_t i = 0; i < records.size(); i += RecordSpan(records, i)) {
    const std::size_t span = RecordSpan(records, i);
    EXPECT_NE(records[i].type, "VERTEX");
    EXPECT_NE(records[i].type, "ATTRIB");
    EXPECT_NE(records[i].type, "SEQEND");
    if (records[i].type == "POLYLINE") {
      ++polylines;
      EXPECT_EQ(span, 5u);  // three vertices and the SEQEND
    } else if (records[i].type == "INSERT" && span > 1) {
      ++insertsWithAttributes;
      EXPECT_EQ(span, 3u);  // one attribute and the SEQEND
    } else {
      EXPECT_EQ(span, 1u) << records[i].type;
    }
  }
  EXPECT_EQ(polylines, 1u);
  EXPECT_EQ(insertsWithAttributes, 1u);
}

TEST(UpdateEntity, WrongTypeIsAnError) {
  Entity circle = Parse("  0\nCIRCLE\n  8\n0\n 10\n0\n 20\n0\n 40\n1\n");
  EXPECT_THROW(Update(circle, LineData{}), Error);
  EXPECT_FALSE(AsLine(circle));
}

TEST(UpdateEntity, SetLayerKeepsEverythingElse) {
  Entity line = Parse(
      "  0\nLINE\n  5\n2A\n100\nAcDbEntity\n  8\nA\n100\nAcDbLine\n 10\n0\n 20\n0\n"
      " 11\n1\n 21\n1\n");
  SetLayer(line, "境界");
  EXPECT_EQ(LayerOf(line), "境界");
  EXPECT_EQ(line.tags.size(), 8u);
}

// Each modelled kind: what NewEntity writes reads back as the same data, and Update of another
// value reads back as that value, in R12 and in R2000.
TEST(NewEntity, EveryKindReadsBackAsWritten) {
  for (const char* version : {"AC1009", "AC1015"}) {
    const Document doc = NewDocument(version);
    const bool r13 = doc.HasSubclassMarkers();
    const LineData line{{1, 2, 0}, {3, 4, 5}};
    EXPECT_EQ(AsLine(NewEntity(doc, line)), line) << version;
    const CircleData circle{{1, 2, 0}, 2.5};
    EXPECT_EQ(AsCircle(NewEntity(doc, circle)), circle) << version;
    const InsertData insert{"B", {1, 1, 0}, 2, 2, 1, 45};
    EXPECT_EQ(AsInsert(NewEntity(doc, insert)), insert) << version;
    for (int alignment = 0; alignment <= 14; ++alignment) {
      const TextData text{"三角形 1", {1, 2, 0}, alignment ? TAcadPoint{3, 4, 0} : TAcadPoint{},
                          2.5,        30,        alignment};
      Entity e = NewEntity(doc, text);
      EXPECT_EQ(AsText(e), text) << version << " alignment " << alignment;
      TextData other = text;
      other.alignment = (alignment + 5) % 15;
      other.alignmentPoint = {7, 8, 0};
      Update(e, other);
      EXPECT_EQ(AsText(e), other) << version << " alignment " << alignment;
    }
    if (r13) {
      const LwPolylineData pl{{{0, 0, 0}, {4, 0, 1}, {4, 3, 0}}, true, 1.5};
      EXPECT_EQ(AsLwPolyline(NewEntity(doc, pl)), pl);
      const LeaderData leader{{{0, 0, 0}, {5, 5, 0}, {8, 5, 0}}, true, "Standard"};
      Entity e = NewEntity(doc, leader);
      EXPECT_EQ(AsLeader(e), leader);
      LeaderData moved = leader;
      moved.vertices.pop_back();
      moved.arrowhead = false;
      Update(e, moved);
      EXPECT_EQ(AsLeader(e), moved);
    } else {
      EXPECT_THROW(NewEntity(doc, LwPolylineData{}), Error);
      EXPECT_THROW(NewEntity(doc, LeaderData{}), Error);
    }
  }
}

TEST(NewEntity, TagsFollowTheVersion) {
  const Properties props{"L1", 1, "DASHED"};
  EXPECT_EQ(Text(NewEntity(NewDocument("AC1009"), LineData{{0, 0, 0}, {1, 2, 0}}, props)),
            "  0\nLINE\n  8\nL1\n  6\nDASHED\n 62\n1\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n2\n"
            " 31\n0\n");
  EXPECT_EQ(Text(NewEntity(NewDocument("AC1015"), LineData{{0, 0, 0}, {1, 2, 0}}, props)),
            "  0\nLINE\n100\nAcDbEntity\n  8\nL1\n  6\nDASHED\n 62\n1\n100\nAcDbLine\n"
            " 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n2\n 31\n0\n");
}

TEST(AddEntity, GivesAUniqueHandleAboveTheSeedAndTheModelSpaceOwner) {
  Document doc = NewDocument("AC1015");
  const std::string seed = *doc.HeaderValue("$HANDSEED");
  const std::string owner = doc.ModelSpaceHandle();
  ASSERT_FALSE(owner.empty());
  std::set<std::string> handles;
  for (int i = 0; i < 3; ++i) {
    Entity& e = AddEntity(doc, NewEntity(doc, CircleData{{0, 0, 0}, 1.0 + i}));
    EXPECT_EQ(e.tags[0].code, 5);
    EXPECT_EQ(e.tags[1], (Tag{330, owner}));
    EXPECT_GE(std::stoul(e.Handle(), nullptr, 16), std::stoul(seed, nullptr, 16));
    EXPECT_LT(std::stoul(e.Handle(), nullptr, 16),
              std::stoul(*doc.HeaderValue("$HANDSEED"), nullptr, 16));
    handles.insert(e.Handle());
  }
  EXPECT_EQ(handles.size(), 3u);
  // A record copied from elsewhere gets a new handle, never a duplicate.
  const Entity copy = doc.Entities()[0];
  Entity& added = AddEntity(doc, copy);
  EXPECT_NE(added.Handle(), copy.Handle());
}

// A seed at the top once wrapped to 0, and every new record after it took a handle in use.
TEST(AddEntity, SeedAtTheTopGivesFreeHandlesNeverDuplicates) {
  Document made = NewDocument("AC1015");
  made.SetHeaderVariable("$HANDSEED", {{5, "FFFFFFFFFFFFFFFF"}});
  Document doc = Read(Write(made), "seed.dxf");
  std::set<std::string> handles;
  doc.ForEachRecord([&](const Entity& e) {
    if (!e.Handle().empty())
      handles.insert(e.Handle());
  });
  const std::size_t before = handles.size();
  for (int i = 0; i < 5; ++i) {
    const std::string h = AddEntity(doc, NewEntity(doc, CircleData{{0, 0, 0}, 1.0 + i})).Handle();
    EXPECT_NE(h, "0");
    EXPECT_TRUE(handles.insert(h).second) << h << " given twice";
  }
  EXPECT_EQ(handles.size(), before + 5);
  EXPECT_EQ(handles.count("FFFFFFFFFFFFFFFF"), 1u);
  // The file still reads back with every handle once.
  EXPECT_NO_THROW(Read(Write(doc), "x"));
}

TEST(AddEntity, R12GetsHandlesOnlyWhenTheFileUsesThem) {
  Document plain = NewDocument("AC1009");
  Entity& a = AddEntity(plain, NewEntity(plain, CircleData{{0, 0, 0}, 1}));
  EXPECT_EQ(a.Find(5), nullptr);
  EXPECT_EQ(a.Find(330), nullptr);
  EXPECT_EQ(a.Find(100), nullptr);

  Document handled = NewDocument("AC1009");
  handled.SetHeaderVariable("$HANDLING", {{70, "1"}});
  handled.SetHeaderVariable("$HANDSEED", {{5, "100"}});
  Entity& b = AddEntity(handled, NewEntity(handled, CircleData{{0, 0, 0}, 1}));
  EXPECT_EQ(b.Handle(), "100");
  EXPECT_EQ(handled.HeaderValue("$HANDSEED"), "101");
  EXPECT_EQ(b.Find(330), nullptr);
}

TEST(ExtendedData, NewApplicationsAreRegistered) {
  for (const char* version : {"AC1009", "AC1015"}) {
    Document doc = NewDocument(version);
    Entity& text = AddEntity(doc, NewEntity(doc, TextData{"7", {}, {}, 2, 0, 0}));
    SetXData(doc, text, XData{"LT_TRIVANE", {{1010, "4"}, {1020, "5"}, {1030, "3"}}});
    const Entity* appid = doc.FindTableRecord("APPID", "LT_TRIVANE");
    ASSERT_NE(appid, nullptr) << version;
    EXPECT_EQ(appid->Find(5) != nullptr, doc.HasSubclassMarkers()) << version;
    // Replacing keeps the other applications' data.
    doc.Entities()[0].xdata.insert(doc.Entities()[0].xdata.begin(), XData{"OTHER", {{1000, "x"}}});
    SetXData(doc, doc.Entities()[0], XData{"LT_TRIVANE", {{1010, "1"}, {1020, "1"}, {1030, "1"}}});
    ASSERT_EQ(doc.Entities()[0].xdata.size(), 2u);
    EXPECT_EQ(doc.Entities()[0].xdata[0].application, "OTHER");
    EXPECT_EQ(doc.FindTableRecord("APPID", "OTHER"), nullptr);
    RegisterApplications(doc);
    EXPECT_NE(doc.FindTableRecord("APPID", "OTHER"), nullptr) << version;
  }
}

TEST(Layers, EnsureLayerAddsOnceWithWhatTheVersionNeeds) {
  Document doc = NewDocument("AC1015");
  Entity& layer = EnsureLayer(doc, LayerData{"三角形", 3, "Continuous", 0});
  EXPECT_FALSE(layer.Handle().empty());
  EXPECT_EQ(std::string(layer.Value(330)), doc.FindTable("LAYER")->head.Handle());
  EXPECT_EQ(AsLayer(layer), (LayerData{"三角形", 3, "Continuous", 0}));
  const std::size_t count = doc.FindTable("LAYER")->records.size();
  EnsureLayer(doc, LayerData{"三角形", 5, "Continuous", 0});
  EXPECT_EQ(doc.FindTable("LAYER")->records.size(), count);
  EXPECT_EQ(AsLayer(*doc.FindTableRecord("LAYER", "三角形"))->color, 3);
  EXPECT_THROW(EnsureLayer(doc, LayerData{"a/b", 7, "Continuous", 0}), Error);
  EXPECT_THROW(EnsureLayer(doc, LayerData{"", 7, "Continuous", 0}), Error);
  EXPECT_THROW(EnsureLayer(doc, LayerData{"X", 7, "NOSUCHTYPE", 0}), Error);
  Entity& record = *doc.FindTableRecord("LAYER", "三角形");
  Update(record, LayerData{"三角形", -3, "Continuous", 4});
  EXPECT_EQ(AsLayer(record), (LayerData{"三角形", -3, "Continuous", 4}));
}

TEST(Blocks, AddFillAndRemoveADefinition) {
  for (const char* version : {"AC1009", "AC1015"}) {
    Document doc = NewDocument(version);
    Block& block = AddBlock(doc, BlockData{"TABLE_1", {1, 2, 0}});
    EXPECT_EQ(AsBlock(block), (BlockData{"TABLE_1", {1, 2, 0}}));
    Entity& line = AddEntity(doc, block, NewEntity(doc, LineData{{0, 0, 0}, {1, 0, 0}}));
    if (doc.HasSubclassMarkers()) {
      const Entity* record = doc.FindTableRecord("BLOCK_RECORD", "TABLE_1");
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(line.Value(330), record->Handle());
      EXPECT_EQ(block.begin.Value(330), record->Handle());
    }
    EXPECT_THROW(AddBlock(doc, BlockData{"table_1", {}}), Error);
    EXPECT_TRUE(RemoveBlock(doc, "TABLE_1"));
    EXPECT_EQ(doc.FindBlock("TABLE_1"), nullptr);
    EXPECT_EQ(doc.FindTableRecord("BLOCK_RECORD", "TABLE_1"), nullptr);
    EXPECT_FALSE(RemoveBlock(doc, "TABLE_1"));
  }
}

// In R2000 the code page (1252 here) cannot hold Japanese: names and texts are written as
// "\U+XXXX" escapes and come back as they were.
TEST(Layers, JapaneseNamesSurviveAnR2000RoundTrip) {
  Document doc = NewDocument("AC1015");
  EnsureLayer(doc, LayerData{"境界線", 1, "Continuous", 0});
  AddEntity(doc,
            NewEntity(doc, TextData{"三角形 No.1", {}, {}, 2, 0, kAlignLeft}, {"境界線", {}, {}}));
  const std::string bytes = Write(doc);
  EXPECT_NE(bytes.find("\\U+5883\\U+754C\\U+7DDA"), std::string::npos);
  const Document back = Read(bytes);
  ASSERT_NE(back.FindTableRecord("LAYER", "境界線"), nullptr);
  ASSERT_EQ(back.Entities().size(), 1u);
  EXPECT_EQ(LayerOf(back.Entities()[0]), "境界線");
  EXPECT_EQ(AsText(back.Entities()[0])->text, "三角形 No.1");
  EXPECT_EQ(Write(back), bytes);
}

// A drawing built from scratch, with one entity of each kind, passes ezdxf's audit without
// anything to fix.
TEST(NewDocument, EzdxfAcceptsItAsIs) {
  testing::ScratchDir dir;
  std::string files;
  for (const char* version : {"AC1009", "AC1015", "AC1032"}) {
    Document doc = NewDocument(version);
    // Japanese layer names in code page 932 (R12) and UTF-8 (R2018); in R2000 they would be
    // "\U+" escapes, which ezdxf 0.18 takes for invalid names.
    const bool r12 = version == std::string("AC1009");
    if (r12)
      doc.SetHeaderVariable("$DWGCODEPAGE", {{3, "ANSI_932"}});
    const std::string layer = version == std::string("AC1015") ? "TRIANGLE" : "三角形";
    EnsureLayer(doc, LayerData{layer, 3, r12 ? "CONTINUOUS" : "Continuous", 0});
    const Properties on{layer, {}, {}};
    AddEntity(doc, NewEntity(doc, LineData{{0, 0, 0}, {4, 0, 0}}, on));
    AddEntity(doc, NewEntity(doc, CircleData{{1, 1, 0}, 0.5}, on));
    Entity& text = AddEntity(
        doc, NewEntity(doc, TextData{"7", {1, 1, 0}, {1, 1, 0}, 0.4, 5.7, kAlignMiddleCenter}, on));
    SetXData(doc, text, XData{"LT_TRIVANE", {{1010, "4"}, {1020, "5"}, {1030, "3"}}});
    Block& block = AddBlock(doc, BlockData{"TABLE_1", {}});
    AddEntity(doc, block, NewEntity(doc, TextData{"面積", {}, {}, 1, 0, kAlignLeft}));
    AddEntity(doc, NewEntity(doc, InsertData{"TABLE_1", {10, 10, 0}, 1, 1, 1, 0}));
    if (doc.HasSubclassMarkers()) {
      AddEntity(doc, NewEntity(doc, LwPolylineData{{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, true, 0}));
      AddEntity(doc, NewEntity(doc, LeaderData{{{0, 0, 0}, {2, 2, 0}}, true, "Standard"}));
    }
    const std::string path = dir.File(std::string(version) + ".dxf");
    WriteFile(doc, path);
    files += " " + testing::Quote(path);
  }
  const auto result = testing::RunScript("audit.py", "--strict" + files);
  EXPECT_EQ(result.exitCode, 0) << result.output;
}

}  // namespace
}  // namespace trivane::dxf
