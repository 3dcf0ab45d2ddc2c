// The land of a line selection, each piece once: on networks whose triangles are drawn end to end
// the numbered triangles are exactly FindLandTriangles', and in the drawings it loses land in
// (sides not broken at a dividing line, crossing lines, overshoots, copies a hair apart, islands)
// the numbered triangles and the land left unnumbered add up to the land drawn.
#include "geometry/land_pieces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/triangle_search.h"
#include "test_points.h"

namespace trivane {
namespace {

using Segments = std::vector<TAcadLine>;
using Triangles = std::vector<TAcadTriangle>;
using Ring = std::vector<TAcadPoint>;

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

double Cross(const TAcadPoint& o, const TAcadPoint& a, const TAcadPoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double Area(const TAcadTriangle& t) {
  return std::fabs(Cross(t.p1, t.p2, t.p3)) / 2;
}

double TotalArea(const Triangles& ts) {
  double sum = 0;
  for (const TAcadTriangle& t : ts)
    sum += Area(t);
  return sum;
}

double RingArea(const Ring& r) {
  double sum = 0;
  for (std::size_t k = 0; k < r.size(); ++k)
    sum += Cross(r[0], r[k], r[(k + 1) % r.size()]);
  return std::fabs(sum) / 2;
}

// The land the pieces account for: the numbered triangles and the rest.
double Accounted(const LandPieces& pieces) {
  return TotalArea(pieces.triangles) + pieces.otherArea;
}

double Length(const Segments& s) {
  double sum = 0;
  for (const TAcadLine& l : s)
    sum += std::hypot(l.ed.x - l.st.x, l.ed.y - l.st.y);
  return sum;
}

// A closed polyline's segments, the closing one last.
void Closed(Segments& s, const Ring& q) {
  for (std::size_t k = 0; k < q.size(); ++k)
    s.push_back({q[k], q[(k + 1) % q.size()]});
}

Segments Shifted(Segments s, double dx, double dy) {
  for (TAcadLine& l : s) {
    l.st.x += dx, l.st.y += dy;
    l.ed.x += dx, l.ed.y += dy;
  }
  return s;
}

// a -> b made longer by `before` at a and `after` at b.
TAcadLine Extended(const TAcadPoint& a, const TAcadPoint& b, double before, double after) {
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
  return {P(a.x - before * ux, a.y - before * uy), P(b.x + after * ux, b.y + after * uy)};
}

// Survey coordinates in millimetres: every drawing is tried there too.
constexpr double kFarX = -45123456.0, kFarY = 12345678.0;

// ---------------------------------------------------------------------------------------------
// Where every triangle's sides meet end to end, FindLandTriangles' own answer.

// The line-group test networks: lots sharing sides drawn twice, sides drawn whole and in pieces,
// closed and open polylines, the diagonal listed first.
TEST(FindLandPieces, GivesFindLandTrianglesAnswerWhereSidesMeetEndToEnd) {
  struct Case {
    const char* name;
    Segments segments;
    std::size_t triangles;
  };
  std::vector<Case> cases;
  cases.push_back({"square with diagonal",
                   {{P(0, 0), P(10, 0)},
                    {P(10, 0), P(10, 10)},
                    {P(10, 10), P(0, 10)},
                    {P(0, 10), P(0, 0)},
                    {P(0, 10), P(10, 0)}},
                   2});
  cases.push_back({"the diagonal first",
                   {{P(0, 10), P(10, 0)},
                    {P(0, 0), P(10, 0)},
                    {P(10, 0), P(10, 10)},
                    {P(10, 10), P(0, 10)},
                    {P(0, 10), P(0, 0)}},
                   2});
  Segments twoLots;
  Closed(twoLots, {P(0, 0), P(10000, 0), P(10000, 10000)});
  Closed(twoLots, {P(0, 0), P(10000, 10000), P(0, 10000)});
  cases.push_back({"two lots as closed polylines, the diagonal twice", twoLots, 2});
  cases.push_back({"a triangle divided, its base whole and halved",
                   {{P(0, 0), P(16000, 0)},
                    {P(16000, 0), P(8000, 10000)},
                    {P(8000, 10000), P(0, 0)},
                    {P(8000, 10000), P(8000, 0)},
                    {P(0, 0), P(8000, 0)},
                    {P(8000, 0), P(16000, 0)}},
                   2});
  cases.push_back({"a repeat within the tolerance, corners in another order",
                   {{P(0, 0), P(10, 0)},
                    {P(10, 0), P(0, 10)},
                    {P(0, 10), P(0, 0)},
                    {P(0.0004, 10), P(10, 0.0004)},
                    {P(0, 0.0002), P(10, 0)},
                    {P(0, 10), P(0, 0)}},
                   1});
  cases.push_back({"ends joined within 0.001 per axis",
                   {{P(0, 0), P(10, 0)}, {P(10.0007, 0.0007), P(0, 10)}, {P(0, 10.0009), P(0, 0)}},
                   1});
  {
    // A square cut by its diagonal, one half cut again from a corner to the diagonal's middle:
    // the diagonal whole and halved, the outline as an open polyline with a side in two pieces,
    // one face as a closed polyline.
    const TAcadPoint a = P(0, 0), b = P(20000, 0), c = P(20000, 20000), d = P(0, 20000);
    const TAcadPoint m = P(10000, 10000), e = P(10000, 0);
    Segments s = {{a, c}, {a, m}, {m, c}, {a, b}, {e, m}, {b, m}, {m, d}};
    const Ring outline = {e, b, c, d, a, e};
    for (std::size_t k = 0; k + 1 < outline.size(); ++k)
      s.push_back({outline[k], outline[k + 1]});
    Closed(s, {b, c, m});
    cases.push_back({"a hand-divided lot", s, 5});
  }
  for (const Case& c : cases) {
    for (const bool far : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (far ? ", survey coordinates" : ""));
      const Segments s = far ? Shifted(c.segments, kFarX, kFarY) : c.segments;
      const LandPieces pieces = FindLandPieces(s);
      EXPECT_TRUE(pieces.complete);
      EXPECT_EQ(pieces.triangles, FindLandTriangles(s));
      EXPECT_EQ(pieces.triangles.size(), c.triangles);
      EXPECT_TRUE(pieces.others.empty());
    }
  }
}

// A random subdivision of a square lot: points put inside triangles and on sides, a point on a
// side splitting the triangles on both sides of it.
struct Subdivision {
  Ring points;
  std::vector<std::array<int, 3>> triangles;
  std::vector<std::array<int, 3>> splits;  // (u, m, v): m was put on the side u-v
};

Subdivision RandomSubdivision(std::mt19937& rng, double side, int steps) {
  Subdivision sub;
  sub.points = {P(0, 0), P(side, 0), P(side, side), P(0, side)};
  sub.triangles = {{0, 1, 2}, {0, 2, 3}};
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto at = [&](int v) { return sub.points[static_cast<std::size_t>(v)]; };
  for (int step = 0; step < steps; ++step) {
    std::uniform_int_distribution<std::size_t> pick(0, sub.triangles.size() - 1);
    const std::size_t t = pick(rng);
    const std::array<int, 3> tri = sub.triangles[t];
    const int m = static_cast<int>(sub.points.size());
    if (unit(rng) < 0.6) {
      // A point well inside.
      const double w[3] = {0.2 + 0.4 * unit(rng), 0.2 + 0.4 * unit(rng), 0.2 + 0.4 * unit(rng)};
      const double sum = w[0] + w[1] + w[2];
      sub.points.push_back(
          P((w[0] * at(tri[0]).x + w[1] * at(tri[1]).x + w[2] * at(tri[2]).x) / sum,
            (w[0] * at(tri[0]).y + w[1] * at(tri[1]).y + w[2] * at(tri[2]).y) / sum));
      sub.triangles[t] = {tri[0], tri[1], m};
      sub.triangles.push_back({tri[1], tri[2], m});
      sub.triangles.push_back({tri[2], tri[0], m});
      continue;
    }
    const std::size_t k = static_cast<std::size_t>(step) % 3;
    const int u = tri[k], v = tri[(k + 1) % 3], w = tri[(k + 2) % 3];
    const double f = 0.3 + 0.4 * unit(rng);
    sub.points.push_back(P(at(u).x + f * (at(v).x - at(u).x), at(u).y + f * (at(v).y - at(u).y)));
    sub.splits.push_back({u, m, v});
    sub.triangles[t] = {u, m, w};
    sub.triangles.push_back({m, v, w});
    // The triangle on the other side of u-v, if any, runs v -> u.
    const std::size_t count = sub.triangles.size();
    for (std::size_t o = 0; o < count; ++o) {
      std::array<int, 3>& other = sub.triangles[o];
      for (std::size_t j = 0; j < 3; ++j) {
        if (other[j] == v && other[(j + 1) % 3] == u) {
          const int c = other[(j + 2) % 3];
          other = {v, m, c};
          sub.triangles.push_back({m, u, c});
          o = count;
          break;
        }
      }
    }
  }
  return sub;
}

// How a side that a point was put on is drawn when nothing split its halves later.
enum class SplitSides {
  kInPieces,   // as its two halves, sometimes whole as well
  kWholeOnly,  // whole: the point's other lines end on it (T-junctions)
};

// The subdivision drawn: some lots as closed polylines, the other sides as lines, some twice
// (exactly or a hair off), in random directions and a random order.
Segments Draw(std::mt19937& rng, const Subdivision& sub, SplitSides split) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto at = [&](int v) { return sub.points[static_cast<std::size_t>(v)]; };
  const auto key = [](int a, int b) { return std::pair(std::min(a, b), std::max(a, b)); };
  std::vector<std::pair<int, int>> sides;
  for (const std::array<int, 3>& t : sub.triangles) {
    for (std::size_t j = 0; j < 3; ++j)
      sides.push_back(key(t[j], t[(j + 1) % 3]));
  }
  std::sort(sides.begin(), sides.end());
  sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
  const auto isSide = [&](int a, int b) {
    return std::binary_search(sides.begin(), sides.end(), key(a, b));
  };
  Segments s;
  std::vector<std::pair<int, int>> drawnWhole;
  for (const std::array<int, 3>& sp : sub.splits) {
    if (!isSide(sp[0], sp[1]) || !isSide(sp[1], sp[2]))
      continue;
    if (split == SplitSides::kWholeOnly) {
      drawnWhole.push_back(key(sp[0], sp[1]));
      drawnWhole.push_back(key(sp[1], sp[2]));
      s.push_back({at(sp[0]), at(sp[2])});
    } else if (unit(rng) < 0.3) {
      s.push_back({at(sp[2]), at(sp[0])});
    }
  }
  std::sort(drawnWhole.begin(), drawnWhole.end());
  std::vector<std::pair<int, int>> inPolylines;
  if (split == SplitSides::kInPieces) {
    for (const std::array<int, 3>& t : sub.triangles) {
      if (unit(rng) < 0.3) {
        Closed(s, {at(t[0]), at(t[1]), at(t[2])});
        for (std::size_t j = 0; j < 3; ++j)
          inPolylines.push_back(key(t[j], t[(j + 1) % 3]));
      }
    }
  }
  std::sort(inPolylines.begin(), inPolylines.end());
  for (const auto& [a, b] : sides) {
    if (std::binary_search(drawnWhole.begin(), drawnWhole.end(), std::pair(a, b)))
      continue;
    const bool inPolyline =
        std::binary_search(inPolylines.begin(), inPolylines.end(), std::pair(a, b));
    if (!inPolyline || unit(rng) < 0.2)
      s.push_back(unit(rng) < 0.5 ? TAcadLine{at(b), at(a)} : TAcadLine{at(a), at(b)});
    if (unit(rng) < 0.1) {
      // Drawn again, exactly or with its ends moved within the tolerance.
      const double d = unit(rng) < 0.5 ? 0.0 : 0.0004;
      s.push_back({P(at(a).x + d * (2 * unit(rng) - 1), at(a).y + d * (2 * unit(rng) - 1)),
                   P(at(b).x + d * (2 * unit(rng) - 1), at(b).y + d * (2 * unit(rng) - 1))});
    }
  }
  std::shuffle(s.begin(), s.end(), rng);
  return s;
}

TEST(FindLandPieces, GivesFindLandTrianglesAnswerOnRandomSubdivisions) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const Subdivision sub = RandomSubdivision(rng, 20000, 10 + round * 3);
    Segments s = Draw(rng, sub, SplitSides::kInPieces);
    if (round % 2 == 1)
      s = Shifted(s, kFarX, kFarY);
    const LandPieces pieces = FindLandPieces(s);
    ASSERT_TRUE(pieces.complete);
    ASSERT_EQ(pieces.triangles, FindLandTriangles(s));
    EXPECT_EQ(pieces.triangles.size(), sub.triangles.size());
    EXPECT_TRUE(pieces.others.empty());
    // Corners of sides drawn a hair off move the triangles by as much.
    EXPECT_NEAR(TotalArea(pieces.triangles), 400e6, 0.001 * Length(s));
  }
}

