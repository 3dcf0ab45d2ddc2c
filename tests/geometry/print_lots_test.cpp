// The areas the table prints for lots shaped like surveyed ones (bench/lot_shapes.h): long lots
// with corners a few millimetres off their sides, lots behind a road curve drawn as chords, U
// shapes, lots with a bent side and large parcels. Lengths to 0.01 m and areas to 0.0001 m^2,
// half up, drawing in millimetres at scale 1000, for Heron and for base x height. The table's
// total adds the rows as printed; the lot's area is exact (CoordinateMethod on whole
// millimetres).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "bench/lot_shapes.h"
#include "geometry/coordinate_area.h"
#include "geometry/numbers.h"
#include "geometry/predicates.h"
#include "geometry/print_error.h"
#include "geometry/print_stable.h"
#include "geometry/split.h"

namespace trivane {
namespace {

using lots::LotKind;
using Points = std::vector<TAcadPoint>;
using Triangles = std::vector<TAcadTriangle>;

const PrintRules kHeron{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
const PrintRules kBaseHeight{AreaMethod::kBaseHeight, 2, RoundingMode::kRoundHalfUp, 1000.0};

struct Lot {
  LotKind kind;
  int corners;
  std::uint32_t seed;
  Points ring;
  double area;  // m^2
};

std::string Name(const Lot& lot) {
  return std::string(lots::KindName(lot.kind)) + ", " + std::to_string(lot.corners) +
         " corners, seed " + std::to_string(lot.seed);
}

// Every kind at its fewest corners, 16, 30 and 60 (seeds 1 to 3) and at 150 corners (seed 1).
const std::vector<Lot>& Lots() {
  static const std::vector<Lot> all = [] {
    std::vector<Lot> out;
    for (const LotKind kind : lots::kAllKinds) {
      for (const int size : {0, 16, 30, 60, 150}) {
        const int corners = std::max(size, lots::FewestCorners(kind));
        for (std::uint32_t seed = 1; seed <= (size == 150 ? 1u : 3u); ++seed) {
          Points ring = lots::MakeLot(kind, corners, seed);
          const double area = CoordinateMethod(ring, 1000.0)->AreaM2();
          out.push_back({kind, corners, seed, std::move(ring), area});
        }
      }
    }
    return out;
  }();
  return all;
}

double Bound(const Lot& lot) {
  return 0.1 + 2e-4 * lot.area;
}

// What the table adds for the triangle: its row's area printed at 4 decimals and read back; for
// base x height the row holds the product b h and the closing row halves the sum, so half of it.
double Row(const TAcadTriangle& t, const PrintRules& rules) {
  const AsPrinted p = AreaAsPrinted(t, rules);
  if (rules.method == AreaMethod::kBaseHeight)
    return ToDecimal(FormatRounded(ToDecimal(p.texts[0]) * ToDecimal(p.texts[1]), 4,
                                   RoundingMode::kRoundHalfUp)) /
           2;
  return ToDecimal(FormatRounded(p.area, 4, RoundingMode::kRoundHalfUp));
}

// The table's total less the lot's area (m^2).
double Miss(const Triangles& triangles, const Lot& lot, const PrintRules& rules) {
  double total = 0;
  for (const TAcadTriangle& t : triangles)
    total += Row(t, rules);
  return total - lot.area;
}

// The triangle's area as the table computes it is off by more than 1 % of its area and more than
// 0.0001 m^2.
bool OffByOnePercent(const TAcadTriangle& t, const PrintRules& rules) {
  const double exact = TrueArea(t, rules.scale);
  const double off = std::fabs(AreaAsPrinted(t, rules).area - exact);
  return off > 0.01 * exact && off > 1e-4;
}

// The sides of the ring that three or more other sides match within 2 mm: the chords of a curve
// drawn as a polyline.
std::set<std::pair<std::size_t, std::size_t>> EqualChords(const Points& ring) {
  const std::size_t n = ring.size();
  const auto length = [&](std::size_t k) {
    return std::hypot(ring[(k + 1) % n].x - ring[k].x, ring[(k + 1) % n].y - ring[k].y);
  };
  std::set<std::pair<std::size_t, std::size_t>> chords;
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t alike = 0;
    for (std::size_t j = 0; j < n; ++j)
      alike += std::fabs(length(j) - length(k)) < 2.0;
    if (alike >= 4)
      chords.insert(std::minmax(k, (k + 1) % n));
  }
  return chords;
}

std::size_t IndexOf(const Points& ring, const TAcadPoint& p) {
  return static_cast<std::size_t>(std::find(ring.begin(), ring.end(), p) - ring.begin());
}

bool HasSideIn(const TAcadTriangle& t, const Points& ring,
               const std::set<std::pair<std::size_t, std::size_t>>& sides) {
  const std::size_t a = IndexOf(ring, t.p1), b = IndexOf(ring, t.p2), c = IndexOf(ring, t.p3);
  return sides.count(std::minmax(a, b)) || sides.count(std::minmax(b, c)) ||
         sides.count(std::minmax(c, a));
}

// Why the table's total of a lot misses the bound with the print-stable triangulation.
enum class Why {
  // The road's edge is chords of one length, which all print off the same way, and the triangles
  // on them alike: those triangles alone miss the bound, the rest of the lot keeps to it.
  kEqualChords,
  // The rows' rounding happens to add up one way: a near miss, within 1.5 times the bound.
  kChance,
};

struct KnownMiss {
  LotKind kind;
  int corners;
  std::uint32_t seed;
  AreaMethod method;
  Why why;
};

constexpr KnownMiss kKnownMisses[] = {
    // Three triangles for a lot of 200 m^2: each row's rounding is a large share of the bound.
    {LotKind::kRoadCurve, 5, 1, AreaMethod::kHeron, Why::kChance},
    {LotKind::kRoadCurve, 5, 1, AreaMethod::kBaseHeight, Why::kChance},
    {LotKind::kRoadCurve, 16, 1, AreaMethod::kHeron, Why::kEqualChords},
    {LotKind::kRoadCurve, 16, 1, AreaMethod::kBaseHeight, Why::kEqualChords},
    {LotKind::kRoadCurve, 16, 3, AreaMethod::kHeron, Why::kEqualChords},
    {LotKind::kRoadCurve, 30, 3, AreaMethod::kBaseHeight, Why::kEqualChords},
    {LotKind::kRoadCurve, 60, 1, AreaMethod::kHeron, Why::kEqualChords},
    {LotKind::kRoadCurve, 60, 2, AreaMethod::kHeron, Why::kEqualChords},
    {LotKind::kRoadCurve, 60, 2, AreaMethod::kBaseHeight, Why::kEqualChords},
    {LotKind::kRoadCurve, 60, 3, AreaMethod::kHeron, Why::kEqualChords},
    {LotKind::kBentSide, 60, 1, AreaMethod::kBaseHeight, Why::kChance},
    {LotKind::kLargeParcel, 16, 1, AreaMethod::kBaseHeight, Why::kChance},
};

const KnownMiss* FindMiss(const Lot& lot, AreaMethod method) {
  for (const KnownMiss& m : kKnownMisses)
    if (m.kind == lot.kind && m.corners == lot.corners && m.seed == lot.seed && m.method == method)
      return &m;
  return nullptr;
}

// The table's total from the print-stable triangulation is within 0.1 m^2 + 2e-4 x the lot's
// area of the lot's area, on every lot but those listed in kKnownMisses, and each of those
// misses it for its listed reason.
TEST(PrintedLots, TableTotalKeepsToTheBoundButWhereListed) {
  for (const Lot& lot : Lots()) {
    SCOPED_TRACE(Name(lot));
    ASSERT_TRUE(IsSimplePolygon(lot.ring));
    ASSERT_EQ(static_cast<int>(lot.ring.size()), lot.corners);
    for (const PrintRules& rules : {kHeron, kBaseHeight}) {
      SCOPED_TRACE(rules.method == AreaMethod::kHeron ? "Heron" : "base x height");
      const std::optional<StableTriangulation> t = PrintStableTriangulation(lot.ring, rules);
      ASSERT_TRUE(t.has_value());
      const double miss = Miss(t->triangles, lot, rules), bound = Bound(lot);
      const KnownMiss* known = FindMiss(lot, rules.method);
      if (!known) {
        EXPECT_LE(std::fabs(miss), bound);
        continue;
      }
      EXPECT_GT(std::fabs(miss), bound);
      if (known->why == Why::kChance) {
        EXPECT_LE(std::fabs(miss), 1.5 * bound);
        continue;
      }
      const auto chords = EqualChords(lot.ring);
      EXPECT_GE(chords.size(), 8u);
      double onChords = 0;
      for (const TAcadTriangle& tri : t->triangles)
        if (HasSideIn(tri, lot.ring, chords))
          onChords += Row(tri, rules) - TrueArea(tri, rules.scale);
      EXPECT_GT(std::fabs(onChords), bound);
      EXPECT_LE(std::fabs(miss - onChords), bound);
    }
  }
}

// The well-shaped split (slivers avoided, the rest cut by its constrained Delaunay
// triangulation) on the same lots: its triangles beside a bent side or a
// corner a few millimetres off a run are slender enough for the sides' rounding to move the
// total by several times the bound, where the print-stable triangulation keeps to it.
TEST(PrintedLots, WellShapedSplitMissesTheBoundWhereTheStableOneKeepsToIt) {
  int shapedMisses = 0, stableMisses = 0, onlyShaped = 0;
  double worst = 0;
  for (const Lot& lot : Lots()) {
    SCOPED_TRACE(Name(lot));
    const std::optional<ContinuedSplit> shaped =
        SplitPolygon(lot.ring, 1e7, {}, WhenStalled::kTriangulateTheRest, Slivers::kAvoided);
    ASSERT_TRUE(shaped.has_value());
    for (const PrintRules& rules : {kHeron, kBaseHeight}) {
      const std::optional<StableTriangulation> t = PrintStableTriangulation(lot.ring, rules);
      ASSERT_TRUE(t.has_value());
      const double bound = Bound(lot);
      const double s = std::fabs(Miss(shaped->triangles, lot, rules)) / bound;
      const double p = std::fabs(Miss(t->triangles, lot, rules)) / bound;
      shapedMisses += s > 1, stableMisses += p > 1;
      if (s > 1 && p <= 1) {
        ++onlyShaped;
        worst = std::max(worst, s);
      }
    }
  }
  EXPECT_GT(shapedMisses, stableMisses);
  EXPECT_GE(onlyShaped, 8);
  EXPECT_GT(worst, 3.0);
}

// Every triangulation of a simple ring, searched for the least number of triangles of some kind
// that one of them must have: a dynamic programme over the ring's diagonals. A diagonal lies
// inside the ring and meets its boundary at its two ends only, decided by exact orientation.
class AllTriangulations {
 public:
  explicit AllTriangulations(Points ring) : p_(std::move(ring)), n_(p_.size()) {
    double twice = 0;
    for (std::size_t k = 1; k + 1 < n_; ++k)
      twice += TwiceSignedArea(p_[0], p_[k], p_[k + 1]);
    if (twice < 0)
      std::reverse(p_.begin(), p_.end());
    usable_.assign(n_ * n_, false);
    for (std::size_t i = 0; i < n_; ++i)
      for (std::size_t j = i + 1; j < n_; ++j)
        usable_[i * n_ + j] = j == i + 1 || (i == 0 && j == n_ - 1) || Diagonal(i, j);
  }

