#include "geometry/split.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "geometry/plan.h"
#include "geometry/predicates.h"
#include "geometry/triangulate.h"

namespace trivane {

namespace {

constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2;

// p lies on the closed segment s-e: collinear by the exact predicate and within its box.
bool OnSegmentExactly(const TAcadPoint& p, const TAcadPoint& s, const TAcadPoint& e) {
  return std::min(s.x, e.x) <= p.x && p.x <= std::max(s.x, e.x) && std::min(s.y, e.y) <= p.y &&
         p.y <= std::max(s.y, e.y) && Orient(s, e, p) == Orientation::kCollinear;
}

bool NearPerAxis(const TAcadPoint& p, const TAcadPoint& q) {
  return std::fabs(q.x - p.x) < kNearTolerance && std::fabs(q.y - p.y) < kNearTolerance;
}

double DistanceFromTarget(double angle) {
  return std::fabs(angle - kTargetAngle);
}

// The remainder polygon of a split, with what the vertex choice needs of each vertex kept beside
// it: its distance from the target angle (recomputed only when a neighbour changes) and whether
// it stands near a vertex refused since the last accepted cut.
class Remainder {
 public:
  explicit Remainder(std::span<const TAcadPoint> boundary)
      : points_(boundary.begin(), boundary.end()),
        target_(points_.size()),
        refused_(points_.size(), 0) {
    for (std::size_t k = 0; k < points_.size(); ++k)
      Update(k);
  }

  const std::vector<TAcadPoint>& points() const { return points_; }
  std::size_t size() const { return points_.size(); }

  // Index of the untried vertex whose angle is nearest the target; -1 when every vertex is
  // refused. Ties go to the lower index.
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

  // Refuses x: every vertex near it (per axis) is skipped until the next accepted cut.
  void Refuse(const TAcadPoint& x) {
    for (std::size_t k = 0; k < points_.size(); ++k) {
      if (NearPerAxis(x, points_[k]))
        refused_[k] = 1;
    }
  }
  void ForgetRefused() { std::fill(refused_.begin(), refused_.end(), 0); }

