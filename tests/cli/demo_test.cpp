// The demo: the parcel splits into triangles that add up to its area, and the files are written.
#include <sstream>

#include "cli/demo.h"
#include "cli/output.h"
#include "cli_fixture.h"
#include "geometry/numbers.h"

namespace trivane::cli::testing {
namespace {

// Shoelace area of the corners, in square drawing units.
double PolygonArea(const std::vector<TAcadPoint>& p) {
  double twice = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const TAcadPoint& a = p[i];
    const TAcadPoint& b = p[(i + 1) % p.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2.0;
}

TEST_F(CliTest, DemoTrianglesAddUpToTheParcel) {
  std::ostringstream transcript;
  const DemoResult demo = RunDemo(Dir() / "out", transcript);
  const std::size_t corners = DemoParcelCorners().size();
  EXPECT_GE(corners, 10u);
  EXPECT_GT(PolygonArea(DemoParcelCorners()), 0.0);  // anticlockwise

  // No message: the boundary was found and the split succeeded.
  EXPECT_EQ(transcript.str().find("\n["), std::string::npos) << transcript.str();
  EXPECT_EQ(demo.summary.labelled, static_cast<int>(corners) - 2);
  EXPECT_EQ(demo.summary.nextNumber, std::to_string(corners - 1));

  // Lengths are rounded to centimetres before Heron's formula: the areas' sum is the parcel's
  // area to within what that rounding moves.
  const double tolerance = 0.1;  // square metres
  ASSERT_EQ(demo.table.triangles, corners - 2);
  EXPECT_TRUE(demo.table.check.empty()) << demo.table.check.front();
  const std::vector<std::string>& total = demo.table.rows[demo.table.triangles + 1];
  EXPECT_EQ(total[total.size() - 2], "合計");
  EXPECT_NEAR(ToDecimal(total.back()), PolygonArea(DemoParcelCorners()) / 1e6, tolerance);

  // The written drawing holds the same result.
  const host::Drawing written = ReadBack(demo.dxf);
  EXPECT_EQ(RecordTexts(written).size(), corners - 2);
  EXPECT_EQ(ShapesOf<host::LineShape>(written, kDemoParcelLayer).size(), corners);
  EXPECT_TRUE(fs::exists(demo.svg));
}

TEST_F(CliTest, DemoCommandPrintsTableAndFiles) {
  const CliResult r = Cli({"demo", "--out", (Dir() / "d").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("合計"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("wrote " + (Dir() / "d" / "demo.dxf").string()), std::string::npos);
  EXPECT_NE(r.out.find("wrote " + (Dir() / "d" / "demo.svg").string()), std::string::npos);
  if (PdfAvailable()) {
    // The parcel and its table side by side: landscape, at a standard scale.
    EXPECT_NE(r.out.find("wrote " + (Dir() / "d" / "demo.pdf").string() + " (1/"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(", A4 landscape)"), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace trivane::cli::testing
