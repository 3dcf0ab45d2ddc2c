#include "geometry/triangulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/split.h"
#include "test_points.h"

namespace trivane {
namespace {

using Points = std::vector<TAcadPoint>;

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

// A comb, a star and a thin spiral-like notch: every simple polygon triangulates, with n - 2
// triangles that tile it and n - 3 diagonals, in both orientations.
TEST(TriangulatePolygon, EverySimplePolygonTriangulates) {
  Points star;
  for (int k = 0; k < 40; ++k) {
    const double a = 6.283185307179586 * k / 40, r = k % 2 ? 300 : 1000;
    star.push_back(P(r * std::cos(a), r * std::sin(a)));
  }
  const Points shapes[] = {
      {P(0, 0), P(30, 0), P(30, 10), P(25, 10), P(25, 2), P(20, 2), P(20, 10), P(15, 10), P(15, 2),
       P(10, 2), P(10, 10), P(0, 10)},
      star,
      {P(0, 0), P(100, 0), P(100, 100), P(0, 100), P(0, 60), P(90, 55), P(90, 45), P(0, 40)},
      {P(0, 0), P(10, 0), P(20, 0), P(20, 10), P(10, 10), P(0, 10)},  // collinear vertices
  };
  for (Points ring : shapes) {
    for (const bool reversed : {false, true}) {
      if (reversed)
        std::reverse(ring.begin(), ring.end());
      SCOPED_TRACE(ring.size());
      const auto t = TriangulatePolygon(ring);
      ASSERT_TRUE(t.has_value());
      EXPECT_EQ(t->triangles.size(), ring.size() - 2);
      EXPECT_EQ(t->diagonals.size(), ring.size() - 3);
      EXPECT_TRUE(TrianglesTilePolygon(ring, t->triangles));
      for (const TAcadTriangle& tri : t->triangles)
        EXPECT_GT(SmallestAngle(tri), 0.0);
    }
  }
}

// Of the two ways to cut a convex quadrilateral, the one with the larger smallest angle.
TEST(TriangulatePolygon, PrefersTheWellShapedDiagonal) {
  const Points kite = {P(0, 0), P(10, -1), P(20, 0), P(10, 1)};
  const auto t = TriangulatePolygon(kite);
  ASSERT_TRUE(t.has_value());
  ASSERT_EQ(t->diagonals.size(), 1u);
  const TAcadLine d = t->diagonals[0];
  const bool shortDiagonal =
      (d.st == P(10, -1) && d.ed == P(10, 1)) || (d.st == P(10, 1) && d.ed == P(10, -1));
  EXPECT_TRUE(shortDiagonal);
}

TEST(TriangulatePolygon, RefusesWhatIsNoPolygon) {
  EXPECT_FALSE(TriangulatePolygon(Points{P(0, 0), P(1, 0)}).has_value());
  EXPECT_FALSE(TriangulatePolygon(Points{P(0, 0), P(1, 0), P(2, 0), P(3, 0)}).has_value());
  // A bow tie crosses itself: no ear is left for the last four points.
  EXPECT_FALSE(TriangulatePolygon(Points{P(0, 0), P(10, 10), P(10, 0), P(0, 10)}).has_value());
}

}  // namespace
}  // namespace trivane
