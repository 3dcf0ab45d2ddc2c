// The automatic split written as plainly as it reads: every pass scans the whole remainder for
// the vertex to cut, a refusal marks the remainder's vertices one by one, and every cut is checked
// against every edge of the remainder and of the boundary. The reference that the split
// the commands use must match triangle for triangle and cut for cut, and the baseline of the
// split benchmark.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "geometry/plan.h"
#include "geometry/predicates.h"
#include "geometry/split.h"
#include "triangulate_literal.h"

namespace trivane::literal {

// The cut's checks as they were written: a ray test and a crossing test over every edge.
inline bool OnEdgeExactly(const TAcadPoint& p, const TAcadPoint& s, const TAcadPoint& e) {
  return std::min(s.x, e.x) <= p.x && p.x <= std::max(s.x, e.x) && std::min(s.y, e.y) <= p.y &&
         p.y <= std::max(s.y, e.y) && Orient(s, e, p) == Orientation::kCollinear;
}

inline bool InsideByRay(const TAcadPoint& p, std::span<const TAcadPoint> polygon,
                        double rayLength) {
  bool inside = false;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const TAcadPoint& s = polygon[k];
    const TAcadPoint& e = polygon[(k + 1) % polygon.size()];
    if (OnEdgeExactly(p, s, e))
      return false;
    if ((s.x > p.x) == (e.x > p.x))
      continue;
    const Orientation side = Orient(s, e, p);
    const bool above =
        e.x > s.x ? side == Orientation::kClockwise : side == Orientation::kCounterClockwise;
    if (!above)
      continue;
    const double crossingY = s.y + (p.x - s.x) * (e.y - s.y) / (e.x - s.x);
    if (crossingY - p.y <= rayLength)
      inside = !inside;
  }
  return inside;
}

// Some edge crosses a-b inside both: their boxes meet, the edge's ends lie strictly on either
// side of a-b's line and a, b strictly on either side of the edge's.
inline bool CrossesAnEdgeProperly(const TAcadPoint& a, const TAcadPoint& b,
                                  std::span<const TAcadPoint> polygon) {
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const TAcadPoint& s = polygon[k];
    const TAcadPoint& e = polygon[(k + 1) % polygon.size()];
    if (std::max(a.x, b.x) < std::min(s.x, e.x) || std::max(s.x, e.x) < std::min(a.x, b.x) ||
        std::max(a.y, b.y) < std::min(s.y, e.y) || std::max(s.y, e.y) < std::min(a.y, b.y))
      continue;
    const int s1 = static_cast<int>(Orient(a, b, s)), s2 = static_cast<int>(Orient(a, b, e));
    const int a1 = static_cast<int>(Orient(s, e, a)), a2 = static_cast<int>(Orient(s, e, b));
    if (s1 * s2 < 0 && a1 * a2 < 0)
      return true;
  }
  return false;
}

inline bool CrossesAnyEdge(const TAcadPoint& a, const TAcadPoint& b,
                           std::span<const TAcadPoint> polygon) {
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const auto x = SegmentIntersection(a, b, polygon[k], polygon[(k + 1) % polygon.size()]);
    if (x && Distance(a, *x) > kNearTolerance && Distance(b, *x) > kNearTolerance)
      return true;
  }
  return CrossesAnEdgeProperly(a, b, polygon);
}

inline bool CutIsValidByScans(const TAcadPoint& a, const TAcadPoint& c,
                              std::span<const TAcadPoint> boundary,
                              std::span<const TAcadPoint> remainder, double viewHeight,
                              Slivers slivers) {
  const TAcadPoint m = Midpoint(a, c);
  const double ray = 10 * viewHeight;
  if (!InsideByRay(m, remainder, ray) || !InsideByRay(m, boundary, ray) ||
      CrossesAnyEdge(a, c, remainder) || CrossesAnyEdge(a, c, boundary)) {
    return false;
  }
  // No vertex of the remainder within the clearance of the cut, away from its ends.
  const double clearance = CutClearance(a, c, slivers);
  return std::none_of(remainder.begin(), remainder.end(),
                      [&](const TAcadPoint& v) { return CutPassesNear(a, c, v, clearance); });
}

inline double DistanceFromTarget(double angle) {
  return std::fabs(angle - kTargetAngle);
}

// The remainder with each vertex's distance from the target angle kept beside it (recomputed
// when a neighbour changes), whether it was refused since the last cut, and its place in the
// boundary, by which it is refused and removed.
class Remainder {
 public:
  explicit Remainder(std::span<const TAcadPoint> boundary)
      : points_(boundary.begin(), boundary.end()),
        target_(points_.size()),
        refused_(points_.size(), 0) {
    for (std::size_t k = 0; k < points_.size(); ++k) {
      places_.push_back(k);
      Update(k);
    }
  }

  const std::vector<TAcadPoint>& points() const { return points_; }
  std::size_t size() const { return points_.size(); }
  // The boundary place of the entry at index e modulo the size (as CyclicVertex).
  std::size_t PlaceAt(std::ptrdiff_t e) const {
    const auto m = static_cast<std::ptrdiff_t>(places_.size());
    return places_[static_cast<std::size_t>(((e % m) + m) % m)];
  }

