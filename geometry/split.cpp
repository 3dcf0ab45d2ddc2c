#include "geometry/split.h"

#include <cmath>

#include "geometry/plan.h"

namespace trivane {

namespace {

bool NearPerAxis(const TAcadPoint& p, const TAcadPoint& q) {
  return std::fabs(q.x - p.x) < kNearTolerance && std::fabs(q.y - p.y) < kNearTolerance;
}

double DistanceFromTarget(double angle) {
  return std::fabs(angle - kTargetAngle);
}

// Index of the untried vertex whose angle is nearest the target; -1 when every vertex is in
// `refused`. Ties go to the lower index.
std::ptrdiff_t ChooseVertex(std::span<const TAcadPoint> w, std::span<const TAcadPoint> refused) {
  std::ptrdiff_t chosen = -1;
  double best = 0;
  for (std::ptrdiff_t e = 0; e < static_cast<std::ptrdiff_t>(w.size()); ++e) {
    const TAcadPoint& x = w[static_cast<std::size_t>(e)];
    if (HasVertexNear(x, refused))
      continue;
    const double d =
        DistanceFromTarget(AngleAtVertex(CyclicVertex(w, e - 1), x, CyclicVertex(w, e + 1)));
    if (chosen < 0 || d < best) {
      chosen = e;
      best = d;
    }
  }
  return chosen;
}

}  // namespace

std::optional<std::vector<TAcadTriangle>> SplitPolygon(std::span<const TAcadPoint> boundary,
                                                       double viewHeight,
                                                       const CutNotification& onCut) {
  std::vector<TAcadTriangle> triangles;
  if (boundary.empty())
    return triangles;

  const auto cut = [&](const TAcadPoint& from, const TAcadPoint& to) {
    if (onCut)
      onCut(from, to);
  };
  const auto valid = [&](const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                         const std::vector<TAcadPoint>& w) {
    return CutIsValid(a, b, c, boundary, w, viewHeight);
  };

  std::vector<TAcadPoint> w(boundary.begin(), boundary.end());  // the remainder
  std::vector<TAcadPoint> refused;  // vertices refused since the last accepted cut, by position
  const std::size_t passLimit = 4 * boundary.size();
  for (std::size_t pass = 0; w.size() != 3 && pass != passLimit; ++pass) {
    // With every vertex refused, o = -1 takes the last vertex, between w[t-2] and w[0].
    const std::ptrdiff_t o = ChooseVertex(w, refused);
    // Copies: w changes below.
    const TAcadPoint p = CyclicVertex(w, o - 1);
    const TAcadPoint x0 = CyclicVertex(w, o);
    const TAcadPoint n = CyclicVertex(w, o + 1);
    if (w.size() <= 3)
      continue;  // only when fewer than three points were given

    if (!valid(p, x0, n, w)) {
      refused.push_back(x0);
      continue;
    }
    refused.clear();
    cut(p, n);
    triangles.push_back({p, x0, n});
    const TAcadPoint pp = CyclicVertex(w, o - 2);
    const TAcadPoint nn = CyclicVertex(w, o + 2);
    // The angles p and n will have once x0 is gone.
    const double aP = AngleAtVertex(pp, p, n);
    const double aN = AngleAtVertex(p, n, nn);
    RemoveVertexNear(x0, w);

    // The fan turns around corner a: the next ear is y, then c, on the side whose new angle is
    // nearer the target (n on a tie). A refused fan cut only ends the pass.
    const bool earAtP = DistanceFromTarget(aN) > DistanceFromTarget(aP);
    const TAcadPoint& a = earAtP ? pp : nn;
    const TAcadPoint& y = earAtP ? p : n;
    const TAcadPoint& c = earAtP ? n : p;
    const TAcadPoint& d = earAtP ? nn : pp;
    if (w.size() > 3 && valid(a, y, c, w)) {
      cut(a, c);
      triangles.push_back({a, y, c});
      RemoveVertexNear(y, w);
      if (w.size() > 3 && valid(a, c, d, w)) {
        cut(a, d);
        triangles.push_back({a, c, d});
        RemoveVertexNear(c, w);
      }
    }
  }

  if (w.size() != 3)
    return std::nullopt;
  // Its sides are boundary edges or earlier cuts: no cut to notify.
  triangles.push_back({w[0], w[1], w[2]});
  return triangles;
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
  const TAcadPoint q{p.x, p.y + rayLength, p.z};
  double count = 0.0;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const TAcadPoint& s = polygon[k];
    const TAcadPoint& e = polygon[(k + 1) % polygon.size()];
    if (const auto x = Intersection(p, q, s, e, true)) {
      count += Distance(*x, s) < kNearTolerance || Distance(*x, e) < kNearTolerance ? 0.5 : 1.0;
    }
  }
  return static_cast<long long>(count + 0.5) % 2 == 1;
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
