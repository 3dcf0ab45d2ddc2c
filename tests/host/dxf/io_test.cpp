#include <gtest/gtest.h>

#include <filesystem>

#include "host/dxf/io.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::dxf {
namespace {

using testing::FixturePath;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

// A small R12 drawing in the text form a CAD writes, with CR LF line ends.
std::string Crlf(std::string_view lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n')
      out += '\r';
    out += c;
  }
  return out;
}

constexpr std::string_view kSmallR12 =
    "999\ncomment by the writer\n"
    "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  9\n$DWGCODEPAGE\n  3\nANSI_932\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n 70\n     1\n"
    "  0\nLAYER\n  2\n0\n 70\n     0\n 62\n     7\n  6\nCONTINUOUS\n  0\nENDTAB\n  0\nENDSEC\n"
    "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  8\n0\n  2\nB1\n 70\n     0\n 10\n0.0\n 20\n0.0\n"
    "  3\nB1\n  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 11\n1.0\n 21\n1.0\n  0\nENDBLK\n  8\n0\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 62\n     1\n 10\n0.0\n 20\n0.0\n"
    " 11\n10.0\n 21\n5.0\n1001\nAPP1\n1000\nfirst\n1001\nAPP2\n1070\n    2\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nMYSECTION\n  1\nkept as it is\n  0\nENDSEC\n"
    "  0\nEOF\n";

TEST(ReadWrite, UntouchedFixturesAreWrittenBackByteForByte) {
  for (const char* name :
       {"other_program_r2000.dxf", "other_program_r2018.dxf", "other_program_r12_932.dxf"}) {
    const std::string bytes = ReadBytes(FixturePath(name));
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(Write(Read(bytes, name)), bytes) << name;
  }
}

TEST(ReadWrite, CrLfFileIsWrittenBackByteForByte) {
  const std::string bytes = Crlf(kSmallR12);
  const Document doc = Read(bytes);
  EXPECT_EQ(doc.lineEnding, "\r\n");
  EXPECT_EQ(Write(doc), bytes);
}

TEST(ReadWrite, StructureKeepsEverythingInOrder) {
  const Document doc = Read(kSmallR12);
  ASSERT_EQ(doc.preamble.size(), 1u);
  ASSERT_EQ(doc.sections.size(), 5u);
  EXPECT_EQ(doc.sections[4].name, "MYSECTION");
  EXPECT_EQ(doc.sections[4].tags, (Tags{{1, "kept as it is"}}));
  EXPECT_EQ(doc.AcadVersion(), "AC1009");
  EXPECT_EQ(doc.HeaderValue("$DWGCODEPAGE"), "ANSI_932");
  ASSERT_NE(doc.FindTableRecord("layer", "0"), nullptr);
  const Block* block = doc.FindBlock("b1");
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->entities.size(), 1u);
  EXPECT_EQ(block->entities[0].type, "LINE");
  ASSERT_EQ(doc.Entities().size(), 1u);
  const Entity& line = doc.Entities()[0];
  EXPECT_EQ(line.Value(62), "     1");  // values as stored
  ASSERT_EQ(line.xdata.size(), 2u);
  EXPECT_EQ(line.xdata[0], (XData{"APP1", {{1000, "first"}}}));
  EXPECT_EQ(line.xdata[1], (XData{"APP2", {{1070, "    2"}}}));
}

TEST(ReadWrite, ToleratesLooseGroupCodesAndWritesThemRightAligned) {
  const std::string loose =
      "0 \nSECTION\n2\t\nENTITIES\n0\nPOINT\n8\nL\n10\n1\n20\n2\n 0\nENDSEC\n0  \nEOF";
  const std::string written = Write(Read(loose));
  EXPECT_EQ(written,
            "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\nL\n 10\n1\n 20\n2\n  0\nENDSEC\n"
            "  0\nEOF\n");
}

TEST(ReadWrite, ValueBlanksAreKept) {
  const std::string text =
      "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n  two  \n  0\nENDSEC\n  0\nEOF\n";
  const Document doc = Read(text);
  EXPECT_EQ(doc.Entities()[0].Value(1), "  two  ");
  EXPECT_EQ(Write(doc), text);
}

struct MalformedCase {
  const char* what;
  std::string text;
  int line;
  const char* message;
};

