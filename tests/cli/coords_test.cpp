// `trivane coords` and "座標求積" on the demo parcel: the coordinate area of the corners as listed,
// and the check of the numbered triangles against it, figures computed here independently.
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>

#include "cli/coords.h"
#include "cli/demo.h"
#include "cli/session.h"
#include "cli_fixture.h"
#include "geometry/numbers.h"

namespace trivane::cli::testing {
namespace {

// A quarter of the way along the parcel's first side: on the outline, away from its length label.
constexpr TAcadPoint kOnOutline{12087.605, 9930.02875, 0};

// Shoelace area in m² of corners given in millimetres (drawing units at scale 1000).
double AreaM2(const std::vector<TAcadPoint>& p) {
  double twice = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const TAcadPoint& a = p[i];
    const TAcadPoint& b = p[(i + 1) % p.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::fabs(twice) / 2e6;
}

// The same for the corners as the table lists them, to the whole millimetre: exact in integers.
std::int64_t ListedDoubleAreaMm2(const std::vector<TAcadPoint>& p) {
  std::int64_t twice = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::int64_t x1 = std::llround(p[i].x), y1 = std::llround(p[i].y);
    const std::int64_t x2 = std::llround(p[(i + 1) % p.size()].x);
    const std::int64_t y2 = std::llround(p[(i + 1) % p.size()].y);
    twice += x1 * y2 - x2 * y1;
  }
  return twice < 0 ? -twice : twice;
}

// Heron's formula, written out here: the area of a triangle record's three sides in m².
double HeronM2(const std::vector<double>& s) {
  const double a = s[0] / 1000, b = s[1] / 1000, c = s[2] / 1000;
  return 0.25 * std::sqrt((a + b + c) * (-a + b + c) * (a - b + c) * (a + b - c));
}

// The demo parcel drawn as one closed polyline, split, numbered and tabled as the demo does it.
class DemoCoords : public CliTest {
 protected:
  DemoCoords() : session({}, transcript) {
    host::Drawing d;
    host::PolylineShape outline;
    outline.vertices = DemoParcelCorners();
    outline.closed = true;
    host::Entity e;
    e.shape = outline;
    d.AddEntity(std::move(e));
    session.SetDrawing(std::move(d));
    session.Play(ParseScript(DemoScript(), "demo"));
  }

  // The number text reading `number` and its record's three sides.
  std::pair<host::ObjectId, std::vector<double>> Marker(std::string_view number) {
    for (const auto& [id, e] : session.drawing().entities) {
      const auto* t = std::get_if<host::TextShape>(&e.shape);
      if (t && t->string == number && !e.xdata.empty()) {
        const auto p = std::get<TAcadPoint>(e.xdata.at(0).items.at(0).value);
        return {id, {p.x, p.y, p.z}};
      }
    }
    ADD_FAILURE() << "no marker " << number;
    return {};
  }

