#include "geometry/land_pieces.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "geometry/grid_cell.h"
#include "geometry/plan.h"
#include "geometry/predicates.h"
#include "geometry/split.h"
#include "geometry/triangle_search.h"

namespace trivane {

namespace {

constexpr double kTol = kNearTolerance;
// Rounds of splitting at what still crosses once the ends are joined; a round splits every such
// pair at once, and in practice one round settles them.
constexpr int kPlaneRounds = 8;
// A triangle face only the network finds is a sliver, not land, at a least height up to this: two
// drawings of one line, each end within the tolerance of where it belongs, stand up to twice the
// tolerance apart.
constexpr double kSliverHeight = 2 * kTol;
constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool Finite(const TAcadPoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

double Cross(double ax, double ay, double bx, double by) {
  return ax * by - ay * bx;
}

// Where p's foot falls along a -> b: 0 at a, 1 at b.
double Along(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  return len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
}

double DistanceToSegment(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
  const double t = std::clamp(Along(p, a, b), 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * (b.x - a.x)), p.y - (a.y + t * (b.y - a.y)));
}

// Twice the signed area of the ring (anticlockwise positive), from its first point.
double TwiceArea(const std::vector<TAcadPoint>& ring) {
  double sum = 0.0;
  const TAcadPoint& o = ring.front();
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const TAcadPoint& a = ring[k];
    const TAcadPoint& b = ring[(k + 1) % ring.size()];
    sum += Cross(a.x - o.x, a.y - o.y, b.x - o.x, b.y - o.y);
  }
  return sum;
}

// Twice the area over the longest side.
double LeastHeight(const TAcadTriangle& t) {
  const double longest =
      std::max({Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)});
  return longest > 0 ? std::fabs(Cross(t.p2.x - t.p1.x, t.p2.y - t.p1.y, t.p3.x - t.p1.x,
                                       t.p3.y - t.p1.y)) /
                           longest
                     : 0.0;
}

// Lowest first: least y, then least x.
bool Lower(const TAcadPoint& a, const TAcadPoint& b) {
  return a.y < b.y || (a.y == b.y && a.x < b.x);
}

class UnionFind {
 public:
  explicit UnionFind(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  std::size_t Find(std::size_t x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  // The lower root stays the root, so a set's root is its first member.
  void Unite(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b)
      parent_[std::max(a, b)] = std::min(a, b);
  }

 private:
  std::vector<std::size_t> parent_;
};

struct PointKey {
  double x, y;
  friend bool operator==(const PointKey&, const PointKey&) = default;
};

struct PointKeyHash {
  std::size_t operator()(const PointKey& k) const {
    // + 0.0 makes -0 the +0 it equals.
    const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v + 0.0); };
    return std::hash<std::uint64_t>()(bits(k.x) * 0x9E3779B97F4A7C15ull ^ bits(k.y));
  }
};

PointKey KeyOf(const TAcadPoint& p) {
  return {p.x, p.y};
}

// Points by square cells of at least the tolerance from an origin: the points within the
// tolerance of p (per axis) lie in p's cell or a neighbouring one.
class PointIndex {
 public:
  PointIndex(double originX, double originY, double cell)
      : originX_(originX), originY_(originY), cell_(cell) {}

  void Insert(int id, const TAcadPoint& p) { cells_[CellOf(p)].push_back(id); }

  template <typename F>
  void ForNear(const TAcadPoint& p, F&& f) const {
    ForCellsAround(CellOf(p), [&](const CellKey& cell) {
      const auto it = cells_.find(cell);
      if (it == cells_.end())
        return;
      for (const int id : it->second)
        f(id);
    });
  }

 private:
  CellKey CellOf(const TAcadPoint& p) const {
    return {static_cast<std::int64_t>(std::floor((p.x - originX_) / cell_)),
            static_cast<std::int64_t>(std::floor((p.y - originY_) / cell_))};
  }

  double originX_, originY_, cell_;
  std::unordered_map<CellKey, std::vector<int>, CellKeyHash> cells_;
};

// The vertices of the network.
class Vertices {
 public:
  Vertices(double originX, double originY, double cell) : index_(originX, originY, cell) {}

  int Add(const TAcadPoint& p) {
    const int id = static_cast<int>(at_.size());
    at_.push_back(p);
    index_.Insert(id, p);
    return id;
  }

  // The vertex nearest p of those within the tolerance per axis, or a new one at p.
  int FindOrAdd(const TAcadPoint& p) {
    int best = -1;
    double bestDistance = kInfinity;
    index_.ForNear(p, [&](int v) {
      const TAcadPoint& q = at_[static_cast<std::size_t>(v)];
      if (!NearPoint(p, q, kTol))
        return;
      const double d = Distance(p, q);
      if (d < bestDistance || (d == bestDistance && v < best)) {
        bestDistance = d;
        best = v;
      }
    });
    return best >= 0 ? best : Add({p.x, p.y, 0.0});
  }

  const TAcadPoint& operator[](int v) const { return at_[static_cast<std::size_t>(v)]; }
  std::size_t size() const { return at_.size(); }

 private:
  std::vector<TAcadPoint> at_;
  PointIndex index_;
};

struct Seg {
  TAcadPoint a, b;
};

