// Splitting a closed polygon into triangles by ear cutting, and the point-list helpers it shares
// with the triangle search and the labelling pass.
//
// Points are plan points: only x and y take part in a test, z is carried along unchanged.
// Polygons are point lists closed implicitly (the last point connects to the first), in either
// orientation. The tolerance for near points, edge ends and crossings is kNearTolerance.
// Every function is pure apart from RemoveVertexNear, which edits its list in place, and
// SplitPolygon's cut notification; none keeps a reference to its arguments.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"

namespace trivane {

inline constexpr double kNearTolerance = 0.001;             // drawing units
inline constexpr double kTargetAngle = 1.0471975511965976;  // pi/3: the ear angle aimed at

// Called with (from, to) for each accepted cut, in cut order, before the split goes on.
using CutNotification = std::function<void(const TAcadPoint& from, const TAcadPoint& to)>;

// Cuts `boundary` (m points) into m - 2 triangles, as near to equilateral as the shape allows.
// Each pass takes the untried remainder vertex whose angle is nearest 60 degrees (ties to the
// lower index) and cuts its ear when the diagonal is valid (CutIsValid); after an accepted cut
// up to two more triangles are cut as a fan around one corner, on the side whose new angle is
// nearer 60 degrees (N on a tie). A refused vertex is not tried again until the next accepted cut.
// viewHeight (drawing units) sets the inside tests' ray length, 10 * viewHeight.
//
// Returns the triangles in cut order: the first of a pass is (previous, cut vertex, next), fan
// triangles start with the fan corner; the last triangle is the remaining three points, for which
// no cut is notified. Returns nothing when the split fails, which happens when more than three
// points remain after 4 * m passes, so always for 1 or 2 points; cuts already notified stay
// notified. An empty boundary is a success with no triangle. onCut may be empty; an exception it
// throws ends the split.
std::optional<std::vector<TAcadTriangle>> SplitPolygon(std::span<const TAcadPoint> boundary,
                                                       double viewHeight,
                                                       const CutNotification& onCut);

// The cut a-c that takes off the vertex b (b takes no part) is valid when, tested in this order:
// its midpoint is inside the remainder and inside the boundary (PointInPolygon with rays of
// 10 * viewHeight), and it crosses neither the remainder nor the boundary.
bool CutIsValid(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                std::span<const TAcadPoint> boundary, std::span<const TAcadPoint> remainder,
                double viewHeight);

// Ray test with an upward vertical ray of finite length rayLength from p. A meeting within
// kNearTolerance of an edge end counts a half, any other meeting one; p is inside when the count
// rounded half up is odd. Meetings at the first point of an edge or at p itself are not counted
// (bounded Intersection), so a ray through a vertex counts only the edge that ends there and a
// point on an edge is judged by the edges above it. Edges farther than rayLength above p are not
// seen.
bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon, double rayLength);

// The segment a-b meets some edge of the polygon farther than kNearTolerance from both a and b.
// A diagonal that touches the polygon only at its own end points does not cross it.
bool SegmentCrossesPolygon(const TAcadPoint& a, const TAcadPoint& b,
                           std::span<const TAcadPoint> polygon);

// Angle at b between b->a and b->c, in [0, pi]. It does not tell a convex corner from a reflex
// one (270 degrees gives pi/2).
double AngleAtVertex(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c);

// The entry at index k modulo the list's size, for any k (negative too). The list must not be
// empty.
const TAcadPoint& CyclicVertex(std::span<const TAcadPoint> list, std::ptrdiff_t k);

// Some entry q of the list has |q.x - p.x| < kNearTolerance and |q.y - p.y| < kNearTolerance.
bool HasVertexNear(const TAcadPoint& p, std::span<const TAcadPoint> list);

// Removes the first entry near p (per axis, as HasVertexNear) in place, keeping the order of the
// others. Returns the new size; the list is unchanged when no entry is near.
std::size_t RemoveVertexNear(const TAcadPoint& p, std::vector<TAcadPoint>& list);

// tol > |p.x - q.x| and tol > |p.y - q.y|, both strict.
bool NearPoint(const TAcadPoint& p, const TAcadPoint& q, double tol);

// The segment p-q stands in the list, in either direction, with both ends NearPoint within tol.
bool SegmentInList(const TAcadPoint& p, const TAcadPoint& q, std::span<const TAcadLine> list,
                   double tol);

}  // namespace trivane
