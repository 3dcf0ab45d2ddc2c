#include "geometry/coordinate_area.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace trivane {
namespace {

// A corner as the table lists it: X (north) and Y (east) in millimetres.
using Survey = std::pair<std::int64_t, std::int64_t>;

std::vector<Survey> SurveyOf(const CoordinateArea& a) {
  std::vector<Survey> out;
  for (const SurveyCorner& c : a.corners)
    out.push_back({c.x, c.y});
  return out;
}

// A survey corner (X north, Y east, metres) as a drawing point in millimetres (scale 1000).
TAcadPoint Drawn(double northX, double eastY) {
  return {eastY * 1000, northX * 1000, 0};
}

// Twice the area by the cross products of the drawing's own corners, in whole square
// millimetres: the shoelace formula, independent of the survey table's column.
std::int64_t DoubleAreaMm2(const std::vector<std::pair<std::int64_t, std::int64_t>>& xy) {
  std::int64_t s = 0;
  for (std::size_t i = 0; i < xy.size(); ++i) {
    const auto& [x1, y1] = xy[i];
    const auto& [x2, y2] = xy[(i + 1) % xy.size()];
    s += x1 * y2 - x2 * y1;
  }
  return s < 0 ? -s : s;
}

// The survey axes: the drawing's y is X (north), its x is Y (east); metres are drawing units over
// the scale, to the millimetre, half up.
TEST(CoordinateMethod, DrawingYIsNorthXAndDrawingXIsEastYRoundedToTheMillimetre) {
  const std::vector<TAcadPoint> triangle{{2000.4, 5000.5, 0}, {7000, 5000, 0}, {2000, 1000, 0}};
  const std::optional<CoordinateArea> a = CoordinateMethod(triangle, 1000);
  ASSERT_TRUE(a);
  // 5000.5 / 1000 = 5.0005 m rounds up to 5.001; 2000.4 / 1000 to 2.000.
  EXPECT_EQ(SurveyOf(*a), (std::vector<Survey>{{5001, 2000}, {5000, 7000}, {1000, 2000}}));
  EXPECT_EQ(a->corners[0].drawing, triangle[0]);
}

// Whatever the order the boundary comes in, the table runs clockwise on a north-up map from the
// northernmost corner, the westernmost of equally north ones; the sum is then positive.
TEST(CoordinateMethod, ClockwiseFromTheNorthernmostThenWesternmostCorner) {
  // A trapezium whose two northern corners are equally far north: the western one starts.
  const std::vector<TAcadPoint> anticlockwise{Drawn(0, 0), Drawn(0, 30), Drawn(10, 20),
                                              Drawn(10, 5)};
  const std::vector<Survey> expected{{10000, 5000}, {10000, 20000}, {0, 30000}, {0, 0}};
  for (std::size_t start = 0; start < 4; ++start) {
    for (bool reversed : {false, true}) {
      SCOPED_TRACE(std::to_string(start) + (reversed ? " reversed" : ""));
      std::vector<TAcadPoint> boundary;
      for (std::size_t k = 0; k < 4; ++k)
        boundary.push_back(anticlockwise[(start + (reversed ? 4 - k : k)) % 4]);
      const std::optional<CoordinateArea> a = CoordinateMethod(boundary, 1000);
      ASSERT_TRUE(a);
      EXPECT_EQ(SurveyOf(*a), expected);
      EXPECT_EQ(a->doubleArea, 2 * 225'000'000);  // (15 + 30) / 2 * 10 m² = 225 m²
    }
  }
}

// The products and the sum are exact, so the area is the polygon's own to the last square
// millimetre, reflex corners included.
TEST(CoordinateMethod, AreaOfAParcelWithReflexCornersIsExact) {
  // An irregular lot with two re-entrant corners, to the millimetre (drawing units at scale 1).
  const std::vector<std::pair<std::int64_t, std::int64_t>> mm{
      {10000, 10000}, {39120, 10410}, {40240, 22950}, {34380, 26105}, {29940, 24370},
      {23615, 29960}, {14890, 29415}, {18000, 20001}, {9620, 17105}};
  std::vector<TAcadPoint> boundary;
  for (const auto& [x, y] : mm)
    boundary.push_back({x / 1000.0, y / 1000.0, 0});
  const std::optional<CoordinateArea> a = CoordinateMethod(boundary, 1);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->doubleArea, DoubleAreaMm2(mm));
  std::int64_t sum = 0;
  for (const SurveyCorner& c : a->corners) {
    EXPECT_EQ(c.product, c.x * c.dy);
    sum += c.product;
  }
  EXPECT_EQ(sum, a->doubleArea);
}