// Segments by the cells of a uniform grid that they pass within `margin` of, cells about as many
// as the segments over their box. Points beyond the grid fall in its edge cells.
class SegmentGrid {
 public:
  SegmentGrid(const std::vector<Seg>& segs, double margin) {
    double x0 = kInfinity, y0 = kInfinity, x1 = -kInfinity, y1 = -kInfinity, length = 0.0;
    for (const Seg& s : segs) {
      x0 = std::min({x0, s.a.x, s.b.x});
      y0 = std::min({y0, s.a.y, s.b.y});
      x1 = std::max({x1, s.a.x, s.b.x});
      y1 = std::max({y1, s.a.y, s.b.y});
      length += Distance(s.a, s.b);
    }
    if (segs.empty())
      x0 = y0 = x1 = y1 = 0.0;
    const double n = static_cast<double>(std::max<std::size_t>(segs.size(), 1));
    const double width = x1 - x0, height = y1 - y0;
    // Cells no smaller than a quarter of the mean length either, so that a segment covers a few.
    size_ = std::max(
        {std::sqrt(width * height / n), length / (4 * n), width / 2048, height / 2048, 4 * margin});
    originX_ = x0;
    originY_ = y0;
    cols_ = static_cast<std::size_t>(width / size_) + 1;
    rows_ = static_cast<std::size_t>(height / size_) + 1;
    // Room for the rounding of the cover's interpolation.
    margin_ = margin +
              8 * kEpsilon * std::max({std::fabs(x0), std::fabs(y0), std::fabs(x1), std::fabs(y1)});

    start_.assign(cols_ * rows_ + 1, 0);
    for (const Seg& s : segs)
      Cover(s, [&](std::size_t c) { ++start_[c + 1]; });
    for (std::size_t c = 0; c + 1 < start_.size(); ++c)
      start_[c + 1] += start_[c];
    items_.resize(start_.back());
    std::vector<std::size_t> fill(start_.begin(), start_.end() - 1);
    for (std::size_t k = 0; k < segs.size(); ++k)
      Cover(segs[k], [&](std::size_t c) { items_[fill[c]++] = static_cast<int>(k); });
  }

  std::size_t Column(double x) const { return GridCell(x, originX_, size_, cols_); }
  std::size_t Row(double y) const { return GridCell(y, originY_, size_, rows_); }
  std::size_t rows() const { return rows_; }
  // The upper bound of a row's cells (the last row reaches on without end).
  double RowTop(std::size_t row) const {
    return row + 1 == rows_ ? kInfinity : originY_ + static_cast<double>(row + 1) * size_;
  }

  std::span<const int> Items(std::size_t column, std::size_t row) const {
    const std::size_t c = row * cols_ + column;
    return {items_.data() + start_[c], start_[c + 1] - start_[c]};
  }
  std::span<const int> ItemsAt(const TAcadPoint& p) const { return Items(Column(p.x), Row(p.y)); }

  // f(i, j) once for every pair i < j of segments that share a cell, by i ascending.
  template <typename F>
  void ForEachPair(const std::vector<Seg>& segs, F&& f) const {
    std::vector<int> seen(segs.size(), -1);
    for (std::size_t i = 0; i < segs.size(); ++i) {
      const int me = static_cast<int>(i);
      Cover(segs[i], [&](std::size_t c) {
        for (std::size_t k = start_[c]; k < start_[c + 1]; ++k) {
          const int j = items_[k];
          if (j > me && seen[static_cast<std::size_t>(j)] != me) {
            seen[static_cast<std::size_t>(j)] = me;
            f(i, static_cast<std::size_t>(j));
          }
        }
      });
    }
  }

 private:
  // f(cell) for every cell that s passes within the margin of (and a few more): column by column,
  // the rows of the part of s over the column widened by the margin.
  template <typename F>
  void Cover(const Seg& s, F&& f) const {
    const double m = margin_;
    const double sx0 = std::min(s.a.x, s.b.x), sx1 = std::max(s.a.x, s.b.x);
    const double sy0 = std::min(s.a.y, s.b.y), sy1 = std::max(s.a.y, s.b.y);
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const std::size_t c0 = Column(sx0 - m), c1 = Column(sx1 + m);
    for (std::size_t c = c0; c <= c1; ++c) {
      double ylo = sy0, yhi = sy1;
      if (dx != 0.0 && c0 != c1) {
        const double lo = c == 0 ? -kInfinity : originX_ + static_cast<double>(c) * size_ - m;
        const double hi =
            c + 1 == cols_ ? kInfinity : originX_ + static_cast<double>(c + 1) * size_ + m;
        const double xa = std::clamp(lo, sx0, sx1), xb = std::clamp(hi, sx0, sx1);
        const double ya = s.a.y + (xa - s.a.x) / dx * dy;
        const double yb = s.a.y + (xb - s.a.x) / dx * dy;
        // The interpolation's rounding grows with the slope.
        const double slack =
            8 * kEpsilon * (std::fabs(xa) + std::fabs(xb) + std::fabs(s.a.x)) * std::fabs(dy / dx);
        ylo = std::max(sy0, std::min(ya, yb) - slack);
        yhi = std::min(sy1, std::max(ya, yb) + slack);
      }
      const std::size_t r0 = Row(ylo - m), r1 = Row(yhi + m);
      for (std::size_t r = r0; r <= r1; ++r)
        f(r * cols_ + c);
    }
  }

  double originX_ = 0.0, originY_ = 0.0, size_ = 1.0, margin_ = 0.0;
  std::size_t cols_ = 1, rows_ = 1;
  std::vector<std::size_t> start_;
  std::vector<int> items_;
};

