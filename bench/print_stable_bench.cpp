// The print-stable triangulation on lot-like polygons of 10 to 5000 corners: long lots whose
// sides are broken at points a few millimetres off the straight line, U-shaped lots and lots whose
// sides bend (arcs of a few decimetres' rise). Prints, per shape and size, the time of the search
// over every triangulation (up to kMaxExactCorners and a little beyond), of the flips from the
// constrained Delaunay triangulation, and of that triangulation alone, with the largest print
// error each reaches (Heron, sides to 0.01 m, round half up, drawing in millimetres).
// Built on demand: cmake --build <dir> --target print_stable_bench.
//
//   build/release/bench/print_stable_bench
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <optional>
#include <random>
#include <vector>

#include "geometry/print_error.h"
#include "geometry/print_stable.h"
#include "geometry/triangulate.h"

namespace {

using trivane::TAcadPoint;
using Points = std::vector<TAcadPoint>;

constexpr double kPi = 3.141592653589793;

// Points from a to b every `step` (a included, b not), each moved up to `off` square to the run.
void Run(Points& p, TAcadPoint a, TAcadPoint b, int pieces, double off, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-off, off);
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  for (int k = 0; k < pieces; ++k) {
    const double t = static_cast<double>(k) / pieces, o = k == 0 ? 0.0 : std::round(u(rng));
    p.push_back(
        {std::round(a.x + t * dx - o * dy / len), std::round(a.y + t * dy + o * dx / len), 0});
  }
}

// A lot 7 m wide, its two long sides of n / 2 points each, 4 m apart, up to 4 mm off straight.
Points LongLot(int n, std::mt19937& rng) {
  const int pieces = n / 2 - 1;
  const double length = 4000.0 * pieces;
  Points p;
  Run(p, {0, 0, 0}, {length, 0, 0}, pieces, 4, rng);
  p.push_back({length, 0, 0});
  Run(p, {length, 7000, 0}, {0, 7000, 0}, pieces, 4, rng);
  p.push_back({0, 7000, 0});
  return p;
}

// A U of eight runs (outer 40 m by 30 m, arms 12 m wide), its n points shared among the runs.
Points UShape(int n, std::mt19937& rng) {
  const TAcadPoint c[] = {{0, 0, 0},         {40000, 0, 0},     {40000, 30000, 0},
                          {28000, 30000, 0}, {28000, 10000, 0}, {12000, 10000, 0},
                          {12000, 30000, 0}, {0, 30000, 0}};
  Points p;
  for (int r = 0; r < 8; ++r)
    Run(p, c[r], c[(r + 1) % 8], std::max(1, n / 8 + (r < n % 8 ? 1 : 0)), 3, rng);
  return p;
}

// A quadrilateral lot (about 60 m by 35 m) whose four sides are arcs rising 30 cm, n points.
Points BentSides(int n, std::mt19937&) {
  const TAcadPoint c[] = {{0, 0, 0}, {60000, 2000, 0}, {57000, 36000, 0}, {-1000, 34000, 0}};
  Points p;
  for (int s = 0; s < 4; ++s) {
    const TAcadPoint a = c[s], b = c[(s + 1) % 4];
    const int pieces = std::max(1, n / 4 + (s < n % 4 ? 1 : 0));
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    for (int k = 0; k < pieces; ++k) {
      const double t = static_cast<double>(k) / pieces, rise = -300.0 * std::sin(kPi * t);
      p.push_back({std::round(a.x + t * dx + rise * dy / len),
                   std::round(a.y + t * dy - rise * dx / len), 0});
    }
  }
  return p;
}

// Processor time of the fastest of `repeat` runs: a busy shared machine disturbs it less than
// the time on the clock.
template <class F>
double Seconds(F f, int repeat) {
  double best = 1e300;
  for (int r = 0; r < repeat; ++r) {
    const std::clock_t start = std::clock();
    f();
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return best;
}

}  // namespace

int main() {
  using namespace trivane;
  const PrintRules rules{AreaMethod::kHeron, 2, RoundingMode::kRoundHalfUp, 1000.0};
  struct Shape {
    const char* name;
    Points (*make)(int, std::mt19937&);
  };
  const Shape shapes[] = {{"long lot", LongLot}, {"U", UShape}, {"bent sides", BentSides}};
  const int sizes[] = {10, 50, 100, 200, 500, 800, 1000, 2000, 5000};
  std::printf("kMaxExactCorners = %zu; processor seconds, the best of a few runs; errors in m^2\n",
              kMaxExactCorners);
  std::printf("%-10s %5s | %10s %9s | %10s %9s | %10s %9s\n", "shape", "n", "search s", "largest",
              "flips s", "largest", "Delaunay s", "largest");
  for (const Shape& shape : shapes) {
    for (const int n : sizes) {
      std::mt19937 rng(static_cast<unsigned>(n));
      const Points ring = shape.make(n, rng);
      const int repeat = ring.size() <= 100 ? 20 : ring.size() <= kMaxExactCorners ? 3 : 1;
      char search[2][16] = {"-", "-"};
      if (ring.size() <= kMaxExactCorners) {
        std::optional<StableTriangulation> t;
        const double s = Seconds([&] { t = OptimalPrintTriangulation(ring, rules); }, repeat);
        std::snprintf(search[0], sizeof search[0], "%.4f", s);
        std::snprintf(search[1], sizeof search[1], "%.4f", t ? t->error.largest : -1.0);
      }
      std::optional<StableTriangulation> f;
      const double fs = Seconds([&] { f = FlippedPrintTriangulation(ring, rules); }, repeat);
      std::optional<Triangulation> d;
      const double ds = Seconds([&] { d = TriangulatePolygon(ring); }, repeat);
      std::printf("%-10s %5zu | %10s %9s | %10.4f %9.4f | %10.4f %9.4f\n", shape.name, ring.size(),
                  search[0], search[1], fs, f ? f->error.largest : -1.0, ds,
                  d ? TotalPrintError(d->triangles, rules).largest : -1.0);
    }
  }
  return 0;
}
