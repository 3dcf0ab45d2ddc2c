#include "geometry/triangulate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>

#include "geometry/grid_cell.h"
#include "geometry/predicates.h"

namespace trivane {

namespace {

using Index = std::size_t;
using Tri = std::array<Index, 3>;      // counter-clockwise
using Edge = std::pair<Index, Index>;  // the lower vertex first

struct EdgeHash {
  std::size_t operator()(const Edge& e) const {
    return std::hash<Index>()(e.first * 0x9E3779B97F4A7C15ull ^ e.second);
  }
};

double AngleAt(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - a.x, vy = c.y - a.y;
  return std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
}

// p lies in the closed triangle a, b, c (counter-clockwise).
bool InClosedTriangle(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b,
                      const TAcadPoint& c) {
  if (p.x < std::min({a.x, b.x, c.x}) || p.x > std::max({a.x, b.x, c.x}) ||
      p.y < std::min({a.y, b.y, c.y}) || p.y > std::max({a.y, b.y, c.y}))
    return false;
  return Orient(a, b, p) != Orientation::kClockwise && Orient(b, c, p) != Orientation::kClockwise &&
         Orient(c, a, p) != Orientation::kClockwise;
}

// d lies inside the circle through a, b, c (counter-clockwise) by more than a relative margin:
// points on one circle never count, so flips cannot go back and forth.
bool InsideCircumcircle(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                        const TAcadPoint& d) {
  const double ax = a.x - d.x, ay = a.y - d.y, bx = b.x - d.x, by = b.y - d.y;
  const double cx = c.x - d.x, cy = c.y - d.y;
  const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  const double det = a2 * (bx * cy - cx * by) - b2 * (ax * cy - cx * ay) + c2 * (ax * by - bx * ay);
  const double scale = a2 * (std::fabs(bx * cy) + std::fabs(cx * by)) +
                       b2 * (std::fabs(ax * cy) + std::fabs(cx * ay)) +
                       c2 * (std::fabs(ax * by) + std::fabs(bx * ay));
  return det > 1e-10 * scale;
}

// The vertices of a ring filed in a grid of cells by position, for the ear test: a vertex lies
// in a triangle only when it lies within the triangle's bounding box, and the cell of a
// coordinate grows with it (a rounded difference and a rounded quotient never decrease), so the
// cells the box covers hold every such vertex.
class PointGrid {
 public:
  explicit PointGrid(std::span<const TAcadPoint> p) {
    bool finite = !p.empty();
    for (const TAcadPoint& q : p)
      finite = finite && std::isfinite(q.x) && std::isfinite(q.y);
    if (finite) {
      const auto [xLo, xHi] = std::minmax_element(
          p.begin(), p.end(), [](const TAcadPoint& a, const TAcadPoint& b) { return a.x < b.x; });
      const auto [yLo, yHi] = std::minmax_element(
          p.begin(), p.end(), [](const TAcadPoint& a, const TAcadPoint& b) { return a.y < b.y; });
      x0_ = xLo->x, y0_ = yLo->y;
      const double width = xHi->x - x0_, height = yHi->y - y0_;
      // About one vertex per cell, the cells about as wide as they are tall.
      const double n = static_cast<double>(p.size());
      const auto count = [n](double share) {
        return static_cast<Index>(std::clamp(std::round(std::sqrt(share)), 1.0, n));
      };
      if (std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0) {
        columns_ = count(n * (width / height));
        rows_ = count(n * (height / width));
        width_ = width / static_cast<double>(columns_);
        height_ = height / static_cast<double>(rows_);
      }
    }
    cells_.resize(columns_ * rows_);
    removed_.assign(p.size(), 0);
    for (Index k = 0; k < p.size(); ++k)
      cells_[Row(p[k].y) * columns_ + Column(p[k].x)].push_back(k);
  }

  // Calls visit(k) for every vertex k left in the cells the box covers, until it returns false.
  // Removed vertices leave their cells when a call passes them.
  template <class F>
  bool Every(double xMin, double xMax, double yMin, double yMax, F visit) {
    const Index c0 = Column(xMin), c1 = Column(xMax), r1 = Row(yMax);
    for (Index r = Row(yMin); r <= r1; ++r) {
      for (Index c = c0; c <= c1; ++c) {
        std::vector<Index>& cell = cells_[r * columns_ + c];
        for (Index i = 0; i < cell.size();) {
          const Index k = cell[i];
          if (removed_[k]) {
            cell[i] = cell.back();
            cell.pop_back();
            continue;
          }
          ++i;
          if (!visit(k))
            return false;
        }
      }
    }
    return true;
  }

