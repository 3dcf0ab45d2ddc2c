// The picture of a drawing: what the SVG holds, where it puts things, and the PNG beside it.
#include "host/picture/picture.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <map>
#include <numbers>
#include <optional>
#include <regex>
#include <string>

#include "host/bridge/dxf_bridge.h"
#include "host/model/shapes.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::host {
namespace {

using dxf::testing::FixturePath;
using dxf::testing::ReadBytes;
using dxf::testing::ScratchDir;

Entity Made(Shape shape, std::string layer = "0") {
  Entity e;
  e.shape = std::move(shape);
  e.layer = std::move(layer);
  return e;
}

TextShape Text(std::string s, std::int32_t alignment, TAcadPoint at, double height,
               double rotation = 0.0) {
  TextShape t;
  t.string = std::move(s);
  t.alignment = alignment;
  t.height = height;
  t.rotation = rotation;
  t.alignmentPoint = at;
  t.insertion = alignment == 0 ? at : InsertionFromAnchor(t, at);
  return t;
}

// The elements of one kind, in order.
std::vector<std::string> Elements(const std::string& svg, const std::string& tag) {
  std::vector<std::string> found;
  const std::regex re("<" + tag + "[ >][^\n]*");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator();
       ++it)
    found.push_back(it->str());
  return found;
}