// a-b and c-d cross, each with both ends farther than the tolerance from the other's line, on
// either side of it: where.
std::optional<TAcadPoint> CrossingAway(const TAcadPoint& a, const TAcadPoint& b,
                                       const TAcadPoint& c, const TAcadPoint& d) {
  const double rx = b.x - a.x, ry = b.y - a.y, qx = d.x - c.x, qy = d.y - c.y;
  const double det = Cross(rx, ry, qx, qy);
  if (det == 0.0)
    return std::nullopt;
  const double lr = std::hypot(rx, ry), lq = std::hypot(qx, qy);
  const double ca = Cross(rx, ry, c.x - a.x, c.y - a.y) / lr;
  const double da = Cross(rx, ry, d.x - a.x, d.y - a.y) / lr;
  const double ac = Cross(qx, qy, a.x - c.x, a.y - c.y) / lq;
  const double bc = Cross(qx, qy, b.x - c.x, b.y - c.y) / lq;
  const auto apart = [](double u, double v) {
    return std::fabs(u) > kTol && std::fabs(v) > kTol && (u > 0) != (v > 0);
  };
  if (!apart(ca, da) || !apart(ac, bc))
    return std::nullopt;
  const double u = Cross(c.x - a.x, c.y - a.y, qx, qy) / det;
  return TAcadPoint{a.x + u * rx, a.y + u * ry, 0.0};
}

// v lies on the open segment a-b, exactly.
bool InsideSegment(const TAcadPoint& v, const TAcadPoint& a, const TAcadPoint& b) {
  if (Orient(a, b, v) != Orientation::kCollinear)
    return false;
  if (a.x != b.x)
    return std::min(a.x, b.x) < v.x && v.x < std::max(a.x, b.x);
  return std::min(a.y, b.y) < v.y && v.y < std::max(a.y, b.y);
}

// a-b and c-d cross at a point inside both, exactly.
bool CrossExactly(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                  const TAcadPoint& d) {
  const auto sign = [](Orientation o) { return static_cast<int>(o); };
  return sign(Orient(a, b, c)) * sign(Orient(a, b, d)) < 0 &&
         sign(Orient(c, d, a)) * sign(Orient(c, d, b)) < 0;
}

struct Edge {
  int a, b;  // in the direction the first segment that draws it runs
};

std::uint64_t EdgeKey(int u, int v) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(u, v))) << 32 |
         static_cast<std::uint32_t>(std::max(u, v));
}

// Edges in drawing order, each pair of vertices once.
class EdgeList {
 public:
  void Add(int u, int v) {
    if (u != v && keys_.emplace(EdgeKey(u, v), edges_.size()).second)
      edges_.push_back({u, v});
  }
  // A run of vertices along one drawn line: the edges between neighbours.
  void AddRun(const std::vector<std::pair<double, int>>& run) {
    for (std::size_t k = 0; k + 1 < run.size(); ++k)
      Add(run[k].second, run[k + 1].second);
  }
  std::vector<Edge> Take() { return std::move(edges_); }

 private:
  std::vector<Edge> edges_;
  std::unordered_map<std::uint64_t, std::size_t> keys_;
};

// A run from a to b with the vertices on it, each where its foot falls along a -> b; a vertex
// whose foot falls beyond an end (one joined to a point near it) stands just inside that end.
std::vector<std::pair<double, int>> Run(int a, int b) {
  return {{-1.0, a}, {2.0, b}};
}

void AddToRun(std::vector<std::pair<double, int>>& run, double along, int v) {
  run.emplace_back(std::clamp(along, 0.0, 1.0), v);
}

