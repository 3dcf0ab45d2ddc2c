#include "annotate/writers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "annotate/marker_dxf.h"
#include "geometry/plan.h"
#include "writer_fixture.h"

namespace trivane::annotate {
namespace {

using host::CircleShape;
using host::LineShape;
using host::PolylineShape;
using host::TextShape;
using testing::WriterTest;

constexpr double kPi = 3.141592653589793;

PolylineShape Polyline(std::vector<TAcadPoint> vertices) {
  PolylineShape p;
  p.vertices = std::move(vertices);
  return p;
}

class Writers : public WriterTest {
 protected:
  void SetUp() override {
    drawing().vars.VIEWSIZE = 100.0;  // pick box 0.5 either side
    drawing().AddLayer("H_TEXT");
    drawing().AddLayer("H_HEN");
  }

  host::ObjectId AddText(const TAcadPoint& at, double height) {
    TextShape t;
    t.string = "old";
    t.insertion = at;
    t.height = height;
    return host->CreateEntity(t);
  }

  // The extended data of the number text: the record's three values.
  TriangleRecord RecordOn(host::ObjectId text) {
    const host::Entity& e = Get(text);
    EXPECT_EQ(e.xdata.size(), 1u);
    if (e.xdata.empty() || e.xdata[0].items.size() != 1)
      return {};
    EXPECT_EQ(e.xdata[0].application, "LT_TRIVANE");
    EXPECT_EQ(e.xdata[0].items[0].code, 1010);
    const auto p = std::get<TAcadPoint>(e.xdata[0].items[0].value);
    return {p.x, p.y, p.z};
  }
};

// --- PutLabelText ------------------------------------------------------------------------------

struct LabelCase {
  const char* name;
  TAcadPoint p, q;
  AngleSettings angles;
  double rotation;
  TAcadPoint middle;
  const char* text;
};

TEST_F(Writers, LabelStandsUprightOnTheMiddleOfItsSide) {
  const LabelCase cases[] = {
      {"rightwards", {0, 0, 0}, {10, 0, 0}, {0, 0}, 0.0, {5, 0, 0}, "0.01"},
      {"leftwards reads the same", {10, 0, 0}, {0, 0, 0}, {0, 0}, 0.0, {5, 0, 0}, "0.01"},
      {"downwards reads upwards", {0, 10, 0}, {0, 0, 0}, {0, 0}, kPi / 2, {0, 5, 0}, "0.01"},
      {"135 degrees", {0, 0, 0}, {-10, 10, 0}, {0, 0}, -kPi / 4, {-5, 5, 0}, "0.01"},
      {"135 degrees, clockwise base",
       {0, 0, 0},
       {-10, 10, 0},
       {0.1, 1},
       0.1 + kPi / 4,
       {-5, 5, 0},
       "0.01"},
      {"anticlockwise base", {0, 0, 0}, {10, 0, 0}, {0.1, 0}, 0.1, {5, 0, 0}, "0.01"},
      {"rounded half up", {0, 0, 0}, {0, 1235, 0}, {0, 0}, kPi / 2, {0, 617.5, 0}, "1.24"},
  };
  const LabelFormat format{300.0, 2, RoundingMode::kRoundHalfUp, 1000.0};
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(c.name);
    drawing().entities.clear();
    PutLabelText(Writer(c.angles), c.p, c.q, format, IfPresent::kWrite, "H_TEXT");
    const std::vector<host::ObjectId> texts = All<TextShape>();
    ASSERT_EQ(texts.size(), 1u);
    const TextShape& t = ShapeOf<TextShape>(texts[0]);
    EXPECT_EQ(t.string, c.text);
    EXPECT_NEAR(t.rotation, c.rotation, 1e-12);
    EXPECT_EQ(t.alignment, 13);
    EXPECT_EQ(t.alignmentPoint, c.middle);
    EXPECT_EQ(t.height, 300.0);
    EXPECT_EQ(Get(texts[0]).layer, "H_TEXT");
  }
}

// The side (0,0)-(10,0) with h = 2: the windows are the segments y = 1 and y = -1 for x in 3..7.
struct SkipCase {
  const char* name;
  IfPresent ifPresent;
  TAcadPoint existing;  // a text of height 1 standing there (left aligned)
  bool written;
};

TEST_F(Writers, LabelSkippedWhereATextCrossesEitherWindow) {
  const SkipCase cases[] = {
      {"text across the window above", IfPresent::kSkip, {5, 0.5, 0}, false},
      {"text across the window below", IfPresent::kSkip, {4, -1.5, 0}, false},
      {"text beside both windows", IfPresent::kSkip, {20, 0, 0}, true},
      {"text above the window", IfPresent::kSkip, {5, 2, 0}, true},
      {"without the check a text there does not matter", IfPresent::kWrite, {5, 0.5, 0}, true},
  };
  const LabelFormat format{2.0, 2, RoundingMode::kRoundHalfUp, 1.0};
  for (const SkipCase& c : cases) {
    SCOPED_TRACE(c.name);
    drawing().entities.clear();
    AddText(c.existing, 1.0);
    PutLabelText(Writer(), {0, 0, 0}, {10, 0, 0}, format, c.ifPresent, "H_TEXT");
    EXPECT_EQ(All<TextShape>().size(), c.written ? 2u : 1u);
    EXPECT_TRUE(host->selectionSets().empty()) << "the temporary selection set stays";
  }
}

TEST_F(Writers, OnlyTextsKeepALabelAway) {
  host->CreateEntity(CircleShape{{5, 1, 0}, 0.5});
  PutLabelText(Writer(), {0, 0, 0}, {10, 0, 0}, {2.0, 2, RoundingMode::kRoundHalfUp, 1.0},
               IfPresent::kSkip, "H_TEXT");
  EXPECT_EQ(All<TextShape>().size(), 1u);
}

// --- PutSideLine -------------------------------------------------------------------------------

TEST_F(Writers, SideLineSkippedWhereALineOrPolylinePassesTheMiddle) {
  struct Case {
    const char* name;
    host::Shape existing;
    IfPresent ifPresent;
    bool drawn;
  } cases[] = {
      {"polyline through the middle", Polyline({{-5, 0, 0}, {5, 0, 0}, {5, 10, 0}}),
       IfPresent::kSkip, false},
      {"line through the middle", LineShape{{5, -5, 0}, {5, 5, 0}}, IfPresent::kSkip, false},
      {"circle through the middle", CircleShape{{5, 1, 0}, 1.0}, IfPresent::kSkip, true},
      {"polyline elsewhere", Polyline({{20, 0, 0}, {30, 0, 0}}), IfPresent::kSkip, true},
      {"without the check", LineShape{{5, -5, 0}, {5, 5, 0}}, IfPresent::kWrite, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drawing().entities.clear();
    host->CreateEntity(c.existing);
    PutSideLine(Writer(), {0, 0, 0}, {10, 0, 0}, c.ifPresent, "H_HEN");
    const std::vector<host::ObjectId> lines = All<LineShape>();
    const std::size_t before = std::holds_alternative<LineShape>(c.existing) ? 1 : 0;
    ASSERT_EQ(lines.size(), before + (c.drawn ? 1 : 0));
    if (c.drawn) {
      EXPECT_EQ(ShapeOf<LineShape>(lines.back()).start, (TAcadPoint{0, 0, 0}));
      EXPECT_EQ(ShapeOf<LineShape>(lines.back()).end, (TAcadPoint{10, 0, 0}));
      EXPECT_EQ(Get(lines.back()).layer, "H_HEN");
    }
    EXPECT_TRUE(host->selectionSets().empty());
  }
}

TEST_F(Writers, SideLineUnderAUserCoordinateSystemIsNotDrawnTwice) {
  // A UCS moved and turned a quarter: the skip check's world point must reach SelectAtPoint in
  // UCS coordinates, or the side already drawn is not found and is drawn again.
  drawing().vars.UCSORG = {100, 50, 0};
  drawing().vars.UCSXDIR = {0, 1, 0};
  drawing().vars.UCSYDIR = {-1, 0, 0};
  PutSideLine(Writer(), {0, 0, 0}, {10, 0, 0}, IfPresent::kSkip, "H_HEN");
  PutSideLine(Writer(), {0, 0, 0}, {10, 0, 0}, IfPresent::kSkip, "H_HEN");
  EXPECT_EQ(All<LineShape>().size(), 1u);
  EXPECT_EQ(host->CallCount("TranslateCoordinates"), 2);
}

// --- Markers -----------------------------------------------------------------------------------

TEST_F(Writers, BaseHeightMarkerRecordNumberAndLogOrder) {
  creation.RecordCreatedObjects = true;
  const TAcadTriangle t{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}};
  const MarkerStyle marker{12, 0.5, 0.4, "NEW_LAYER"};
  PutBaseHeightMarker(Writer({0.1, 0}), t, BaseAndHeight(t), marker);

  ASSERT_NE(drawing().FindLayer("NEW_LAYER"), nullptr) << "the text layer is made sure of";
  const std::vector<host::ObjectId> circles = All<CircleShape>();
  const std::vector<host::ObjectId> texts = All<TextShape>();
  ASSERT_EQ(circles.size(), 1u);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(creation.CreatedObjectIds, (std::vector<std::int64_t>{circles[0], texts[0]}));

  const TextShape& text = ShapeOf<TextShape>(texts[0]);
  EXPECT_EQ(text.string, "12");
  EXPECT_EQ(text.alignment, 10);
  EXPECT_DOUBLE_EQ(text.rotation, -0.1);
  EXPECT_EQ(text.height, 0.4);
  EXPECT_EQ(text.alignmentPoint, ShapeOf<CircleShape>(circles[0]).center);
  EXPECT_EQ(ShapeOf<CircleShape>(circles[0]).radius, 0.5);
  EXPECT_EQ(Get(texts[0]).layer, "NEW_LAYER");
  EXPECT_EQ(Get(circles[0]).layer, "NEW_LAYER");
  EXPECT_EQ(RecordOn(texts[0]), (TriangleRecord{4, 5, 3}));
}

TEST_F(Writers, BaseHeightMarkerSitsInTheLargerPart) {
  struct Case {
    const char* name;
    TAcadPoint apex;
    bool inStartPart;  // S-V-F, else E-V-F
  } cases[] = {
      {"foot at the middle: equal parts give E-V-F", {5, 3, 0}, false},
      {"foot near the start", {3, 3, 0}, false},
      {"foot near the end", {7, 3, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TAcadTriangle t{{0, 0, 0}, {10, 0, 0}, c.apex};
    const BaseHeight bh = BaseAndHeight(t);
    const TAcadPoint foot{c.apex.x, 0, 0};
    const TAcadPoint expected =
        c.inStartPart ? Incenter(bh.start, bh.apex, foot) : Incenter(bh.end, bh.apex, foot);
    const TAcadPoint centre = BaseHeightMarkerCentre(bh);
    EXPECT_NEAR(centre.x, expected.x, 1e-9);
    EXPECT_NEAR(centre.y, expected.y, 1e-9);
  }
}

TEST_F(Writers, FlatTriangleMarkerLandsOnItsSegment) {
  const TAcadTriangle t{{0, 0, 0}, {10, 0, 0}, {4, 0, 0}};
  const TAcadPoint centre = BaseHeightMarkerCentre(BaseAndHeight(t));
  EXPECT_NEAR(centre.y, 0.0, 1e-12);
  EXPECT_GT(centre.x, 0.0);
  EXPECT_LT(centre.x, 10.0);
  const TAcadPoint incenter = Incenter(t.p1, t.p2, t.p3);
  EXPECT_NEAR(incenter.y, 0.0, 1e-12);
}

TEST_F(Writers, ThreeSideMarkerThroughAutomation) {
  const TAcadTriangle t{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}};
  PutThreeSideMarker(Writer({0.1, 1}), t, {7, 0.5, 0.4, "H_TEXT"});

  const std::vector<host::ObjectId> circles = All<CircleShape>();
  const std::vector<host::ObjectId> texts = All<TextShape>();
  ASSERT_EQ(circles.size(), 1u);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NEAR(ShapeOf<CircleShape>(circles[0]).center.x, 1.0, 1e-12);
  EXPECT_NEAR(ShapeOf<CircleShape>(circles[0]).center.y, 1.0, 1e-12);
  const TextShape& text = ShapeOf<TextShape>(texts[0]);
  EXPECT_EQ(text.string, "7");
  EXPECT_EQ(text.alignment, 10);
  EXPECT_DOUBLE_EQ(text.rotation, 0.1);
  EXPECT_EQ(RecordOn(texts[0]), (TriangleRecord{4, 5, 3}));
  EXPECT_TRUE(creation.CreatedObjectIds.empty()) << "nothing is listed while not recording";
  EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no file for this CAD";
}

// --- The DXF route -----------------------------------------------------------------------------

// Stands in for the CAD's insert command: keeps what it was sent and the file's bytes at that
// moment, leaves the block definition the insertion makes, and adds the exploded text unless told
// the insertion fails.
class InsertRecorder final : public host::CommandInterpreter {
 public:
  explicit InsertRecorder(bool inserts) : inserts_(inserts) {}

  void Run(host::Host& host, std::string_view text) override {
    commands.emplace_back(text);
    const std::size_t open = text.find("\"*");
    const std::size_t close = text.find('"', open + 2);
    const std::filesystem::path file(std::string(text.substr(open + 2, close - open - 2)));
    std::ifstream in(file, std::ios::binary);
    bytes = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!inserts_)
      return;
    host.drawing().AddBlock(file.stem().string());
    TextShape t;
    t.string = "from the file";
    textId = host.CreateEntity(t);
  }

  std::vector<std::string> commands;
  std::string bytes;
  host::ObjectId textId = 0;

 private:
  bool inserts_;
};

class DxfRoute : public WriterTest {
 protected:
  DxfRoute() : WriterTest("PCAD.Application") {}

