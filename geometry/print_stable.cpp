#include "geometry/print_stable.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "geometry/predicates.h"
#include "geometry/split.h"
#include "geometry/triangulate.h"

namespace trivane {

namespace {

using Index = std::size_t;
using Tri = std::array<Index, 3>;
using Edge = std::pair<Index, Index>;  // the lower vertex first

constexpr Index kNone = std::numeric_limits<Index>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The search counts a larger print error as this: no sum of such errors overflows.
constexpr double kHugeError = 1e300;
constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2;
// The relative error bound of the quick determinant (as in Orient).
constexpr double kQuickBound = (3.0 + 16.0 * kUnitRoundoff) * kUnitRoundoff;

// -1 or 1 when the quick determinant decides the turn a -> b -> c for certain, 0 when it cannot.
int CertainSign(const TAcadPoint& a, const TAcadPoint& b, double cx, double cy) {
  const double left = (b.x - a.x) * (cy - a.y);
  const double right = (b.y - a.y) * (cx - a.x);
  const double det = left - right;
  const double bound = kQuickBound * (std::fabs(left) + std::fabs(right));
  return det > bound ? 1 : -det > bound ? -1 : 0;
}

// Orient as -1, 0, 1, the quick determinant inline: the diagonal test calls it most.
int Sign(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const int quick = CertainSign(a, b, c.x, c.y);
  return quick != 0 ? quick : static_cast<int>(Orient(a, b, c));
}

// p, collinear with a and b, lies on the closed segment a-b.
bool InBox(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

// The closed segments a-b and c-d have a point in common.
bool SegmentsMeet(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                  const TAcadPoint& d) {
  const int o1 = Sign(a, b, c), o2 = Sign(a, b, d), o3 = Sign(c, d, a), o4 = Sign(c, d, b);
  if (o1 * o2 < 0 && o3 * o4 < 0)
    return true;
  return (o1 == 0 && InBox(c, a, b)) || (o2 == 0 && InBox(d, a, b)) ||
         (o3 == 0 && InBox(a, c, d)) || (o4 == 0 && InBox(b, c, d));
}

// a and c, collinear with b and apart from it, lie on the same side of b.
bool SameSide(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const auto side = [](double u, double v) { return (u > v) - (u < v); };
  return side(a.x, b.x) * side(c.x, b.x) > 0 || side(a.y, b.y) * side(c.y, b.y) > 0;
}

// The ring counter-clockwise: q[t] is ring[ringIndex[t]].
struct Polygon {
  std::vector<TAcadPoint> q;
  std::vector<Index> ringIndex;
};

std::optional<Polygon> CounterClockwise(std::span<const TAcadPoint> ring) {
  if (!IsSimplePolygon(ring) || ExtentOverflows(ring))
    return std::nullopt;
  const Index n = ring.size();
  // The lowest vertex of the leftmost is a strict corner of the hull: its turn is the ring's.
  Index m = 0;
  for (Index k = 1; k < n; ++k) {
    if (ring[k].x < ring[m].x || (ring[k].x == ring[m].x && ring[k].y < ring[m].y))
      m = k;
  }
  const int turn = Sign(ring[(m + n - 1) % n], ring[m], ring[(m + 1) % n]);
  if (turn == 0)
    return std::nullopt;
  Polygon p;
  for (Index t = 0; t < n; ++t) {
    const Index r = turn > 0 ? t : n - 1 - t;
    p.q.push_back(ring[r]);
    p.ringIndex.push_back(r);
  }
  return p;
}

// d lies strictly inside the polygon's angle at corner i, near i.
bool InCone(const std::vector<TAcadPoint>& q, Index i, const TAcadPoint& d) {
  const Index n = q.size();
  const TAcadPoint &a = q[(i + n - 1) % n], &b = q[i], &c = q[(i + 1) % n];
  if (Sign(a, b, c) > 0)
    return Sign(b, c, d) > 0 && Sign(b, a, d) < 0;
  return !(Sign(b, c, d) <= 0 && Sign(b, a, d) >= 0);
}

// The diagonals of a simple counter-clockwise polygon. Its edges (edge k runs from q[k] to
// q[k + 1]) are kept in a balanced tree of bounding boxes, so that a diagonal looks only at the
// runs of the boundary whose box meets its own box and is not wholly on one side of its line: on
// a fairly convex lot a few dozen boxes instead of every edge.
class Diagonals {
 public:
  explicit Diagonals(const std::vector<TAcadPoint>& q) : q_(q) {
    const Index n = q.size();
    while (leaves_ < n)
      leaves_ *= 2;
    boxes_.assign(2 * leaves_, Box{});
    for (Index k = 0; k < n; ++k) {
      const TAcadPoint &a = q[k], &b = q[(k + 1) % n];
      boxes_[leaves_ + k] = {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y),
                             std::max(a.y, b.y), true};
    }
    for (Index node = leaves_ - 1; node > 0; --node) {
      const Box &l = boxes_[2 * node], &r = boxes_[2 * node + 1];
      if (!l.used || !r.used) {
        boxes_[node] = l.used ? l : r;
        continue;
      }
      boxes_[node] = {std::min(l.xLo, r.xLo), std::max(l.xHi, r.xHi), std::min(l.yLo, r.yLo),
                      std::max(l.yHi, r.yHi), true};
    }
  }

  // i-j (not neighbours) lies inside the polygon at both ends, touches no other vertex and
  // crosses no edge. An edge at i or j could only overlap the diagonal by putting a vertex on it
  // (or i or j on an edge, which a simple polygon does not).
  bool operator()(Index i, Index j) {
    const TAcadPoint &a = q_[i], &b = q_[j];
    if (!InCone(q_, i, b) || !InCone(q_, j, a))
      return false;
    const Index n = q_.size();
    const Box diagonal{std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y),
                       std::max(a.y, b.y), true};
    stack_.assign(1, 1);
    while (!stack_.empty()) {
      const Index node = stack_.back();
      stack_.pop_back();
      const Box& box = boxes_[node];
      if (!box.used || box.xLo > diagonal.xHi || box.xHi < diagonal.xLo || box.yLo > diagonal.yHi ||
          box.yHi < diagonal.yLo)
        continue;
      const int s = CertainSign(a, b, box.xLo, box.yLo);
      if (s != 0 && CertainSign(a, b, box.xHi, box.yLo) == s &&
          CertainSign(a, b, box.xLo, box.yHi) == s && CertainSign(a, b, box.xHi, box.yHi) == s)
        continue;  // the whole run lies on one side of the diagonal's line
      if (node < leaves_) {
        stack_.push_back(2 * node + 1);
        stack_.push_back(2 * node);
        continue;
      }
      const Index u = node - leaves_, v = (u + 1) % n;
      const TAcadPoint& p = q_[v];
      const int sv = v == i || v == j ? 0 : Sign(a, b, p);
      if (sv == 0 && v != i && v != j && diagonal.xLo <= p.x && p.x <= diagonal.xHi &&
          diagonal.yLo <= p.y && p.y <= diagonal.yHi)
        return false;  // the diagonal runs through the vertex at the end of this edge
      if (u == i || u == j || v == i || v == j)
        continue;
      if (Sign(a, b, q_[u]) * sv < 0 && Sign(q_[u], p, a) * Sign(q_[u], p, b) < 0)
        return false;
    }
    return true;
  }

