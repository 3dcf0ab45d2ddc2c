// The automatic split on star, comb and survey-like polygons of 10 to 2000 points, as it stands
// (stalls fail) and with the continuation (the rest cut by its constrained Delaunay
// triangulation). Prints, side by side in one run: the success rate both ways, the smallest angle
// of the continuation's triangles against the constrained Delaunay triangulation of the same
// remainder, the smallest angle of the whole result against the whole polygon's, and the time of
// the split with the continuation: the split the commands use against the plain scans it
// replaced (split_literal.h), whose cuts and triangles it must match (checked in the run).
//
//   build/release/bench/split_bench
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "geometry/angle.h"
#include "geometry/split.h"
#include "geometry/triangulate.h"
#include "tests/geometry/split_literal.h"

namespace {

using trivane::TAcadPoint;
using trivane::TAcadTriangle;
using Points = std::vector<TAcadPoint>;

constexpr double kPi = 3.141592653589793;

// Spikes alternating between two radii (millimetres).
Points Star(int m, std::mt19937&) {
  Points p;
  for (int k = 0; k < m; ++k) {
    const double a = 2 * kPi * k / m, r = k % 2 ? 600000.0 : 1000000.0;
    p.push_back({std::round(r * std::cos(a)), std::round(r * std::sin(a)), 0});
  }
  return p;
}

// Teeth of random heights on a base, m points.
Points Comb(int m, std::mt19937& rng) {
  std::uniform_int_distribution<int> height(3000, 20000);
  const int teeth = std::max(1, (m - 2) / 4);
  Points top;
  double x = 0;
  for (int t = 0; t < teeth; ++t) {
    const double h = height(rng);
    top.push_back({x, h, 0});
    top.push_back({x + 2000, h, 0});
    if (t + 1 < teeth) {
      top.push_back({x + 2000, 2000, 0});
      top.push_back({x + 3000, 2000, 0});
    }
    x += 3000;
  }
  Points p = {{0, 0, 0}, {top.back().x, 0, 0}};
  for (auto it = top.rbegin(); it != top.rend(); ++it)
    p.push_back(*it);
  return p;
}

// A surveyed lot: a rough ellipse whose boundary wanders in and out by a few metres, points
// every few metres, some of them on straight runs (millimetres, three decimals).
Points Survey(int m, std::mt19937& rng) {
  std::uniform_real_distribution<double> wander(-0.06, 0.06);
  Points p;
  double r = 1.0;
  for (int k = 0; k < m; ++k) {
    const double a = 2 * kPi * k / m;
    r = std::clamp(r + wander(rng), 0.75, 1.25);
    const double rx = 40000.0 * r, ry = 25000.0 * r;
    p.push_back({std::round(rx * std::cos(a) * 1000) / 1000,
                 std::round(ry * std::sin(a) * 1000) / 1000, 0});
  }
  return p;
}

double SmallestOf(const std::vector<TAcadTriangle>& ts, std::size_t from) {
  double least = kPi;
  for (std::size_t k = from; k < ts.size(); ++k)
    least = std::min(least, trivane::SmallestAngle(ts[k]));
  return least;
}

double Degrees(double radians) {
  return trivane::RadiansToDegrees(radians);
}

struct Timed {
  std::optional<trivane::ContinuedSplit> split;
  std::vector<trivane::TAcadLine> cuts;
  double ms = 0;
};

using Splitter = std::optional<trivane::ContinuedSplit> (*)(std::span<const TAcadPoint>, double,
                                                            const trivane::CutNotification&,
                                                            trivane::WhenStalled, trivane::Slivers);

Timed SplitTimed(Splitter split, const Points& polygon, double view) {
  Timed out;
  const auto start = std::chrono::steady_clock::now();
  out.split = split(
      polygon, view,
      [&](const TAcadPoint& a, const TAcadPoint& b) {
        out.cuts.push_back({a, b});
      },
      trivane::WhenStalled::kTriangulateTheRest, trivane::Slivers::kAllowed);
  out.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return out;
}

bool Same(const Timed& a, const Timed& b) {
  if (a.cuts != b.cuts || a.split.has_value() != b.split.has_value())
    return false;
  return !a.split ||
         (a.split->triangles == b.split->triangles && a.split->continued == b.split->continued);
}

}  // namespace