// Sorts the vertices of a run by where they stand along it and drops the later copies of one.
void OrderRun(std::vector<std::pair<double, int>>& run) {
  std::stable_sort(run.begin(), run.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<int> ids;
  ids.reserve(run.size());
  for (const auto& entry : run)
    ids.push_back(entry.second);
  std::sort(ids.begin(), ids.end());
  if (std::adjacent_find(ids.begin(), ids.end()) == ids.end())
    return;
  std::unordered_map<int, char> seen;
  std::vector<std::pair<double, int>> kept;
  for (const auto& entry : run) {
    if (seen.emplace(entry.second, 1).second)
      kept.push_back(entry);
  }
  run = std::move(kept);
}

// The plane network of the segments.
struct Network {
  Vertices vertices;
  std::vector<Edge> edges;  // in drawing order
  // The vertex of each end point of the segments, by its coordinates.
  std::unordered_map<PointKey, int, PointKeyHash> vertexOfEnd;
  bool planar = false;
};

std::vector<Seg> SegsOf(const Vertices& vs, const std::vector<Edge>& edges) {
  std::vector<Seg> segs;
  segs.reserve(edges.size());
  for (const Edge& e : edges)
    segs.push_back({vs[e.a], vs[e.b]});
  return segs;
}

// Where the pieces i and j cross.
struct Crossing {
  TAcadPoint at;
  std::size_t i, j;
};

// Crossings from the lowest (least y, then least x): a crossing joins the vertex near it found
// first, so the joins do not depend on the order the lines come in.
std::vector<Crossing> OrderedByPlace(std::vector<Crossing> crossings) {
  std::stable_sort(crossings.begin(), crossings.end(),
                   [](const Crossing& a, const Crossing& b) { return Lower(a.at, b.at); });
  return crossings;
}

// Splits what still crosses or overlaps, exactly, until nothing does; false when a few rounds do
// not settle it.
bool MakePlanar(Vertices& vs, std::vector<Edge>& edges) {
  for (int round = 0; round < kPlaneRounds; ++round) {
    const std::vector<Seg> segs = SegsOf(vs, edges);
    const SegmentGrid grid(segs, kTol);
    std::vector<std::pair<std::size_t, int>> splits;  // (edge, vertex to split it at)
    std::vector<Crossing> crossings;
    grid.ForEachPair(segs, [&](std::size_t i, std::size_t j) {
      const Edge e = edges[i], f = edges[j];
      for (const int v : {f.a, f.b}) {
        if (v != e.a && v != e.b && InsideSegment(vs[v], vs[e.a], vs[e.b]))
          splits.emplace_back(i, v);
      }
      for (const int v : {e.a, e.b}) {
        if (v != f.a && v != f.b && InsideSegment(vs[v], vs[f.a], vs[f.b]))
          splits.emplace_back(j, v);
      }
      if (e.a == f.a || e.a == f.b || e.b == f.a || e.b == f.b ||
          !CrossExactly(vs[e.a], vs[e.b], vs[f.a], vs[f.b]))
        return;
      const TAcadPoint a = vs[e.a], b = vs[e.b], c = vs[f.a], d = vs[f.b];
      const double det = Cross(b.x - a.x, b.y - a.y, d.x - c.x, d.y - c.y);
      const double u =
          std::clamp(Cross(c.x - a.x, c.y - a.y, d.x - c.x, d.y - c.y) / det, 0.0, 1.0);
      crossings.push_back({{a.x + u * (b.x - a.x), a.y + u * (b.y - a.y), 0.0}, i, j});
    });
    for (const Crossing& x : OrderedByPlace(std::move(crossings))) {
      const int w = vs.FindOrAdd(x.at);
      for (const std::size_t k : {x.i, x.j}) {
        if (w != edges[k].a && w != edges[k].b)
          splits.emplace_back(k, w);
      }
    }
    if (splits.empty())
      return true;
    std::stable_sort(splits.begin(), splits.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    EdgeList out;
    std::size_t next = 0;
    for (std::size_t k = 0; k < edges.size(); ++k) {
      const Edge e = edges[k];
      std::vector<std::pair<double, int>> run = Run(e.a, e.b);
      for (; next < splits.size() && splits[next].first == k; ++next)
        AddToRun(run, Along(vs[splits[next].second], vs[e.a], vs[e.b]), splits[next].second);
      OrderRun(run);
      out.AddRun(run);
    }
    edges = out.Take();
  }
  return false;
}

Network BuildNetwork(std::span<const TAcadLine> segments) {
  std::vector<std::size_t> used;  // the segments with finite ends
  double x0 = kInfinity, y0 = kInfinity, x1 = -kInfinity, y1 = -kInfinity;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const TAcadLine& s = segments[k];
    if (!Finite(s.st) || !Finite(s.ed))
      continue;
    used.push_back(k);
    x0 = std::min({x0, s.st.x, s.ed.x});
    y0 = std::min({y0, s.st.y, s.ed.y});
    x1 = std::max({x1, s.st.x, s.ed.x});
    y1 = std::max({y1, s.st.y, s.ed.y});
  }
  if (used.empty())
    x0 = y0 = x1 = y1 = 0.0;
  // Cells of the tolerance and more: cell numbers stay below 2^40 for any extent.
  const double cell = std::max(2 * kTol, std::max(x1 - x0, y1 - y0) * 0x1p-40);
  Network net{Vertices(x0, y0, cell), {}, {}, false};

  // End points: each distinct position once, then joined within the tolerance, through chains.
  std::vector<TAcadPoint> distinct;
  std::vector<int> endOf;  // 2 per used segment
  std::unordered_map<PointKey, int, PointKeyHash> distinctOf;
  for (const std::size_t k : used) {
    for (const TAcadPoint& p : {segments[k].st, segments[k].ed}) {
      const auto [it, fresh] = distinctOf.emplace(KeyOf(p), static_cast<int>(distinct.size()));
      if (fresh)
        distinct.push_back(p);
      endOf.push_back(it->second);
    }
  }
  UnionFind joined(distinct.size());
  PointIndex near(x0, y0, cell);
  for (std::size_t u = 0; u < distinct.size(); ++u) {
    near.ForNear(distinct[u], [&](int q) {
      if (NearPoint(distinct[u], distinct[static_cast<std::size_t>(q)], kTol))
        joined.Unite(u, static_cast<std::size_t>(q));
    });
    near.Insert(static_cast<int>(u), distinct[u]);
  }
  // A vertex for each set, at its lowest point (whatever the order the lines come in): sets in the
  // order they first appear.
  std::vector<std::size_t> lowestOf(distinct.size());
  std::iota(lowestOf.begin(), lowestOf.end(), 0);
  for (std::size_t u = 0; u < distinct.size(); ++u) {
    std::size_t& low = lowestOf[joined.Find(u)];
    if (Lower(distinct[u], distinct[low]))
      low = u;
  }
  std::vector<int> vertexOf(distinct.size(), -1);
  for (std::size_t u = 0; u < distinct.size(); ++u) {
    const std::size_t root = joined.Find(u);
    if (vertexOf[root] < 0)
      vertexOf[root] = net.vertices.Add(distinct[lowestOf[root]]);
    vertexOf[u] = vertexOf[root];
  }
  for (const auto& [key, u] : distinctOf)
    net.vertexOfEnd.emplace(key, vertexOf[static_cast<std::size_t>(u)]);
  const std::size_t endVertices = net.vertices.size();

  // The segments between their vertices; those whose ends joined are gone.
  std::vector<Edge> pieces;
  for (std::size_t k = 0; k < used.size(); ++k) {
    const int a = vertexOf[static_cast<std::size_t>(endOf[2 * k])];
    const int b = vertexOf[static_cast<std::size_t>(endOf[2 * k + 1])];
    if (a != b)
      pieces.push_back({a, b});
  }
  const std::vector<Seg> segs = SegsOf(net.vertices, pieces);
  const SegmentGrid grid(segs, 2 * kTol);
  std::vector<std::vector<int>> on(pieces.size());  // vertices inside each piece
  // A vertex within the tolerance of a piece it does not end splits it.
  for (std::size_t v = 0; v < endVertices; ++v) {
    const TAcadPoint& p = net.vertices[static_cast<int>(v)];
    for (const int i : grid.ItemsAt(p)) {
      const Edge& e = pieces[static_cast<std::size_t>(i)];
      if (e.a != static_cast<int>(v) && e.b != static_cast<int>(v) &&
          DistanceToSegment(p, segs[static_cast<std::size_t>(i)].a,
                            segs[static_cast<std::size_t>(i)].b) < kTol)
        on[static_cast<std::size_t>(i)].push_back(static_cast<int>(v));
    }
  }
  // Crossings away from the ends.
  std::vector<Crossing> crossings;
  grid.ForEachPair(segs, [&](std::size_t i, std::size_t j) {
    const Edge e = pieces[i], f = pieces[j];
    if (e.a == f.a || e.a == f.b || e.b == f.a || e.b == f.b)
      return;
    const std::optional<TAcadPoint> x = CrossingAway(segs[i].a, segs[i].b, segs[j].a, segs[j].b);
    if (x)
      crossings.push_back({*x, i, j});
  });
  for (const Crossing& x : OrderedByPlace(std::move(crossings))) {
    const int w = net.vertices.FindOrAdd(x.at);
    on[x.i].push_back(w);
    on[x.j].push_back(w);
  }

  EdgeList edges;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    std::vector<std::pair<double, int>> run = Run(pieces[i].a, pieces[i].b);
    for (const int v : on[i])
      AddToRun(run, Along(net.vertices[v], segs[i].a, segs[i].b), v);
    OrderRun(run);
    edges.AddRun(run);
  }
  net.edges = edges.Take();
  net.planar = MakePlanar(net.vertices, net.edges);
  return net;
}