// Sides drawn whole with the dividing lines ending on them: every lot numbered, once. What
// FindLandTriangles finds comes first, as it gives it.
TEST(FindLandPieces, NumbersEveryLotWhereDividingLinesEndOnWholeSides) {
  std::mt19937 rng(99);
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE(round);
    const Subdivision sub = RandomSubdivision(rng, 20000, 10 + round * 4);
    Segments s = Draw(rng, sub, SplitSides::kWholeOnly);
    if (round % 2 == 0)
      s = Shifted(s, kFarX, kFarY);
    const LandPieces pieces = FindLandPieces(s);
    ASSERT_TRUE(pieces.complete);
    const Triangles found = FindLandTriangles(s);
    ASSERT_GE(pieces.triangles.size(), found.size());
    EXPECT_TRUE(std::equal(found.begin(), found.end(), pieces.triangles.begin()));
    EXPECT_EQ(pieces.triangles.size(), sub.triangles.size());
    EXPECT_TRUE(pieces.others.empty());
    // Corners of sides drawn a hair off move the triangles by as much.
    EXPECT_NEAR(TotalArea(pieces.triangles), 400e6, 0.001 * Length(s));
  }
}

// ---------------------------------------------------------------------------------------------
// Drawings FindLandTriangles loses land in.

// A triangle drawn, and drawn again with its apex moved by (dx, dy).
Segments DrawnTwice(double dx, double dy) {
  const TAcadPoint a = P(0, 0), b = P(10000, 0), c = P(5000, 8000);
  Segments s;
  Closed(s, {a, b, c});
  Closed(s, {a, b, P(c.x + dx, c.y + dy)});
  return s;
}

