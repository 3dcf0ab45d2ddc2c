// Each piece of land numbered once, across commands and clicks: whole sessions on small lots that
// once counted land twice or dropped it without a word. Each case plays a script and checks how
// much land the drawing's triangle records then hold (at full precision), how many triangles are
// numbered, whether the session reports a failed command, and the message shown.
#include <algorithm>
#include <cmath>
#include <functional>

#include "cli_fixture.h"
#include "geometry/plan.h"

namespace trivane::cli::testing {
namespace {

// The land the triangle records of the drawing hold, in m2 (drawing units are millimetres).
double NumberedArea(const host::Drawing& d) {
  double area = 0.0;
  for (const auto& [id, e] : d.entities) {
    for (const host::XdataApp& app : e.xdata) {
      if (app.application != "LT_TRIVANE")
        continue;
      for (const host::XdataItem& item : app.items) {
        if (const auto* sides = std::get_if<TAcadPoint>(&item.value))
          area += AreaFromSides(sides->x, sides->y, sides->z) / 1e6;
      }
    }
  }
  return area;
}

// A 10 m square lot with its diagonal drawn as a line: two triangles of 50 m2.
host::Drawing SquareWithDiagonal() {
  host::Drawing d = Outline({{0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}});
  AddLine(d, {0, 0, 0}, {10000, 10000, 0});
  return d;
}

// A 20 m by 10 m lot (200 m2), a plain rectangle.
host::Drawing Rectangle() {
  return Outline({{0, 0, 0}, {20000, 0, 0}, {20000, 10000, 0}, {0, 10000, 0}});
}

// A 10 m lot with a keyhole: a slit 0.0005 wide from the bottom side up into a hole.
// The split once numbered one ear twice and left a piece of the same size unnumbered.
host::Drawing Keyhole() {
  const double g = 0.0005;
  return Outline({{10000, 10000, 0},
                  {10000, 0, 0},
                  {4000 + g, 0, 0},
                  {4000 + g, 1000, 0},
                  {6000 + g, 1500, 0},
                  {6000 + g, 2000, 0},
                  {2000, 2000, 0},
                  {2000, 500, 0},
                  {4000, 1000, 0},
                  {4000, 0, 0},
                  {0, 0, 0},
                  {0, 10000, 0}});
}
constexpr double kKeyholeArea = 95.999999;

// A 17 m square lot (289 m2) with its diagonal, and a line from a corner that ends on the
// diagonal's middle without breaking it: a T-junction.
host::Drawing TJunction() {
  host::Drawing d = Outline({{0, 0, 0}, {17000, 0, 0}, {17000, 17000, 0}, {0, 17000, 0}});
  AddLine(d, {0, 0, 0}, {17000, 17000, 0});
  AddLine(d, {17000, 0, 0}, {8500, 8500, 0});
  return d;
}

// A 10 m square with both diagonals, crossing in its middle.
host::Drawing BothDiagonals() {
  host::Drawing d = SquareWithDiagonal();
  AddLine(d, {10000, 0, 0}, {0, 10000, 0});
  return d;
}

// A triangular lot of 150 m2 whose sides run 0.5 past their corners, as drafting leaves them.
host::Drawing Overshoots() {
  host::Drawing d;
  AddLine(d, {-0.5, 0, 0}, {20000.5, 0, 0});
  AddLine(d, {0, -0.5, 0}, {0, 15000.5, 0});
  AddLine(d, {20000.4, -0.3, 0}, {-0.4, 15000.3, 0});
  return d;
}

// The same triangle drawn twice, the copy's apex `off` from the first's.
host::Drawing DrawnTwice(double dx, double dy) {
  host::Drawing d = Outline({{0, 0, 0}, {20000, 0, 0}, {0, 15000, 0}});
  AddLine(d, {0, 0, 0}, {20000, 0, 0});
  AddLine(d, {20000, 0, 0}, {dx, 15000 + dy, 0});
  AddLine(d, {dx, 15000 + dy, 0}, {0, 0, 0});
  return d;
}

// A 20 m square lot with a triangular building of 12.5 m2 inside it.
host::Drawing BuildingInALot() {
  host::Drawing d = Outline({{0, 0, 0}, {20000, 0, 0}, {20000, 20000, 0}, {0, 20000, 0}});
  AddLine(d, {5000, 5000, 0}, {10000, 5000, 0});
  AddLine(d, {10000, 5000, 0}, {5000, 10000, 0});
  AddLine(d, {5000, 10000, 0}, {5000, 5000, 0});
  return d;
}

struct LandCase {
  std::string name;
  std::function<host::Drawing()> drawing;
  std::string script;
  double land;            // m2 the records hold at the end
  std::size_t triangles;  // numbered triangles at the end
  bool failed;            // the run ends with kSomeCommandFailed
  std::string message;    // a message box shown (part of its text); empty: none expected
};

void PrintTo(const LandCase& c, std::ostream* os) {
  *os << c.name;
}

class LandOnce : public CliTest, public ::testing::WithParamInterface<LandCase> {};

TEST_P(LandOnce, EveryPieceIsNumberedOnceOrTheSessionSaysWhy) {
  const LandCase& c = GetParam();
  const fs::path in = WriteDrawing("in.dxf", c.drawing());
  const CliResult r = Cli({"run", in.string(), WriteText("s.txt", c.script).string()});
  ASSERT_EQ(r.status, c.failed ? kSomeCommandFailed : 0) << r.out << r.err;
  const host::Drawing out = ReadBack(Dir() / "in.out.dxf");
  EXPECT_NEAR(NumberedArea(out), c.land, 1e-6) << r.out;
  EXPECT_EQ(RecordTexts(out).size(), c.triangles) << r.out;
  if (!c.message.empty()) {
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
  if (c.failed) {
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

const std::string kNumbered = "既に番号の付いた三角形があります";

INSTANTIATE_TEST_SUITE_P(
    Commands, LandOnce,
    ::testing::Values(
        LandCase{"AutoTwiceAtThePoint", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\nclick auto\npoint 7000,3000\n", 50, 1, true,
                 kNumbered + "（番号 1）"},
        LandCase{"AutoOverAGroupNumberedBefore", SquareWithDiagonal,
                 "click group\nselect all\nclick auto\npoint 3000,7000\n", 100, 2, true,
                 kNumbered + "（番号 2）"},
        LandCase{"GroupOverAGroupNumberedBefore", SquareWithDiagonal,
                 "click group\nselect all\nclick group\nselect all\n", 100, 2, true,
                 kNumbered + "（番号 1, 2）"},
        // The selection reaches into a lot numbered before: only the new land is numbered.
        LandCase{"GroupOverLandPartlyNumbered", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\nclick group\nselect all\n", 100, 2, false,
                 "既に番号の付いた三角形1個を除きました（番号 1）"},
        LandCase{"TwoSidesOverAnAutoTriangle", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\n"
                 "click two-sides\nentity 2000,0\nentity 10000,2000\n",
                 50, 1, true, kNumbered + "（番号 1）"},
        LandCase{"OnePointOverTheSameRectangle", Rectangle,
                 "click auto\npoint 5000,5000\nclick one-point\npoint 15000,5000\n", 200, 2, true,
                 kNumbered},
        // A number typed into the field that a record of the drawing already uses.
        LandCase{"NumberTypedAlreadyInUse", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\nnumber 1\nclick auto\npoint 3000,7000\n", 50, 1,
                 true, "番号 1 は既に図面の三角形に付いています"},
        LandCase{"NumberTypedThatIsFree", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\nnumber 5\nclick auto\npoint 3000,7000\n", 100, 2,
                 false, ""},
        // U in the CAD takes the triangle back, and with it its number: the next click numbers 1
        // again.
        LandCase{"UndoGivesTheNumberBack", SquareWithDiagonal,
                 "click auto\npoint 7000,3000\nundo\nclick auto\npoint 3000,7000\n", 50, 1, false,
                 "next number 2"},
        // Without the well-shaped split this star stalls; the retry is the same attempt, and
        // neither leaves a cut behind.
        LandCase{"RetryAfterAFailedSplit",
                 [] {
                   std::vector<TAcadPoint> star;
                   for (int k = 0; k < 60; ++k) {
                     const double a = 2 * 3.141592653589793 * k / 60, r = k % 2 ? 6000 : 10000;
                     star.push_back({std::round(r * std::cos(a)), std::round(r * std::sin(a)), 0});
                   }
                   return Outline(star);
                 },
                 "click auto\npoint 100,100\nclick auto\npoint 100,100\n", 0, 0, true,
                 "分割に失敗しました"}),
    [](const ::testing::TestParamInfo<LandCase>& info) { return info.param.name; });

// Lines drawn as surveyors draw them: "群選択" takes the faces of the network, numbers each
// triangle once and reports the land that is no triangle.
INSTANTIATE_TEST_SUITE_P(
    Lines, LandOnce,
    ::testing::Values(
        LandCase{"KeyholeLot", Keyhole, "click auto\npoint 8000,8000\n", kKeyholeArea, 10, false,
                 ""},
        LandCase{"TJunction", TJunction, "click group\nselect all\n", 289, 3, false, ""},
        LandCase{"BothDiagonals", BothDiagonals, "click group\nselect all\n", 100, 4, false, ""},
        LandCase{"Overshoots", Overshoots, "click group\nselect all\n", 150, 1, false, ""},
        LandCase{"CopyWithTheApex0.0011Off", [] { return DrawnTwice(0, 0.0011); },
                 "click group\nselect all\n", 150, 1, false, ""},
        LandCase{"CopyWithTheApex0.0015Off", [] { return DrawnTwice(0.0015, 0); },
                 "click group\nselect all\n", 150, 1, true,
                 "三角形でない区画が1個あります（面積 計0.0000）"},
        LandCase{"BuildingInALot", BuildingInALot, "click group\nselect all\n", 12.5, 1, true,
                 "三角形でない区画が1個あります（面積 計387.5000）"}),
    [](const ::testing::TestParamInfo<LandCase>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// "作成" with nothing to table, or with a record whose sides make no triangle, once ended without a
// word.
INSTANTIATE_TEST_SUITE_P(
    Table, LandOnce,
    ::testing::Values(LandCase{"NothingToTable", Rectangle, "set AllData 1\nclick table\n", 0, 0,
                               true, "求積データが見つかりません"},
                      LandCase{"DamagedRecord",
                               [] {
                                 host::Drawing d = Rectangle();
                                 AddNumberText(d, "1", 1000, 1000, 5000, {5000, 5000, 0});
                                 return d;
                               },
                               "set AllData 1\nclick table\n", 0, 1, true,
                               "壊れた求積データがあります（1,"}),
    [](const ::testing::TestParamInfo<LandCase>& info) { return info.param.name; });

}  // namespace
}  // namespace trivane::cli::testing