  void Remove(Index k) { removed_[k] = 1; }

 private:
  Index Column(double x) const { return GridCell(x, x0_, width_, columns_); }
  Index Row(double y) const { return GridCell(y, y0_, height_, rows_); }

  Index columns_ = 1, rows_ = 1;
  double x0_ = 0, y0_ = 0, width_ = 0, height_ = 0;
  std::vector<std::vector<Index>> cells_;
  std::vector<char> removed_;
};

// Ear clipping on a counter-clockwise ring, the ear with the largest smallest angle first.
std::optional<std::vector<Tri>> ClipEars(std::span<const TAcadPoint> p) {
  const Index n = p.size();
  std::vector<Index> prev(n), next(n);
  std::vector<unsigned> version(n, 0);
  std::vector<bool> alive(n, true);
  for (Index k = 0; k < n; ++k) {
    prev[k] = (k + n - 1) % n;
    next[k] = (k + 1) % n;
  }
  PointGrid grid(p);
  // An ear turns counter-clockwise and no other vertex left lies in its closed triangle.
  const auto isEar = [&](Index k) {
    const Index ia = prev[k], ic = next[k];
    const TAcadPoint &a = p[ia], &b = p[k], &c = p[ic];
    if (Orient(a, b, c) != Orientation::kCounterClockwise)
      return false;
    return grid.Every(std::min({a.x, b.x, c.x}), std::max({a.x, b.x, c.x}),
                      std::min({a.y, b.y, c.y}), std::max({a.y, b.y, c.y}), [&](Index v) {
                        return v == ia || v == k || v == ic || !InClosedTriangle(p[v], a, b, c);
                      });
  };
  struct Candidate {
    double quality;
    Index vertex;
    unsigned version;
    bool operator<(const Candidate& o) const {  // best quality on top, then the lower index
      return quality != o.quality ? quality < o.quality : vertex > o.vertex;
    }
  };
  std::priority_queue<Candidate> ears;
  const auto consider = [&](Index k) {
    ++version[k];
    if (isEar(k))
      ears.push({SmallestAngle({p[prev[k]], p[k], p[next[k]]}), k, version[k]});
  };
  for (Index k = 0; k < n; ++k)
    consider(k);

  std::vector<Tri> out;
  Index left = n;
  while (left > 3) {
    if (ears.empty())
      return std::nullopt;  // not a simple polygon
    const Candidate e = ears.top();
    ears.pop();
    if (!alive[e.vertex] || e.version != version[e.vertex])
      continue;
    const Index k = e.vertex, a = prev[k], c = next[k];
    out.push_back({a, k, c});
    alive[k] = false;
    grid.Remove(k);
    next[a] = c;
    prev[c] = a;
    --left;
    consider(a);
    consider(c);
  }
  Index k = 0;
  while (!alive[k])
    ++k;
  const Tri last = {prev[k], k, next[k]};
  if (Orient(p[last[0]], p[last[1]], p[last[2]]) != Orientation::kCounterClockwise)
    return std::nullopt;
  out.push_back(last);
  return out;
}

// Flips diagonals until every one meets the Delaunay condition.
void FlipToDelaunay(std::span<const TAcadPoint> p, std::vector<Tri>& tris) {
  const auto key = [](Index u, Index v) { return u < v ? Edge{u, v} : Edge{v, u}; };
  std::unordered_map<Edge, std::vector<std::size_t>, EdgeHash> owners;
  owners.reserve(3 * tris.size());
  const auto own = [&](std::size_t t) {
    for (int e = 0; e < 3; ++e)
      owners[key(tris[t][e], tris[t][(e + 1) % 3])].push_back(t);
  };
  const auto disown = [&](std::size_t t) {
    for (int e = 0; e < 3; ++e) {
      auto& list = owners[key(tris[t][e], tris[t][(e + 1) % 3])];
      list.erase(std::find(list.begin(), list.end(), t));
    }
  };
  for (std::size_t t = 0; t < tris.size(); ++t)
    own(t);
  // The diagonals in ascending order, the last taken first.
  std::vector<Edge> stack;
  for (const auto& [edge, list] : owners) {
    if (list.size() == 2)
      stack.push_back(edge);
  }
  std::sort(stack.begin(), stack.end());
  // Each flip makes the triangulation strictly more Delaunay; the bound only guards the loop.
  std::size_t budget = 64 * tris.size() * tris.size() + 64;
  while (!stack.empty() && budget-- > 0) {
    const Edge e = stack.back();
    stack.pop_back();
    const auto it = owners.find(e);
    if (it == owners.end() || it->second.size() != 2)
      continue;
    const std::size_t t1 = it->second[0], t2 = it->second[1];
    // The corners facing the edge in each triangle.
    const auto opposite = [&](std::size_t t) {
      for (const Index v : tris[t]) {
        if (v != e.first && v != e.second)
          return v;
      }
      return tris[t][0];
    };
    const Index c = opposite(t1), d = opposite(t2);
    // t1 as (u, v, c) counter-clockwise, with u-v the shared edge.
    Index u = e.first, v = e.second;
    if (Orient(p[u], p[v], p[c]) != Orientation::kCounterClockwise)
      std::swap(u, v);
    if (!InsideCircumcircle(p[u], p[v], p[c], p[d]))
      continue;
    // The quad u, d, v, c must be strictly convex for the other diagonal to lie inside it.
    if (Orient(p[c], p[d], p[v]) != Orientation::kCounterClockwise ||
        Orient(p[d], p[c], p[u]) != Orientation::kCounterClockwise)
      continue;
    disown(t1);
    disown(t2);
    tris[t1] = {c, u, d};
    tris[t2] = {d, v, c};
    own(t1);
    own(t2);
    for (const Edge& outer : {key(u, d), key(d, v), key(v, c), key(c, u)})
      stack.push_back(outer);
  }
}

}  // namespace

double SmallestAngle(const TAcadTriangle& t) {
  return std::min(
      {AngleAt(t.p1, t.p2, t.p3), AngleAt(t.p2, t.p3, t.p1), AngleAt(t.p3, t.p1, t.p2)});
}

std::optional<Triangulation> TriangulatePolygon(std::span<const TAcadPoint> ring) {
  const Index n = ring.size();
  if (n < 3)
    return std::nullopt;
  double twice = 0.0;
  for (Index k = 1; k + 1 < n; ++k) {
    const TAcadPoint &o = ring[0], &a = ring[k], &b = ring[k + 1];
    twice += (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  }
  if (twice == 0.0)
    return std::nullopt;
  // Work counter-clockwise; hand the triangles back turning the ring's way.
  const bool clockwise = twice < 0;
  std::vector<TAcadPoint> p(ring.begin(), ring.end());
  if (clockwise)
    std::reverse(p.begin(), p.end());
  std::optional<std::vector<Tri>> tris = ClipEars(p);
  if (!tris)
    return std::nullopt;
  FlipToDelaunay(p, *tris);

  Triangulation out;
  std::unordered_map<Edge, int, EdgeHash> seen;
  seen.reserve(3 * tris->size());
  for (const Tri& t : *tris) {
    for (int e = 0; e < 3; ++e) {
      const Index u = std::min(t[e], t[(e + 1) % 3]), v = std::max(t[e], t[(e + 1) % 3]);
      ++seen[{u, v}];
    }
  }
  for (const Tri& t : *tris) {
    out.triangles.push_back(clockwise ? TAcadTriangle{p[t[0]], p[t[2]], p[t[1]]}
                                      : TAcadTriangle{p[t[0]], p[t[1]], p[t[2]]});
    for (int e = 0; e < 3; ++e) {
      const Index u = std::min(t[e], t[(e + 1) % 3]), v = std::max(t[e], t[(e + 1) % 3]);
      int& count = seen[{u, v}];
      if (count == 2) {  // a diagonal: two triangles share it; listed at its first
        out.diagonals.push_back({p[t[e]], p[t[(e + 1) % 3]]});
        count = 0;
      }
    }
  }
  return out;
}

}  // namespace trivane