  const Points& Ring() const { return p_; }  // counter-clockwise

  // The least sum of cost(i, k, j) over the triangles (corners i < k < j of Ring()) of a
  // triangulation.
  double Least(const std::function<double(std::size_t, std::size_t, std::size_t)>& cost) const {
    const double none = std::numeric_limits<double>::infinity();
    std::vector<double> least(n_ * n_, none);
    for (std::size_t i = 0; i + 1 < n_; ++i)
      least[i * n_ + i + 1] = 0;
    for (std::size_t span = 2; span < n_; ++span) {
      for (std::size_t i = 0; i + span < n_; ++i) {
        const std::size_t j = i + span;
        if (!usable_[i * n_ + j])
          continue;
        for (std::size_t k = i + 1; k < j; ++k)
          least[i * n_ + j] =
              std::min(least[i * n_ + j], least[i * n_ + k] + least[k * n_ + j] + cost(i, k, j));
      }
    }
    return least[n_ - 1];
  }

  // The least number of triangles for which `counted` holds.
  std::size_t Count(
      const std::function<bool(std::size_t, std::size_t, std::size_t)>& counted) const {
    return static_cast<std::size_t>(Least(
        [&](std::size_t i, std::size_t k, std::size_t j) { return counted(i, k, j) ? 1.0 : 0.0; }));
  }