  // RemoveVertexNear on the remainder, keeping the neighbours' angles up to date.
  void RemoveNear(const TAcadPoint& x) {
    for (std::size_t k = 0; k < points_.size(); ++k) {
      if (!NearPerAxis(x, points_[k]))
        continue;
      const auto at = static_cast<std::ptrdiff_t>(k);
      points_.erase(points_.begin() + at);
      target_.erase(target_.begin() + at);
      refused_.erase(refused_.begin() + at);
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
};

}  // namespace

std::vector<TAcadPoint> DropRepeatedVertices(std::span<const TAcadPoint> boundary) {
  std::vector<TAcadPoint> kept;
  kept.reserve(boundary.size());
  for (const TAcadPoint& v : boundary) {
    if (kept.empty() || !NearPerAxis(v, kept.back()))
      kept.push_back(v);
  }
  while (kept.size() > 1 && NearPerAxis(kept.back(), kept.front()))
    kept.pop_back();
  return kept;
}

bool TrianglesTilePolygon(std::span<const TAcadPoint> polygon,
                          std::span<const TAcadTriangle> triangles) {
  if (polygon.size() < 3)
    return triangles.empty();
  // Twice the polygon's area by the shoelace sum about its first vertex, and the sum of the
  // magnitudes of its terms for the error bound.
  const TAcadPoint& o = polygon.front();
  double shoelace = 0.0, magnitude = 0.0;
  for (std::size_t k = 1; k + 1 < polygon.size(); ++k) {
    const double term = TwiceSignedArea(o, polygon[k], polygon[k + 1]);
    shoelace += term;
    magnitude += std::fabs(term);
  }
  // The triangles of an ear split add up to the polygon with signs: a triangle that turns
  // against the polygon (one outside it, or over another) is subtracted again. Their unsigned
  // areas therefore add up to the polygon's only when none does.
  double sum = 0.0;
  for (const TAcadTriangle& t : triangles) {
    const double twice = std::fabs(TwiceSignedArea(t.p1, t.p2, t.p3));
    sum += twice;
    magnitude += twice;
  }
  // Both sums add about polygon.size() + triangles.size() rounded products; each product and
  // each addition is off by at most one unit roundoff of the magnitudes involved.
  const double bound =
      8.0 * static_cast<double>(polygon.size() + triangles.size()) * kUnitRoundoff * magnitude;
  return std::fabs(sum - std::fabs(shoelace)) <= bound;
}

std::optional<std::vector<TAcadTriangle>> SplitPolygon(std::span<const TAcadPoint> boundary,
                                                       double viewHeight,
                                                       const CutNotification& onCut) {
  std::optional<ContinuedSplit> split =
      SplitPolygon(boundary, viewHeight, onCut, WhenStalled::kFail);
  if (!split)
    return std::nullopt;
  return std::move(split->triangles);
}

std::optional<ContinuedSplit> SplitPolygon(std::span<const TAcadPoint> input, double viewHeight,
                                           const CutNotification& onCut, WhenStalled whenStalled) {
  ContinuedSplit result;
  std::vector<TAcadTriangle>& triangles = result.triangles;
  if (input.empty())
    return result;
  // A vertex repeated within the tolerance would give a triangle of no area, and would make
  // RemoveVertexNear take out its twin instead of the cut vertex.
  const std::vector<TAcadPoint> kept = DropRepeatedVertices(input);
  const std::span<const TAcadPoint> boundary = kept;

  const auto cut = [&](const TAcadPoint& from, const TAcadPoint& to) {
    if (onCut)
      onCut(from, to);
  };
  const auto valid = [&](const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                         const std::vector<TAcadPoint>& w) {
    return CutIsValid(a, b, c, boundary, w, viewHeight);
  };

  Remainder w(boundary);
  const std::size_t passLimit = 4 * boundary.size();
  for (std::size_t pass = 0; w.size() != 3 && pass != passLimit; ++pass) {
    // With every vertex refused, o = -1 takes the last vertex, between w[t-2] and w[0].
    const std::ptrdiff_t o = w.Choose();
    // Copies: w changes below.
    const TAcadPoint p = CyclicVertex(w.points(), o - 1);
    const TAcadPoint x0 = CyclicVertex(w.points(), o);
    const TAcadPoint n = CyclicVertex(w.points(), o + 1);
    if (w.size() <= 3)
      continue;  // only when fewer than three points were given

    if (!valid(p, x0, n, w.points())) {
      // With every vertex refused, each pass left tries the same cut again on the same
      // remainder and is refused again: the split is stalled.
      if (o < 0)
        break;
      w.Refuse(x0);
      continue;
    }
    w.ForgetRefused();
    cut(p, n);
    triangles.push_back({p, x0, n});
    const TAcadPoint pp = CyclicVertex(w.points(), o - 2);
    const TAcadPoint nn = CyclicVertex(w.points(), o + 2);
    // The angles p and n will have once x0 is gone.
    const double aP = AngleAtVertex(pp, p, n);
    const double aN = AngleAtVertex(p, n, nn);
    w.RemoveNear(x0);

    // The fan turns around corner a: the next ear is y, then c, on the side whose new angle is
    // nearer the target (n on a tie). A refused fan cut only ends the pass.
    const bool earAtP = DistanceFromTarget(aN) > DistanceFromTarget(aP);
    const TAcadPoint& a = earAtP ? pp : nn;
    const TAcadPoint& y = earAtP ? p : n;
    const TAcadPoint& c = earAtP ? n : p;
    const TAcadPoint& d = earAtP ? nn : pp;
    if (w.size() > 3 && valid(a, y, c, w.points())) {
      cut(a, c);
      triangles.push_back({a, y, c});
      w.RemoveNear(y);
      if (w.size() > 3 && valid(a, c, d, w.points())) {
        cut(a, d);
        triangles.push_back({a, c, d});
        w.RemoveNear(c);
      }
    }
  }

  if (w.size() == 3) {
    // Its sides are boundary edges or earlier cuts: no cut to notify.
    triangles.push_back({w.points()[0], w.points()[1], w.points()[2]});
  } else if (whenStalled == WhenStalled::kTriangulateTheRest && w.size() > 3) {
    const std::optional<Triangulation> rest = TriangulatePolygon(w.points());
    if (!rest)
      return std::nullopt;
    for (const TAcadLine& d : rest->diagonals)
      cut(d.st, d.ed);
    triangles.insert(triangles.end(), rest->triangles.begin(), rest->triangles.end());
    result.continued = rest->triangles.size();
  } else {
    return std::nullopt;
  }
  // A result that does not tile the region would print a wrong area: it is a failure.
  if (!TrianglesTilePolygon(boundary, triangles))
    return std::nullopt;
  return result;
}

bool CutIsValid(const TAcadPoint& a, const TAcadPoint& /*b*/, const TAcadPoint& c,
                std::span<const TAcadPoint> boundary, std::span<const TAcadPoint> remainder,
                double viewHeight) {
  const TAcadPoint m = Midpoint(a, c);
  const double ray = 10 * viewHeight;
  return PointInPolygon(m, remainder, ray) && PointInPolygon(m, boundary, ray) &&
         !SegmentCrossesPolygon(a, c, remainder) && !SegmentCrossesPolygon(a, c, boundary);
}

bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon, double rayLength) {
  bool inside = false;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const TAcadPoint& s = polygon[k];
    const TAcadPoint& e = polygon[(k + 1) % polygon.size()];
    if (OnSegmentExactly(p, s, e))
      return false;
    // Half-open in x: an edge counts when exactly one of its ends lies right of the ray, so a ray
    // through a vertex counts one crossing where the boundary passes through it and none (or
    // two) where it only touches the vertex; edges along the ray never count.
    if ((s.x > p.x) == (e.x > p.x))
      continue;
    // The crossing is above p when p lies below the edge: right of it when the edge runs towards
    // +x, left of it otherwise.
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

bool SegmentCrossesPolygon(const TAcadPoint& a, const TAcadPoint& b,
                           std::span<const TAcadPoint> polygon) {
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const auto x = Intersection(a, b, polygon[k], polygon[(k + 1) % polygon.size()], true);
    if (x && Distance(a, *x) > kNearTolerance && Distance(b, *x) > kNearTolerance)
      return true;
  }
  return false;
}

double AngleAtVertex(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const double d = std::fabs(LineAngle(b, a) - LineAngle(b, c));
  return d > kPi ? kTwoPi - d : d;
}

const TAcadPoint& CyclicVertex(std::span<const TAcadPoint> list, std::ptrdiff_t k) {
  const auto n = static_cast<std::ptrdiff_t>(list.size());
  return list[static_cast<std::size_t>(((k % n) + n) % n)];
}

bool HasVertexNear(const TAcadPoint& p, std::span<const TAcadPoint> list) {
  for (const TAcadPoint& q : list) {
    if (NearPerAxis(p, q))
      return true;
  }
  return false;
}

std::size_t RemoveVertexNear(const TAcadPoint& p, std::vector<TAcadPoint>& list) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (NearPerAxis(p, *it)) {
      list.erase(it);
      break;
    }
  }
  return list.size();
}

bool NearPoint(const TAcadPoint& p, const TAcadPoint& q, double tol) {
  return tol > std::fabs(p.x - q.x) && tol > std::fabs(p.y - q.y);
}

bool SegmentInList(const TAcadPoint& p, const TAcadPoint& q, std::span<const TAcadLine> list,
                   double tol) {
  for (const TAcadLine& s : list) {
    if ((NearPoint(p, s.st, tol) && NearPoint(q, s.ed, tol)) ||
        (NearPoint(p, s.ed, tol) && NearPoint(q, s.st, tol))) {
      return true;
    }
  }
  return false;
}

}  // namespace trivane