// Every drawing either numbers its land once or says how much of it is not numbered: the
// numbered triangles and the rest add up to the land drawn, and the triangles alone never to
// more. Each is tried at the origin and at survey coordinates.
TEST(FindLandPieces, AccountsForTheLandOnceInDrawingsTheTriangleSearchLoses) {
  struct Case {
    std::string name;
    Segments segments;
    double land;   // the area drawn (square drawing units)
    double slack;  // how far the corners may move: vertices joined, corners taken as straight
    std::size_t triangles;
    std::size_t others;
    double otherArea;  // of the others, within the slack
  };
  std::vector<Case> cases;
  {
    // A 17 m square lot cut by its diagonal, and one half cut again by a line from a corner that
    // ends on the diagonal, which is drawn whole.
    Segments s;
    Closed(s, {P(0, 0), P(17000, 0), P(17000, 17000), P(0, 17000)});
    s.push_back({P(0, 0), P(17000, 17000)});
    s.push_back({P(17000, 0), P(6100, 6100)});
    cases.push_back({"a dividing line ending on a whole side", s, 289e6, 0, 3, 0, 0});
    // The same line stopping 0.0008 short of the diagonal.
    s.back().ed = P(6100 + 0.0008 / std::sqrt(2.0), 6100 - 0.0008 / std::sqrt(2.0));
    cases.push_back({"a dividing line stopping a hair short of a whole side", s, 289e6,
                     0.0008 * 24100, 3, 0, 0});
  }
  {
    Segments s;
    Closed(s, {P(0, 0), P(21000, 1000), P(19000, 15000), P(2000, 13000)});
    s.push_back({P(0, 0), P(19000, 15000)});
    s.push_back({P(21000, 1000), P(2000, 13000)});
    cases.push_back({"a lot drawn with both diagonals", s,
                     RingArea({P(0, 0), P(21000, 1000), P(19000, 15000), P(2000, 13000)}), 0, 4, 0,
                     0});
  }
  {
    // Each side and the diagonal run on past their corners by 0.002 to 0.5.
    const Ring q = {P(0, 0), P(21000, 1000), P(19000, 15000), P(2000, 13000)};
    const double over[] = {0.002, 0.0025, 0.01, 0.5, 0.003, 0.002, 0.1, 0.004, 0.002, 0.05};
    Segments s;
    for (std::size_t k = 0; k < 4; ++k)
      s.push_back(Extended(q[k], q[(k + 1) % 4], over[2 * k], over[2 * k + 1]));
    s.push_back(Extended(q[0], q[2], over[8], over[9]));
    cases.push_back({"sides that overshoot their corners", s, RingArea(q), 0.002 * 70000, 2, 0, 0});
  }
  {
    // Past the acute corner, the overshoots' ends stand within 0.001 of the other side.
    const TAcadPoint a = P(0, 0), b = P(30000, 0), c = P(30000, 5000);
    Segments s = {Extended(a, b, 0.002, 0.002), Extended(b, c, 0.002, 0.002),
                  Extended(c, a, 0.002, 0.002)};
    cases.push_back(
        {"overshoots at an acute corner", s, RingArea({a, b, c}), 0.002 * 70000, 1, 0, 0});
  }
  const double apexArea = 40e6, apexSlack = 0.0015 * 20000;
  for (const auto& [dx, dy, others] :
       {std::tuple(0.0011, 0.0, 0), std::tuple(0.0, 0.0011, 0), std::tuple(0.0008, -0.0008, 0),
        std::tuple(0.0015, 0.0, 2), std::tuple(-0.0015, 0.0, 2), std::tuple(0.0, 0.0015, 0),
        std::tuple(0.0011, 0.0011, 1)}) {
    cases.push_back({"a triangle drawn twice, the apex moved by (" + std::to_string(dx) + ", " +
                         std::to_string(dy) + ")",
                     DrawnTwice(dx, dy), apexArea, apexSlack, 1, static_cast<std::size_t>(others),
                     0});
  }
  {
    // A triangular lot with a triangular building inside: the building is a piece of its own,
    // the lot is the land around it.
    Segments s;
    Closed(s, {P(0, 0), P(30000, 0), P(10000, 25000)});
    Closed(s, {P(8000, 5000), P(14000, 5000), P(10000, 9000)});
    cases.push_back({"a lot with a building inside", s, 375e6, 0, 1, 1, 375e6 - 12e6});
  }
  {
    // Loose lines: a stray one inside, one from a corner into the lot, one touching from outside.
    Segments s;
    Closed(s, {P(0, 0), P(10000, 0), P(0, 10000)});
    s.push_back({P(1000, 1000), P(2000, 1500)});
    s.push_back({P(0, 0), P(3000, 3000)});
    s.push_back({P(10000, 0), P(12000, -500)});
    cases.push_back({"loose lines in and at a lot", s, 50e6, 0, 1, 0, 0});
  }
  {
    Segments s;
    Closed(s, {P(0, 0), P(10000, 0), P(10000, 10000), P(0, 10000)});
    cases.push_back({"a lot of four sides, not divided", s, 100e6, 0, 0, 1, 100e6});
  }
  for (const Case& c : cases) {
    for (const bool far : {false, true}) {
      SCOPED_TRACE(c.name + (far ? ", survey coordinates" : ""));
      const LandPieces pieces =
          FindLandPieces(far ? Shifted(c.segments, kFarX, kFarY) : c.segments);
      const double slack = c.slack + 1e-6;
      ASSERT_TRUE(pieces.complete);
      EXPECT_EQ(pieces.triangles.size(), c.triangles);
      EXPECT_EQ(pieces.others.size(), c.others);
      EXPECT_NEAR(Accounted(pieces), c.land, slack);
      EXPECT_LE(TotalArea(pieces.triangles), c.land + slack);
      EXPECT_NEAR(pieces.otherArea, c.otherArea, slack);
      for (const TAcadTriangle& t : pieces.triangles)
        EXPECT_FALSE(IsFlatTriangle(t));
      double sum = 0;
      for (const LandFace& f : pieces.others)
        sum += f.area;
      EXPECT_EQ(sum, pieces.otherArea);
    }
  }
}

