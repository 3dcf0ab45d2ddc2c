// The host's command line: typed answers and AutoLISP, the boundary, insert, move and leader
// commands as the system sends them, waiting commands and Esc, unknown commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "cad/connection.h"
#include "cad/link.h"
#include "host/bridge/dxf_bridge.h"
#include "host/command_line/command_line.h"
#include "host/dxf/io.h"
#include "host/sim/sim_platform.h"
#include "tests/host/host_fixture.h"

namespace trivane::host::testing {
namespace {

using Kind = TypedAnswer::Kind;

// --- Typing --------------------------------------------------------------------------------------

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<TypedAnswer> answers;
  std::string unfinished;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, AnswersEndAtCrOrBlank) {
  const SplitCase& c = GetParam();
  std::string unfinished;
  EXPECT_EQ(SplitAnswers(c.text, unfinished), c.answers);
  EXPECT_EQ(unfinished, c.unfinished);
}

const SplitCase kSplitCases[] = {
    {"Boundary",
     "_-BOUNDARY A O P \r1234.5679,-5.5000\r\r",
     {{Kind::Text, "_-BOUNDARY"},
      {Kind::Text, "A"},
      {Kind::Text, "O"},
      {Kind::Text, "P"},
      {Kind::Text, ""},
      {Kind::Text, "1234.5679,-5.5000"},
      {Kind::Text, ""}},
     ""},
    {"QuotedFileKeepsItsBlanks",
     "_-INSERT\r\"*C:\\Program Files\\TRIVANE_1.dxf\"\r0.0,0.0 1.0 0.0\r",
     {{Kind::Text, "_-INSERT"},
      {Kind::Text, "*C:\\Program Files\\TRIVANE_1.dxf"},
      {Kind::Text, "0.0,0.0"},
      {Kind::Text, "1.0"},
      {Kind::Text, "0.0"}},
     ""},
    {"LispIsOneAnswer",
     "(command \"_-INSERT\" \"Trivane_1\" \"S\" 1 \"R\" 0)(princ)\r",
     {{Kind::Lisp, "(command \"_-INSERT\" \"Trivane_1\" \"S\" 1 \"R\" 0)(princ)"}},
     ""},
    {"CrLfEndsOnce", "MOVE\r\nPRE\n\r\n", {{Kind::Text, "MOVE"}, {Kind::Text, "PRE"}, {}}, ""},
    {"TextNotYetEnteredWaits", "MOVE\rPR", {{Kind::Text, "MOVE"}}, "PR"},
    {"OpenLispWaits", "(command \"MOVE\"\r", {}, "(command \"MOVE\"\r"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, SplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return info.param.name; });

TEST(SplitAnswers, UnfinishedTextJoinsTheNextText) {
  std::string unfinished;
  EXPECT_TRUE(SplitAnswers("MO", unfinished).empty());
  EXPECT_EQ(SplitAnswers("VE\r", unfinished), (std::vector<TypedAnswer>{{Kind::Text, "MOVE"}}));
  EXPECT_EQ(unfinished, "");
}

TEST(EvaluateLisp, CommandTypesItsArgumentsPrincPrints) {
  std::string printed;
  EXPECT_EQ(
      EvaluateLisp("(command \"_-INSERT\" \"Trivane_1\" \"S\" 1 \"R\" 0.5 pause)(princ)", printed),
      (std::vector<TypedAnswer>{{Kind::Text, "_-INSERT"},
                                {Kind::Text, "Trivane_1"},
                                {Kind::Text, "S"},
                                {Kind::Text, "1"},
                                {Kind::Text, "R"},
                                {Kind::Text, "0.5"},
                                {Kind::Pause, ""}}));
  EXPECT_EQ(printed, "");
  EXPECT_TRUE(EvaluateLisp("(princ \"a \\\"b\\\"\")", printed).empty());
  EXPECT_EQ(printed, "a \"b\"");
}

TEST(EvaluateLisp, WhatItCannotEvaluateIsAnError) {
  const char* bad[] = {"(setq a 1)", "(command \"MOVE\"", "(command (ssget))", "42", ")"};
  for (const char* text : bad) {
    std::string printed;
    EXPECT_THROW(EvaluateLisp(text, printed), std::runtime_error) << text;
  }
}

// --- Commands ------------------------------------------------------------------------------------

class CommandLineTest : public HostFixture {
 protected:
  CommandLineTest() { InstallCommandLine(*host); }

