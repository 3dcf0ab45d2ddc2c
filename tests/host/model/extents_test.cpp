// The drawing's extents (EXTMIN, EXTMAX): block references measured from each definition's outline
// once, agreeing with the references expanded part by part, finite for the largest coordinates,
// and never expanding nested references (a small file once hung the program there).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>

#include "host/model/shapes.h"

namespace trivane::host {
namespace {

ObjectId Add(Drawing& d, Shape shape, ObjectId owner = 0) {
  Entity e;
  e.shape = std::move(shape);
  return d.AddEntity(std::move(e), owner);
}

InsertShape Insert(std::string block, TAcadPoint at, double sx = 1, double sy = 1,
                   double rotation = 0) {
  InsertShape i;
  i.block = std::move(block);
  i.insertion = at;
  i.xscale = sx;
  i.yscale = sy;
  i.rotation = rotation;
  return i;
}

TextShape Text(std::string s, TAcadPoint at, double height) {
  TextShape t;
  t.string = std::move(s);
  t.height = height;
  t.insertion = at;
  t.alignmentPoint = at;
  return t;
}

// The extents from every model-space entity expanded into its primitives.
std::pair<TAcadPoint, TAcadPoint> ExpandedExtents(const Drawing& d) {
  double lo[2] = {1e20, 1e20}, hi[2] = {-1e20, -1e20};
  const auto add = [&](double x, double y) {
    lo[0] = std::min(lo[0], x);
    lo[1] = std::min(lo[1], y);
    hi[0] = std::max(hi[0], x);
    hi[1] = std::max(hi[1], y);
  };
  for (const auto& [id, e] : d.entities) {
    if (e.owner != d.ModelSpaceId())
      continue;
    for (const Primitive& p : Primitives(d, e)) {
      if (const auto* s = std::get_if<SegmentPrimitive>(&p)) {
        add(s->a.x, s->a.y);
        add(s->b.x, s->b.y);
      } else if (const auto* c = std::get_if<CirclePrimitive>(&p)) {
        add(c->center.x - c->radius, c->center.y - c->radius);
        add(c->center.x + c->radius, c->center.y + c->radius);
      } else {
        for (const TAcadPoint& q : std::get<QuadPrimitive>(p).corners)
          add(q.x, q.y);
      }
    }
  }
  return {{lo[0], lo[1], 0}, {hi[0], hi[1], 0}};
}

// A block "B" of a line, a circle and a text, at its own origin (5, 5).
Drawing WithBlock() {
  Drawing d;
  const ObjectId b = d.AddBlock("B", {5, 5, 0}).id;
  Add(d, LineShape{{0, 0, 0}, {40, 10, 0}}, b);
  Add(d, CircleShape{{30, -20, 0}, 7}, b);
  Add(d, Text("面積 12.5", {-10, 30, 0}, 4), b);
  return d;
}

struct ExtentsCase {
  std::string name;
  std::function<Drawing()> drawing;
  // Relative to the largest coordinate; outlines of thousands of circles stand on polygons
  // around them, at most 0.5% of a radius wider.
  double tolerance = 1e-9;
};

void PrintTo(const ExtentsCase& c, std::ostream* os) {
  *os << c.name;
}

class BlockExtents : public ::testing::TestWithParam<ExtentsCase> {};

TEST_P(BlockExtents, EqualTheExpandedReferences) {
  const Drawing d = GetParam().drawing();
  const auto [lo, hi] = Extents(d);
  const auto [elo, ehi] = ExpandedExtents(d);
  const double largest =
      std::max({1.0, std::fabs(elo.x), std::fabs(ehi.x), std::fabs(elo.y), std::fabs(ehi.y)});
  const double tolerance = GetParam().tolerance * largest;
  // Never smaller than the parts (but for rounding): whatever is drawn lies inside.
  const double rounding = 1e-12 * largest;
  EXPECT_LE(lo.x, elo.x + rounding);
  EXPECT_LE(lo.y, elo.y + rounding);
  EXPECT_GE(hi.x, ehi.x - rounding);
  EXPECT_GE(hi.y, ehi.y - rounding);
  EXPECT_NEAR(lo.x, elo.x, tolerance);
  EXPECT_NEAR(lo.y, elo.y, tolerance);
  EXPECT_NEAR(hi.x, ehi.x, tolerance);
  EXPECT_NEAR(hi.y, ehi.y, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, BlockExtents,
    ::testing::Values(
        ExtentsCase{"Rotated",
                    [] {
                      Drawing d = WithBlock();
                      Add(d, Insert("B", {100, 100, 0}, 1, 1, 0.5));
                      return d;
                    }},
        ExtentsCase{"ScaledUnequallyAndMirrored",
                    [] {
                      Drawing d = WithBlock();
                      Add(d, Insert("B", {0, 0, 0}, -2, 0.5, 2.0));
                      Add(d, LineShape{{-500, 0, 0}, {-400, 3, 0}});
                      return d;
                    }},
        ExtentsCase{"NestedThreeDeepWithTurns",
                    [] {
                      Drawing d = WithBlock();
                      const ObjectId c = d.AddBlock("C").id;
                      Add(d, Insert("B", {10, 0, 0}, 1, 1, 1.0), c);
                      Add(d, Insert("B", {-30, 20, 0}, 3, 3, -0.3), c);
                      const ObjectId e = d.AddBlock("E", {1, 1, 0}).id;
                      Add(d, Insert("C", {0, 0, 0}, 0.5, 0.5, 2.5), e);
                      Add(d, CircleShape{{0, 0, 0}, 100}, e);
                      Add(d, Insert("E", {1000, -1000, 0}, 1, 1, 0.7));
                      return d;
                    }},
        ExtentsCase{"ThousandsOfCirclesInOneBlock",
                    [] {
                      Drawing d;
                      const ObjectId b = d.AddBlock("R").id;
                      for (int i = 0; i < 70; ++i)
                        Add(d, CircleShape{{i * 3.0, std::sin(i) * 50, 0}, 1.0 + i % 7}, b);
                      const ObjectId n = d.AddBlock("N").id;
                      for (int k = 0; k < 64; ++k)
                        Add(d, Insert("R", {k * 1.0, 0, 0}, 1, 1, 0.1 * k), n);
                      Add(d, Insert("N", {0, 0, 0}, 1, 1, 0.4));
                      return d;
                    },
                    1e-3},
        ExtentsCase{"ReferringToItself",
                    [] {
                      Drawing d = WithBlock();
                      Add(d, Insert("B", {50, 0, 0}, 1, 1, 0.1), d.FindBlock("B")->id);
                      Add(d, Insert("B", {0, 0, 0}));
                      return d;
                    }}),
    [](const ::testing::TestParamInfo<ExtentsCase>& info) { return info.param.name; });

// Blocks nested `depth` deep, each holding four references to the one below, side by side: the
// innermost is a unit line. Expanded, that is 4^depth lines.
Drawing NestedBlocks(int depth) {
  Drawing d;
  d.AddBlock("L0");
  Add(d, LineShape{{0, 0, 0}, {1, 1, 0}}, d.FindBlock("L0")->id);
  for (int k = 1; k <= depth; ++k) {
    const ObjectId b = d.AddBlock("L" + std::to_string(k)).id;
    const double step = std::ldexp(1.0, k - 1);
    const std::string inner = "L" + std::to_string(k - 1);
    for (const TAcadPoint at : {TAcadPoint{0, 0, 0}, TAcadPoint{step, 0, 0}, TAcadPoint{0, step, 0},
                                TAcadPoint{step, step, 0}})
      Add(d, Insert(inner, at), b);
  }
  Add(d, Insert("L" + std::to_string(depth), {0, 0, 0}));
  return d;
}

TEST(Extents, NestedBlocksAreMeasuredWithoutExpandingThem) {
  // 4^15 lines if expanded; the deepest lines are at the last depth references reach.
  const Drawing d = NestedBlocks(15);
  const auto [lo, hi] = Extents(d);
  EXPECT_EQ(lo.x, 0.0);
  EXPECT_EQ(lo.y, 0.0);
  EXPECT_EQ(hi.x, std::ldexp(1.0, 15));
  EXPECT_EQ(hi.y, std::ldexp(1.0, 15));
  // What still expands refuses past its bound instead of running out of memory.
  EXPECT_THROW(Primitives(d, d.entities.rbegin()->second), ExpansionError);
}

TEST(Extents, LargestCoordinatesGiveFiniteExtents) {
  constexpr double kMax = std::numeric_limits<double>::max();
  Drawing d;
  Add(d, LineShape{{-kMax, -1e308, 0}, {kMax, 1e308, 0}});
  Add(d, CircleShape{{1e308, 0, 0}, 1e308});
  d.AddBlock("BIG");
  Add(d, LineShape{{0, 0, 0}, {1e308, 1e308, 0}}, d.FindBlock("BIG")->id);
  Add(d, Insert("BIG", {1e308, 1e308, 0}, 10, 10, 0.3));
  const auto [lo, hi] = Extents(d);
  for (double v : {lo.x, lo.y, hi.x, hi.y})
    EXPECT_TRUE(std::isfinite(v)) << v;
  EXPECT_EQ(lo.x, -kMax);
  EXPECT_EQ(hi.x, kMax);
}

}  // namespace
}  // namespace trivane::host
