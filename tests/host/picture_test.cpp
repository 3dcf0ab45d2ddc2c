// The picture of a drawing: what the SVG holds, where it puts things, and the PNG beside it.
#include "host/picture.h"

#include <gtest/gtest.h>

#include <charconv>
#include <numbers>
#include <regex>
#include <string>

#include "host/dxf_bridge.h"
#include "host/shapes.h"
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

}  // namespace
}  // namespace trivane::host
