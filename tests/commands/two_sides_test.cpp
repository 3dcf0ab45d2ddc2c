#include "commands/two_sides.h"

#include <gtest/gtest.h>

#include <cmath>

#include "command_fixture.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

using host::UserAnswer;
using host::sim::EventKind;
using testing::CommandTest;
using testing::ExpectTexts;

const double kHypotenuse = std::sqrt(125.0);

class TwoSides : public CommandTest {
 protected:
  TwoSides() { window.texts["Edit3"] = "1"; }  // labels small enough not to hide each other

  void Pick(const TAcadPoint& first, const TAcadPoint& second) {
    user().Push(UserAnswer::Pick(first));
    user().Push(UserAnswer::Pick(second));
    Button8Click(c);
  }
};

struct PickCase {
  const char* name;
  std::vector<host::Shape> sides;
  TAcadPoint first, second;
  std::vector<double> record;  // of the triangle (corner, far end of the first, of the second)
  TAcadPoint farFirst, farSecond;
};

TEST_F(TwoSides, CornerAndFarEndsInPickOrder) {
  const host::Shape along = host::LineShape{{0, 0, 0}, {10, 0, 0}};
  const host::Shape up = host::LineShape{{0, 5, 0}, {0, 0, 0}};
  const PickCase cases[] = {
      {"first along, then up",
       {along, up},
       {5, 0, 0},
       {0, 2.5, 0},
       {10, kHypotenuse, 5},
       {10, 0, 0},
       {0, 5, 0}},
      {"first up, then along",
       {along, up},
       {0, 2.5, 0},
       {5, 0, 0},
       {5, kHypotenuse, 10},
       {0, 5, 0},
       {10, 0, 0}},
      {"ends 0.005 from the corner",
       {host::LineShape{{0.005, 0, 0}, {10, 0, 0}}, host::LineShape{{0, 5, 0}, {0, 0.005, 0}}},
       {5, 0, 0},
       {0, 2.5, 0},
       {10, kHypotenuse, 5},
       {10, 0, 0},
       {0, 5, 0}},
      {"two segments of one polyline",
       {host::PolylineShape{{{10, 0, 0}, {0, 0, 0}, {0, 5, 0}}, false, 0.0, {}}},
       {5, 0, 0},
       {0, 2.5, 0},
       {10, kHypotenuse, 5},
       {10, 0, 0},
       {0, 5, 0}},
  };
  for (const PickCase& k : cases) {
    SCOPED_TRACE(k.name);
    drawing().entities.clear();
    window.SetPosition("UpDown4", 1);
    for (const host::Shape& s : k.sides)
      host->CreateEntity(s);
    Pick(k.first, k.second);

    const std::vector<host::ObjectId> lines = All<host::LineShape>();
    ASSERT_FALSE(lines.empty());
    const host::LineShape& third = ShapeOf<host::LineShape>(lines.back());
    EXPECT_EQ(third.start, k.farFirst);
    EXPECT_EQ(third.end, k.farSecond);
    EXPECT_EQ(Get(lines.back()).layer, "H_HEN");
    const std::vector<double> record = RecordOf("1");
    ASSERT_EQ(record.size(), 3u);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(record[i], k.record[i], 1e-12);
    const TAcadPoint corner{0, 0, 0};
    ExpectTexts(Numbers(), {{Incenter(corner, k.farFirst, k.farSecond), "1"}}, 1e-9);
    EXPECT_EQ(Labels().size(), 3u);
    EXPECT_EQ(window.Text("Edit16"), "2");
  }
}