 private:
  struct Box {
    double xLo = 0, xHi = 0, yLo = 0, yHi = 0;
    bool used = false;
  };
  const std::vector<TAcadPoint>& q_;
  Index leaves_ = 1;
  std::vector<Box> boxes_;  // the tree: node k has children 2k and 2k + 1; edge k is leaf k
  std::vector<Index> stack_;
};

// Triangles in ring indices, each sorted, in the walk's order (see the header).
std::vector<Tri> WalkOrder(std::vector<Tri> tris) {
  std::unordered_map<std::uint64_t, std::array<Index, 2>> owners;
  owners.reserve(3 * tris.size());
  const auto key = [](Index u, Index v) {
    return (static_cast<std::uint64_t>(std::min(u, v)) << 32) | std::max(u, v);
  };
  const auto side = [](const Tri& t, int s) {
    return std::pair<Index, Index>{t[s], t[(s + 1) % 3]};
  };
  Index root = 0;
  for (Index t = 0; t < tris.size(); ++t) {
    for (int s = 0; s < 3; ++s) {
      const auto [u, v] = side(tris[t], s);
      auto [it, added] = owners.try_emplace(key(u, v), std::array<Index, 2>{t, kNone});
      if (!added)
        it->second[1] = t;
    }
    if (tris[t][0] == 0 && tris[t][1] == 1)
      root = t;
  }
  std::vector<Tri> out;
  out.reserve(tris.size());
  std::vector<std::pair<Index, int>> stack{{root, 0}};  // triangle, the side it is entered by
  std::vector<char> seen(tris.size(), 0);
  seen[root] = 1;
  while (!stack.empty()) {
    const auto [t, entry] = stack.back();
    stack.pop_back();
    out.push_back(tris[t]);
    for (const int s : {(entry + 2) % 3, (entry + 1) % 3}) {
      const auto [u, v] = side(tris[t], s);
      const std::array<Index, 2>& o = owners[key(u, v)];
      const Index next = o[0] == t ? o[1] : o[0];
      if (next == kNone || seen[next])
        continue;
      seen[next] = 1;
      int nextEntry = 0;
      while (key(side(tris[next], nextEntry).first, side(tris[next], nextEntry).second) !=
             key(u, v))
        ++nextEntry;
      stack.push_back({next, nextEntry});
    }
  }
  return out;
}

// The result from triangles in internal (counter-clockwise) indices.
StableTriangulation Finish(std::span<const TAcadPoint> ring, const Polygon& p,
                           const std::vector<Tri>& internal, const PrintRules& rules,
                           bool optimal) {
  std::vector<Tri> tris;
  tris.reserve(internal.size());
  for (const Tri& t : internal) {
    Tri r = {p.ringIndex[t[0]], p.ringIndex[t[1]], p.ringIndex[t[2]]};
    std::sort(r.begin(), r.end());
    tris.push_back(r);
  }
  tris = WalkOrder(std::move(tris));
  StableTriangulation out;
  out.optimal = optimal;
  const Index n = ring.size();
  std::unordered_set<std::uint64_t> listed;
  for (const Tri& t : tris) {
    out.triangles.push_back({ring[t[0]], ring[t[1]], ring[t[2]]});
    for (int s = 0; s < 3; ++s) {
      const Index u = t[s], v = t[(s + 1) % 3];
      const Index lo = std::min(u, v), hi = std::max(u, v);
      if (hi - lo == 1 || (lo == 0 && hi == n - 1))
        continue;  // an edge of the ring
      const std::uint64_t k = static_cast<std::uint64_t>(lo) * n + hi;
      if (!listed.insert(k).second)
        continue;
      out.diagonals.push_back({ring[u], ring[v]});
    }
  }
  out.error = TotalPrintError(out.triangles, rules);
  return out;
}

}  // namespace

