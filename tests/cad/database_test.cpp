#include "cad/database.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cad/names.h"
#include "link_fixture.h"

namespace trivane::cad {
namespace {

using testing::FaultyObject;
using testing::LinkTest;

class DatabaseTest : public LinkTest {
 public:
  std::vector<std::string> LayerNames() const {
    std::vector<std::string> names;
    for (const host::LayerRecord& l : host->drawing().layers)
      names.push_back(l.name);
    return names;
  }
  host::ObjectId AddLine() { return host->CreateEntity(host::LineShape{{0, 0, 0}, {10, 0, 0}}); }
  host::ObjectId AddInsert(const std::string& block, double yscale = 1.0) {
    host::InsertShape insert;
    insert.block = block;
    insert.insertion = {100, 50, 0};
    insert.yscale = yscale;
    return host->CreateEntity(insert);
  }
  // A block holding one line from (0,0) to (1,0).
  void AddBlockWithLine(const std::string& name) {
    const host::ObjectId id = host->drawing().AddBlock(name).id;
    host->CreateEntity(host::LineShape{{0, 0, 0}, {1, 0, 0}}, id);
  }
  std::size_t ModelSpaceCount() const {
    return host->drawing().EntitiesOf(host->drawing().ModelSpaceId()).size();
  }
};

TEST_F(DatabaseTest, EnsureLayerComparesNamesWithAsciiFoldingOnly) {
  struct Case {
    const char* asked;
    std::vector<std::string> layersAfter;
  } cases[] = {
      {"h_text", {"0", "H_TEXT"}},
      {"H_TEXT", {"0", "H_TEXT"}},
      {"Ｈ_TEXT", {"0", "H_TEXT", "Ｈ_TEXT"}},  // a full-width H is another name
      {"h_line", {"0", "H_TEXT", "h_line"}},    // added as asked
  };
  for (const Case& c : cases) {
    Start("ZWCAD.Application");
    host->drawing().AddLayer("H_TEXT");
    EnsureLayer(doc, c.asked);
    EXPECT_EQ(LayerNames(), c.layersAfter) << c.asked;
    EXPECT_EQ(host->drawing().vars.CLAYER, "0") << "the current layer stays";
  }
}

TEST_F(DatabaseTest, NumberedBlocks) {
  for (const char* name : {"TRIVANE_2", "trivane_9", "TRIVANE_X"})
    host->drawing().AddBlock(name);
  const std::size_t blocks = host->drawing().blocks.size();

  EXPECT_EQ(NextBlockName(doc, "TRIVANE_"), "TRIVANE_10");
  EXPECT_EQ(host->drawing().blocks.size(), blocks) << "NextBlockName creates nothing";
  EXPECT_EQ(NextBlockName(doc, "OTHER_"), "OTHER_1");

  const NumberedBlock made = AddNumberedBlock(doc, "Trivane_");
  EXPECT_EQ(made.name, "Trivane_10");
  EXPECT_EQ(made.block.Name(), "Trivane_10");
  const host::BlockRecord* record = host->drawing().FindBlock("Trivane_10");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->origin, (TAcadPoint{0, 0, 0}));
  EXPECT_EQ(AddNumberedBlock(doc, "Trivane_").name, "Trivane_11");
}

TEST_F(DatabaseTest, TempSelectionSetNumbers) {
  struct Case {
    std::vector<std::string> existing;
    const char* created;
  } cases[] = {
      {{}, "SSTEMP_1"},
      {{"SSTEMP_1", "SSTEMP_4"}, "SSTEMP_5"},
      {{"MySet", "SSTEMP_X"}, "SSTEMP_1"},
      {{"ssTemp_7"}, "SSTEMP_8"},
  };
  for (const Case& c : cases) {
    Start("ZWCAD.Application");
    for (const std::string& name : c.existing)
      doc.SelectionSets().Add(name);
    const SelectionSet set = NewTempSelectionSet(doc);
    EXPECT_EQ(set.Name(), c.created);
    EXPECT_EQ(host->selectionSets().size(), c.existing.size() + 1);
  }
}

TEST_F(DatabaseTest, DeleteBlockDefinition) {
  AddBlockWithLine("Trivane_1");
  AddBlockWithLine("Trivane_2");
  AddInsert("Trivane_2");

  DeleteBlockDefinition(doc, "TRIVANE_1");  // folded name
  EXPECT_EQ(host->drawing().FindBlock("Trivane_1"), nullptr);

  EXPECT_NO_THROW(DeleteBlockDefinition(doc, "Trivane_2"));  // referenced: the CAD refuses
  EXPECT_NE(host->drawing().FindBlock("Trivane_2"), nullptr);

  const std::size_t blocks = host->drawing().blocks.size();
  EXPECT_NO_THROW(DeleteBlockDefinition(doc, "NoSuchBlock"));
  EXPECT_EQ(host->drawing().blocks.size(), blocks);
}

TEST_F(DatabaseTest, ExplodeLastInsertExplodesOnlyAReferenceToTheNamedBlock) {
  struct Case {
    const char* name;
    std::function<void(DatabaseTest&)> draw;  // after the blocks Trivane_1 and Other exist
    bool exploded;
  } cases[] = {
      {"OwnBlock", [](DatabaseTest& t) { t.AddInsert("Trivane_1"); }, true},
      {"OwnBlockFoldedName", [](DatabaseTest& t) { t.AddInsert("TRIVANE_1"); }, true},
      {"OtherBlock", [](DatabaseTest& t) { t.AddInsert("Other"); }, false},
      {"NotAReference", [](DatabaseTest& t) { t.AddLine(); }, false},
      {"ReferenceNotLast",
       [](DatabaseTest& t) {
         t.AddInsert("Trivane_1");
         t.AddLine();
       },
       false},
      {"EmptyDrawing", [](DatabaseTest&) {}, false},
      // The CAD cannot explode a non-uniformly scaled reference: nothing changes, no error.
      {"ExplodeRefused", [](DatabaseTest& t) { t.AddInsert("Trivane_1", 2.0); }, false},
  };
  for (const Case& c : cases) {
    Start("ZWCAD.Application");
    AddBlockWithLine("Trivane_1");
    AddBlockWithLine("Other");
    c.draw(*this);
    const std::size_t before = ModelSpaceCount();
    const std::optional<host::ObjectId> last = host->drawing().Newest();

    EXPECT_NO_THROW(ExplodeLastInsert(doc, "Trivane_1")) << c.name;

    EXPECT_TRUE(host->selectionSets().empty()) << c.name << ": the selection set is deleted";
    if (c.exploded) {
      // The reference gave way to its one line, placed at the insertion point.
      EXPECT_EQ(ModelSpaceCount(), before) << c.name;
      EXPECT_EQ(host->drawing().FindEntity(*last), nullptr) << c.name;
      const host::Entity* part = host->drawing().FindEntity(*host->drawing().Newest());
      ASSERT_NE(part, nullptr);
      const auto* line = std::get_if<host::LineShape>(&part->shape);
      ASSERT_NE(line, nullptr) << c.name;
      EXPECT_EQ(line->start, (TAcadPoint{100, 50, 0})) << c.name;
    } else {
      EXPECT_EQ(ModelSpaceCount(), before) << c.name;
      EXPECT_EQ(host->drawing().Newest(), last) << c.name;
    }
  }
}

TEST_F(DatabaseTest, LastEntityId) {
  EXPECT_EQ(LastEntityId(doc), 0);
  AddLine();
  const host::ObjectId second = AddLine();
  EXPECT_EQ(LastEntityId(doc), second);
  EXPECT_GT(second, std::int64_t{0xFFFFFFFF}) << "IDs are 64-bit";
  EXPECT_TRUE(host->selectionSets().empty());
}

TEST_F(DatabaseTest, TempSelectionSetsOfTheHelpersDoNotClash) {
  // A set left by someone else does not stop the helpers.
  doc.SelectionSets().Add("SSTEMP_1");
  const host::ObjectId id = AddLine();
  EXPECT_EQ(LastEntityId(doc), id);
  ASSERT_EQ(host->selectionSets().size(), 1u);
  EXPECT_EQ(host->selectionSets()[0]->name, "SSTEMP_1");
}

TEST_F(DatabaseTest, SelectAtWorldPointTranslatesOnlyUnderAUserCoordinateSystem) {
  AddLine();  // (0,0)-(10,0)
  struct Case {
    const char* name;
    TAcadPoint origin, xdir, ydir;
    int translations;
  } cases[] = {
      {"world", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0},
      {"moved", {100, 50, 0}, {1, 0, 0}, {0, 1, 0}, 1},
      {"turned", {0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, 1},
      {"moved and turned", {-3, 7, 0}, {0.6, 0.8, 0}, {-0.8, 0.6, 0}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host->drawing().vars.UCSORG = c.origin;
    host->drawing().vars.UCSXDIR = c.xdir;
    host->drawing().vars.UCSYDIR = c.ydir;
    host->ResetCallCounts();
    const SelectionSet set = NewTempSelectionSet(doc);
    SelectAtWorldPoint(doc, set, {5, 0, 0}, SelectionFilter::EntityType("*LINE"));
    EXPECT_EQ(set.Count(), 1);
    EXPECT_EQ(host->CallCount("TranslateCoordinates"), c.translations);
    set.Delete();
  }
}

TEST_F(DatabaseTest, HelpersPassOrSwallowErrors) {
  struct Case {
    const char* name;
    std::function<void(const Document&)> call;
    bool raises;
  } cases[] = {
      {"EnsureLayer", [](const Document& d) { EnsureLayer(d, "H_TEXT"); }, true},
      {"AddNumberedBlock", [](const Document& d) { AddNumberedBlock(d, "Trivane_"); }, true},
      {"NextBlockName", [](const Document& d) { NextBlockName(d, "TRIVANE_"); }, true},
      {"NewTempSelectionSet", [](const Document& d) { NewTempSelectionSet(d); }, true},
      {"DeleteBlockDefinition", [](const Document& d) { DeleteBlockDefinition(d, "X"); }, false},
      {"ExplodeLastInsert", [](const Document& d) { ExplodeLastInsert(d, "X"); }, false},
      {"LastEntityId", [](const Document& d) { EXPECT_EQ(LastEntityId(d), 0); }, false},
  };
  const Document broken(
      std::make_shared<FaultyObject>(nullptr, std::set<std::string, std::less<>>{}));
  for (const Case& c : cases) {
    if (c.raises)
      EXPECT_THROW(c.call(broken), AutomationError) << c.name;
    else
      EXPECT_NO_THROW(c.call(broken)) << c.name;
  }
}

}  // namespace
}  // namespace trivane::cad
