#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::dxf {
namespace {

using testing::Quote;
using testing::RunScript;
using testing::ScratchDir;
using testing::WriteBytes;

// 1-based line of the first `needle` in `text` at or after the first `after`; with no needle, the
// line after the last.
int LineOf(const std::string& text, const std::string& needle, const std::string& after = {}) {
  if (needle.empty())
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  const std::size_t from = after.empty() ? 0 : text.find(after);
  const std::size_t at = text.find(needle, from);
  if (from == std::string::npos || at == std::string::npos)
    return -1;
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string Line(std::string_view layer, double x) {
  const std::string v = std::to_string(x);
  return "  0\nLINE\n  8\n" + std::string(layer) + "\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n" + v +
         "\n 21\n1.0\n 31\n0.0\n";
}

const std::string kHeader = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n";
const std::string kEntitiesStart = "  0\nSECTION\n  2\nENTITIES\n";
const std::string kEnd = "  0\nENDSEC\n  0\nEOF\n";

// An R2000 drawing as this library writes it, with one line on WALLS (and, unless told, the
// WALLS layer record), to be damaged by the cases below.
std::string R2000(bool withWallsLayer = true) {
  Document doc = NewDocument("AC1015");
  doc.lineEnding = "\n";
  if (withWallsLayer)
    EnsureLayer(doc, LayerData{"WALLS", 1, "Continuous", 0});
  AddEntity(doc, NewEntity(doc, LineData{{0, 0, 0}, {5, 0, 0}}, Properties{"WALLS", {}, {}}));
  return Write(doc);
}

// `text` without the part from `from` up to and including the first `to` after it.
std::string Cut(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t begin = text.find(from);
  const std::size_t end = text.find(to, begin);
  EXPECT_NE(end, std::string::npos) << from;
  return text.substr(0, begin) + text.substr(end + to.size());
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

struct ExpectedRepair {
  const char* what;  // a part of the repair's text
  int count;
  std::string needle;  // its first line: where this is found (after `after`)
  std::string after;
};

// How the case stands with other readers.
enum class Strict { Refuses, Reads };       // this library's strict reader, on the damaged file
enum class Ezdxf { SameContent, Differs };  // ezdxf's recover mode, against the repaired file

struct RecoveryCase {
  const char* fault;
  std::string text;
  std::vector<ExpectedRepair> repairs;
  std::size_t entities;  // in ENTITIES after the repair
  Strict strict;
  Ezdxf ezdxf;
};

std::vector<RecoveryCase> RecoveryCases() {
  const std::string sectionedLines = kEntitiesStart + Line("0", 1) + Line("WALLS", 2) + kEnd;
  const std::string r2000 = R2000();
  return {
      {"stray ENDSEC inside HEADER, as an old writer leaves it",
       "999\nold writer\n" +
           Replace(kHeader, "  0\nENDSEC\n",
                   "  0\nENDSEC\n  9\n$EXTMIN\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  9\n$INSUNITS\n"
                   " 70\n4\n  0\nENDSEC\n") +
           sectionedLines,
       {{"stray 0/ENDSEC removed, the section goes on", 1, "  0\nENDSEC\n  9\n", ""}},
       2,
       Strict::Refuses,
       Ezdxf::SameContent},
      {"stray ENDSECs between entities and inside one",
       kEntitiesStart + Line("0", 1) + "  0\nENDSEC\n" +
           Replace(Line("WALLS", 2), " 10\n", "  0\nENDSEC\n 10\n") + kEnd,
       {{"stray 0/ENDSEC", 2, "  0\nENDSEC\n  0\nLINE", ""}},
       2,
       Strict::Refuses,
       Ezdxf::Differs},  // ezdxf drops the line the second ENDSEC cuts
      {"tags before the first section",
       "  9\n$INSUNITS\n 70\n4\n  0\nLINE\n  8\n0\n" + kHeader + sectionedLines,
       {{"header variable before the first section moved into HEADER", 1, "  9\n$INSUNITS", ""},
        {"tag outside any section dropped", 2, "  0\nLINE", ""}},
       2,
       Strict::Refuses,
       Ezdxf::SameContent},
      {"missing EOF",
       kHeader + kEntitiesStart + Line("0", 1) + "  0\nENDSEC\n",
       {{"0/EOF missing at the end of the file, added", 1, "", ""}},
       1,
       Strict::Refuses,
       Ezdxf::SameContent},
      {"missing ENDSECs before a section and before EOF",
       Replace(kHeader, "  0\nENDSEC\n", "") + kEntitiesStart + Line("0", 1) + "  0\nEOF\n",
       {{"section not closed, 0/ENDSEC added", 2, "  0\nSECTION\n  2\nENTITIES", ""}},
       1,
       Strict::Refuses,
       Ezdxf::SameContent},
      {"R12 layer table without the layer of an entity",
       kHeader +
           "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n 70\n1\n  0\nLAYER\n  2\n0\n"
           " 70\n0\n 62\n7\n  6\nCONTINUOUS\n  0\nENDTAB\n  0\nENDSEC\n" +
           sectionedLines,
       {{"layer without a LAYER record", 1, "  8\nWALLS", ""}},
       2,
       Strict::Reads,
       Ezdxf::SameContent},
      {"R2000 without HEADER",
       Cut(r2000, "  0\nSECTION\n  2\nHEADER\n", "  0\nENDSEC\n"),
       {{"no $ACADVER in the header of an R13-or-later drawing, AC1015 set", 1, "  0\nSECTION",
         ""}},
       1,
       Strict::Reads,
       Ezdxf::Differs},  // ezdxf takes it for R12 and fails
      {"R2000 with an empty HEADER",
       Cut(r2000, "  9\n$ACADVER\n", "  0\nENDSEC\n")
           .insert(r2000.find("  9\n$ACADVER\n"), "  0\nENDSEC\n"),
       {{"no $ACADVER", 1, "  0\nSECTION", ""}},
       1,
       Strict::Reads,
       Ezdxf::Differs},
      {"R2000 without the layer record of an entity",
       R2000(false),
       {{"layer without a LAYER record", 1, "  8\nWALLS", ""}},
       1,
       Strict::Reads,
       Ezdxf::SameContent},
      {"R2000 without a LAYER table",
       Cut(r2000, "  0\nTABLE\n  2\nLAYER\n", "  0\nENDTAB\n"),
       {{"layer without a LAYER record", 2, "  8\n", "BLOCKS"}},
       1,
       Strict::Reads,
       Ezdxf::SameContent},
  };
}

TEST(Recovery, EachFaultIsRepairedAndReportedOnceWithItsCountAndFirstLine) {
  for (const RecoveryCase& c : RecoveryCases()) {
    SCOPED_TRACE(c.fault);
    Repairs repairs;
    Document doc;
    try {
      doc = Read(c.text, "field.dxf", {}, repairs);
    } catch (const ReadError& e) {
      ADD_FAILURE() << "refused: " << e.what();
      continue;
    }
    ASSERT_EQ(repairs.size(), c.repairs.size()) << (repairs.empty() ? "" : repairs[0].what);
    for (std::size_t k = 0; k < repairs.size(); ++k) {
      const ExpectedRepair& want = c.repairs[k];
      EXPECT_NE(repairs[k].what.find(want.what), std::string::npos) << repairs[k].what;
      EXPECT_EQ(repairs[k].count, want.count) << repairs[k].what;
      EXPECT_EQ(repairs[k].firstLine, LineOf(c.text, want.needle, want.after)) << repairs[k].what;
    }
    EXPECT_EQ(doc.Entities().size(), c.entities);
    // What is written is sound: the strict reader takes it, and reading it needs no repair.
    const std::string written = Write(doc);
    EXPECT_NO_THROW(Read(written, "written.dxf"));
    Repairs again;
    Read(written, "written.dxf", {}, again);
    EXPECT_TRUE(again.empty()) << again.front().what;
    // The strict reader refuses a damaged structure still.
    if (c.strict == Strict::Refuses) {
      EXPECT_THROW(Read(c.text, "field.dxf"), ReadError);
    }
  }
}

TEST(Recovery, SoundFileNeedsNoRepairAndIsKeptByteForByte) {
  const std::string text = R2000();
  Repairs repairs{{"left from before", 1, 1}};
  const Document doc = Read(text, "sound.dxf", {}, repairs);
  EXPECT_TRUE(repairs.empty());
  EXPECT_EQ(Write(doc), text);
}

TEST(Recovery, StrayEndsecKeepsEveryHeaderVariableWithAllItsValues) {
  const RecoveryCase c = RecoveryCases()[0];
  Repairs repairs;
  const Document doc = Read(c.text, "field.dxf", {}, repairs);
  EXPECT_EQ(doc.HeaderVariable("$EXTMIN"), (Tags{{10, "0.0"}, {20, "0.0"}, {30, "0.0"}}));
  EXPECT_EQ(doc.HeaderValue("$INSUNITS"), "4");
  EXPECT_EQ(doc.preamble, (Tags{{999, "old writer"}}));
}

TEST(Recovery, RepairsAddOnlyWhatIsMissing) {
  const std::vector<RecoveryCase> cases = RecoveryCases();
  Repairs repairs;
  // A variable from before the first section goes into HEADER; one HEADER sets wins.
  const Document moved = Read(cases[2].text, "f.dxf", {}, repairs);
  EXPECT_EQ(moved.HeaderValue("$INSUNITS"), "4");
  const Document held =
      Read("  9\n$ACADVER\n  1\nAC1015\n" + kHeader + kEntitiesStart + kEnd, "f.dxf", {}, repairs);
  EXPECT_EQ(held.AcadVersion(), "AC1009");
  ASSERT_EQ(repairs.size(), 1u);
  EXPECT_NE(repairs[0].what.find("dropped, HEADER sets it too"), std::string::npos);
  // The layer made up for an entity is the CAD's default one; the entity is not touched.
  const Document layered = Read(cases[8].text, "f.dxf", {}, repairs);
  const Entity* walls = layered.FindTableRecord("LAYER", "WALLS");
  ASSERT_NE(walls, nullptr);
  EXPECT_EQ(AsLayer(*walls), (LayerData{"WALLS", 7, "Continuous", 0}));
  EXPECT_FALSE(walls->Handle().empty());
  EXPECT_EQ(AsLine(layered.Entities()[0]), (LineData{{0, 0, 0}, {5, 0, 0}}));
  // An R12 drawing may leave all its layers undefined: nothing to repair there.
  Read(kEntitiesStart + Line("WALLS", 1) + kEnd, "f.dxf", {}, repairs);
  EXPECT_TRUE(repairs.empty());
}

struct RefusedCase {
  const char* what;
  std::string text;
  int line;
  const char* message;
};

TEST(Recovery, WhatCannotBePutRightIsStillRefusedWithTheLine) {
  const RefusedCase cases[] = {
      {"empty", "", 0, "the file is empty"},
      {"ends inside a section", kEntitiesStart + Line("0", 1), 20, "without 0/EOF (truncated"},
      {"ends after a group code", kEntitiesStart + "  0\nLINE\n 10", 7, "without its value"},
      {"bad number", kEntitiesStart + "  0\nLINE\n 10\n1,5\n" + kEnd, 8, "needs a number"},
      {"no section at all", "  8\nX\n  0\nEOF\n", 3, "holds no 0/SECTION"},
      {"table not closed",
       "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nENDSEC\n  0\nEOF\n", 9,
       "table LAYER (line 5) is not closed by 0/ENDTAB"},
      {"block not closed",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nB\n  0\nLINE\n  0\nBLOCK\n  2\nC\n"
       "  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       11, "block B (line 5) is not closed by 0/ENDBLK"},
  };
  for (const RefusedCase& c : cases) {
    Repairs repairs;
    try {
      Read(c.text, "drawing.dxf", {}, repairs);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.what << ": " << e.what();
    }
  }
}

TEST(Recovery, DescriptionNamesTheFileTheCountAndTheFirstLine) {
  EXPECT_EQ(Describe(Repair{"stray 0/ENDSEC removed, the section goes on", 1, 15}, "a3.dxf"),
            "a3.dxf: repaired: stray 0/ENDSEC removed, the section goes on: 1 time, first at "
            "line 15");
  EXPECT_EQ(Describe(Repair{"tag outside any section dropped", 3, 1}, "b.dxf"),
            "b.dxf: repaired: tag outside any section dropped: 3 times, first at line 1");
}

// ezdxf's strict reader and audit accept every repaired file, which holds what ezdxf's own
// recovery finds in the damaged one where ezdxf recovers all of it.
TEST(Recovery, RepairedFilesAreSoundAndMatchWhatEzdxfRecovers) {
  ScratchDir dir;
  std::string pairs;
  std::string saved;
  int n = 0;
  for (const RecoveryCase& c : RecoveryCases()) {
    const std::string original = dir.File("case" + std::to_string(n) + ".dxf");
    const std::string repaired = dir.File("case" + std::to_string(n++) + ".saved.dxf");
    WriteBytes(original, c.text);
    Repairs repairs;
    Document doc = ReadFile(original, {}, repairs);
    WriteFile(doc, repaired);
    saved += " " + Quote(repaired);
    if (c.ezdxf == Ezdxf::SameContent)
      pairs += " " + Quote(original) + " " + Quote(repaired);
  }
  const auto same = RunScript("check_content.py", pairs);
  EXPECT_EQ(same.exitCode, 0) << same.output;
  EXPECT_EQ(same.output.find("skipped"), std::string::npos) << same.output;
  const auto audit = RunScript("audit.py", saved);
  EXPECT_EQ(audit.exitCode, 0) << audit.output;
}

}  // namespace
}  // namespace trivane::dxf
