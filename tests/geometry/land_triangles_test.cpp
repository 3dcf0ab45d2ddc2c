// The line search as the command uses it: the same triangles as trying every triple of segments,
// found through an index, and of those the pieces of land, each once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/plan.h"
#include "geometry/triangle_search.h"
#include "test_points.h"

namespace trivane {
namespace {

using Segments = std::vector<TAcadLine>;
using Triangles = std::vector<TAcadTriangle>;

TAcadPoint P(double x, double y) {
  return {x, y, 0};
}

bool NearPerAxis(const TAcadPoint& p, const TAcadPoint& q) {
  return std::fabs(p.x - q.x) < 0.001 && std::fabs(p.y - q.y) < 0.001;
}

// The search written as plainly as it is stated: every triple i < j < k.
Triangles EveryTriple(const Segments& s) {
  Triangles out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    for (std::size_t j = i + 1; j < s.size(); ++j) {
      bool joined = false;
      TAcadPoint v, p, q;
      const auto join = [&](TAcadPoint av, TAcadPoint bv, TAcadPoint ap, TAcadPoint bq) {
        if (Distance(av, bv) < 0.001)
          joined = true, v = av, p = ap, q = bq;
      };
      join(s[i].st, s[j].st, s[i].ed, s[j].ed);
      join(s[i].st, s[j].ed, s[i].ed, s[j].st);
      join(s[i].ed, s[j].st, s[i].st, s[j].ed);
      join(s[i].ed, s[j].ed, s[i].st, s[j].st);
      if (!joined)
        continue;
      for (std::size_t k = j + 1; k < s.size(); ++k) {
        const TAcadLine& c = s[k];
        if ((NearPerAxis(p, c.st) && NearPerAxis(q, c.ed)) ||
            (NearPerAxis(p, c.ed) && NearPerAxis(q, c.st)))
          out.push_back({v, p, q});
      }
    }
  }
  return out;
}

// Random networks on a small grid, so that ends meet often: repeated and reversed segments,
// ends moved by less than the tolerance and by just more, zero-length and collinear pieces.
TEST(FindTriangles, IndexedSearchGivesWhatEveryTripleGives) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> coord(0, 6);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_real_distribution<double> nudge(-0.00099, 0.00099);
  for (int round = 0; round < 40; ++round) {
    Segments s;
    const int n = 20 + round * 4;
    while (static_cast<int>(s.size()) < n) {
      TAcadPoint a = P(1000.0 * coord(rng), 1000.0 * coord(rng));
      TAcadPoint b = P(1000.0 * coord(rng), 1000.0 * coord(rng));
      switch (kind(rng)) {
        case 0:  // within the tolerance
          a.x += nudge(rng), a.y += nudge(rng);
          break;
        case 1:  // just outside it, per axis
          b.x += 0.0011;
          break;
        case 2:
          if (!s.empty())
            std::tie(a, b) = std::pair(s.back().ed, s.back().st);  // the previous one reversed
          break;
        default:
          break;
      }
      s.push_back({a, b});
    }
    SCOPED_TRACE(round);
    ASSERT_EQ(FindTriangles(s), EveryTriple(s));
  }
}

TEST(FindTriangles, FarCoordinatesTakeThePlainSearch) {
  const Segments s = {
      {P(1e13, 0), P(1e13 + 10, 0)}, {P(1e13 + 10, 0), P(1e13, 10)}, {P(1e13, 10), P(1e13, 0)}};
  EXPECT_EQ(FindTriangles(s), EveryTriple(s));
  EXPECT_EQ(FindTriangles(s).size(), 1u);
}

double Area(const TAcadTriangle& t) {
  return std::fabs((t.p2.x - t.p1.x) * (t.p3.y - t.p1.y) - (t.p2.y - t.p1.y) * (t.p3.x - t.p1.x)) /
         2;
}

double TotalArea(const Triangles& ts) {
  double sum = 0;
  for (const TAcadTriangle& t : ts)
    sum += Area(t);
  return sum;
}

// Closed polyline q0 ... qn-1 as segments, the closing one last.
void Closed(Segments& s, const std::vector<TAcadPoint>& q) {
  for (std::size_t k = 0; k < q.size(); ++k)
    s.push_back({q[k], q[(k + 1) % q.size()]});
}