bool IsSimplePolygon(std::span<const TAcadPoint> ring) {
  const Index n = ring.size();
  if (n < 3)
    return false;
  for (const TAcadPoint& v : ring) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y))
      return false;
  }
  for (Index k = 0; k < n; ++k) {
    const TAcadPoint &a = ring[(k + n - 1) % n], &b = ring[k], &c = ring[(k + 1) % n];
    if (b.x == c.x && b.y == c.y)
      return false;
    if (Sign(a, b, c) == 0 && SameSide(a, b, c))
      return false;  // the edges fold back onto each other
  }
  struct Box {
    double xLo, xHi, yLo, yHi;
  };
  std::vector<Box> boxes(n);
  for (Index k = 0; k < n; ++k) {
    const TAcadPoint &a = ring[k], &b = ring[(k + 1) % n];
    boxes[k] = {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y)};
  }
  for (Index e = 0; e < n; ++e) {
    const Box& be = boxes[e];
    for (Index f = e + 2; f < n; ++f) {
      if (e == 0 && f == n - 1)
        continue;  // neighbours across the ring's closing point
      const Box& bf = boxes[f];
      if (bf.xLo > be.xHi || bf.xHi < be.xLo || bf.yLo > be.yHi || bf.yHi < be.yLo)
        continue;
      if (SegmentsMeet(ring[e], ring[(e + 1) % n], ring[f], ring[(f + 1) % n]))
        return false;
    }
  }
  return true;
}

