#include "geometry/triangle_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "geometry/grid_cell.h"
#include "geometry/plan.h"
#include "geometry/split.h"

namespace trivane {

void PolylinesToLines(SelectionBuffers& buffers) {
  const std::vector<TLwpEle>& vertices = buffers.VertexRecords;
  std::size_t scan = 0;  // where the next polyline's vertex run is looked for
  for (const TLwpBlk& polyline : buffers.PolylineRecords) {
    std::vector<TAcadPoint> points;
    for (std::size_t k = scan; k < vertices.size(); ++k) {
      if (vertices[k].ihand == polyline.ihand) {
        points.push_back(vertices[k].code10);
      } else if (!points.empty()) {
        scan = k;
        break;
      }
    }
    if ((polyline.code70 & 1) != 0 && !points.empty())
      points.push_back(points.front());

    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
      TAcadLineBlk line;
      line.bname = polyline.bname;
      line.layer = polyline.layer;
      line.ltype = polyline.ltype;
      line.color = polyline.color;
      line.code67 = polyline.code67;
      line.code210 = polyline.code210;
      line.st = points[k];
      line.ed = points[k + 1];
      line.lwpflag = true;
      buffers.LineRecords.push_back(std::move(line));
    }
  }
}

namespace {

// Cell size of the end-point index: ends within kNearTolerance of each other (plan distance or
// per axis) lie in the same cell or in neighbouring ones, with room for the division's rounding.
constexpr double kCell = 2 * kNearTolerance;
// A triangle whose least height is at most this share of its longest side is flat.
constexpr double kFlatRatio = 1e-9;
// Beyond this the cell numbers would lose their meaning; such drawings take the plain search.
constexpr double kIndexLimit = 1e12;

CellKey CellOf(const TAcadPoint& p) {
  return {static_cast<std::int64_t>(std::floor(p.x / kCell)),
          static_cast<std::int64_t>(std::floor(p.y / kCell))};
}

bool Indexable(std::span<const TAcadLine> segments) {
  for (const TAcadLine& s : segments) {
    for (const double v : {s.st.x, s.st.y, s.ed.x, s.ed.y}) {
      if (!(std::fabs(v) < kIndexLimit))
        return false;
    }
  }
  return true;
}

// Segment positions by the cells of their two ends.
class EndIndex {
 public:
  explicit EndIndex(std::span<const TAcadLine> segments) {
    cells_.reserve(2 * segments.size());
    for (std::size_t k = 0; k < segments.size(); ++k) {
      cells_[CellOf(segments[k].st)].push_back(k);
      cells_[CellOf(segments[k].ed)].push_back(k);
    }
  }

  // Positions above `after` of the segments with an end in the cells around p, ascending and
  // each once.
  void Near(const TAcadPoint& p, std::size_t after, std::vector<std::size_t>& out) const {
    ForCellsAround(CellOf(p), [&](const CellKey& cell) {
      const auto it = cells_.find(cell);
      if (it == cells_.end())
        return;
      for (const std::size_t k : it->second) {
        if (k > after)
          out.push_back(k);
      }
    });
  }