TEST(ReadErrors, MalformedFilesGiveTheLineAndTheFault) {
  const std::string head = "  0\nSECTION\n  2\nENTITIES\n";
  const MalformedCase cases[] = {
      {"empty", "", 0, "the file is empty"},
      {"truncated after a code", head + "  0\nLINE\n 10", 7, "without its value (truncated"},
      {"truncated in a section", head + "  0\nLINE\n 10\n1.0\n", 8, "without 0/EOF"},
      {"missing EOF", head + "  0\nENDSEC\n", 6, "without 0/EOF"},
      {"bad group code", head + "  0\nLINE\nxx\n1.0\n  0\nENDSEC\n  0\nEOF\n", 7,
       "group code expected, found \"xx\""},
      {"fractional group code", head + "1.5\n1.0\n  0\nEOF\n", 5, "group code expected"},
      {"code out of range", head + "2000\nx\n  0\nEOF\n", 5, "invalid group code 2000"},
      {"bad number", head + "  0\nLINE\n 10\n1,5\n  0\nENDSEC\n  0\nEOF\n", 8,
       "group code 10 needs a number, found \"1,5\""},
      {"bad integer", head + "  0\nLINE\n 62\n1.0\n  0\nENDSEC\n  0\nEOF\n", 8,
       "group code 62 needs an integer"},
      {"section not closed", head + "  0\nLINE\n  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n  0\nEOF\n",
       7, "section ENTITIES (line 1) is not closed by 0/ENDSEC"},
      {"no section name", "  0\nSECTION\n  0\nENDSEC\n  0\nEOF\n", 3, "section name"},
      {"stray tag at top level", "  8\nX\n  0\nEOF\n", 1, "expected 0/SECTION"},
      {"table not closed",
       "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nENDSEC\n  0\nEOF\n", 9,
       "table LAYER (line 5) is not closed by 0/ENDTAB"},
      {"block not closed",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nB\n  0\nLINE\n  0\nBLOCK\n  2\nC\n"
       "  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       11, "block B (line 5) is not closed by 0/ENDBLK"},
      {"entity outside a block", "  0\nSECTION\n  2\nBLOCKS\n  0\nLINE\n  0\nENDSEC\n  0\nEOF\n", 5,
       "expected 0/BLOCK"},
      {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "\x00\x00", 0,
       "binary DXF is not supported"},
  };
  for (const MalformedCase& c : cases) {
    try {
      Read(c.text, "drawing.dxf");
      ADD_FAILURE() << c.what << ": no error";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.file(), "drawing.dxf") << c.what;
      EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.what << ": " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("drawing.dxf", 0), 0u) << c.what;
    }
  }
}

TEST(ReadErrors, MissingFileIsAReadError) {
  EXPECT_THROW(ReadFile("/nonexistent/folder/drawing.dxf"), ReadError);
}

TEST(ReadWrite, Utf8ByteOrderMarkIsKept) {
  const std::string text = "\xEF\xBB\xBF  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";
  const Document doc = Read(text);
  EXPECT_TRUE(doc.byteOrderMark);
  EXPECT_EQ(Write(doc), text);
}

TEST(ReadWrite, CodePageFollowsTheFile) {
  // No $DWGCODEPAGE: the option decides. "三" is 0x8E 0x4F in code page 932.
  const std::string text =
      "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n\x8e\x4f\n  0\nENDSEC\n  0\nEOF\n";
  EXPECT_EQ(Read(text, "x", ReadOptions{"ANSI_932"}).Entities()[0].Value(1), "三");
  EXPECT_NE(Read(text).Entities()[0].Value(1), "三");
  Document doc = Read(text, "x", ReadOptions{"ANSI_932"});
  EXPECT_EQ(Write(doc), text);
  // A changed value is encoded in the file's code page; what it cannot hold is escaped.
  doc.Entities()[0].tags[0].value = "面積€";
  EXPECT_NE(Write(doc).find("\x96\xca\x90\xcf\\U+20AC"), std::string::npos);
  // From AC1021 on the file is UTF-8 whatever $DWGCODEPAGE says.
  doc.SetHeaderVariable("$ACADVER", {{1, "AC1032"}});
  doc.SetHeaderVariable("$DWGCODEPAGE", {{3, "ANSI_932"}});
  EXPECT_EQ(CodePageOf(doc), "UTF-8");
  EXPECT_NE(Write(doc).find("面積€"), std::string::npos);
}

// What one read gives: the document as written back and as structured, the repairs, or the error.
struct ReadResult {
  std::string written;
  std::vector<Section> sections;
  Tags preamble;
  Repairs repairs;
  std::string error;
  friend bool operator==(const ReadResult&, const ReadResult&) = default;
};