 private:
  bool Left(std::size_t a, std::size_t b, std::size_t c) const {
    return Orient(p_[a], p_[b], p_[c]) == Orientation::kCounterClockwise;
  }
  bool LeftOrOn(std::size_t a, std::size_t b, std::size_t c) const {
    return Orient(p_[a], p_[b], p_[c]) != Orientation::kClockwise;
  }
  bool OnSegment(std::size_t a, std::size_t b, std::size_t c) const {
    const TAcadPoint &p = p_[a], &q = p_[b], &v = p_[c];
    return Orient(p, q, v) == Orientation::kCollinear && std::min(p.x, q.x) <= v.x &&
           v.x <= std::max(p.x, q.x) && std::min(p.y, q.y) <= v.y && v.y <= std::max(p.y, q.y);
  }
  // The closed segments a-b and c-d have a point in common.
  bool Meet(std::size_t a, std::size_t b, std::size_t c, std::size_t d) const {
    const int o1 = static_cast<int>(Orient(p_[a], p_[b], p_[c]));
    const int o2 = static_cast<int>(Orient(p_[a], p_[b], p_[d]));
    const int o3 = static_cast<int>(Orient(p_[c], p_[d], p_[a]));
    const int o4 = static_cast<int>(Orient(p_[c], p_[d], p_[b]));
    return (o1 * o2 < 0 && o3 * o4 < 0) || OnSegment(a, b, c) || OnSegment(a, b, d) ||
           OnSegment(c, d, a) || OnSegment(c, d, b);
  }
  bool Diagonal(std::size_t i, std::size_t j) const {
    const std::size_t before = (i + n_ - 1) % n_, after = (i + 1) % n_;
    // Strictly inside the corner at i.
    const bool inside = LeftOrOn(i, after, before)
                            ? Left(i, j, before) && Left(j, i, after)
                            : !(LeftOrOn(i, j, after) && LeftOrOn(j, i, before));
    if (!inside)
      return false;
    for (std::size_t k = 0; k < n_; ++k) {
      const std::size_t l = (k + 1) % n_;
      if (k != i && k != j && l != i && l != j && Meet(i, j, k, l))
        return false;
    }
    return true;
  }

