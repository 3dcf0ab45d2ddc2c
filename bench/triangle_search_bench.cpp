// The line search on a subdivision selected whole: every lot of a grid split by its diagonal,
// sides shared by neighbours drawn twice (once by each lot's closed polyline). Prints, side by
// side in one run, the time of trying every triple of segments, of the indexed search (the same
// triangles in the same order) and of the land rules after it, with the ratios; then the time of
// the land's faces (FindLandPieces, which runs the land rules too and must give their triangles
// here) and its ratio to the land rules.
//
//   build/release/bench/triangle_search_bench [max-segments]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/land_pieces.h"
#include "geometry/plan.h"
#include "geometry/split.h"
#include "geometry/triangle_search.h"

namespace {

using trivane::TAcadLine;
using trivane::TAcadPoint;
using trivane::TAcadTriangle;

// Every triple i < j < k, as the search is stated: the reference the index must match.
std::vector<TAcadTriangle> EveryTriple(const std::vector<TAcadLine>& s) {
  std::vector<TAcadTriangle> out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    for (std::size_t j = i + 1; j < s.size(); ++j) {
      bool joined = false;
      TAcadPoint v, p, q;
      const auto join = [&](TAcadPoint av, TAcadPoint bv, TAcadPoint ap, TAcadPoint bq) {
        if (trivane::Distance(av, bv) < trivane::kNearTolerance)
          joined = true, v = av, p = ap, q = bq;
      };
      join(s[i].st, s[j].st, s[i].ed, s[j].ed);
      join(s[i].st, s[j].ed, s[i].ed, s[j].st);
      join(s[i].ed, s[j].st, s[i].st, s[j].ed);
      join(s[i].ed, s[j].ed, s[i].st, s[j].st);
      if (!joined)
        continue;
      for (std::size_t k = j + 1; k < s.size(); ++k) {
        if (trivane::SegmentInList(p, q, {&s[k], 1}, trivane::kNearTolerance))
          out.push_back({v, p, q});
      }
    }
  }
  return out;
}

// Lots of 12 x 9 m with jittered corners (millimetres), each drawn as two closed triangles.
std::vector<TAcadLine> Subdivision(int lotsX, int lotsY) {
  std::vector<TAcadPoint> corner;
  for (int y = 0; y <= lotsY; ++y) {
    for (int x = 0; x <= lotsX; ++x) {
      const double jx = std::fmod(x * 7919.0 + y * 104729.0, 800.0) - 400.0;
      const double jy = std::fmod(x * 1299709.0 + y * 15485863.0, 600.0) - 300.0;
      corner.push_back({-45123456.0 + 12000.0 * x + jx, 12345678.0 + 9000.0 * y + jy, 0});
    }
  }
  const auto at = [&](int x, int y) {
    return corner[static_cast<std::size_t>(y * (lotsX + 1) + x)];
  };
  std::vector<TAcadLine> s;
  for (int y = 0; y < lotsY; ++y) {
    for (int x = 0; x < lotsX; ++x) {
      const TAcadPoint a = at(x, y), b = at(x + 1, y), c = at(x + 1, y + 1), d = at(x, y + 1);
      for (const auto& t : {std::vector<TAcadPoint>{a, b, c}, std::vector<TAcadPoint>{a, c, d}}) {
        for (std::size_t k = 0; k < 3; ++k)
          s.push_back({t[k], t[(k + 1) % 3]});
      }
    }
  }
  return s;
}

template <typename F>
double Seconds(F&& f, int repeat) {
  double best = 1e300;
  for (int r = 0; r < repeat; ++r) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t maxSegments = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10200;
  std::printf("%9s %8s %12s %12s %8s %12s %8s %8s %12s %8s\n", "segments", "found", "every triple",
              "indexed", "ratio", "land rules", "ratio", "pieces", "land faces", "/rules");
  for (const int lots : {5, 10, 20, 40, 50, 100}) {
    const std::vector<TAcadLine> s = Subdivision(lots, std::max(1, lots * 17 / 100));
    if (s.size() > maxSegments)
      break;
    std::vector<TAcadTriangle> plain, indexed, land;
    const double tPlain = Seconds([&] { plain = EveryTriple(s); }, 1);
    const double tIndexed = Seconds([&] { indexed = trivane::FindTriangles(s); }, 5);
    const double tLand = Seconds([&] { land = trivane::FindLandTriangles(s); }, 5);
    trivane::LandPieces pieces;
    const double tFaces = Seconds([&] { pieces = trivane::FindLandPieces(s); }, 5);
    if (plain != indexed) {
      std::printf("the indexed search differs from every triple at %zu segments\n", s.size());
      return 1;
    }
    if (pieces.triangles != land || !pieces.others.empty()) {
      std::printf("the land's faces differ from the land rules at %zu segments\n", s.size());
      return 1;
    }
    std::printf("%9zu %8zu %11.4fs %11.4fs %7.0fx %11.4fs %7.0fx %8zu %11.4fs %7.1fx\n", s.size(),
                plain.size(), tPlain, tIndexed, tPlain / tIndexed, tLand, tPlain / tLand,
                land.size(), tFaces, tFaces / tLand);
  }
  return 0;
}