 private:
  std::unordered_map<CellKey, std::vector<std::size_t>, CellKeyHash> cells_;
};

void SortUnique(std::vector<std::size_t>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

// Shared end v of a and b, and their other ends p and q; the last matching pair decides.
struct Join {
  TAcadPoint v, p, q;
};

std::optional<Join> JoinOf(const TAcadLine& a, const TAcadLine& b) {
  std::optional<Join> join;
  const auto test = [&](const TAcadPoint& av, const TAcadPoint& bv, const TAcadPoint& ap,
                        const TAcadPoint& bq) {
    if (Distance(av, bv) < kNearTolerance)
      join = Join{av, ap, bq};
  };
  test(a.st, b.st, a.ed, b.ed);
  test(a.st, b.ed, a.ed, b.st);
  test(a.ed, b.st, a.st, b.ed);
  test(a.ed, b.ed, a.st, b.st);
  return join;
}

bool Closes(const TAcadLine& c, const TAcadPoint& p, const TAcadPoint& q) {
  return (NearPoint(p, c.st, kNearTolerance) && NearPoint(q, c.ed, kNearTolerance)) ||
         (NearPoint(p, c.ed, kNearTolerance) && NearPoint(q, c.st, kNearTolerance));
}

// Every triple in the plain order, trying every later segment: quadratic and more, for drawings
// the index cannot number.
std::vector<TAcadTriangle> FindTrianglesPlainly(std::span<const TAcadLine> segments) {
  std::vector<TAcadTriangle> triangles;
  const std::size_t n = segments.size();
  for (std::size_t i = 0; i + 2 < n; ++i) {
    for (std::size_t j = i + 1; j + 1 < n; ++j) {
      const std::optional<Join> join = JoinOf(segments[i], segments[j]);
      if (!join)
        continue;
      for (std::size_t k = j + 1; k < n; ++k) {
        if (Closes(segments[k], join->p, join->q))
          triangles.push_back({join->v, join->p, join->q});
      }
    }
  }
  return triangles;
}

}  // namespace

std::vector<TAcadTriangle> FindTriangles(std::span<const TAcadLine> segments) {
  const std::size_t n = segments.size();
  if (n < 3)
    return {};
  if (!Indexable(segments))
    return FindTrianglesPlainly(segments);

  // The same triples in the same order as trying every j > i and every k > j: only the segments
  // with an end near a's ends can join a, and only those with an end near p can close.
  const EndIndex index(segments);
  std::vector<TAcadTriangle> triangles;
  std::vector<std::size_t> partners, closers;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    const TAcadLine& a = segments[i];
    partners.clear();
    index.Near(a.st, i, partners);
    index.Near(a.ed, i, partners);
    SortUnique(partners);
    for (const std::size_t j : partners) {
      if (j + 1 >= n)
        continue;
      const std::optional<Join> join = JoinOf(a, segments[j]);
      if (!join)
        continue;
      closers.clear();
      index.Near(join->p, j, closers);
      SortUnique(closers);
      for (const std::size_t k : closers) {
        if (Closes(segments[k], join->p, join->q))
          triangles.push_back({join->v, join->p, join->q});
      }
    }
  }
  return triangles;
}

namespace {

bool SameCorners(const TAcadTriangle& a, const TAcadTriangle& b) {
  const TAcadPoint pa[] = {a.p1, a.p2, a.p3};
  const TAcadPoint pb[] = {b.p1, b.p2, b.p3};
  // Every corner of a has a corner of b near it, and the other way round.
  const auto covered = [](const TAcadPoint(&x)[3], const TAcadPoint(&y)[3]) {
    return std::all_of(std::begin(x), std::end(x), [&](const TAcadPoint& p) {
      return std::any_of(std::begin(y), std::end(y),
                         [&](const TAcadPoint& q) { return NearPoint(p, q, kNearTolerance); });
    });
  };
  return covered(pa, pb) && covered(pb, pa);
}

double LongestSide(const TAcadTriangle& t) {
  return std::max({Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)});
}

}  // namespace

bool IsFlatTriangle(const TAcadTriangle& t) {
  const double longest = LongestSide(t);
  if (longest == 0.0)
    return true;
  const double twice =
      std::fabs((t.p2.x - t.p1.x) * (t.p3.y - t.p1.y) - (t.p2.y - t.p1.y) * (t.p3.x - t.p1.x));
  return twice / longest <= std::max(kNearTolerance, kFlatRatio * longest);
}

namespace {

// Segments by the cells their bounding boxes cover, on a grid sized to the segments.
class SegmentGrid {
 public:
  explicit SegmentGrid(std::span<const TAcadLine> segments) : segments_(segments) {
    std::vector<double> lengths;
    lengths.reserve(segments.size());
    for (const TAcadLine& s : segments)
      lengths.push_back(Distance(s.st, s.ed));
    // The median length: most segments cover a few cells, and a cell holds a few segments.
    std::nth_element(lengths.begin(),
                     lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2),
                     lengths.end());
    cell_ = std::max(lengths.empty() ? 1.0 : lengths[lengths.size() / 2], 4 * kNearTolerance);
    for (std::size_t k = 0; k < segments.size(); ++k) {
      const TAcadLine& s = segments[k];
      ForCells(std::min(s.st.x, s.ed.x), std::min(s.st.y, s.ed.y), std::max(s.st.x, s.ed.x),
               std::max(s.st.y, s.ed.y), [&](const CellKey& c) { cells_[c].push_back(k); });
    }
  }

  // Positions of the segments whose cells meet the box, each once.
  std::vector<std::size_t> Near(double x0, double y0, double x1, double y1) const {
    std::vector<std::size_t> out;
    ForCells(x0, y0, x1, y1, [&](const CellKey& c) {
      const auto it = cells_.find(c);
      if (it != cells_.end())
        out.insert(out.end(), it->second.begin(), it->second.end());
    });
    SortUnique(out);
    return out;
  }

