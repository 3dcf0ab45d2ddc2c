// The table against the land: the area table computes each area from the values printed on the
// drawing, which for a slender triangle is far from its true area. "作成" and `trivane table`
// name such triangles; in "三斜" the table's base and height are the labels' own.
#include <algorithm>
#include <cmath>

#include "cli_fixture.h"
#include "geometry/plan.h"

namespace trivane::cli::testing {
namespace {

struct SlenderCase {
  const char* name;
  std::vector<TAcadPoint> corners;  // one triangular lot, millimetres
  const char* row;                  // the check's line for it
  const char* total;
};

// A needle 2.07 m high on a 371 m side (353.56 from its printed sides for 383.57), and a 29 m side
// bent 30 cm (14.50 / 14.50 / 29.00, whose area from the printed sides is 0); each is caught with
// its printed and its true area. A well-shaped triangle of the same size is not.
TEST_F(CliTest, TableNamesTrianglesWhosePrintedAreaIsNotTheLand) {
  const SlenderCase cases[] = {
      {"needle",
       {{0, 0, 0}, {371100, 0, 0}, {212840, 2067.21, 0}},
       "No.1  表 353.5603  実際 383.5708",
       "合計  表 353.5603  実際 383.5708"},
      {"bent side",
       {{0, 0, 0}, {29000, 0, 0}, {14500, 300, 0}},
       "No.1  表 0.0000  実際 4.3500",
       "合計  表 0.0000  実際 4.3500"},
      {"well shaped", {{0, 0, 0}, {29000, 0, 0}, {14500, 20000, 0}}, nullptr, nullptr},
  };
  for (const SlenderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = WriteDrawing("in.dxf", Outline(c.corners));
    const TAcadPoint inside = Incenter(c.corners[0], c.corners[1], c.corners[2]);
    const std::string script = "click auto\npoint " + std::to_string(inside.x) + "," +
                               std::to_string(inside.y) + "\nclick table\npoint 400000,0\n";
    const CliResult run = Cli({"run", in.string(), WriteText("s.txt", script).string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const CliResult table = Cli({"table", (Dir() / "in.out.dxf").string()});
    ASSERT_EQ(table.status, 0) << table.err;
    if (!c.row) {
      EXPECT_EQ(run.out.find("表の値から"), std::string::npos) << run.out;
      EXPECT_EQ(table.out.find("表の値から"), std::string::npos) << table.out;
      continue;
    }
    // The message of "作成", and the same lines below the printed table.
    EXPECT_NE(
        run.out.find(std::string("[Trivane] 表の値から求めた面積が実際の面積と違う三角形があります"
                                 "（細長い三角形）．\n") +
                     c.row + "\n" + c.total),
        std::string::npos)
        << run.out;
    EXPECT_NE(table.out.find(std::string(c.row) + "\n" + c.total + "\n「細長い三角形を避ける」"),
              std::string::npos)
        << table.out;
  }
}

// "三斜" printed the height on the drawing from the corners and in the table from the record's
// sides by Heron: at a height of exactly x.xx5 m the two could round apart (12.34 on the drawing,
// 12.33 in the table). Both now come from the record by one routine.
TEST_F(CliTest, BaseAndHeightOfTheTableAreTheLabels) {
  for (int k = 0; k < 16; ++k) {
    SCOPED_TRACE(k);
    const double base = 20000 + 1000 * k;
    const TAcadPoint apex{3000.0 + 700 * k, 12345.0 + 10 * k, 0};  // heights 12.345, 12.355, ...
    const fs::path in = WriteDrawing("in.dxf", Outline({{0, 0, 0}, {base, 0, 0}, apex}));
    const TAcadPoint inside = Incenter({0, 0, 0}, {base, 0, 0}, apex);
    const std::string script = "set Kyuuseki 1\nclick auto\npoint " + std::to_string(inside.x) +
                               "," + std::to_string(inside.y) + "\n";
    const CliResult run = Cli({"run", in.string(), WriteText("s.txt", script).string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const fs::path out = Dir() / "in.out.dxf";
    std::vector<std::string> labels;
    for (const host::TextShape& t : ShapesOf<host::TextShape>(ReadBack(out)))
      labels.push_back(t.string);
    const CliResult table = Cli({"table", out.string(), "--csv", "--settings",
                                 WriteText("k.ini",
                                           "[LT_Trivane]\r\n"
                                           "Kyuuseki=1\r\n")
                                     .string()});
    ASSERT_EQ(table.status, 0) << table.err;
    // The row: No., 底辺, 高さ, 面積.
    const std::string row = table.out.substr(table.out.find("\n1,") + 3);
    const std::string baseText = row.substr(0, row.find(','));
    const std::string rest = row.substr(row.find(',') + 1);
    const std::string heightText = rest.substr(0, rest.find(','));
    EXPECT_NE(std::find(labels.begin(), labels.end(), baseText), labels.end()) << baseText;
    EXPECT_NE(std::find(labels.begin(), labels.end(), heightText), labels.end()) << heightText;
  }
}

}  // namespace
}  // namespace trivane::cli::testing