  Points p_;
  std::size_t n_;
  std::vector<bool> usable_;
};

// Lots where every triangulation, the print-stable one included, has a triangle whose printed
// area is off by more than 1 % and 0.0001 m^2 (Heron). All are large parcels: their boundary
// turns 15 to 40 degrees at a bend every few metres, with a jog of 0.3 to 1 m here and there, and
// the triangles that fill such a ring from its corners alone are narrow somewhere, whichever are
// chosen.
struct Forced {
  LotKind kind;
  int corners;
  std::uint32_t seed;
};
constexpr Forced kForced[] = {
    {LotKind::kLargeParcel, 30, 2},
    {LotKind::kLargeParcel, 60, 3},
};

bool IsForced(const Lot& lot) {
  return std::any_of(std::begin(kForced), std::end(kForced), [&](const Forced& f) {
    return f.kind == lot.kind && f.corners == lot.corners && f.seed == lot.seed;
  });
}

// Whether some triangle must be off by 1 %, found over all triangulations (up to 60 corners).
// Where none must, the print-stable triangulation has none on the kinds of few, wide triangles
// (Heron); on large parcels it keeps the largest error down, not each triangle's share, and
// leaves some small triangles a few percent off. With base x height no lot here forces one: a
// height is printed from the exact sides, so a triangle off by 1 % is a low one (under 0.5 m),
// and these lots can always be cut without one. The print-stable triangulation takes them all the
// same: three corners of one run a few millimetres off it make a triangle of height 0.00, whose
// error (b + h) / 2 tol is the smallest there is.
TEST(PrintedLots, ATriangleOffByOnePercentOnlyWhereTheShapeForcesIt) {
  std::size_t searched = 0;
  for (const Lot& lot : Lots()) {
    if (lot.corners > 60)
      continue;
    SCOPED_TRACE(Name(lot));
    AllTriangulations all(lot.ring);
    const Points& ring = all.Ring();
    const std::size_t n = ring.size();
    const auto triangle = [&](std::size_t i, std::size_t k, std::size_t j) {
      return TAcadTriangle{ring[i], ring[k], ring[j]};
    };
    // The search sees whole triangulations only, each covering the lot once: the unsigned areas
    // of its triangles add up to the lot's, however they are chosen.
    const auto area = [&](std::size_t i, std::size_t k, std::size_t j) {
      return TrueArea(triangle(i, k, j), 1000.0);
    };
    EXPECT_NEAR(all.Least(area), lot.area, 1e-9 * lot.area);
    EXPECT_NEAR(
        -all.Least([&](std::size_t i, std::size_t k, std::size_t j) { return -area(i, k, j); }),
        lot.area, 1e-9 * lot.area);
    EXPECT_EQ(all.Count([](std::size_t, std::size_t, std::size_t) { return true; }), n - 2);
    for (const PrintRules& rules : {kHeron, kBaseHeight}) {
      SCOPED_TRACE(rules.method == AreaMethod::kHeron ? "Heron" : "base x height");
      const std::optional<StableTriangulation> t = PrintStableTriangulation(lot.ring, rules);
      ASSERT_TRUE(t.has_value());
      std::set<std::vector<std::size_t>> stable;
      std::size_t stableOff = 0;
      for (const TAcadTriangle& tri : t->triangles) {
        std::vector<std::size_t> c{IndexOf(ring, tri.p1), IndexOf(ring, tri.p2),
                                   IndexOf(ring, tri.p3)};
        std::sort(c.begin(), c.end());
        stable.insert(c);
        stableOff += OffByOnePercent(tri, rules);
      }
      EXPECT_EQ(all.Count([&](std::size_t i, std::size_t k, std::size_t j) {
        return !stable.count({i, k, j});
      }),
                0u);

      const std::size_t least = all.Count([&](std::size_t i, std::size_t k, std::size_t j) {
        return OffByOnePercent(triangle(i, k, j), rules);
      });
      EXPECT_LE(least, stableOff);
      if (rules.method == AreaMethod::kBaseHeight) {
        EXPECT_EQ(least, 0u);
        continue;
      }
      EXPECT_EQ(least > 0, IsForced(lot));
      if (lot.kind != LotKind::kLargeParcel) {
        EXPECT_EQ(stableOff, 0u);
      }
    }
    ++searched;
  }
  EXPECT_EQ(searched, 60u);
}

}  // namespace
}  // namespace trivane