  Drawing& drawing() { return host->drawing(); }
  ObjectId Add(Shape shape) { return host->CreateEntity(std::move(shape)); }
  const Entity& Get(ObjectId id) { return *drawing().FindEntity(id); }
  ObjectId Newest() { return drawing().Newest().value_or(0); }
  bool Logged(std::string_view line) {
    for (const std::string& l : host->log().Lines()) {
      if (l == line)
        return true;
    }
    return false;
  }
  bool LoggedStartingWith(std::string_view start) {
    for (const std::string& l : host->log().Lines()) {
      if (l.starts_with(start))
        return true;
    }
    return false;
  }
  bool Quiescent() { return app.GetAcadState().IsQuiescent(); }

  void AddRectangleHalves() {  // two squares sharing the edge x = 10
    Add(PolylineShape{{{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}, true, 0.0, {}});
    Add(LineShape{{10, 10, 0}, {10, 0, 0}});
  }
};

// --- BOUNDARY

TEST_F(CommandLineTest, BoundaryMakesTheRegionsPolylineOnTheCurrentLayer) {
  AddRectangleHalves();
  drawing().AddLayer("WORK");
  drawing().vars.CLAYER = "WORK";
  drawing().vars.LASTPOINT = {1, 2, 3};

  doc.SendCommand("_-BOUNDARY A O P \r15.0000,5.0000\r\r");
  const Entity& made = Get(Newest());
  const auto* outline = std::get_if<PolylineShape>(&made.shape);
  ASSERT_NE(outline, nullptr);
  EXPECT_TRUE(outline->closed);
  EXPECT_EQ(outline->vertices,
            (std::vector<TAcadPoint>{{10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}}));
  EXPECT_EQ(made.layer, "WORK");
  EXPECT_EQ(drawing().vars.LASTPOINT, (TAcadPoint{1, 2, 3}));
  EXPECT_TRUE(Logged("BOUNDARY created 1 polyline"));
  EXPECT_TRUE(Quiescent());

  // The other half gets its own region.
  doc.SendCommand("_-BOUNDARY A O P \r5.0000,5.0000\r\r");
  EXPECT_EQ(std::get<PolylineShape>(Get(Newest()).shape).vertices,
            (std::vector<TAcadPoint>{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}));
}

TEST_F(CommandLineTest, BoundaryOutsideEveryRegionMakesNothing) {
  AddRectangleHalves();
  const ObjectId newest = Newest();
  const std::size_t count = drawing().entities.size();
  doc.SendCommand("_-BOUNDARY A O P \r50.0000,5.0000\r\r");
  EXPECT_EQ(Newest(), newest);
  EXPECT_EQ(drawing().entities.size(), count);
  EXPECT_TRUE(Logged("Valid boundary not found."));
  EXPECT_TRUE(Logged("BOUNDARY created 0 polylines"));
}

TEST_F(CommandLineTest, BoundaryOfAClockwisePolylineRunsAnticlockwise) {
  Add(PolylineShape{{{0, 10, 0}, {10, 10, 0}, {10, 0, 0}, {0, 0, 0}}, true, 0.0, {}});
  doc.SendCommand("_-BOUNDARY A O P \r2.0000,3.0000\r\r");
  EXPECT_EQ(std::get<PolylineShape>(Get(Newest()).shape).vertices,
            (std::vector<TAcadPoint>{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}));
}

// The boundary objects are kept from one command to the next: what was erased, added, moved or
// put in the drawing's place since counts at the next pick.
TEST_F(CommandLineTest, BoundaryFollowsTheDrawingBetweenCommands) {
  AddRectangleHalves();
  const ObjectId shared = Newest();
  const auto traced = [&](const char* pick) {
    doc.SendCommand(std::string("_-BOUNDARY A O P \r") + pick + "\r\r");
    const auto outline = std::get<PolylineShape>(Get(Newest()).shape).vertices;
    drawing().EraseEntity(Newest());
    return outline;
  };
  EXPECT_EQ(traced("15,5"),
            (std::vector<TAcadPoint>{{10, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}}));
  drawing().EraseEntity(shared);
  EXPECT_EQ(traced("15,5"),
            (std::vector<TAcadPoint>{{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}}));
  Add(LineShape{{12, 10, 0}, {12, 0, 0}});
  EXPECT_EQ(traced("15,5"),
            (std::vector<TAcadPoint>{{12, 0, 0}, {20, 0, 0}, {20, 10, 0}, {12, 10, 0}}));
  doc.SendCommand("MOVE\r12,5\r\r0,0\r4,0\r");
  EXPECT_EQ(traced("15,5"),
            (std::vector<TAcadPoint>{{0, 0, 0}, {16, 0, 0}, {16, 10, 0}, {0, 10, 0}}));
  drawing() = Drawing();
  Add(PolylineShape{{{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}, true, 0.0, {}});
  EXPECT_EQ(traced("15,5"),
            (std::vector<TAcadPoint>{{0, 0, 0}, {30, 0, 0}, {30, 30, 0}, {0, 30, 0}}));
}

// The boundary set is what the view shows: a long lot whose far end lies outside the view has no
// region until the view takes the end in. Its long sides, partly in view, take part.
TEST_F(CommandLineTest, BoundaryTakesOnlyTheObjectsInTheView) {
  Add(LineShape{{0, 0, 0}, {100, 0, 0}});
  Add(LineShape{{100, 0, 0}, {100, 10, 0}});
  Add(LineShape{{100, 10, 0}, {0, 10, 0}});
  Add(LineShape{{0, 10, 0}, {0, 0, 0}});
  drawing().vars.VIEWCTR = {5, 5, 0};
  drawing().vars.VIEWSIZE = 20;  // 32 wide: x from -11 to 21
  doc.SendCommand("_-BOUNDARY A O P \r5.0000,5.0000\r\r");
  EXPECT_TRUE(Logged("Valid boundary not found."));
  EXPECT_TRUE(Logged("BOUNDARY created 0 polylines"));

  drawing().vars.VIEWSIZE = 130;
  doc.SendCommand("_-BOUNDARY A O P \r5.0000,5.0000\r\r");
  EXPECT_EQ(std::get<PolylineShape>(Get(Newest()).shape).vertices,
            (std::vector<TAcadPoint>{{0, 0, 0}, {100, 0, 0}, {100, 10, 0}, {0, 10, 0}}));
}

// A lot fronting a curved road: the arc of the file bounds it, and the outline carries the arc as
// the bulge of its segment; its ends are the lines' corners.
TEST_F(CommandLineTest, BoundaryOfALotWithAnArcFrontage) {
  const std::string file =
      "0\nSECTION\n2\nENTITIES\n"
      "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n"
      "0\nLINE\n8\n0\n10\n10\n20\n0\n11\n10\n21\n10\n"
      "0\nARC\n8\n0\n10\n5\n20\n5\n40\n7.0710678118654755\n50\n45\n51\n135\n"
      "0\nLINE\n8\n0\n10\n0\n20\n10\n11\n0\n21\n0\n"
      "0\nENDSEC\n0\nEOF\n";
  drawing() = LoadDrawing(dxf::Read(file));
  for (const char* pick : {"5.0000,5.0000", "5.0000,11.0000"}) {
    doc.SendCommand(std::string("_-BOUNDARY A O P \r") + pick + "\r\r");
    const auto& outline = std::get<PolylineShape>(Get(Newest()).shape);
    EXPECT_EQ(outline.vertices,
              (std::vector<TAcadPoint>{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}))
        << pick;
    ASSERT_EQ(outline.bulges.size(), 4u) << pick;
    EXPECT_EQ(outline.bulges[0], 0.0);
    EXPECT_NEAR(outline.bulges[2], std::tan(std::numbers::pi / 8), 1e-15);
  }
}

// --- INSERT of a DXF file, exploded

// A file like the program's marker file: R12, one middle-centred TEXT on a Japanese layer (in code
// page 932, the file naming none) carrying the triangle record.
std::string MarkerLikeFile() {
  const std::string layer = "\x95\xb6\x8e\x9a";  // 文字 in code page 932
  std::string s;
  const auto add = [&](std::string_view code, std::string_view value) {
    s.append(code).append("\r\n").append(value).append("\r\n");
  };
  add("  0", "SECTION"), add("  2", "HEADER"), add("  9", "$ACADVER"), add("  1", "AC1009");
  add("  0", "ENDSEC");
  add("  0", "SECTION"), add("  2", "TABLES"), add("  0", "TABLE"), add("  2", "APPID");
  add("  0", "APPID"), add("  2", "LT_TRIVANE"), add(" 70", "0"), add("  0", "ENDTAB");
  add("  0", "ENDSEC");
  add("  0", "SECTION"), add("  2", "ENTITIES"), add("  0", "TEXT");
  add("  8", layer), add("  6", "BYLAYER"), add(" 62", "256"), add(" 48", "1.0");
  add(" 10", "1.0"), add(" 20", "1.0"), add(" 11", "1.0"), add(" 21", "1.0");
  add("  1", "7"), add(" 40", "0.4"), add(" 41", "1.0"), add(" 50", "0.0");
  add(" 72", "1"), add(" 73", "2");
  add("1001", "LT_TRIVANE"), add("1010", "4.0"), add("1020", "5.0"), add("1030", "3.0");
  add("  0", "ENDSEC"), add("  0", "EOF");
  return s;
}

class InsertFileTest : public CommandLineTest {
 protected:
  InsertFileTest() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    folder_ = std::filesystem::temp_directory_path() / ("trivane-cmdline-" + name);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  ~InsertFileTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Write(const std::string& fileName, const std::string& bytes) {
    const std::filesystem::path path = folder_ / fileName;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  static std::string InsertCommand(const std::string& path, std::string_view placement) {
    return "_-INSERT\r\"*" + path + "\"\r" + std::string(placement) + "\r";
  }

 private:
  std::filesystem::path folder_;
};

struct PlacementCase {
  const char* name;
  const char* typed;  // insertion point, scale, rotation
  TAcadPoint at;      // where the text's alignment point lands
  double height;
  double rotation;
  double tolerance;
};

class InsertPlacementTest : public InsertFileTest,
                            public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(InsertPlacementTest, TheTextArrivesWithItsRecordAndTheBlockStays) {
  const PlacementCase& c = GetParam();
  const ObjectId before = Newest();
  doc.SendCommand(InsertCommand(Write("TRIVANE_3.dxf", MarkerLikeFile()), c.typed));

  const ObjectId id = Newest();
  ASSERT_NE(id, before);
  const Entity& e = Get(id);
  const auto* text = std::get_if<TextShape>(&e.shape);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->string, "7");
  EXPECT_EQ(text->alignment, 10);
  EXPECT_NEAR(text->alignmentPoint.x, c.at.x, c.tolerance);
  EXPECT_NEAR(text->alignmentPoint.y, c.at.y, c.tolerance);
  EXPECT_NEAR(text->height, c.height, c.tolerance);
  EXPECT_NEAR(text->rotation, c.rotation, c.tolerance);
  EXPECT_EQ(e.layer, "文字");
  EXPECT_EQ(e.owner, drawing().ModelSpaceId());
  ASSERT_EQ(e.xdata.size(), 1u);
  EXPECT_EQ(e.xdata[0].application, "LT_TRIVANE");
  ASSERT_EQ(e.xdata[0].items.size(), 1u);
  EXPECT_EQ(e.xdata[0].items[0].code, 1010);
  EXPECT_EQ(e.xdata[0].items[0].value, (XdataValue{TAcadPoint{4, 5, 3}}));

  // Exploded: no reference stays; the block definition named after the file does.
  for (const auto& [other, entity] : drawing().entities)
    EXPECT_FALSE(std::holds_alternative<InsertShape>(entity.shape));
  const BlockRecord* block = drawing().FindBlock("TRIVANE_3");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(drawing().EntitiesOf(block->id).size(), 1u);
  EXPECT_TRUE(Quiescent());
}

const PlacementCase kPlacements[] = {
    {"AtTheOrigin", "0.0,0.0 1.0 0.0", {1, 1, 0}, 0.4, 0.0, 1e-12},
    // Scale 2 and a quarter turn about the insertion point (12, 20): (1, 1) -> (10, 22).
    {"MovedScaledTurned", "12,20 2 90", {10, 22, 0}, 0.8, std::numbers::pi / 2, 1e-9},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, InsertPlacementTest, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) { return info.param.name; });

TEST_F(InsertFileTest, AFileThatCannotBeReadAddsNothing) {
  const std::string files[] = {
      (std::filesystem::temp_directory_path() / "no-such-dir" / "TRIVANE_1.dxf").string(),
      Write("TRIVANE_2.dxf", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0")};
  for (const std::string& path : files) {
    host->log().Clear();
    const std::size_t count = drawing().entities.size();
    const std::size_t blocks = drawing().blocks.size();
    doc.SendCommand(InsertCommand(path, "0.0,0.0 1.0 0.0"));
    EXPECT_EQ(drawing().entities.size(), count) << path;
    EXPECT_EQ(drawing().blocks.size(), blocks) << path;
    EXPECT_TRUE(LoggedStartingWith("Cannot insert \"" + path + "\"")) << host->log().Text();
    // The answers typed after the file name are dropped, not run as commands.
    EXPECT_FALSE(LoggedStartingWith("Unknown command")) << host->log().Text();
  }
}

// --- INSERT of a block at the user's point

constexpr const char* kTableInsert =
    "(command \"_-INSERT\" \"Trivane_1\" \"S\" 1 \"R\" 0)(princ)\r";

TEST_F(CommandLineTest, BlockInsertTakesTheUsersPoint) {
  Add(LineShape{{0, 0, 0}, {1, 0, 0}});
  drawing().AddBlock("TRIVANE_1");
  host->user().Push(UserAnswer::Point({100, 200, 0}));
  doc.SendCommand(kTableInsert);

  const auto* ref = std::get_if<InsertShape>(&Get(Newest()).shape);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->block, "TRIVANE_1");
  EXPECT_EQ(ref->insertion, (TAcadPoint{100, 200, 0}));
  EXPECT_EQ(ref->xscale, 1.0);
  EXPECT_EQ(ref->yscale, 1.0);
  EXPECT_EQ(ref->rotation, 0.0);
  EXPECT_TRUE(Logged("Specify insertion point: 100,200"));
  EXPECT_TRUE(Quiescent());
}

TEST_F(CommandLineTest, BlockInsertCancelledOrUnknownAddsNothing) {
  drawing().AddBlock("Trivane_1");
  const std::size_t count = drawing().entities.size();

  doc.SendCommand(kTableInsert);  // the user has no answer: a cancel
  EXPECT_EQ(drawing().entities.size(), count);
  EXPECT_EQ(host->log().Lines().back(), "Specify insertion point: *Cancel*");
  EXPECT_TRUE(Quiescent());

  host->user().Push(UserAnswer::Point({1, 2, 0}));
  doc.SendCommand("(command \"_-INSERT\" \"NOPE\" \"S\" 1 \"R\" 0)(princ)\r");
  EXPECT_EQ(drawing().entities.size(), count);
  EXPECT_TRUE(Logged("Block \"NOPE\" not found."));
  EXPECT_EQ(host->user().Remaining(), 1u) << "nothing was asked";
}

// --- MOVE and LEADER

TEST_F(CommandLineTest, MoveTakesThePreviousSelectionToTheUsersPoint) {
  const ObjectId circle = Add(CircleShape{{100, 100, 0}, 5});
  TextShape t;
  t.string = "3";
  t.alignment = 10;
  t.alignmentPoint = {100, 100, 0};
  t.insertion = InsertionFromAnchor(t, t.alignmentPoint);
  const ObjectId text = Add(t);
  const ObjectId other = Add(LineShape{{0, 0, 0}, {10, 0, 0}});
  host->SetPreviousSelection({text, circle});

  host->user().Push(UserAnswer::Point({130, 140, 0}));
  doc.SendCommand("MOVE\rPRE\r\r100.000,100.000,0.000\r");
  EXPECT_EQ(std::get<CircleShape>(Get(circle).shape).center, (TAcadPoint{130, 140, 0}));
  EXPECT_EQ(std::get<TextShape>(Get(text).shape).alignmentPoint, (TAcadPoint{130, 140, 0}));
  EXPECT_EQ(std::get<LineShape>(Get(other).shape).start, (TAcadPoint{0, 0, 0}));
  EXPECT_EQ(drawing().vars.LASTPOINT, (TAcadPoint{130, 140, 0}));
  EXPECT_TRUE(Logged("Specify second point: 130,140"));

  // Cancelled at the second point: nothing moves, LASTPOINT stays.
  doc.SendCommand("MOVE\rPRE\r\r130.000,140.000,0.000\r");
  EXPECT_EQ(std::get<CircleShape>(Get(circle).shape).center, (TAcadPoint{130, 140, 0}));
  EXPECT_EQ(drawing().vars.LASTPOINT, (TAcadPoint{130, 140, 0}));
  EXPECT_EQ(host->log().Lines().back(), "Specify second point: *Cancel*");
}

struct LeaderCase {
  const char* name;
  double dimasz;
  double dimscale;
  std::string dimldrblk;
  double arrowSize;
};

class LeaderTest : public CommandLineTest, public ::testing::WithParamInterface<LeaderCase> {};

TEST_P(LeaderTest, FromTheArrowheadToTheMarkerWithoutAnnotation) {
  const LeaderCase& c = GetParam();
  drawing().vars.DIMASZ = c.dimasz;
  drawing().vars.DIMSCALE = c.dimscale;
  drawing().vars.DIMLDRBLK = c.dimldrblk;
  doc.SendCommand("_LEADER\r100.0000,100.0000 127.0000,136.0000\r\r\rN\r");

  const auto* leader = std::get_if<LeaderShape>(&Get(Newest()).shape);
  ASSERT_NE(leader, nullptr);
  EXPECT_EQ(leader->vertices, (std::vector<TAcadPoint>{{100, 100, 0}, {127, 136, 0}}));
  EXPECT_TRUE(leader->arrowhead);
  EXPECT_DOUBLE_EQ(leader->arrowSize, c.arrowSize);
  EXPECT_EQ(leader->arrowBlock, c.dimldrblk);
  EXPECT_TRUE(Quiescent());
}

const LeaderCase kLeaders[] = {
    {"ArrowSizeTimesDimScale", 4.0, 100.0, "", 400.0},
    {"DimScaleZeroCountsAsOne", 2.5, 0.0, "_DOT", 2.5},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, LeaderTest, ::testing::ValuesIn(kLeaders),
                         [](const auto& info) { return info.param.name; });

TEST_F(CommandLineTest, UnknownCommandIsReportedAndChangesNothing) {
  AddRectangleHalves();
  const std::size_t count = drawing().entities.size();
  const TAcadPoint last = drawing().vars.LASTPOINT;
  doc.SendCommand("_foo\rBAR 1,2\r");
  EXPECT_TRUE(Logged("Unknown command \"FOO\"."));
  EXPECT_TRUE(Logged("Unknown command \"BAR\"."));
  EXPECT_TRUE(Logged("Unknown command \"1,2\"."));
  EXPECT_EQ(drawing().entities.size(), count);
  EXPECT_EQ(drawing().vars.LASTPOINT, last);
  EXPECT_TRUE(Quiescent());
}

// The object model alone has no command line; the host made with one has the default options.
TEST(CommandLineInstall, OnlyTheHostMadeWithACommandLineHasOne) {
  EXPECT_EQ(CommandLineOf(*Host::Create()), nullptr);
  const std::shared_ptr<Host> host = CreateHostWithCommandLine();
  ASSERT_NE(CommandLineOf(*host), nullptr);
  EXPECT_EQ(CommandLineOf(*host)->options().dxfCodePage, "ANSI_932");
  EXPECT_FALSE(CommandLineOf(*host)->options().waitForInput);
}

// --- Waiting for input and Esc

class WaitingTest : public CommandLineTest {
 protected:
  WaitingTest() {
    InstallCommandLine(*host, {.waitForInput = true});
    drawing().AddBlock("Trivane_1");
    os.Run(host->progId(), host->Application(), host->hwnd());
    os.SetEscapeHook(host->hwnd(), EscapeHandler(host));
    link.ProgId = host->progId();
  }
  std::size_t Inserts() {
    std::size_t n = 0;
    for (const auto& [id, e] : drawing().entities)
      n += std::holds_alternative<InsertShape>(e.shape) ? 1 : 0;
    return n;
  }

  sim::SimPlatform os;
  cad::CadLink link{os};
};

TEST_F(WaitingTest, EscOfTheNextCommandsPreambleCancelsTheWaitingInsert) {
  host->SetBusyPolls(1);
  doc.SendCommand(kTableInsert);
  ASSERT_TRUE(CommandLineOf(*host)->waiting());
  EXPECT_EQ(host->log().Lines().back(), "Specify insertion point: ");
  for (int poll = 0; poll < 5; ++poll)
    EXPECT_FALSE(Quiescent()) << poll;

  cad::BeginCadCommand(link);  // fronts the CAD and presses Esc
  EXPECT_FALSE(CommandLineOf(*host)->waiting());
  EXPECT_TRUE(Logged("Specify insertion point: *Cancel*"));
  EXPECT_EQ(Inserts(), 0u);
  // The busy polls a test had set are still there to count down.
  EXPECT_FALSE(Quiescent());
  EXPECT_TRUE(Quiescent());
  EXPECT_FALSE(CommandLineOf(*host)->Cancel(*host)) << "nothing waits any more";
}

TEST_F(WaitingTest, AnAnswerArrivingLaterCompletesTheWaitingInsert) {
  doc.SendCommand(kTableInsert);
  ASSERT_TRUE(CommandLineOf(*host)->waiting());
  doc.SendCommand("100,200\r");  // typed while the command waits
  EXPECT_FALSE(CommandLineOf(*host)->waiting());
  EXPECT_TRUE(Quiescent());
  ASSERT_EQ(Inserts(), 1u);
  EXPECT_EQ(std::get<InsertShape>(Get(Newest()).shape).insertion, (TAcadPoint{100, 200, 0}));
  EXPECT_TRUE(Logged("Specify insertion point: 100,200"));

  doc.SendCommand(kTableInsert);
  host->user().Push(UserAnswer::Point({7, 8, 0}));  // the user clicks
  CommandLineOf(*host)->Continue(*host);
  EXPECT_FALSE(CommandLineOf(*host)->waiting());
  ASSERT_EQ(Inserts(), 2u);
  EXPECT_EQ(std::get<InsertShape>(Get(Newest()).shape).insertion, (TAcadPoint{7, 8, 0}));
  EXPECT_EQ(drawing().vars.LASTPOINT, (TAcadPoint{7, 8, 0}));
}

}  // namespace
}  // namespace trivane::host::testing