int main() {
  std::mt19937 rng(2026);
  struct Kind {
    const char* name;
    Points (*make)(int, std::mt19937&);
  };
  const Kind kinds[] = {{"star", Star}, {"comb", Comb}, {"survey", Survey}};
  std::printf("%-7s %5s %6s %10s %10s %9s %9s %9s %9s %10s %10s %7s\n", "shape", "m", "tries",
              "as is ok", "continued", "cont.min", "cdt.min", "all.min", "cdt.all", "plain ms",
              "ms", "ratio");
  for (const Kind& kind : kinds) {
    for (const int m : {10, 50, 200, 500, 1000, 2000}) {
      const int tries = m <= 200 ? 10 : 3;
      int plainOk = 0, continuedOk = 0;
      double contMin = kPi, cdtMin = kPi, allMin = kPi, cdtAll = kPi;
      double worstMs = 0, worstPlainMs = 0, totalMs = 0, totalPlainMs = 0;
      for (int t = 0; t < tries; ++t) {
        const Points polygon = kind.make(m, rng);
        const double view = 2.5e6;
        if (trivane::SplitPolygon(polygon, view, {}))
          ++plainOk;
        const Timed scanned = SplitTimed(&trivane::literal::SplitPolygon, polygon, view);
        const Timed timed = SplitTimed(&trivane::SplitPolygon, polygon, view);
        if (!Same(timed, scanned)) {
          std::fprintf(stderr, "%s m=%d: the split differs from the plain scans\n", kind.name, m);
          return EXIT_FAILURE;
        }
        worstMs = std::max(worstMs, timed.ms), totalMs += timed.ms;
        worstPlainMs = std::max(worstPlainMs, scanned.ms), totalPlainMs += scanned.ms;
        const auto& split = timed.split;
        if (!split)
          continue;
        ++continuedOk;
        allMin = std::min(allMin, SmallestOf(split->triangles, 0));
        if (const auto whole = trivane::TriangulatePolygon(polygon))
          cdtAll = std::min(cdtAll, SmallestOf(whole->triangles, 0));
        if (split->continued == 0)
          continue;
        const std::size_t first = split->triangles.size() - split->continued;
        contMin = std::min(contMin, SmallestOf(split->triangles, first));
        // The same remainder cut by the constrained Delaunay triangulation on its own: the
        // polygon's vertices still free after the passes' triangles, in boundary order.
        Points rest;
        for (const TAcadPoint& v : polygon) {
          bool cutOff = false;
          for (std::size_t k = 0; k < first && !cutOff; ++k) {
            const TAcadTriangle& tri = split->triangles[k];
            // A vertex cut off by the passes is the middle corner of its ear.
            cutOff = tri.p2 == v;
          }
          if (!cutOff)
            rest.push_back(v);
        }
        if (const auto cdt = trivane::TriangulatePolygon(rest))
          cdtMin = std::min(cdtMin, SmallestOf(cdt->triangles, 0));
      }
      const auto angle = [](double a) {
        char text[16];
        if (a == kPi)
          std::snprintf(text, sizeof text, "%9s", "-");
        else
          std::snprintf(text, sizeof text, "%8.2f°", Degrees(a));
        return std::string(text);
      };
      std::printf("%-7s %5d %6d %9.0f%% %9.0f%% %s %s %s %s %10.1f %10.1f %6.1fx\n", kind.name, m,
                  tries, 100.0 * plainOk / tries, 100.0 * continuedOk / tries,
                  angle(contMin).c_str(), angle(cdtMin).c_str(), angle(allMin).c_str(),
                  angle(cdtAll).c_str(), worstPlainMs, worstMs,
                  totalMs > 0 ? totalPlainMs / totalMs : 0.0);
    }
  }
  return 0;
}