// Worked example of the coordinate method from the teaching material "倍面積の求め方" of the
// Kagoshima Prefecture education centre (www.edu-s.pref.kagoshima.jp): A(0, 0),
// B(-11.052, 129.766), C(41.395, 76.858); its table lists Yn-1 - Yn+1 as 129.766, -76.858 and
// -52.908 for C, B and A, the products 5371.663570, 849.434616 and 0, 総倍面積 6221.098186 and
// 面積 3110.549093. (Its practice problem A(5,5), B(-2,13), C(8,20), D(15,6) gives 総倍面積 276.)
TEST(CoordinateMethod, PublishedWorkedExampleDigitForDigit) {
  const std::optional<CoordinateArea> a = CoordinateMethod(
      std::vector<TAcadPoint>{Drawn(0, 0), Drawn(-11.052, 129.766), Drawn(41.395, 76.858)}, 1000);
  ASSERT_TRUE(a);
  EXPECT_EQ(SurveyOf(*a), (std::vector<Survey>{{41395, 76858}, {-11052, 129766}, {0, 0}}));
  std::vector<std::int64_t> dy, products;
  for (const SurveyCorner& c : a->corners) {
    dy.push_back(c.dy);
    products.push_back(c.product);
  }
  EXPECT_EQ(dy, (std::vector<std::int64_t>{129766, -76858, -52908}));
  EXPECT_EQ(products, (std::vector<std::int64_t>{5371663570, 849434616, 0}));
  EXPECT_EQ(a->doubleArea, 6221098186);
  EXPECT_EQ(a->doubleArea % 2, 0);
  EXPECT_EQ(a->doubleArea / 2, 3110549093);

  const std::optional<CoordinateArea> practice = CoordinateMethod(
      std::vector<TAcadPoint>{Drawn(5, 5), Drawn(-2, 13), Drawn(8, 20), Drawn(15, 6)}, 1000);
  ASSERT_TRUE(practice);
  EXPECT_EQ(practice->doubleArea, 276'000'000);
}

// Nothing to measure: no table rather than a wrong one.
TEST(CoordinateMethod, RefusesWhatIsNoParcel) {
  struct Case {
    const char* what;
    std::vector<TAcadPoint> boundary;
    double scale;
  };
  const Case cases[] = {
      {"two corners", {{0, 0, 0}, {10, 0, 0}}, 1},
      {"three in a row", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, 1},
      {"a corner repeated and the first again", {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 0, 0}}, 1},
      {"corners within a millimetre", {{0, 0, 0}, {0.4, 0, 0}, {0, 0.4, 0}}, 1000},
      {"scale 0", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 0},
      {"beyond the exact range", {{0, 0, 0}, {1e13, 0, 0}, {0, 1e13, 0}}, 1},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(CoordinateMethod(c.boundary, c.scale)) << c.what;
}

// A closing corner equal to the first, and a corner repeated, are one corner each.
TEST(CoordinateMethod, RepeatedAndClosingCornersCountOnce) {
  const std::optional<CoordinateArea> a = CoordinateMethod(
      std::vector<TAcadPoint>{Drawn(0, 0), Drawn(0, 10), Drawn(0, 10), Drawn(10, 10), Drawn(0, 0)},
      1000);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->corners.size(), 3u);
  EXPECT_EQ(a->doubleArea, 100'000'000);
}

TEST(OutsideCorner, NamesGoOutsideAtConvexAndReflexCorners) {
  // Clockwise on the drawing: an L-shaped lot with its re-entrant corner at (10, 10).
  const std::vector<TAcadPoint> lot{{0, 20, 0},  {10, 20, 0}, {10, 10, 0},
                                    {20, 10, 0}, {20, 0, 0},  {0, 0, 0}};
  const std::size_t n = lot.size();
  for (std::size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const TAcadPoint at = OutsideCorner(lot[(i + n - 1) % n], lot[i], lot[(i + 1) % n], 2);
    EXPECT_FALSE(InsidePolygon(at, lot));
    EXPECT_NEAR(std::hypot(at.x - lot[i].x, at.y - lot[i].y), 2, 1e-12);
  }
  const TAcadPoint reflex = OutsideCorner(lot[1], lot[2], lot[3], std::sqrt(2.0));
  EXPECT_NEAR(reflex.x, 11, 1e-12);
  EXPECT_NEAR(reflex.y, 11, 1e-12);
}

TEST(InsidePolygon, ReflexLotByTheEvenOddRule) {
  const std::vector<TAcadPoint> lot{{0, 20, 0},  {10, 20, 0}, {10, 10, 0},
                                    {20, 10, 0}, {20, 0, 0},  {0, 0, 0}};
  const struct {
    TAcadPoint p;
    bool inside;
  } cases[] = {
      {{5, 15, 0}, true},  {{15, 5, 0}, true},  {{15, 15, 0}, false},
      {{-1, 5, 0}, false}, {{5, 25, 0}, false}, {{19.9, 9.9, 0}, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InsidePolygon(c.p, lot), c.inside) << c.p.x << "," << c.p.y;
}

}  // namespace
}  // namespace trivane