// Islands are found in the face they stand in: nested (a building with a yard inside), beside
// another island (the ray up from its top meets the other first), under a corner of the lot (the
// ray passes through a vertex), joined to the lot by a line, and outside the lot altogether.
TEST(FindLandPieces, IslandsAreTakenFromTheFaceTheyStandIn) {
  Segments s;
  Closed(s, {P(0, 0), P(100000, 0), P(100000, 100000), P(50000, 110000), P(0, 100000)});
  Closed(s, {P(20000, 20000), P(80000, 20000), P(80000, 80000), P(20000, 80000)});
  Closed(s, {P(40000, 40000), P(60000, 40000), P(50000, 60000)});  // in the square
  Closed(s, {P(30000, 5000), P(40000, 5000), P(35000, 15000)});    // under the square
  Closed(s, {P(45000, 85000), P(55000, 85000), P(50000, 95000)});  // under the roof's corner
  Closed(s, {P(85000, 40000), P(95000, 40000), P(90000, 50000)});
  s.push_back({P(95000, 40000), P(100000, 40000)});           // joined to the lot's side
  Closed(s, {P(200000, 0), P(210000, 0), P(205000, 10000)});  // outside
  for (const bool far : {false, true}) {
    SCOPED_TRACE(far ? "survey coordinates" : "origin");
    const Segments drawn = far ? Shifted(s, kFarX, kFarY) : s;
    const LandPieces pieces = FindLandPieces(drawn);
    ASSERT_TRUE(pieces.complete);
    EXPECT_EQ(pieces.triangles, FindLandTriangles(drawn));
    EXPECT_EQ(pieces.triangles.size(), 5u);
    ASSERT_EQ(pieces.others.size(), 2u);
    std::vector<LandFace> others = pieces.others;
    std::sort(others.begin(), others.end(),
              [](const LandFace& a, const LandFace& b) { return a.area < b.area; });
    // The square less the yard's triangle; the lot less the square and the three islands in it.
    EXPECT_EQ(others[0].kind, LandFace::Kind::kEnclosing);
    EXPECT_NEAR(others[0].area, 3.6e9 - 2e8, 1e-3);
    EXPECT_EQ(others[1].kind, LandFace::Kind::kEnclosing);
    EXPECT_NEAR(others[1].area, 1.05e10 - 3.6e9 - 3 * 5e7, 1e-3);
    EXPECT_NEAR(Accounted(pieces), 1.05e10 + 5e7, 1e-3);
  }
}