 private:
  template <typename F>
  void ForCells(double x0, double y0, double x1, double y1, F&& f) const {
    const auto cell = [&](double v) { return static_cast<std::int64_t>(std::floor(v / cell_)); };
    for (std::int64_t x = cell(x0); x <= cell(x1); ++x) {
      for (std::int64_t y = cell(y0); y <= cell(y1); ++y)
        f(CellKey{x, y});
    }
  }

  std::span<const TAcadLine> segments_;
  double cell_ = 1.0;
  std::unordered_map<CellKey, std::vector<std::size_t>, CellKeyHash> cells_;
};

// Some point of the segment lies inside the triangle farther than kNearTolerance from each of its
// sides: the part of the segment on the inner side of all three inset side lines is not empty.
bool PassesThroughInterior(const TAcadLine& s, const TAcadTriangle& t) {
  const TAcadPoint c[] = {t.p1, t.p2, t.p3};
  const double turn =
      (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[1].y - c[0].y) * (c[2].x - c[0].x) > 0 ? 1.0
                                                                                        : -1.0;
  double lo = 0.0, hi = 1.0;  // the parameter range along s still inside
  for (int e = 0; e < 3; ++e) {
    const TAcadPoint& a = c[e];
    const TAcadPoint& b = c[(e + 1) % 3];
    const double len = Distance(a, b);
    // Signed distance of a point from the side, positive inside.
    const auto inside = [&](const TAcadPoint& p) {
      return turn * ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / len - kNearTolerance;
    };
    const double d0 = inside(s.st), d1 = inside(s.ed);
    if (d0 <= 0 && d1 <= 0)
      return false;
    if (d0 <= 0)
      lo = std::max(lo, d0 / (d0 - d1));
    else if (d1 <= 0)
      hi = std::min(hi, d0 / (d0 - d1));
    if (!(lo < hi))
      return false;
  }
  return lo < hi;
}

}  // namespace

std::vector<TAcadTriangle> FindLandTriangles(std::span<const TAcadLine> segments) {
  const std::vector<TAcadTriangle> found = FindTriangles(segments);
  std::vector<TAcadTriangle> kept;
  if (found.empty())
    return kept;
  const bool indexed = Indexable(segments);
  std::optional<SegmentGrid> grid;
  if (indexed)
    grid.emplace(segments);
  // Kept triangles by the cell of each corner, to find repeats near any of them.
  std::unordered_map<CellKey, std::vector<std::size_t>, CellKeyHash> keptByCorner;

  for (const TAcadTriangle& t : found) {
    if (IsFlatTriangle(t))
      continue;
    bool repeat = false;
    if (indexed) {
      ForCellsAround(CellOf(t.p1), [&](const CellKey& cell) {
        const auto it = keptByCorner.find(cell);
        if (repeat || it == keptByCorner.end())
          return;
        repeat = std::any_of(it->second.begin(), it->second.end(),
                             [&](std::size_t k) { return SameCorners(kept[k], t); });
      });
    } else {
      repeat = std::any_of(kept.begin(), kept.end(),
                           [&](const TAcadTriangle& k) { return SameCorners(k, t); });
    }
    if (repeat)
      continue;

    const double x0 = std::min({t.p1.x, t.p2.x, t.p3.x}), x1 = std::max({t.p1.x, t.p2.x, t.p3.x});
    const double y0 = std::min({t.p1.y, t.p2.y, t.p3.y}), y1 = std::max({t.p1.y, t.p2.y, t.p3.y});
    const auto divides = [&](std::size_t k) { return PassesThroughInterior(segments[k], t); };
    bool divided;
    if (grid) {
      const std::vector<std::size_t> near = grid->Near(x0, y0, x1, y1);
      divided = std::any_of(near.begin(), near.end(), divides);
    } else {
      divided = false;
      for (std::size_t k = 0; k < segments.size() && !divided; ++k)
        divided = divides(k);
    }
    if (divided)
      continue;

    if (indexed) {
      for (const TAcadPoint& p : {t.p1, t.p2, t.p3})
        keptByCorner[CellOf(p)].push_back(kept.size());
    }
    kept.push_back(t);
  }
  return kept;
}

}  // namespace trivane
