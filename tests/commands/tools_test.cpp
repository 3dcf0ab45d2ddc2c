// "文字回転" and "番号と円移動".
#include "commands/tools.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "tests/commands/tools_fixture.h"

namespace trivane::commands::testing {
namespace {

constexpr double kPi = std::numbers::pi;

// --- "文字回転"
// -------------------------------------------------------------------------------------

struct RotationCase {
  const char* name;
  int alignment;
  const char* angle;      // Edit13
  double rotation;        // the text's rotation afterwards
  TAcadPoint fixedPoint;  // the point that stays: alignment point, or insertion when left
  double tol;
};

TEST_F(ToolsTest, RotationTurnsATextAboutItsOwnAlignmentPoint) {
  const RotationCase cases[] = {
      {"middle centre by 180", 10, "180.0", kPi, {100, 100, 0}, 1e-9},
      {"left by 90 about its insertion point", 0, "90", kPi / 2, {100, 100, 0}, 1e-9},
      {"bottom right by -45", 14, "-45", -kPi / 4, {100, 100, 0}, 1e-9},
      {"angle not a number turns by 0", 10, "1８0", 0.0, {100, 100, 0}, 0.0},
  };
  for (const RotationCase& k : cases) {
    SCOPED_TRACE(k.name);
    drawing().entities.clear();
    const host::ObjectId id = AddText("12", {100, 100, 0}, k.alignment, 40);
    const TAcadPoint insertion = ShapeOf<host::TextShape>(id).insertion;
    form().SetText("Edit13", k.angle);
    user().Push(host::UserAnswer::Pick({101, 110, 0}));
    Click("Button2");
    const host::TextShape& t = ShapeOf<host::TextShape>(id);
    EXPECT_NEAR(t.rotation, k.rotation, k.tol);
    const TAcadPoint& fixed = k.alignment == 0 ? t.insertion : t.alignmentPoint;
    EXPECT_NEAR(fixed.x, k.fixedPoint.x, 1e-9);
    EXPECT_NEAR(fixed.y, k.fixedPoint.y, 1e-9);
    if (k.rotation == 0.0) {
      EXPECT_EQ(t.insertion, insertion);
    }
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ToolsTest, RotationOfSomethingElseShowsTheMessageAndRestoresSnap) {
  drawing().vars.SNAPMODE = 1;
  const host::ObjectId circle = AddCircle({100, 100, 0}, 5);
  user().Push(
      host::UserAnswer::Pick({105, 100, 0}));  // off the snap grid: found only with snap off
  Click("Button2");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "TEXTではありません．");
  EXPECT_EQ(Messages()[0].caption, "IJcad_Trivane");
  EXPECT_EQ(os.foreground(), host->hwnd());
  EXPECT_EQ(ShapeOf<host::CircleShape>(circle).center, (TAcadPoint{100, 100, 0}));
  EXPECT_EQ(drawing().vars.SNAPMODE, 1);

  Click("Button2");  // the pick is cancelled: SNAPMODE comes back all the same
  EXPECT_EQ(drawing().vars.SNAPMODE, 1);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(form().Enabled("Button9"));
}

// --- "番号と円移動"
// ------------------------------------------------------------------------------------

class MarkerMoveTest : public ToolsTest {
 protected:
  MarkerMoveTest() {
    text = AddNumberText("1", 3000, 4000, 5000, {100, 100, 0});
    circle = AddCircle({100, 100, 0}, 5);
    drawing().vars.DIMASZ = 2.5;
    drawing().vars.DIMSCALE = 100;
    drawing().vars.DIMLDRBLK = "";
  }
  // The user selects the marker with a window and moves it to (130, 140).
  void Move() {
    mark = Mark();
    user().Push(host::UserAnswer::Window({90, 90, 0}, {110, 110, 0}));
    user().Push(host::UserAnswer::Point({130, 140, 0}));
    Click("Button5");
  }
  bool LeaderSent() { return host->log().Text().find("_LEADER") != std::string::npos; }
  bool MoveSent() { return host->log().Text().find("MOVE") != std::string::npos; }