std::optional<StableTriangulation> OptimalPrintTriangulation(std::span<const TAcadPoint> ring,
                                                             const PrintRules& rules) {
  const std::optional<Polygon> p = CounterClockwise(ring);
  if (!p)
    return std::nullopt;
  const std::vector<TAcadPoint>& q = p->q;
  const Index n = q.size();
  const double perScale = PrintedLengthTolerance(rules.digits, rules.mode) / rules.scale;
  const auto error = [&](Index i, Index k, Index j) {
    return PrintErrorOfCorners(q[i], q[k], q[j], rules.method, perScale);
  };

  // The sub-polygon i, i+1, ..., j (i < j) closed by the chord j-i: its chord must be a diagonal
  // or the ring's closing edge 0-(n-1). best holds its optimum by rows (i * n + j) and by columns
  // (j * n + i), so that both reads of the inner loop run along memory; infinite where it has
  // none. Errors count at most kHugeError, so that an infinite one (a triangle too slender for
  // its doubled area to be told from 0) still makes a triangulation and sums cannot overflow.
  std::vector<char> chord(n * n, 0);
  Diagonals isDiagonal(q);
  for (Index i = 0; i < n; ++i) {
    for (Index j = i + 2; j < n; ++j)
      chord[i * n + j] = (i == 0 && j == n - 1) || isDiagonal(i, j);
  }
  std::vector<double> byRow(n * n, kInfinity), byColumn(n * n, kInfinity);
  std::vector<Index> apex(n * n, kNone);
  const auto set = [&](Index i, Index j, double value) {
    byRow[i * n + j] = value;
    byColumn[j * n + i] = value;
  };
  // Two passes over the sub-polygons, shortest first. The first finds the smallest largest
  // error; the second the smallest sum of errors with no triangle above that. A k is tried only
  // where it can still win (ties go to the lowest), so most triangles' errors are never worked
  // out.
  const auto pass = [&](auto sum, double cap) {
    for (Index i = 0; i + 1 < n; ++i)
      set(i, i + 1, 0.0);
    for (Index len = 2; len < n; ++len) {
      for (Index i = 0; i + len < n; ++i) {
        const Index j = i + len;
        if (!chord[i * n + j])
          continue;
        const double* left = &byRow[i * n];
        const double* right = &byColumn[j * n];
        double best = kInfinity;
        Index bestK = kNone;
        for (Index k = i + 1; k < j; ++k) {
          const double known = sum ? left[k] + right[k] : std::max(left[k], right[k]);
          if (!(known < best))
            continue;
          const double e = std::min(error(i, k, j), kHugeError);
          if (sum && e > cap)
            continue;
          const double total = sum ? known + e : std::max(known, e);
          if (total < best)
            best = total, bestK = k;
        }
        set(i, j, best);
        apex[i * n + j] = bestK;
      }
    }
    return apex[n - 1] != kNone;
  };
  if (!pass(std::false_type{}, kInfinity) || !pass(std::true_type{}, byRow[n - 1]))
    return std::nullopt;

  std::vector<Tri> tris;
  std::vector<Edge> todo{{0, n - 1}};
  while (!todo.empty()) {
    const auto [i, j] = todo.back();
    todo.pop_back();
    const Index k = apex[i * n + j];
    tris.push_back({i, k, j});
    if (k > i + 1)
      todo.push_back({i, k});
    if (j > k + 1)
      todo.push_back({k, j});
  }
  return Finish(ring, *p, tris, rules, true);
}