// The pieces of land the user drew, each once, where the search alone counted land twice.
TEST(FindLandTriangles, EachPieceOfLandOnce) {
  struct Case {
    const char* name;
    Segments segments;
    std::size_t triangles;
    double area;  // square drawing units
  };
  Segments twoLots;  // two triangular lots drawn as two closed polylines: the diagonal twice
  Closed(twoLots, {P(0, 0), P(10000, 0), P(10000, 10000)});
  Closed(twoLots, {P(0, 0), P(10000, 10000), P(0, 10000)});
  // A triangle of 80 m2 divided by a line from its apex to the middle of its base, the base drawn
  // whole and in its two halves.
  const Segments divided = {{P(0, 0), P(16000, 0)},    {P(16000, 0), P(8000, 10000)},
                            {P(8000, 10000), P(0, 0)}, {P(8000, 10000), P(8000, 0)},
                            {P(0, 0), P(8000, 0)},     {P(8000, 0), P(16000, 0)}};
  const Case cases[] = {
      {"two lots sharing a diagonal drawn twice", twoLots, 2, 100e6},
      {"a triangle divided, its base whole and halved", divided, 2, 80e6},
      {"three collinear segments",
       {{P(0, 0), P(5, 0)}, {P(5, 0), P(10, 0)}, {P(0, 0), P(10, 0)}},
       0,
       0},
      {"nearly collinear: 0.0009 off the line",
       {{P(0, 0), P(5000, 0.0009)}, {P(5000, 0.0009), P(10000, 0)}, {P(0, 0), P(10000, 0)}},
       0,
       0},
      {"a repeat within the tolerance, corners in another order",
       {{P(0, 0), P(10, 0)},
        {P(10, 0), P(0, 10)},
        {P(0, 10), P(0, 0)},
        {P(0.0004, 10), P(10, 0.0004)},
        {P(0, 0.0002), P(10, 0)},
        {P(0, 10), P(0, 0)}},
       1,
       50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Triangles land = FindLandTriangles(c.segments);
    EXPECT_EQ(land.size(), c.triangles);
    EXPECT_NEAR(TotalArea(land), c.area, 1e-3);
  }
}

// A segment that touches a side or a corner from outside, or runs along a side, leaves the
// triangle whole; one that passes through it divides it.
TEST(FindLandTriangles, OnlySegmentsThroughTheInsideDivide) {
  const Segments triangle = {
      {P(0, 0), P(10000, 0)}, {P(10000, 0), P(0, 10000)}, {P(0, 10000), P(0, 0)}};
  struct Case {
    const char* name;
    TAcadLine extra;
    bool kept;
  };
  const Case cases[] = {
      {"along a side, overlapping", {P(-5000, 0), P(5000, 0)}, true},
      {"along a side, a hair inside", {P(1000, 0.0005), P(9000, 0.0005)}, true},
      {"touching a corner from outside", {P(0, 0), P(-5000, -5000)}, true},
      {"touching a side from outside", {P(5000, 0), P(5000, -5000)}, true},
      {"from a corner into the inside", {P(0, 0), P(1000, 1000)}, false},
      {"across the triangle", {P(-1000, 2000), P(12000, 2000)}, false},
      {"wholly inside", {P(1000, 1000), P(2000, 1500)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Segments s = triangle;
    s.push_back(c.extra);
    EXPECT_EQ(FindLandTriangles(s).size(), c.kept ? 1u : 0u);
  }
}

// A lot divided by hand: a square cut into faces by its diagonal, one half cut again by a line
// from a corner to a point on the diagonal, with a side drawn whole and in two pieces, shared
// sides drawn twice, one face as a closed polyline and the outline as an open one. The faces
// are known from how the network was built; the search must give exactly those.
TEST(FindLandTriangles, HandDividedNetworkGivesExactlyItsFaces) {
  const TAcadPoint a = P(0, 0), b = P(20000, 0), c = P(20000, 20000), d = P(0, 20000);
  const TAcadPoint m = P(10000, 10000);  // on the diagonal a-c
  const TAcadPoint e = P(10000, 0);      // on the side a-b
  const Triangles faces = {{a, e, m}, {e, b, m}, {b, c, m}, {a, m, d}, {m, c, d}};
  SelectionBuffers buffers;
  // Lines: the diagonal whole and in two halves, the side a-b whole, the dividing lines.
  for (const TAcadLine& l : {TAcadLine{a, c}, TAcadLine{a, m}, TAcadLine{m, c}, TAcadLine{a, b},
                             TAcadLine{e, m}, TAcadLine{b, m}, TAcadLine{m, d}}) {
    TAcadLineBlk r;
    r.st = l.st, r.ed = l.ed;
    buffers.LineRecords.push_back(r);
  }
  const auto polyline = [&](std::int32_t id, bool closed, std::vector<TAcadPoint> points) {
    TLwpBlk p;
    p.ihand = id;
    p.code70 = closed ? 1 : 0;
    buffers.PolylineRecords.push_back(p);
    for (const TAcadPoint& q : points)
      buffers.VertexRecords.push_back({id, q, 0.0, ""});
  };
  polyline(1, false, {e, b, c, d, a, e});  // the outline, side a-b in two pieces
  polyline(2, true, {b, c, m});            // one face, its sides drawn a second time
  PolylinesToLines(buffers);
  Segments s;
  for (const TAcadLineBlk& r : buffers.LineRecords)
    s.push_back({r.st, r.ed});

  const Triangles land = FindLandTriangles(s);
  ASSERT_EQ(land.size(), faces.size());
  for (const TAcadTriangle& f : faces) {
    const auto same = [&](const TAcadTriangle& t) {
      const TAcadPoint tc[] = {t.p1, t.p2, t.p3}, fc[] = {f.p1, f.p2, f.p3};
      return std::is_permutation(std::begin(tc), std::end(tc), std::begin(fc));
    };
    EXPECT_EQ(std::count_if(land.begin(), land.end(), same), 1);
  }
  EXPECT_NEAR(TotalArea(land), 400e6, 1e-3);
}

}  // namespace
}  // namespace trivane