  std::ostringstream transcript;
  Session session;
};

TEST_F(DemoCoords, AreaIsThatOfTheListedCornersAndTheCheckReportsTheDifferenceExactly) {
  const std::vector<TAcadPoint> corners = DemoParcelCorners();
  const std::int64_t listed = ListedDoubleAreaMm2(corners);

  const std::optional<CoordinateTableText> coords =
      SessionCoordinateTable(session, kOnOutline, ParcelBy::kPolylinePick);
  ASSERT_TRUE(coords);
  const auto& rows = coords->table.rows;
  ASSERT_EQ(rows.size(), 1 + corners.size() + 3);
  EXPECT_EQ(rows[corners.size() + 1].back(),
            FormatRounded(listed / 1e6, 4, RoundingMode::kRoundHalfUp));
  EXPECT_EQ(rows[corners.size() + 2].back(),
            FormatRounded(listed / 2e6, 4, RoundingMode::kRoundHalfUp));
  EXPECT_EQ(rows[corners.size() + 3].back(),
            FormatRounded(listed / 2e6, 2, RoundingMode::kTruncate) + "  ");
  // The first corner is the northernmost: (23615.580, 29960.115) as X 29.960, Y 23.616.
  EXPECT_EQ(rows[1], (std::vector<std::string>{"P1", "29.960", "23.616", rows[1][3], rows[1][4]}));

  // The ten triangles cover the drawn parcel exactly; the listed corners are rounded to the
  // millimetre, which the check shows as the difference.
  ASSERT_TRUE(coords->coverage);
  const commands::Coverage& all = *coords->coverage;
  EXPECT_EQ(all.numbers,
            (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  EXPECT_NEAR(all.coordinate, listed / 2e6, 1e-9);
  EXPECT_NEAR(all.Difference(), AreaM2(corners) - listed / 2e6, 1e-6);

  // Triangle 3 missing: short by its area; doubled: over by it.
  const auto [id, sides] = Marker("3");
  const double third = HeronM2(sides);
  host::Entity copy = *session.drawing().FindEntity(id);
  session.drawing().EraseEntity(id);
  std::optional<CoordinateTableText> missing =
      SessionCoordinateTable(session, kOnOutline, ParcelBy::kPolylinePick);
  ASSERT_TRUE(missing && missing->coverage);
  EXPECT_NEAR(missing->coverage->Difference(), all.Difference() - third, 1e-6);
  EXPECT_EQ(missing->coverage->numbers.size(), 9u);

  session.drawing().AddEntity(copy);
  session.drawing().AddEntity(copy);
  std::optional<CoordinateTableText> doubled =
      SessionCoordinateTable(session, kOnOutline, ParcelBy::kPolylinePick);
  ASSERT_TRUE(doubled && doubled->coverage);
  EXPECT_NEAR(doubled->coverage->Difference(), all.Difference() + third, 1e-6);
  EXPECT_NE(commands::CoverageMessage(*doubled->coverage).find("\n重複 : 3"), std::string::npos);
}

TEST_F(DemoCoords, CommandLinePrintsTheTableAndTheCheckAndWritesNothing) {
  const fs::path dxf = WriteDrawing("demo.dxf", session.drawing());
  const std::string before = ReadBytes(dxf);
  const std::string outline = "12087.605,9930.02875";

  const CliResult text = Cli({"coords", dxf.string(), "--polyline", outline});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Xn×(Yn+1-Yn-1)"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("地積"), std::string::npos);
  EXPECT_NE(text.out.find("\n三角形の番号 : 1, 2, 3, 4, 5, 6, 7, 8, 9, 10\n"), std::string::npos)
      << text.out;

  const CliResult csv = Cli({"coords", dxf.string(), "--polyline", outline, "--csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out.rfind("点名,X,Y,Yn+1-Yn-1,Xn×(Yn+1-Yn-1)\r\nP1,29.960,23.616,", 0), 0u)
      << csv.out;
  EXPECT_NE(csv.out.find("\r\n三角形の番号,\"1, 2, 3, 4, 5, 6, 7, 8, 9, 10\"\r\n"),
            std::string::npos);

  // A point inside the split parcel lies in one triangle: that triangle is the region.
  const CliResult one = Cli({"coords", dxf.string(), "--at", "25000,18000"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("\n三角形の番号 : 5\n"), std::string::npos) << one.out;
  EXPECT_EQ(ReadBytes(dxf), before);

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {{"coords", dxf.string(), "--at", "60000,60000"}, 1, "[Trivane] 境界を作成できません．"},
      {{"coords", dxf.string(), "--polyline", "60000,60000"},
       1,
       "[座標求積] 閉じたポリラインではありません．"},
      {{"coords", dxf.string(), "--at", "25000"}, 2, "--at"},
      {{"coords", dxf.string()}, 2, "--at"},
      {{"coords", dxf.string(), "--at", "1,1", "--polyline", "1,1"}, 2, "--polyline"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

TEST_F(DemoCoords, SessionScriptClicksTheButtonByItsAlias) {
  const fs::path dxf = WriteDrawing("demo.dxf", session.drawing());
  const fs::path script = WriteText(
      "coords.txt", "click coords-polyline\nentity 12087.605,9930.02875\npoint 60000,30000\n");
  const CliResult r =
      Cli({"run", dxf.string(), script.string(), "--out", (Dir() / "out.dxf").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("[座標求積] 三角形の合計 : "), std::string::npos) << r.out;
  std::map<std::string, int> texts;
  for (const host::TextShape& t : ShapesOf<host::TextShape>(ReadBack(Dir() / "out.dxf")))
    ++texts[t.string];
  EXPECT_EQ(texts["地積"], 1);
  EXPECT_EQ(texts["P12"], 2);  // in the table and at its corner
}

}  // namespace
}  // namespace trivane::cli::testing