// The distance of v from the segment u-w when its foot falls strictly between them; else
// infinite (v is a turn, not a point along a side).
double Straightness(const TAcadPoint& u, const TAcadPoint& v, const TAcadPoint& w) {
  const double t = Along(v, u, w);
  if (!(t > 0.0 && t < 1.0))
    return kInfinity;
  return DistanceToSegment(v, u, w);
}

// The corners of a simple ring: while more than three are left, the straightest vertex within the
// tolerance is taken off. Indexes into the ring, in order.
std::vector<std::size_t> Corners(const std::vector<TAcadPoint>& ring) {
  const std::size_t k = ring.size();
  std::vector<std::size_t> prev(k), next(k);
  std::vector<unsigned> version(k, 0);
  std::vector<char> gone(k, 0);
  for (std::size_t i = 0; i < k; ++i) {
    prev[i] = (i + k - 1) % k;
    next[i] = (i + 1) % k;
  }
  using Entry = std::tuple<double, std::size_t, unsigned>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  const auto offer = [&](std::size_t i) {
    const double d = Straightness(ring[prev[i]], ring[i], ring[next[i]]);
    if (d < kTol)
      heap.emplace(d, i, version[i]);
  };
  for (std::size_t i = 0; i < k; ++i)
    offer(i);
  std::size_t left = k;
  while (left > 3 && !heap.empty()) {
    const auto [d, i, stamp] = heap.top();
    heap.pop();
    if (gone[i] || stamp != version[i])
      continue;
    gone[i] = 1;
    --left;
    const std::size_t p = prev[i], n = next[i];
    next[p] = n;
    prev[n] = p;
    ++version[p];
    ++version[n];
    offer(p);
    offer(n);
  }
  std::vector<std::size_t> corners;
  for (std::size_t i = 0; i < k; ++i) {
    if (!gone[i])
      corners.push_back(i);
  }
  return corners;
}

// Every vertex of the ring between two corners lies within the tolerance of the side joining them.
bool SidesStraight(const std::vector<TAcadPoint>& ring, const std::vector<std::size_t>& corners) {
  for (std::size_t c = 0; c < corners.size(); ++c) {
    const TAcadPoint& a = ring[corners[c]];
    const TAcadPoint& b = ring[corners[(c + 1) % corners.size()]];
    for (std::size_t i = (corners[c] + 1) % ring.size(); i != corners[(c + 1) % corners.size()];
         i = (i + 1) % ring.size()) {
      if (!(DistanceToSegment(ring[i], a, b) < kTol))
        return false;
    }
  }
  return true;
}

