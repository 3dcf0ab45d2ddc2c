// Drawings made by another program (ezdxf) go through load, work and save; ezdxf then checks
// that nothing was lost and that its audit passes.
#include <gtest/gtest.h>

#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::dxf {
namespace {

struct RoundTripCase {
  const char* fixture;
  const char* newLayer;  // ASCII in R2000: ezdxf 0.18 reads its escapes as an invalid name
  bool modern;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, LoadWorkSaveLosesNothing) {
  const RoundTripCase& c = GetParam();
  const std::string original = testing::FixturePath(c.fixture);
  Document doc = ReadFile(original);

  // Move the line that carries another application's data.
  std::string moved;
  for (Entity& e : doc.Entities()) {
    if (e.type == "LINE" && e.FindXData("OTHERAPP") == nullptr && moved.empty()) {
      LineData line = *AsLine(e);
      line.start.x += 1;
      line.end.y += 1;
      Update(e, line);
      moved = e.Handle();
    }
  }
  ASSERT_TRUE(!c.modern || !moved.empty());

  EnsureLayer(doc, LayerData{c.newLayer, 3, "Continuous", 0});
  const Properties on{c.newLayer, {}, {}};
  Entity& text = AddEntity(
      doc,
      NewEntity(doc, TextData{"面積 12.5", {1, 1, 0}, {1, 1, 0}, 2, 30, kAlignMiddleCenter}, on));
  SetXData(doc, text, XData{"LT_TRIVANE", {{1010, "4"}, {1020, "5"}, {1030, "3"}}});
  AddEntity(doc, NewEntity(doc, CircleData{{1, 1, 0}, 3}, on));
  Block& block = AddBlock(doc, BlockData{"TABLE_1", {}});
  AddEntity(doc, block, NewEntity(doc, LineData{{0, 0, 0}, {10, 0, 0}}));
  AddEntity(doc, NewEntity(doc, InsertData{"TABLE_1", {50, 50, 0}, 1, 1, 1, 0}, on));
  std::string newArgs = " --new TEXT=1 --new CIRCLE=1 --new LINE=1 --new INSERT=1";
  if (c.modern) {
    AddEntity(doc, NewEntity(doc, LwPolylineData{{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, true, 0}, on));
    AddEntity(doc, NewEntity(doc, LeaderData{{{0, 0, 0}, {5, 5, 0}}, true, "Standard"}, on));
    newArgs += " --new LWPOLYLINE=1 --new LEADER=1";
  }

  testing::ScratchDir dir;
  const std::string saved = dir.File("saved.dxf");
  WriteFile(doc, saved);

  std::string args = testing::Quote(original) + " " + testing::Quote(saved) + newArgs + " --text " +
                     testing::Quote("面積 12.5") + " --layer " + testing::Quote(c.newLayer);
  if (!moved.empty())
    args += " --changed " + moved;
  const auto result = testing::RunScript("check_roundtrip.py", args);
  EXPECT_EQ(result.exitCode, 0) << result.output;

  // And our own reader sees the work.
  const Document back = ReadFile(saved);
  const Entity* again = nullptr;
  for (const Entity& e : back.Entities()) {
    if (AsText(e) && AsText(e)->text == "面積 12.5")
      again = &e;
  }
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(LayerOf(*again), c.newLayer);
  ASSERT_NE(again->FindXData("LT_TRIVANE"), nullptr);
  EXPECT_EQ(again->FindXData("LT_TRIVANE")->tags, (Tags{{1010, "4"}, {1020, "5"}, {1030, "3"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RoundTrip,
    ::testing::Values(RoundTripCase{"other_program_r2000.dxf", "TRIANGLE", true},
                      RoundTripCase{"other_program_r2018.dxf", "三角形", true},
                      RoundTripCase{"other_program_r12_932.dxf", "三角形", false}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) {
      return std::string(info.param.modern ? (info.index == 0 ? "R2000" : "R2018") : "R12_932");
    });

}  // namespace
}  // namespace trivane::dxf