// The triangles only the faces give follow the drawing: by the first segment that draws a piece
// of them, the face on its left first, each anticlockwise from its lowest corner.
TEST(FindLandPieces, TrianglesFoundOnlyAsFacesComeInDrawingOrder) {
  const TAcadPoint a = P(0, 0), b = P(10, 0), c = P(10, 10), d = P(0, 10), o = P(5, 5);
  const Segments s = {{a, c}, {b, d}, {a, b}, {b, c}, {c, d}, {d, a}};
  const LandPieces pieces = FindLandPieces(s);
  EXPECT_EQ(pieces.triangles, (Triangles{{a, o, d}, {a, b, o}, {o, c, d}, {b, c, o}}));
  EXPECT_TRUE(pieces.others.empty());
}

// The area two convex polygons share (both anticlockwise): one clipped by the other's sides.
double SharedArea(const Ring& subject, const Ring& clip) {
  Ring out = subject;
  for (std::size_t k = 0; k < clip.size() && !out.empty(); ++k) {
    const TAcadPoint& a = clip[k];
    const TAcadPoint& b = clip[(k + 1) % clip.size()];
    Ring in = std::move(out);
    out.clear();
    for (std::size_t m = 0; m < in.size(); ++m) {
      const TAcadPoint& p = in[m];
      const TAcadPoint& q = in[(m + 1) % in.size()];
      const double dp = Cross(a, b, p), dq = Cross(a, b, q);
      if (dp >= 0)
        out.push_back(p);
      if ((dp >= 0) != (dq >= 0)) {
        const double t = dp / (dp - dq);
        out.push_back(P(p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)));
      }
    }
  }
  return out.size() < 3 ? 0.0 : RingArea(out);
}