// Three vertex ids in ascending order, as one key.
struct Triple {
  int v[3];
  friend bool operator==(const Triple&, const Triple&) = default;
};

Triple TripleOf(int a, int b, int c) {
  Triple t{{a, b, c}};
  std::sort(std::begin(t.v), std::end(t.v));
  return t;
}

struct TripleHash {
  std::size_t operator()(const Triple& t) const {
    std::uint64_t h = 0;
    for (const int v : t.v)
      h = (h ^ static_cast<std::uint32_t>(v)) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

// The faces of a plane network, found by walking round each with it on the left.
class Faces {
 public:
  // Takes the edges that bound land: those left once loose ends are taken off, again and again.
  Faces(const Vertices& vs, const std::vector<Edge>& edges) : vs_(vs) {
    std::vector<int> degree(vs.size(), 0);
    for (const Edge& e : edges) {
      ++degree[static_cast<std::size_t>(e.a)];
      ++degree[static_cast<std::size_t>(e.b)];
    }
    std::vector<std::size_t> first(vs.size() + 1, 0);  // edges at each vertex
    for (std::size_t v = 0; v < vs.size(); ++v)
      first[v + 1] = first[v] + static_cast<std::size_t>(degree[v]);
    std::vector<std::size_t> incident(first.back()), fill(first.begin(), first.end() - 1);
    for (std::size_t k = 0; k < edges.size(); ++k) {
      incident[fill[static_cast<std::size_t>(edges[k].a)]++] = k;
      incident[fill[static_cast<std::size_t>(edges[k].b)]++] = k;
    }
    std::vector<char> alive(edges.size(), 1);
    std::vector<std::size_t> loose;
    for (std::size_t v = 0; v < vs.size(); ++v) {
      if (degree[v] == 1)
        loose.push_back(v);
    }
    while (!loose.empty()) {
      const std::size_t v = loose.back();
      loose.pop_back();
      if (degree[v] != 1)
        continue;
      for (std::size_t k = first[v]; k < first[v + 1]; ++k) {
        const std::size_t e = incident[k];
        if (!alive[e])
          continue;
        alive[e] = 0;
        const std::size_t other =
            static_cast<std::size_t>(edges[e].a == static_cast<int>(v) ? edges[e].b : edges[e].a);
        --degree[v];
        if (--degree[other] == 1)
          loose.push_back(other);
        break;
      }
    }
    for (std::size_t k = 0; k < edges.size(); ++k) {
      if (alive[k]) {
        from_.push_back(edges[k].a);
        from_.push_back(edges[k].b);
      }
    }
    Walk();
  }

  std::size_t halfEdges() const { return from_.size(); }
  int From(std::size_t h) const { return from_[h]; }
  int To(std::size_t h) const { return from_[h ^ 1]; }
  std::size_t walks() const { return walkStart_.size() - 1; }
  std::span<const std::size_t> WalkOf(std::size_t w) const {
    return {walkHalfEdges_.data() + walkStart_[w], walkStart_[w + 1] - walkStart_[w]};
  }
  std::size_t WalkAt(std::size_t h) const { return walkOf_[h]; }
  // The half-edges leaving v, anticlockwise from the direction +x.
  std::span<const std::size_t> Around(int v) const {
    const std::size_t s = static_cast<std::size_t>(v);
    return {around_.data() + aroundStart_[s], aroundStart_[s + 1] - aroundStart_[s]};
  }
  std::vector<TAcadPoint> Ring(std::size_t w) const {
    std::vector<TAcadPoint> ring;
    for (const std::size_t h : WalkOf(w))
      ring.push_back(vs_[From(h)]);
    return ring;
  }

 private:
  void Walk() {
    // Half-edges round each vertex, anticlockwise from +x: the upper half-plane first (with +x),
    // then the lower (with -x), and within one half by exact orientation. Edges cross and overlap
    // nowhere, so no two leave in the same direction.
    const std::size_t n = vs_.size();
    aroundStart_.assign(n + 1, 0);
    for (const int v : from_)
      ++aroundStart_[static_cast<std::size_t>(v) + 1];
    for (std::size_t v = 0; v < n; ++v)
      aroundStart_[v + 1] += aroundStart_[v];
    around_.resize(from_.size());
    std::vector<std::size_t> fill(aroundStart_.begin(), aroundStart_.end() - 1);
    for (std::size_t h = 0; h < from_.size(); ++h)
      around_[fill[static_cast<std::size_t>(from_[h])]++] = h;
    std::vector<std::size_t> slot(from_.size());
    for (std::size_t v = 0; v < n; ++v) {
      const TAcadPoint& o = vs_[static_cast<int>(v)];
      const auto half = [&](const TAcadPoint& p) {
        return p.y > o.y || (p.y == o.y && p.x > o.x) ? 0 : 1;
      };
      const auto begin = around_.begin() + static_cast<std::ptrdiff_t>(aroundStart_[v]);
      const auto end = around_.begin() + static_cast<std::ptrdiff_t>(aroundStart_[v + 1]);
      std::sort(begin, end, [&](std::size_t x, std::size_t y) {
        const TAcadPoint& p = vs_[To(x)];
        const TAcadPoint& q = vs_[To(y)];
        const int hp = half(p), hq = half(q);
        if (hp != hq)
          return hp < hq;
        return Orient(o, p, q) == Orientation::kCounterClockwise;
      });
      for (std::size_t k = aroundStart_[v]; k < aroundStart_[v + 1]; ++k)
        slot[around_[k]] = k;
    }
    // The face on the left of u -> v goes on at v with the half-edge next clockwise from v -> u.
    const auto next = [&](std::size_t h) {
      const std::size_t twin = h ^ 1;
      const std::size_t v = static_cast<std::size_t>(From(twin));
      const std::size_t k = slot[twin];
      return around_[k == aroundStart_[v] ? aroundStart_[v + 1] - 1 : k - 1];
    };
    walkOf_.assign(from_.size(), kNone);
    walkStart_ = {0};
    for (std::size_t start = 0; start < from_.size(); ++start) {
      if (walkOf_[start] != kNone)
        continue;
      for (std::size_t h = start; walkOf_[h] == kNone; h = next(h)) {
        walkOf_[h] = walkStart_.size() - 1;
        walkHalfEdges_.push_back(h);
      }
      walkStart_.push_back(walkHalfEdges_.size());
    }
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  const Vertices& vs_;
  std::vector<int> from_;  // half-edge 2k runs along edge k as drawn, 2k + 1 back
  std::vector<std::size_t> aroundStart_, around_;
  std::vector<std::size_t> walkOf_, walkStart_, walkHalfEdges_;
};

// The lowest of a ring's points first.
template <typename T>
void RotateToLowest(std::vector<T>& items, const std::vector<TAcadPoint>& ring) {
  std::size_t lowest = 0;
  for (std::size_t k = 1; k < ring.size(); ++k) {
    if (Lower(ring[k], ring[lowest]))
      lowest = k;
  }
  std::rotate(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(lowest), items.end());
}

}  // namespace

LandPieces FindLandPieces(std::span<const TAcadLine> segments) {
  const std::vector<TAcadTriangle> found = FindLandTriangles(segments);
  LandPieces pieces;
  const Network net = BuildNetwork(segments);
  const auto incomplete = [&] {
    pieces.triangles = found;
    pieces.others.clear();
    pieces.otherArea = 0.0;
    pieces.complete = false;
    return pieces;
  };
  if (!net.planar)
    return incomplete();
  const Vertices& vs = net.vertices;
  const Faces faces(vs, net.edges);

  // Components, each with its lowest vertex (whose outer face lies below it) and its highest.
  const std::size_t halfEdges = faces.halfEdges();
  UnionFind linked(vs.size());
  for (std::size_t h = 0; h < halfEdges; h += 2)
    linked.Unite(static_cast<std::size_t>(faces.From(h)), static_cast<std::size_t>(faces.To(h)));
  std::unordered_map<std::size_t, std::size_t> componentOf;  // root -> component
  std::vector<int> lowest, highest;
  std::vector<std::size_t> vertexComponent(vs.size(), static_cast<std::size_t>(-1));
  for (std::size_t h = 0; h < halfEdges; ++h) {
    const int v = faces.From(h);
    const std::size_t root = linked.Find(static_cast<std::size_t>(v));
    const auto [it, fresh] = componentOf.emplace(root, lowest.size());
    if (fresh) {
      lowest.push_back(v);
      highest.push_back(v);
    }
    const std::size_t c = it->second;
    vertexComponent[static_cast<std::size_t>(v)] = c;
    if (Lower(vs[v], vs[lowest[c]]))
      lowest[c] = v;
    if (Lower(vs[highest[c]], vs[v]))
      highest[c] = v;
  }
  const std::size_t components = lowest.size();

  // The outer walk of each component: at its lowest vertex every edge leaves upward or along +x,
  // and the outside lies left of the one turned furthest anticlockwise.
  const std::size_t walks = faces.walks();
  std::vector<std::size_t> outerWalk(components);
  std::vector<std::size_t> outerOf(walks, static_cast<std::size_t>(-1));  // walk -> component
  for (std::size_t c = 0; c < components; ++c) {
    outerWalk[c] = faces.WalkAt(faces.Around(lowest[c]).back());
    outerOf[outerWalk[c]] = c;
  }
  // The faces of a plane network: V - E + W = 2C, counting each component's outer walk.
  std::size_t usedVertices = 0;
  for (std::size_t v = 0; v < vs.size(); ++v)
    usedVertices += faces.Around(static_cast<int>(v)).empty() ? 0 : 1;
  if (usedVertices + walks != halfEdges / 2 + 2 * components)
    return incomplete();

  std::vector<double> twiceArea(walks);
  for (std::size_t w = 0; w < walks; ++w)
    twiceArea[w] = TwiceArea(faces.Ring(w));

  // Each component lies in a face of the others, or in none: the first edge above its highest
  // vertex, on a ray just right of the vertex, has that face below it. Higher components first,
  // so that one found to lie beside another takes the face that one lies in.
  std::vector<Seg> segs;
  for (std::size_t h = 0; h < halfEdges; h += 2)
    segs.push_back({vs[faces.From(h)], vs[faces.To(h)]});
  const SegmentGrid grid(segs, kTol);
  std::vector<std::size_t> byHeight(components);
  std::iota(byHeight.begin(), byHeight.end(), 0);
  std::sort(byHeight.begin(), byHeight.end(),
            [&](std::size_t a, std::size_t b) { return Lower(vs[highest[b]], vs[highest[a]]); });
  constexpr std::size_t kOutside = static_cast<std::size_t>(-1);
  std::vector<std::size_t> container(components, kOutside);
  std::vector<double> islands(walks, 0.0);  // twice the area of the islands in each face (< 0)
  std::vector<char> enclosing(walks, 0);
  for (const std::size_t c : byHeight) {
    const TAcadPoint& p = vs[highest[c]];
    const std::size_t column = grid.Column(p.x);
    std::size_t best = kOutside;
    double bestY = kInfinity;
    for (std::size_t row = grid.Row(p.y); row < grid.rows(); ++row) {
      for (const int item : grid.Items(column, row)) {
        const std::size_t e = static_cast<std::size_t>(item);
        if (vertexComponent[static_cast<std::size_t>(faces.From(2 * e))] == c)
          continue;
        const bool rightward = segs[e].a.x < segs[e].b.x;
        const TAcadPoint& l = rightward ? segs[e].a : segs[e].b;
        const TAcadPoint& r = rightward ? segs[e].b : segs[e].a;
        if (!(l.x <= p.x && p.x < r.x) || Orient(l, r, p) != Orientation::kClockwise)
          continue;
        const double y = l.x == p.x ? l.y : l.y + (p.x - l.x) / (r.x - l.x) * (r.y - l.y);
        bool lower = y < bestY;
        if (y == bestY) {
          // They meet there: the one rising less lies lower just right of it.
          const Seg& b = segs[best];
          const TAcadPoint& bl = b.a.x < b.b.x ? b.a : b.b;
          const TAcadPoint& br = b.a.x < b.b.x ? b.b : b.a;
          lower = l.x == bl.x && l.y == bl.y
                      ? Orient(l, r, br) == Orientation::kCounterClockwise
                      : (r.y - l.y) / (r.x - l.x) < (br.y - bl.y) / (br.x - bl.x);
        }
        if (best == kOutside || lower) {
          best = e;
          bestY = y;
        }
      }
      if (best != kOutside && bestY <= grid.RowTop(row))
        break;
    }
    if (best == kOutside)
      continue;
    // The face below the edge is on the left of its leftward half.
    const std::size_t below =
        faces.WalkAt(segs[best].a.x < segs[best].b.x ? 2 * best + 1 : 2 * best);
    const std::size_t beside = outerOf[below];
    container[c] = beside == kOutside ? below : container[beside];
    if (container[c] != kOutside) {
      islands[container[c]] += twiceArea[outerWalk[c]];
      enclosing[container[c]] = 1;
    }
  }

  // Which of FindLandTriangles' triangles stand on which three vertices.
  std::unordered_map<Triple, std::size_t, TripleHash> foundAt;
  for (std::size_t k = 0; k < found.size(); ++k) {
    int id[3];
    bool known = true;
    const TAcadPoint corners[] = {found[k].p1, found[k].p2, found[k].p3};
    for (int m = 0; m < 3; ++m) {
      const auto it = net.vertexOfEnd.find(KeyOf(corners[m]));
      known = known && it != net.vertexOfEnd.end();
      id[m] = known ? it->second : -1;
    }
    if (known)
      foundAt.emplace(TripleOf(id[0], id[1], id[2]), k);
  }

  std::vector<char> kept(found.size(), 0);
  std::vector<TAcadTriangle> added;
  std::vector<char> visited(vs.size(), 0);
  for (std::size_t w = 0; w < walks; ++w) {
    if (outerOf[w] != kOutside)
      continue;
    const std::span<const std::size_t> walk = faces.WalkOf(w);
    std::vector<TAcadPoint> ring = faces.Ring(w);
    std::vector<int> ids;
    for (const std::size_t h : walk)
      ids.push_back(faces.From(h));
    bool simple = true;
    for (const int v : ids) {
      simple = simple && !visited[static_cast<std::size_t>(v)];
      visited[static_cast<std::size_t>(v)] = 1;
    }
    for (const int v : ids)
      visited[static_cast<std::size_t>(v)] = 0;

    LandFace face;
    face.area = (twiceArea[w] + islands[w]) / 2;
    if (!simple || enclosing[w]) {
      face.kind = LandFace::Kind::kEnclosing;
    } else {
      std::vector<std::size_t> corners = Corners(ring);
      if (corners.size() == 3 && SidesStraight(ring, corners)) {
        const auto it = foundAt.find(TripleOf(ids[corners[0]], ids[corners[1]], ids[corners[2]]));
        if (it != foundAt.end() && !kept[it->second]) {
          kept[it->second] = 1;
          continue;
        }
        std::vector<TAcadPoint> three = {ring[corners[0]], ring[corners[1]], ring[corners[2]]};
        RotateToLowest(three, std::vector<TAcadPoint>(three));
        const TAcadTriangle t{three[0], three[1], three[2]};
        if (!IsFlatTriangle(t) && LeastHeight(t) > kSliverHeight) {
          added.push_back(t);
          continue;
        }
        face.kind = LandFace::Kind::kFlat;
      } else {
        face.kind = LandFace::Kind::kManySided;
      }
    }
    RotateToLowest(ring, std::vector<TAcadPoint>(ring));
    face.boundary = std::move(ring);
    pieces.otherArea += face.area;
    pieces.others.push_back(std::move(face));
  }

  for (std::size_t k = 0; k < found.size(); ++k) {
    if (kept[k])
      pieces.triangles.push_back(found[k]);
  }
  pieces.triangles.insert(pieces.triangles.end(), added.begin(), added.end());
  return pieces;
}

}  // namespace trivane
