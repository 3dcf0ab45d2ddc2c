// The constrained Delaunay triangulation as it was first written: every ear test looks at every
// vertex left. The reference that TriangulatePolygon must match triangle for triangle and
// diagonal for diagonal, and the continuation of split_literal.h.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <optional>
#include <queue>
#include <span>
#include <utility>
#include <vector>

#include "geometry/predicates.h"
#include "geometry/triangulate.h"

namespace trivane::literal {

using Index = std::size_t;
using Tri = std::array<Index, 3>;  // counter-clockwise

inline double AngleAt(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - a.x, vy = c.y - a.y;
  return std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
}

// p lies in the closed triangle a, b, c (counter-clockwise).
inline bool InClosedTriangle(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b,
                             const TAcadPoint& c) {
  if (p.x < std::min({a.x, b.x, c.x}) || p.x > std::max({a.x, b.x, c.x}) ||
      p.y < std::min({a.y, b.y, c.y}) || p.y > std::max({a.y, b.y, c.y}))
    return false;
  return Orient(a, b, p) != Orientation::kClockwise && Orient(b, c, p) != Orientation::kClockwise &&
         Orient(c, a, p) != Orientation::kClockwise;
}

// d lies inside the circle through a, b, c (counter-clockwise) by more than a relative margin:
// points on one circle never count, so flips cannot go back and forth.
inline bool InsideCircumcircle(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
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

// Ear clipping on a counter-clockwise ring, the ear with the largest smallest angle first.
inline std::optional<std::vector<Tri>> ClipEars(std::span<const TAcadPoint> p) {
  const Index n = p.size();
  std::vector<Index> prev(n), next(n);
  std::vector<unsigned> version(n, 0);
  std::vector<bool> alive(n, true);
  for (Index k = 0; k < n; ++k) {
    prev[k] = (k + n - 1) % n;
    next[k] = (k + 1) % n;
  }
  const auto isEar = [&](Index k) {
    const TAcadPoint &a = p[prev[k]], &b = p[k], &c = p[next[k]];
    if (Orient(a, b, c) != Orientation::kCounterClockwise)
      return false;
    for (Index v = next[next[k]]; v != prev[k]; v = next[v]) {
      if (InClosedTriangle(p[v], a, b, c))
        return false;
    }
    return true;
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
inline void FlipToDelaunay(std::span<const TAcadPoint> p, std::vector<Tri>& tris) {
  using Edge = std::pair<Index, Index>;
  const auto key = [](Index u, Index v) { return u < v ? Edge{u, v} : Edge{v, u}; };
  std::map<Edge, std::vector<std::size_t>> owners;
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
  std::vector<Edge> stack;
  for (const auto& [edge, list] : owners) {
    if (list.size() == 2)
      stack.push_back(edge);
  }
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

inline std::optional<Triangulation> TriangulatePolygon(std::span<const TAcadPoint> ring) {
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
  std::map<std::pair<Index, Index>, int> seen;
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

}  // namespace trivane::literal