std::optional<StableTriangulation> FlippedPrintTriangulation(std::span<const TAcadPoint> ring,
                                                             const PrintRules& rules) {
  const std::optional<Polygon> p = CounterClockwise(ring);
  if (!p)
    return std::nullopt;
  const std::optional<Triangulation> start = TriangulatePolygon(ring);
  if (!start)
    return std::nullopt;
  const std::vector<TAcadPoint>& q = p->q;
  const Index n = q.size();
  // The triangulation's corners are the ring's points, copied: find them by their bits.
  const auto bits = [](const TAcadPoint& v) {
    return std::pair<std::uint64_t, std::uint64_t>{std::bit_cast<std::uint64_t>(v.x),
                                                   std::bit_cast<std::uint64_t>(v.y)};
  };
  struct BitsHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& b) const {
      return std::hash<std::uint64_t>()(b.first * 0x9E3779B97F4A7C15ull ^ b.second);
    }
  };
  std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, Index, BitsHash> where;
  where.reserve(n);
  for (Index t = 0; t < n; ++t)
    where.emplace(bits(q[t]), t);
  std::vector<Tri> tris;
  for (const TAcadTriangle& t : start->triangles) {
    Tri r{};
    const TAcadPoint* corners[3] = {&t.p1, &t.p2, &t.p3};
    for (int c = 0; c < 3; ++c) {
      const auto it = where.find(bits(*corners[c]));
      if (it == where.end())
        return std::nullopt;
      r[c] = it->second;
    }
    if (Sign(q[r[0]], q[r[1]], q[r[2]]) < 0)
      std::swap(r[1], r[2]);
    tris.push_back(r);
  }

  const double perScale = PrintedLengthTolerance(rules.digits, rules.mode) / rules.scale;
  const auto errorOf = [&](const Tri& t) {
    return PrintErrorOfCorners(q[t[0]], q[t[1]], q[t[2]], rules.method, perScale);
  };
  std::vector<double> error(tris.size());
  for (Index t = 0; t < tris.size(); ++t)
    error[t] = errorOf(tris[t]);

  const auto edgeKey = [](Index u, Index v) { return u < v ? Edge{u, v} : Edge{v, u}; };
  struct EdgeHash {
    std::size_t operator()(const Edge& e) const {
      return std::hash<Index>()(e.first * 0x9E3779B97F4A7C15ull ^ e.second);
    }
  };
  std::unordered_map<Edge, std::array<Index, 2>, EdgeHash> owners;
  owners.reserve(3 * tris.size());
  const auto own = [&](Index t) {
    for (int s = 0; s < 3; ++s) {
      auto [it, added] =
          owners.try_emplace(edgeKey(tris[t][s], tris[t][(s + 1) % 3]), std::array{t, kNone});
      if (!added)
        (it->second[0] == kNone ? it->second[0] : it->second[1]) = t;
    }
  };
  const auto disown = [&](Index t) {
    for (int s = 0; s < 3; ++s) {
      std::array<Index, 2>& o = owners[edgeKey(tris[t][s], tris[t][(s + 1) % 3])];
      (o[0] == t ? o[0] : o[1]) = kNone;
    }
  };
  for (Index t = 0; t < tris.size(); ++t)
    own(t);
  // The diagonal beside the largest error first; an entry whose error has changed since is
  // stale (the flip that changed it queued the diagonal again).
  using Entry = std::pair<double, Edge>;
  std::priority_queue<Entry> queue;
  const auto push = [&](const Edge& e) {
    const auto it = owners.find(e);
    if (it != owners.end() && it->second[0] != kNone && it->second[1] != kNone)
      queue.push({std::max(error[it->second[0]], error[it->second[1]]), e});
  };
  for (const auto& [e, o] : owners)
    push(e);
  std::size_t budget = 64 * tris.size() * tris.size() + 64;
  while (!queue.empty() && budget-- > 0) {
    // Named, not bound: the lambda below reads the edge, and a structured binding cannot be
    // captured by every compiler the project builds with.
    const Entry top = queue.top();
    queue.pop();
    const double key = top.first;
    const Edge e = top.second;
    const std::array<Index, 2> o = owners[e];
    if (o[0] == kNone || o[1] == kNone)
      continue;
    const Index t1 = o[0], t2 = o[1];
    const double oldHigh = std::max(error[t1], error[t2]);
    if (oldHigh != key)
      continue;
    const auto opposite = [&](Index t) {
      for (const Index v : tris[t]) {
        if (v != e.first && v != e.second)
          return v;
      }
      return tris[t][0];
    };
    const Index c = opposite(t1), d = opposite(t2);
    Index u = e.first, v = e.second;
    if (Sign(q[u], q[v], q[c]) < 0)
      std::swap(u, v);
    if (Sign(q[c], q[d], q[v]) <= 0 || Sign(q[d], q[c], q[u]) <= 0)
      continue;  // not strictly convex: the other diagonal is not inside
    const Tri n1 = {c, u, d}, n2 = {d, v, c};
    const double e1 = errorOf(n1), e2 = errorOf(n2);
    const double newHigh = std::max(e1, e2), newLow = std::min(e1, e2);
    const double oldLow = std::min(error[t1], error[t2]);
    if (!(newHigh < oldHigh || (newHigh == oldHigh && newLow < oldLow)))
      continue;
    disown(t1);
    disown(t2);
    tris[t1] = n1;
    tris[t2] = n2;
    error[t1] = e1;
    error[t2] = e2;
    own(t1);
    own(t2);
    for (const Edge& outer : {edgeKey(u, d), edgeKey(d, v), edgeKey(v, c), edgeKey(c, u)})
      push(outer);
  }
  return Finish(ring, *p, tris, rules, false);
}

std::optional<StableTriangulation> PrintStableTriangulation(std::span<const TAcadPoint> ring,
                                                            const PrintRules& rules) {
  return ring.size() <= kMaxExactCorners ? OptimalPrintTriangulation(ring, rules)
                                         : FlippedPrintTriangulation(ring, rules);
}

}  // namespace trivane