Ring Anticlockwise(const TAcadTriangle& t) {
  return Cross(t.p1, t.p2, t.p3) > 0 ? Ring{t.p1, t.p2, t.p3} : Ring{t.p1, t.p3, t.p2};
}

// Random lines with what drafting leaves: lines drawn twice (reversed, ends moved within the
// tolerance, or the copy 0.0015 aside), lines that stop on another or overshoot it, lines from
// another's end. The land accounted for does not depend on the order or direction of the lines
// or on where the drawing stands; numbered triangles do not overlap, and the land is at least
// what FindLandTriangles numbers.
TEST(FindLandPieces, AccountsForTheSameLandHoweverTheLinesAreListed) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(0, 10000), unit(0, 1), nudge(-0.0004, 0.0004);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    Segments s;
    while (s.size() < 50) {
      TAcadLine l{P(coord(rng), coord(rng)), P(coord(rng), coord(rng))};
      const double kind = unit(rng);
      if (!s.empty()) {
        const TAcadLine& e = s[std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(rng)];
        const double f = unit(rng);
        const TAcadPoint on = P(e.st.x + f * (e.ed.x - e.st.x), e.st.y + f * (e.ed.y - e.st.y));
        const double len = std::hypot(e.ed.x - e.st.x, e.ed.y - e.st.y);
        const double nx = -(e.ed.y - e.st.y) / len, ny = (e.ed.x - e.st.x) / len;
        if (kind < 0.1)
          l = {e.ed, e.st};
        else if (kind < 0.2)
          l = {P(e.st.x + nudge(rng), e.st.y + nudge(rng)),
               P(e.ed.x + nudge(rng), e.ed.y + nudge(rng))};
        else if (kind < 0.25)
          l = {P(e.st.x + 0.0015 * nx, e.st.y + 0.0015 * ny),
               P(e.ed.x + 0.0015 * nx, e.ed.y + 0.0015 * ny)};
        else if (kind < 0.45)
          l.ed = on;  // stops on e
        else if (kind < 0.55)
          l = Extended(l.st, on, 0, 0.002 + 0.01 * unit(rng));  // overshoots e
        else if (kind < 0.75)
          l.st = unit(rng) < 0.5 ? e.st : e.ed;
      }
      s.push_back(l);
    }
    Segments turned(s.rbegin(), s.rend());
    for (TAcadLine& l : turned)
      std::swap(l.st, l.ed);

    const LandPieces pieces = FindLandPieces(s);
    ASSERT_TRUE(pieces.complete);
    const double slack = 0.002 * Length(s);
    for (const Segments& other : {turned, Shifted(s, kFarX, kFarY)}) {
      const LandPieces again = FindLandPieces(other);
      ASSERT_TRUE(again.complete);
      EXPECT_NEAR(Accounted(again), Accounted(pieces), slack);
    }
    EXPECT_GE(Accounted(pieces), TotalArea(FindLandTriangles(s)) - slack);
    EXPECT_LE(Accounted(pieces), 1e8);
    for (std::size_t i = 0; i < pieces.triangles.size(); ++i) {
      EXPECT_FALSE(IsFlatTriangle(pieces.triangles[i]));
      for (std::size_t j = i + 1; j < pieces.triangles.size(); ++j) {
        EXPECT_LE(
            SharedArea(Anticlockwise(pieces.triangles[i]), Anticlockwise(pieces.triangles[j])),
            slack)
            << i << " and " << j;
      }
    }
  }
}

}  // namespace
}  // namespace trivane