  host::ObjectId text = 0;
  host::ObjectId circle = 0;
  host::ObjectId mark = 0;
};

TEST_F(MarkerMoveTest, LeaderRunsFromTheOldCentreToTheMovedCircle) {
  Move();
  EXPECT_EQ(ShapeOf<host::CircleShape>(circle).center, (TAcadPoint{130, 140, 0}));
  EXPECT_EQ(ShapeOf<host::TextShape>(text).alignmentPoint, (TAcadPoint{130, 140, 0}));
  EXPECT_TRUE(Logged({"MOVE", "PRE", "", "100.000,100.000,0.000"}));
  EXPECT_TRUE(Logged({"_LEADER", "100.0000,100.0000 127.0000,136.0000", "", "", "N"}));

  const std::vector<host::ObjectId> leaders = All<host::LeaderShape>(mark);
  ASSERT_EQ(leaders.size(), 1u);
  const host::LeaderShape& leader = ShapeOf<host::LeaderShape>(leaders[0]);
  ASSERT_EQ(leader.vertices.size(), 2u);
  EXPECT_NEAR(leader.vertices[0].x, 100, 1e-9);
  EXPECT_NEAR(leader.vertices[0].y, 100, 1e-9);
  EXPECT_NEAR(leader.vertices[1].x, 127, 1e-9);
  EXPECT_NEAR(leader.vertices[1].y, 136, 1e-9);
  // Drawn with DIMASZ = 400 / DIMSCALE 100 = 4 and the closed filled arrow.
  EXPECT_NEAR(leader.arrowSize, 4 * 100, 1e-9);
  EXPECT_EQ(leader.arrowBlock, "");

  // Both settings are back. The empty arrow block (closed filled) goes back as ".", which the CAD
  // reads as "" again.
  EXPECT_EQ(drawing().vars.DIMASZ, 2.5);
  EXPECT_EQ(drawing().vars.DIMLDRBLK, "");
  EXPECT_TRUE(All<host::LineShape>(mark).empty());
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

TEST_F(MarkerMoveTest, ArrowBlockGoesBackWithoutItsQuotes) {
  drawing().vars.DIMLDRBLK = "\"_DOT\"";
  Move();
  const std::vector<host::ObjectId> leaders = All<host::LeaderShape>(mark);
  ASSERT_EQ(leaders.size(), 1u);
  EXPECT_EQ(ShapeOf<host::LeaderShape>(leaders[0]).arrowBlock, "");
  EXPECT_EQ(drawing().vars.DIMLDRBLK, "_DOT");
}

TEST_F(MarkerMoveTest, WithoutArrowAPlainLineOnTheCurrentLayer) {
  form().SetChecked("CheckBox3", false);
  drawing().vars.CLAYER = "0";
  Move();
  const std::vector<host::ObjectId> lines = All<host::LineShape>(mark);
  ASSERT_EQ(lines.size(), 1u);
  const host::LineShape& l = ShapeOf<host::LineShape>(lines[0]);
  EXPECT_EQ(l.start, (TAcadPoint{100, 100, 0}));
  EXPECT_NEAR(l.end.x, 127, 1e-9);
  EXPECT_NEAR(l.end.y, 136, 1e-9);
  EXPECT_EQ(Get(lines[0]).layer, "0");
  EXPECT_TRUE(All<host::LeaderShape>(mark).empty());
  EXPECT_FALSE(LeaderSent());
}

TEST_F(MarkerMoveTest, ArrowSizeNotANumberStopsAfterTheMoveWithSettingsUntouched) {
  form().SetText("Edit14", "4OO");
  Move();
  EXPECT_EQ(ShapeOf<host::CircleShape>(circle).center, (TAcadPoint{130, 140, 0}));
  EXPECT_FALSE(LeaderSent());
  EXPECT_EQ(drawing().vars.DIMASZ, 2.5);
  EXPECT_EQ(drawing().vars.DIMLDRBLK, "");
}

TEST_F(MarkerMoveTest, AnythingButOneTextAndOneCircleMovesNothing) {
  AddText("2", {104, 104, 0});  // two texts and a circle in the window
  AddCircle({100, 100, 0}, 3);  // and a second circle
  Move();
  EXPECT_EQ(ShapeOf<host::CircleShape>(circle).center, (TAcadPoint{100, 100, 0}));
  EXPECT_FALSE(MoveSent());
  EXPECT_TRUE(AllSelectionSetsDeleted());

  drawing().entities.clear();
  AddText("1", {100, 100, 0});
  AddText("2", {104, 104, 0});
  Move();
  EXPECT_FALSE(MoveSent());
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

}  // namespace
}  // namespace trivane::commands::testing
