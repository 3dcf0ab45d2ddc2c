// What the area table prints for lots shaped like real ones (bench/lot_shapes.h), split three
// ways: the 60-degree ear split as it stands ("as is": stalls fail and are counted), the
// well-shaped split (slivers avoided, the rest cut by its constrained Delaunay triangulation) and
// the print-stable triangulation (made for each method). Per kind and corner count, over all the
// lots of that row (20 lots up to 30 corners, fewer above), then per kind over every size:
//   fail     lots the split gave up on, of the lots tried
//   err      the largest print error of a triangle (PrintError), m^2
//   tri      the largest |area as printed - true area| of a triangle, m^2
//   lot      the largest |table total - lot area|, m^2: the total adds the rows' areas as printed
//            at 4 decimals (base x height: the products b h, the sum halved); the lot area is
//            exact (CoordinateMethod of the whole-millimetre corners)
//   /bound   the largest share of lot of 0.1 m^2 + 2e-4 x the lot's area
//   over     how many lots miss that bound
// each for Heron (H) and base x height (BH), lengths to 0.01 m and areas to 0.0001 m^2 half up,
// drawing in millimetres at scale 1000. Then the processor time of PrintStableTriangulation
// against the corner count (the search up to kMaxExactCorners, the flips above; "!" marks a ring
// it refused).
// Built on demand:
//
//   cmake --build build/release --target print_bench && build/release/bench/print_bench
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench/lot_shapes.h"
#include "geometry/coordinate_area.h"
#include "geometry/numbers.h"
#include "geometry/print_error.h"
#include "geometry/print_stable.h"
#include "geometry/split.h"

namespace {

using namespace trivane;
using Points = std::vector<TAcadPoint>;
using Triangles = std::vector<TAcadTriangle>;

const PrintRules kRules[2] = {{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0},
                              {AreaMethod::kBaseHeight, 2, RoundingMode::kRoundHalfUp, 1000.0}};

// The table's total: each row's area printed at 4 decimals, half up, and read back; for base x
// height the rows hold b h and the total is halved.
double TableTotal(const Triangles& triangles, const PrintRules& rules) {
  double total = 0;
  for (const TAcadTriangle& t : triangles) {
    const AsPrinted p = AreaAsPrinted(t, rules);
    const double row = rules.method == AreaMethod::kBaseHeight
                           ? ToDecimal(p.texts[0]) * ToDecimal(p.texts[1])
                           : p.area;
    total += ToDecimal(FormatRounded(row, 4, RoundingMode::kRoundHalfUp));
  }
  return rules.method == AreaMethod::kBaseHeight ? total / 2 : total;
}

struct Worst {
  int lots = 0, failed = 0;
  double err[2] = {0, 0}, tri[2] = {0, 0}, lot[2] = {0, 0}, share[2] = {0, 0};
  int over[2] = {0, 0};

  void Add(int m, const Triangles& triangles, double area) {
    const PrintRules& rules = kRules[m];
    for (const TAcadTriangle& t : triangles) {
      err[m] = std::max(err[m], PrintError(t, rules));
      tri[m] = std::max(tri[m], std::fabs(AreaAsPrinted(t, rules).area - TrueArea(t, rules.scale)));
    }
    const double off = std::fabs(TableTotal(triangles, rules) - area);
    const double bound = 0.1 + 2e-4 * area;
    lot[m] = std::max(lot[m], off);
    share[m] = std::max(share[m], off / bound);
    over[m] += off > bound;
  }

  void Merge(const Worst& o) {
    lots += o.lots, failed += o.failed;
    for (int m = 0; m < 2; ++m) {
      err[m] = std::max(err[m], o.err[m]), tri[m] = std::max(tri[m], o.tri[m]);
      lot[m] = std::max(lot[m], o.lot[m]), share[m] = std::max(share[m], o.share[m]);
      over[m] += o.over[m];
    }
  }