  InsertRecorder& Interpreter(bool inserts) {
    auto recorder = std::make_unique<InsertRecorder>(inserts);
    InsertRecorder& r = *recorder;
    host->SetInterpreter(std::move(recorder));
    return r;
  }

  const TAcadTriangle t{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}};
};

TEST_F(DxfRoute, FileNamedAfterTheNextBlockInsertedExplodedThenTheBlockDeleted) {
  drawing().AddBlock("TRIVANE_2");
  drawing().AddBlock("trivane_7");
  InsertRecorder& cad = Interpreter(true);
  creation.RecordCreatedObjects = true;
  PutThreeSideMarker(Writer({0.1, 1}), t, {12, 0.5, 0.4, "H_TEXT"});

  const std::filesystem::path file = folder.path() / "TRIVANE_8.dxf";
  ASSERT_EQ(cad.commands.size(), 1u);
  EXPECT_EQ(cad.commands[0], "_-INSERT\r\"*" + file.string() + "\"\r0.0,0.0 1.0 0.0\r");

  MarkerDxfText expected;
  expected.layer = "H_TEXT";
  expected.centre = Incenter(t.p1, t.p2, t.p3);
  expected.number = 12;
  expected.height = 0.4;
  expected.rotationDegrees = 0.1 * 180.0 / kPi;
  expected.record = {4, 5, 3};
  EXPECT_EQ(cad.bytes, BuildMarkerDxf(expected));
  EXPECT_NE(cad.bytes.find(" 50\r\n5.72957795130823\r\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(file)) << "the file stays after the insertion";

  EXPECT_EQ(drawing().FindBlock("TRIVANE_8"), nullptr) << "the inserted block is deleted";
  ASSERT_EQ(All<TextShape>().size(), 1u) << "no text through automation";
  const std::vector<host::ObjectId> circles = All<CircleShape>();
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(creation.CreatedObjectIds, (std::vector<std::int64_t>{circles[0], cad.textId}));
}

TEST_F(DxfRoute, FirstFileIsNumberOneAndJapaneseLayerInCodePage932) {
  InsertRecorder& cad = Interpreter(true);
  drawing().AddLayer("文字");
  PutThreeSideMarker(Writer(), t, {1, 0.5, 0.4, "文字"});
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "TRIVANE_1.dxf"));
  EXPECT_NE(cad.bytes.find("  8\r\n\x95\xB6\x8E\x9A\r\n"), std::string::npos);
  EXPECT_NE(cad.bytes.find(" 50\r\n0\r\n"), std::string::npos);
}

TEST_F(DxfRoute, InsertionThatAddsNothingDoesNotListTheCircleTwice) {
  Interpreter(false);
  creation.RecordCreatedObjects = true;
  PutThreeSideMarker(Writer(), t, {1, 0.5, 0.4, "H_TEXT"});
  const std::vector<host::ObjectId> circles = All<CircleShape>();
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(creation.CreatedObjectIds, (std::vector<std::int64_t>{circles[0]}));
}

TEST_F(DxfRoute, OnlyTheExactLettersPcadChooseTheFile) {
  EXPECT_TRUE(MarkerViaDxf("PCAD.Application"));
  EXPECT_TRUE(MarkerViaDxf("XPCADX.Application.3"));
  EXPECT_FALSE(MarkerViaDxf("pcad.Application"));
  EXPECT_FALSE(MarkerViaDxf("ZWCAD.Application"));
}

}  // namespace
}  // namespace trivane::annotate