double Number(const std::string& text) {
  double v = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

std::string Attribute(const std::string& element, const std::string& name) {
  const std::regex re(" " + name + "=\"([^\"]*)\"");
  std::smatch m;
  return std::regex_search(element, m, re) ? m[1].str() : std::string("(none)");
}

// A line from (0, 0) to (100, 50) with the default options: 16 pixels per unit, a margin of 24.
TEST(Picture, FitsTheExtentsWithYUp) {
  Drawing d;
  d.AddEntity(Made(LineShape{{0, 0, 0}, {100, 50, 0}}));
  const std::string svg = DrawingToSvg(d);
  EXPECT_NE(svg.find("viewBox=\"0 0 1648 848\""), std::string::npos) << svg;
  const auto lines = Elements(svg, "line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Attribute(lines[0], "x1"), "24");
  EXPECT_EQ(Attribute(lines[0], "y1"), "824");
  EXPECT_EQ(Attribute(lines[0], "x2"), "1624");
  EXPECT_EQ(Attribute(lines[0], "y2"), "24");
}

struct AlignmentCase {
  std::int32_t alignment;
  std::string anchor;
  std::string baseline;  // picture units below the alignment point (height 10 units = 160)
};

TEST(Picture, TextsStandOnTheirAlignment) {
  const AlignmentCase cases[] = {
      {0, "start", "0"},    {1, "middle", "0"},   {2, "end", "0"},     {4, "middle", "80"},
      {6, "start", "160"},  {7, "middle", "160"}, {8, "end", "160"},   {9, "start", "80"},
      {10, "middle", "80"}, {11, "end", "80"},    {13, "middle", "0"}, {14, "end", "0"},
  };
  for (const AlignmentCase& c : cases) {
    SCOPED_TRACE(c.alignment);
    Drawing d;
    d.AddEntity(Made(LineShape{{0, 0, 0}, {100, 100, 0}}));
    d.AddEntity(Made(Text("番号", c.alignment, {50, 50, 0}, 10.0)));
    const auto texts = Elements(DrawingToSvg(d), "text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(Attribute(texts[0], "text-anchor"), c.anchor);
    EXPECT_EQ(Attribute(texts[0], "y"), c.baseline);
    EXPECT_EQ(Attribute(texts[0], "font-size"), "160");
    if (c.alignment != 0) {  // at the alignment point (50, 50)
      EXPECT_EQ(Attribute(texts[0], "transform"), "translate(824 824)");
    }
  }
}

TEST(Picture, HoldsEveryKindOfEntity) {
  Drawing d;
  d.AddLayer("三角形").color = 1;
  d.AddEntity(Made(LineShape{{0, 0, 0}, {40, 0, 0}}, "三角形"));
  d.AddEntity(Made(PolylineShape{{{0, 0, 0}, {40, 0, 0}, {40, 30, 0}}, true, 0.0, {0, 0.5, 0}}));
  d.AddEntity(Made(Text("三角形 No.1 <&>", 10, {20, 10, 0}, 2.5, std::numbers::pi / 2)));
  d.AddEntity(Made(CircleShape{{20, 10, 0}, 3.0}));
  d.AddEntity(Made(LeaderShape{{{20, 10, 0}, {50, 40, 0}}, 4.0, true, ""}));
  const ObjectId block = d.AddBlock("MARK").id;
  d.AddEntity(Made(CircleShape{{0, 0, 0}, 1.0}), block);
  d.AddEntity(Made(InsertShape{"MARK", {60, 60, 0}, 2, 2, 2, 0.0}));
  const std::string svg = DrawingToSvg(d);

  EXPECT_EQ(Elements(svg, "line").size(), 1u);
  EXPECT_EQ(Attribute(Elements(svg, "line")[0], "stroke"), "#FF0000");  // the layer's red
  const auto paths = Elements(svg, "path");
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_NE(Attribute(paths[0], "d").find(" A"), std::string::npos);  // the bulged segment
  EXPECT_NE(Attribute(paths[0], "d").find(" Z"), std::string::npos);
  const auto texts = Elements(svg, "text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(">三角形 No.1 &lt;&amp;&gt;</text>"), std::string::npos) << texts[0];
  EXPECT_NE(Attribute(texts[0], "transform").find("rotate(-90)"), std::string::npos);
  EXPECT_NE(Attribute(texts[0], "font-family").find("IPAGothic"), std::string::npos);
  const auto circles = Elements(svg, "circle");
  ASSERT_EQ(circles.size(), 2u);
  // The block's circle (radius 1) placed at scale 2, beside the circle of radius 3.
  EXPECT_NEAR(Number(Attribute(circles[1], "r")) / Number(Attribute(circles[0], "r")), 2.0 / 3.0,
              0.001);
  EXPECT_EQ(Elements(svg, "polyline").size(), 1u);  // the leader's line
  EXPECT_EQ(Elements(svg, "polygon").size(), 1u);   // and its arrowhead
}

TEST(Picture, LeavesOutLayersThatAreOffAndEmptyDrawings) {
  Drawing d;
  d.AddLayer("HIDDEN").color = -3;
  d.AddEntity(Made(LineShape{{0, 0, 0}, {1, 1, 0}}, "HIDDEN"));
  d.AddEntity(Made(CircleShape{{0, 0, 0}, 1.0}));
  const std::string svg = DrawingToSvg(d);
  EXPECT_TRUE(Elements(svg, "line").empty());
  EXPECT_EQ(Elements(svg, "circle").size(), 1u);

  const std::string empty = DrawingToSvg(Drawing{});
  EXPECT_NE(empty.find("viewBox=\"0 0 48 48\""), std::string::npos) << empty;
  EXPECT_NE(empty.find("</svg>"), std::string::npos);
}

// Another program's drawing, its Japanese texts readable in the picture; the PNG where the build
// has it.
TEST(Picture, OtherProgramsDrawingToSvgAndPng) {
  ScratchDir scratch;
  const Drawing d = ReadDrawingFile(FixturePath("other_program_r2018.dxf"));
  const std::string svgPath = scratch.File("drawing.svg");
  WriteSvgFile(d, svgPath);
  const std::string svg = ReadBytes(svgPath);
  EXPECT_NE(svg.find(">三角形 No.1</text>"), std::string::npos);
  EXPECT_FALSE(Elements(svg, "polygon").empty());  // the leader's arrowhead

  const std::string pngPath = scratch.File("drawing.png");
  if (!PngAvailable()) {
    EXPECT_THROW(WritePngFile(d, pngPath), PictureError);
    GTEST_SKIP() << "this build has no PNG support";
  }
  WritePngFile(d, pngPath, PictureOptions{.width = 800.0});
  const std::string png = ReadBytes(pngPath);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST(Picture, FailedWriteNamesTheFile) {
  Drawing d;
  const std::string path = "/nonexistent-folder/picture.svg";
  try {
    WriteSvgFile(d, path);
    ADD_FAILURE() << "written";
  } catch (const PictureError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

// ---- The print at true scale

// A rectangle of lines, width by height millimetres, from the origin.
Drawing Frame(double width, double height) {
  Drawing d;
  const TAcadPoint c[] = {{0, 0, 0}, {width, 0, 0}, {width, height, 0}, {0, height, 0}};
  for (int i = 0; i < 4; ++i)
    d.AddEntity(Made(LineShape{c[i], c[(i + 1) % 4]}));
  return d;
}

struct LayoutCase {
  const char* what;
  double width, height;  // of the drawing, mm
  Paper paper;
  std::optional<int> scale;
  int expectedScale;  // or, when it does not fit, the scale the error names
  bool fits;
  bool landscape;
};

TEST(Print, ScaleOrientationAndFit) {
  const LayoutCase cases[] = {
      // A4 landscape leaves 277 x 190 mm inside the margins, A3 400 x 277.
      {"30 m by 20 m on A4", 30000, 20000, Paper::A4, {}, 200, true, true},
      {"the same on A3", 30000, 20000, Paper::A3, {}, 100, true, true},
      {"tall: portrait", 20000, 60000, Paper::A4, {}, 250, true, false},
      {"exactly the room at 1/100", 27700, 19000, Paper::A4, {}, 100, true, true},
      {"asked and fitting, any N", 30000, 20000, Paper::A4, 150, 150, true, true},
      {"asked too large", 30000, 20000, Paper::A4, 100, 200, false, true},
      {"asked too large, nothing standard fits", 400000, 1000, Paper::A4, 500, 1445, false, true},
      {"no standard scale fits", 400000, 1000, Paper::A4, {}, 1445, false, true},
      {"nothing drawn", 0, 0, Paper::A4, {}, 100, true, false},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Drawing d = c.width > 0 ? Frame(c.width, c.height) : Drawing{};
    try {
      const PrintLayout page = LayOutPrint(d, {c.paper, c.scale});
      EXPECT_TRUE(c.fits);
      EXPECT_EQ(page.scale, c.expectedScale);
      EXPECT_EQ(page.landscape, c.landscape);
      EXPECT_EQ(page.widthMm > page.heightMm, c.landscape);
    } catch (const PrintFitError& e) {
      EXPECT_FALSE(c.fits) << e.what();
      EXPECT_EQ(e.fittingScale(), c.expectedScale);
      EXPECT_NE(std::string(e.what()).find("1/" + std::to_string(c.expectedScale) + " fits"),
                std::string::npos)
          << e.what();
    }
  }
  EXPECT_EQ((PrintLayout{Paper::A3, true, 250, 420, 297}).Caption(), "縮尺 1/250 A3");
  EXPECT_EQ(PaperByName("a3"), Paper::A3);
  EXPECT_EQ(PaperByName("A5"), std::nullopt);
}

// The output of a poppler tool; empty when it cannot be run.
std::string Poppler(const std::string& tool, const std::string& args) {
  const std::string command = "/usr/bin/" + tool + " " + args + " 2>&1";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
    out.append(buf, n);
  pclose(pipe);
  return out;
}

// The left edge and top of each word pdftotext finds, in points from the page's top left.
std::map<std::string, std::pair<double, double>> WordPlaces(const std::string& pdf) {
  const std::string html = Poppler("pdftotext", "-bbox " + dxf::testing::Quote(pdf) + " -");
  std::map<std::string, std::pair<double, double>> places;
  const std::regex word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator();
       ++it)
    places[(*it)[3].str()] = {Number((*it)[1].str()), Number((*it)[2].str())};
  return places;
}

// Two texts 10 m apart across and 4 m apart down measure 10000 / N and 4000 / N mm on the page;
// the texts (Japanese too) and the caption stay text, with every font embedded.
TEST(Print, PdfPageIsTrueToScaleWithSearchableText) {
  if (!PdfAvailable()) {
    EXPECT_THROW(WritePdfFile(Drawing{}, "x.pdf", PrintLayout{}), PictureError);
    GTEST_SKIP() << "this build has no PDF support";
  }
  ScratchDir scratch;
  Drawing d = Frame(20000, 10000);
  d.AddEntity(Made(Text("X1", 0, {2000, 6000, 0}, 500)));
  d.AddEntity(Made(Text("X2", 0, {12000, 6000, 0}, 500)));
  d.AddEntity(Made(Text("X3", 0, {2000, 2000, 0}, 500)));
  d.AddEntity(Made(Text("面積", 0, {12000, 2000, 0}, 500)));
  constexpr double kPtPerMm = 72.0 / 25.4;
  for (const int scale : {100, 150}) {
    SCOPED_TRACE(scale);
    const std::string path = scratch.File("print" + std::to_string(scale) + ".pdf");
    WritePdfFile(d, path, LayOutPrint(d, {Paper::A4, scale}));
    const std::string info = Poppler("pdfinfo", dxf::testing::Quote(path));
    ASSERT_NE(info.find("841.89 x 595.276 pts (A4)"), std::string::npos) << info;
    const auto places = WordPlaces(path);
    ASSERT_TRUE(places.count("X1") && places.count("X2") && places.count("X3")) << path;
    const double across = (places.at("X2").first - places.at("X1").first) / kPtPerMm;
    const double down = (places.at("X3").second - places.at("X1").second) / kPtPerMm;
    EXPECT_NEAR(across, 10000.0 / scale, 0.05);
    EXPECT_NEAR(down, 4000.0 / scale, 0.05);
    // Centred: the frame's left edge is as far from the paper's as its right edge.
    const double left = places.at("X1").first / kPtPerMm - 2000.0 / scale;
    EXPECT_NEAR(left, (297.0 - 20000.0 / scale) / 2, 0.5);
    const std::string text = Poppler("pdftotext", dxf::testing::Quote(path) + " -");
    EXPECT_NE(text.find("面積"), std::string::npos) << text;
    EXPECT_NE(text.find("縮尺 1/" + std::to_string(scale) + " A4"), std::string::npos) << text;
    const std::string fonts = Poppler("pdffonts", dxf::testing::Quote(path));
    EXPECT_EQ(fonts.find(" no  "), std::string::npos) << fonts;  // the "emb" column
  }
}

}  // namespace
}  // namespace trivane::host