  void Print(const char* kind, const char* corners, const char* split) const {
    std::printf("%-10s %4s %-7s %3d/%-3d", kind, corners, split, failed, lots);
    for (int m = 0; m < 2; ++m)
      std::printf(" | %9.4f %9.4f %8.4f %6.2f %3d", err[m], tri[m], lot[m], share[m], over[m]);
    std::printf("\n");
  }
};

double ViewHeight(const Points& ring) {
  const auto [lx, hx] =
      std::minmax_element(ring.begin(), ring.end(), [](auto& a, auto& b) { return a.x < b.x; });
  const auto [ly, hy] =
      std::minmax_element(ring.begin(), ring.end(), [](auto& a, auto& b) { return a.y < b.y; });
  return 2 * std::max(hx->x - lx->x, hy->y - ly->y);
}

std::optional<Triangles> Split(const Points& ring, WhenStalled stalled, Slivers slivers) {
  const auto s = SplitPolygon(ring, ViewHeight(ring), {}, stalled, slivers);
  if (!s)
    return std::nullopt;
  return s->triangles;
}

}  // namespace

int main() {
  using lots::LotKind;
  const int sizes[] = {4, 12, 30, 80, 200, 500};
  const char* const kSplits[3] = {"as is", "shaped", "stable"};
  struct Summary {
    LotKind kind;
    std::array<Worst, 3> all;
  };
  std::vector<Summary> summary;
  std::printf("%-10s %4s %-7s %7s | %9s %9s %8s %6s %3s | %9s %9s %8s %6s %3s\n", "kind", "n",
              "split", "fail", "H err", "H tri", "H lot", "/bound", "over", "BH err", "BH tri",
              "BH lot", "/bound", "over");
  for (const LotKind kind : lots::kAllKinds) {
    Worst all[3];
    int last = 0;
    for (const int size : sizes) {
      const int n = std::max(size, lots::FewestCorners(kind));
      if (n == last)
        continue;
      last = n;
      const int count = n <= 30 ? 20 : n <= 80 ? 10 : n <= 200 ? 4 : 2;
      Worst asIs, shaped, stable;
      for (int seed = 1; seed <= count; ++seed) {
        const Points ring = lots::MakeLot(kind, n, static_cast<std::uint32_t>(seed));
        if (!IsSimplePolygon(ring)) {
          std::fprintf(stderr, "%s %d seed %d: not a simple polygon\n", lots::KindName(kind), n,
                       seed);
          return 1;
        }
        const double area = CoordinateMethod(ring, 1000.0)->AreaM2();
        const auto a = Split(ring, WhenStalled::kFail, Slivers::kAllowed);
        const auto s = Split(ring, WhenStalled::kTriangulateTheRest, Slivers::kAvoided);
        ++asIs.lots, ++shaped.lots, ++stable.lots;
        asIs.failed += !a, shaped.failed += !s;
        for (int m = 0; m < 2; ++m) {
          if (a)
            asIs.Add(m, *a, area);
          if (s)
            shaped.Add(m, *s, area);
          const auto t = PrintStableTriangulation(ring, kRules[m]);
          if (t)
            stable.Add(m, t->triangles, area);
          else
            stable.failed += m == 0;
        }
      }
      const std::string corners = std::to_string(n);
      asIs.Print(lots::KindName(kind), corners.c_str(), "as is");
      shaped.Print(lots::KindName(kind), corners.c_str(), "shaped");
      stable.Print(lots::KindName(kind), corners.c_str(), "stable");
      all[0].Merge(asIs), all[1].Merge(shaped), all[2].Merge(stable);
    }
    summary.push_back({kind, {all[0], all[1], all[2]}});
  }
  std::printf("\nEvery size together\n");
  for (const auto& [kind, all] : summary)
    for (int s = 0; s < 3; ++s)
      all[s].Print(lots::KindName(kind), "all", kSplits[s]);

  std::printf(
      "\nPrintStableTriangulation (Heron), processor seconds, the best of a few runs; "
      "search up to %zu corners, flips above\n%5s",
      kMaxExactCorners, "n");
  for (const LotKind kind : lots::kAllKinds)
    std::printf(" %11s", lots::KindName(kind));
  std::printf("\n");
  for (const int n : {10, 50, 100, 200, 500, 800, 1000, 2000, 5000}) {
    std::printf("%5d", n);
    for (const LotKind kind : lots::kAllKinds) {
      const Points ring = lots::MakeLot(kind, n, 1);
      const int repeat = n <= 100 ? 20 : n <= 800 ? 3 : 1;
      double best = 1e300;
      bool ok = true;
      for (int r = 0; r < repeat; ++r) {
        const std::clock_t start = std::clock();
        ok = PrintStableTriangulation(ring, kRules[0]).has_value() && ok;
        best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
      }
      std::printf(" %10.4f%s", best, ok ? " " : "!");
    }
    std::printf("\n");
  }
  return 0;
}