ReadResult ReadOnce(const std::string& text, bool onePass, bool repairing) {
  ReadOptions options{"ANSI_932"};
  options.onePass = onePass;
  ReadResult r;
  try {
    const Document doc =
        repairing ? Read(text, "d.dxf", options, r.repairs) : Read(text, "d.dxf", options);
    r.written = Write(doc);
    r.sections = doc.sections;
    r.preamble = doc.preamble;
  } catch (const ReadError& e) {
    r.error = e.what();
  }
  return r;
}

// The one pass over a sound file and the careful way agree on every file: the same document
// (values, the bytes kept beside them, code page, line ends), the same repairs, the same errors.
TEST(ReadWrite, OnePassReadsAsTheCarefulWay) {
  const std::string header932 =
      "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  9\n$DWGCODEPAGE\n  3\n"
      "ANSI_932\n  9\n$PROJECTNAME\n  1\n\x96\xca\x90\xcf\n  0\nENDSEC\n";
  const std::string layers =
      "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  2\n0\n 70\n0\n"
      "  0\nLAYER\n  2\n\x8e\x4f\n 70\n0\n  0\nENDTAB\n  0\nENDSEC\n";
  const std::string entities =
      "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n100\nAcDbEntity\n  8\n\x8e\x4f\n  1\n"
      "\\U+6E2C\x8e\x4f\n1001\nAPP\n1000\n\x96\xca\n  0\nENDSEC\n";
  const std::string sound = "999\nby hand\n" + header932 + layers + entities + "  0\nEOF\n";
  std::vector<std::string> texts = {
      sound,
      Crlf(sound),
      std::string(kSmallR12),
      // UTF-8 from AC1021 on, with a byte-order mark.
      "\xEF\xBB\xBF  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1032\n  0\nENDSEC\n"
      "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n測点\n  0\nENDSEC\n  0\nEOF\n",
      // No header: the code page of the options.
      "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n\x8e\x4f\n  0\nENDSEC\n  0\nEOF\n",
      // A header variable in the header's last tag, whose value line is the next tag's.
      "  0\nSECTION\n  2\nHEADER\n  9\n$DWGCODEPAGE\n  0\nENDSEC\n  0\nEOF\n",
      // Repairs: a layer without its record, a stray 0/ENDSEC, no 0/EOF, a variable before the
      // first section, an R2000 drawing without $ACADVER.
      header932 +
          "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nENDTAB\n"
          "  0\nENDSEC\n" +
          entities + "  0\nEOF\n",
      header932 + "  0\nENDSEC\n" + entities + "  0\nEOF\n",
      header932 + entities,
      "  9\n$ACADVER\n  1\nAC1009\n" + header932 + "  0\nEOF\n",
      "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\n"
      "BLOCK_RECORD\n  0\nBLOCK_RECORD\n100\nAcDbSymbolTableRecord\n  2\n*Model_Space\n"
      "  0\nENDTAB\n  0\nENDSEC\n  0\nEOF\n",
      // Extended data on the header's 0/ENDSEC, in the code page.
      "  0\nSECTION\n  2\nHEADER\n  9\n$DWGCODEPAGE\n  3\nANSI_932\n  0\nENDSEC\n1001\n"
      "\x96\xca\n1000\n\x96\xca\n  0\nEOF\n",
      // A stray tag after the header, with bytes no code page defines.
      "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n  5\nSECTI\xffN\n"
      "  0\nSECTION\n  2\nH\n 31\n0.0\n  0\nENDSEC\n  0\nEOF\n",
  };
  const std::string head = "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n";
  for (const char* fault : {"", "  0\nLINE\n 10", "  0\nLINE\n 10\n1,5\n  0\nEOF\n",
                            "xx\n1\n  0\nEOF\n", "  0\nSECTION\n  0\nEOF\n",
                            "999\nno sections\n  0\nEOF\n", "  0\nENDSEC\n999\nx\n  0\nEOF\n"}) {
    texts.push_back(fault);
    texts.push_back(head + fault);
  }
  for (const std::string& text : texts) {
    for (const bool repairing : {false, true}) {
      const ReadResult careful = ReadOnce(text, false, repairing);
      EXPECT_EQ(ReadOnce(text, true, repairing), careful)
          << (repairing ? "repairing: " : "") << text << "\n"
          << careful.error;
    }
  }
  // The sound file is read as it stands, its values decoded in the header and after it.
  const ReadResult r = ReadOnce(sound, true, true);
  EXPECT_TRUE(r.repairs.empty());
  EXPECT_EQ(r.written, sound);
  EXPECT_EQ(r.sections[0].tags[5].value, "面積");
  EXPECT_EQ(r.sections[2].records[0].Value(1), "測三");
}

}  // namespace
}  // namespace trivane::dxf