  std::ptrdiff_t Choose() const {
    std::ptrdiff_t chosen = -1;
    double best = 0;
    for (std::size_t e = 0; e < points_.size(); ++e) {
      if (refused_[e])
        continue;
      if (chosen < 0 || target_[e] < best) {
        chosen = static_cast<std::ptrdiff_t>(e);
        best = target_[e];
      }
    }
    return chosen;
  }

  void Refuse(std::size_t place) {
    for (std::size_t k = 0; k < points_.size(); ++k) {
      if (places_[k] == place)
        refused_[k] = 1;
    }
  }
  void ForgetRefused() { std::fill(refused_.begin(), refused_.end(), 0); }

  void Remove(std::size_t place) {
    for (std::size_t k = 0; k < points_.size(); ++k) {
      if (places_[k] != place)
        continue;
      const auto at = static_cast<std::ptrdiff_t>(k);
      points_.erase(points_.begin() + at);
      target_.erase(target_.begin() + at);
      refused_.erase(refused_.begin() + at);
      places_.erase(places_.begin() + at);
      if (!points_.empty()) {
        Update((k + points_.size() - 1) % points_.size());
        Update(k % points_.size());
      }
      return;
    }
  }

 private:
  void Update(std::size_t k) {
    const auto e = static_cast<std::ptrdiff_t>(k);
    target_[k] = DistanceFromTarget(
        AngleAtVertex(CyclicVertex(points_, e - 1), points_[k], CyclicVertex(points_, e + 1)));
  }

  std::vector<TAcadPoint> points_;
  std::vector<double> target_;
  std::vector<char> refused_;
  std::vector<std::size_t> places_;
};

inline std::optional<ContinuedSplit> SplitPolygon(std::span<const TAcadPoint> input,
                                                  double viewHeight, const CutNotification& onCut,
                                                  WhenStalled whenStalled,
                                                  Slivers slivers = Slivers::kAllowed) {
  ContinuedSplit result;
  std::vector<TAcadTriangle>& triangles = result.triangles;
  if (input.empty())
    return result;
  const std::vector<TAcadPoint> kept = DropRepeatedVertices(input);
  const std::span<const TAcadPoint> boundary = kept;
  if (ExtentOverflows(boundary))
    return std::nullopt;

  const auto cut = [&](const TAcadPoint& from, const TAcadPoint& to) {
    if (onCut)
      onCut(from, to);
  };
  const auto valid = [&](const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                         const std::vector<TAcadPoint>& w) {
    static_cast<void>(b);
    return CutIsValidByScans(a, c, boundary, w, viewHeight, slivers);
  };

  Remainder w(boundary);
  const std::size_t passLimit = 4 * boundary.size();
  for (std::size_t pass = 0; w.size() != 3 && pass != passLimit; ++pass) {
    const std::ptrdiff_t o = w.Choose();
    const TAcadPoint p = CyclicVertex(w.points(), o - 1);
    const TAcadPoint x0 = CyclicVertex(w.points(), o);
    const TAcadPoint n = CyclicVertex(w.points(), o + 1);
    if (w.size() <= 3)
      continue;
    if (!valid(p, x0, n, w.points())) {
      if (o < 0)
        break;
      w.Refuse(w.PlaceAt(o));
      continue;
    }
    w.ForgetRefused();
    cut(p, n);
    triangles.push_back({p, x0, n});
    const TAcadPoint pp = CyclicVertex(w.points(), o - 2);
    const TAcadPoint nn = CyclicVertex(w.points(), o + 2);
    const std::size_t placeP = w.PlaceAt(o - 1), placeN = w.PlaceAt(o + 1);
    const double aP = AngleAtVertex(pp, p, n);
    const double aN = AngleAtVertex(p, n, nn);
    w.Remove(w.PlaceAt(o));
    const bool earAtP = DistanceFromTarget(aN) > DistanceFromTarget(aP);
    const TAcadPoint& a = earAtP ? pp : nn;
    const TAcadPoint& y = earAtP ? p : n;
    const TAcadPoint& c = earAtP ? n : p;
    const TAcadPoint& d = earAtP ? nn : pp;
    if (w.size() > 3 && valid(a, y, c, w.points())) {
      cut(a, c);
      triangles.push_back({a, y, c});
      w.Remove(earAtP ? placeP : placeN);
      if (w.size() > 3 && valid(a, c, d, w.points())) {
        cut(a, d);
        triangles.push_back({a, c, d});
        w.Remove(earAtP ? placeN : placeP);
      }
    }
  }

  if (w.size() == 3) {
    triangles.push_back({w.points()[0], w.points()[1], w.points()[2]});
  } else if (whenStalled == WhenStalled::kTriangulateTheRest && w.size() > 3) {
    const std::optional<Triangulation> rest = literal::TriangulatePolygon(w.points());
    if (!rest)
      return std::nullopt;
    for (const TAcadLine& diagonal : rest->diagonals)
      cut(diagonal.st, diagonal.ed);
    triangles.insert(triangles.end(), rest->triangles.begin(), rest->triangles.end());
    result.continued = rest->triangles.size();
  } else {
    return std::nullopt;
  }
  if (!TrianglesTilePolygon(boundary, triangles))
    return std::nullopt;
  return result;
}

}  // namespace trivane::literal