TEST_F(TwoSides, SidesThatDoNotJoinShowTheMessage) {
  struct Case {
    const char* name;
    host::Shape first, second;
    TAcadPoint pick1, pick2;
  } cases[] = {
      {"T joint",
       host::LineShape{{0, 0, 0}, {10, 0, 0}},
       host::LineShape{{5, 0, 0}, {5, 5, 0}},
       {2, 0, 0},
       {5, 3, 0}},
      {"the same line twice",
       host::LineShape{{0, 0, 0}, {10, 0, 0}},
       host::TextShape{},
       {2, 0, 0},
       {7, 0, 0}},
      {"lines meeting far from the ends",
       host::LineShape{{0, 0, 0}, {10, 0, 0}},
       host::LineShape{{20, 5, 0}, {20, 1, 0}},
       {2, 0, 0},
       {20, 3, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    drawing().entities.clear();
    os.ClearEvents();
    host->CreateEntity(k.first);
    host->CreateEntity(k.second);
    const std::size_t before = drawing().entities.size();
    Pick(k.pick1, k.pick2);
    const std::vector<host::sim::Event> messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "2 線分の端点がつながっていません．");
    EXPECT_EQ(messages[0].caption, "Acad_Trivane");
    EXPECT_EQ(drawing().entities.size(), before);
    EXPECT_EQ(window.Text("Edit16"), "1");
  }
}

TEST_F(TwoSides, BaseAndHeightWritesTheHeightLabelFirstAndItsLineOnTheSideLayer) {
  window.radioGroups["RadioGroup1"] = 1;
  AddLine({0, 0, 0}, {10, 0, 0});
  AddLine({0, 5, 0}, {0, 0, 0});
  Pick({5, 0, 0}, {0, 2.5, 0});

  const BaseHeight bh = BaseAndHeight({{0, 0, 0}, {10, 0, 0}, {0, 5, 0}});
  const TAcadPoint foot = *bh.foot;
  ExpectTexts(Labels(), {{Midpoint(bh.apex, foot), "4.47"}, {{5, 2.5, 0}, "11.18"}}, 1e-9);
  const std::vector<host::ObjectId> lines = All<host::LineShape>();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(ShapeOf<host::LineShape>(lines[3]).start, (TAcadPoint{0, 0, 0}));
  EXPECT_EQ(Get(lines[3]).layer, "H_HEN");
  EXPECT_EQ(RecordOf("1").size(), 3u);
}

TEST_F(TwoSides, PicksAreNotSnappedAndSnapModeComesBack) {
  drawing().vars.SNAPMODE = 1;  // a 10-unit grid: (4,0) would snap onto the corner
  AddLine({0, 0, 0}, {10, 0, 0});
  AddLine({0, 5, 0}, {0, 0, 0});
  Pick({4, 0, 0}, {0, 4, 0});
  EXPECT_EQ(drawing().vars.SNAPMODE, 1);
  EXPECT_EQ(RecordOf("1"), (std::vector<double>{10, kHypotenuse, 5}));
}

TEST_F(TwoSides, CancelledFirstPickRestoresSnapModeAndDrawsNothing) {
  drawing().vars.SNAPMODE = 1;
  AddLine({0, 0, 0}, {10, 0, 0});
  user().Push(UserAnswer::Cancel());
  window.SetEnabled("Button9", true);
  Button8Click(c);
  EXPECT_EQ(drawing().vars.SNAPMODE, 1);
  EXPECT_EQ(drawing().entities.size(), 1u);
  EXPECT_EQ(window.Text("Edit16"), "1");
  EXPECT_FALSE(window.enabled["Button9"]);
}

TEST_F(TwoSides, EndsWithOneEscWithoutWaitingAfterIt) {
  user().Push(UserAnswer::Cancel());
  Button8Click(c);
  const std::vector<host::sim::Event>& events = os.events();
  ASSERT_GE(events.size(), 4u);
  const auto last = events.end() - 4;
  EXPECT_EQ(last[0].kind, EventKind::Fronted);
  EXPECT_EQ(last[1].kind, EventKind::KeyDown);
  EXPECT_EQ(last[2].kind, EventKind::Slept);
  EXPECT_EQ(last[2].value, 5u);
  EXPECT_EQ(last[3].kind, EventKind::KeyUp);
  EXPECT_EQ(last[3].value, 27u);
}

}  // namespace
}  // namespace trivane::commands
