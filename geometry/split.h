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

// Cuts `boundary` into triangles, as near to equilateral as the shape allows. A vertex within
// kNearTolerance (per axis) of the one before it, the last compared with the first too, is
// dropped first (DropRepeatedVertices); m is the number of points left, and the split makes
// m - 2 triangles.
// Each pass takes the untried remainder vertex whose angle is nearest 60 degrees (ties to the
// lower index) and cuts its ear when the diagonal is valid (CutIsValid); after an accepted cut
// up to two more triangles are cut as a fan around one corner, on the side whose new angle is
// nearer 60 degrees (N on a tie). A refused vertex is not tried again until the next accepted cut.
// viewHeight (drawing units) sets the inside tests' ray length, 10 * viewHeight.
//
// Returns the triangles in cut order: the first of a pass is (previous, cut vertex, next), fan
// triangles start with the fan corner; the last triangle is the remaining three points, for which
// no cut is notified. Returns nothing when the split fails, which happens when more than three
// points remain after 4 * m passes, so always for 1 or 2 points, and before any cut where the
// extent overflows (ExtentOverflows); cuts already notified stay
// notified. A result that does not tile the boundary exactly (TrianglesTilePolygon) is a
// failure too, so a wrong area is never reported as a split. An empty boundary is a success with
// no triangle. onCut may be empty; an exception it throws ends the split.
// Vertices are cut, refused and taken off the remainder by their place in it: two corners closer
// than kNearTolerance that are not neighbours (the mouth of a keyhole, a neck, corners that
// touch) stay two vertices.
std::optional<std::vector<TAcadTriangle>> SplitPolygon(std::span<const TAcadPoint> boundary,
                                                       double viewHeight,
                                                       const CutNotification& onCut);

// How near a vertex of the remainder (one farther than kNearTolerance from both its ends) a cut
// may pass.
enum class Slivers {
  kAllowed,  // refused within kNearTolerance of such a vertex only
  kAvoided,  // refused within kSliverRatio of the cut's own length too
};
// A cut that passes a vertex closer than this share of its length forces a triangle beside the
// vertex so thin that its area from the sides as printed (to 0.01 of a 20 m side) is mostly
// rounding.
inline constexpr double kSliverRatio = 0.005;

// What a split does when its passes run out with more than three points left.
enum class WhenStalled {
  kFail,                // the split fails; the cuts made stay notified
  kTriangulateTheRest,  // the remainder is cut by TriangulatePolygon, its diagonals notified too
};

struct ContinuedSplit {
  std::vector<TAcadTriangle> triangles;  // in cut order, the continuation's last
  std::size_t continued = 0;             // how many of them the continuation made
};

// SplitPolygon with a choice for the stalled case. With WhenStalled::kTriangulateTheRest every
// cut and triangle of the passes is kept, in order; the remainder (a simple polygon) is then cut
// into its constrained Delaunay triangulation, whose diagonals are notified as cuts and whose
// triangles follow. It fails only where the remainder cannot be triangulated (a boundary that is
// not simple) or the result would not tile. With WhenStalled::kFail it is SplitPolygon.
// With Slivers::kAvoided every cut is held to the wider clearance (CutIsValid); more splits then
// stall, which the continuation finishes.
std::optional<ContinuedSplit> SplitPolygon(std::span<const TAcadPoint> boundary, double viewHeight,
                                           const CutNotification& onCut, WhenStalled whenStalled,
                                           Slivers slivers = Slivers::kAllowed);

// Every coordinate is finite, but the region is so wide that the square of its width or height
// overflows: neither its area nor the split's exact tests can be computed on it, so a split of
// it fails before its first cut.
bool ExtentOverflows(std::span<const TAcadPoint> boundary);

// The boundary without the vertices that repeat the one kept before them within kNearTolerance
// per axis (the last vertex is also compared with the first); the first of a run is kept.
std::vector<TAcadPoint> DropRepeatedVertices(std::span<const TAcadPoint> boundary);

// The triangles tile the polygon: together they cover each point inside it once and nothing
// outside it. The triangles' corners must be the polygon's own points, copied (x and y are
// compared exactly, 0 and -0 alike; z is not compared); a corner that is none of them tiles
// nothing. It holds when
// - no triangle is flat (exact orientation), each taken with its corners in the polygon's turning
//   direction (the sign of its shoelace sum), whichever way round it is listed;
// - the sides match on their end points: for every two points a and b, the triangles' sides
//   a -> b beyond the polygon's own sides a -> b (p[k] -> p[k + 1], in the polygon's order; one
//   from a point to itself is none) are as many as their sides b -> a beyond the polygon's sides
//   b -> a, and at most one (never fewer than none). So each side of the polygon is a side of one
//   triangle, or of as many as the polygon passes along it, and each other triangle side has one
//   triangle on its other side;
// - twice the triangles' unsigned areas add up to the polygon's shoelace sum within
//   8 (n + t) u S, where n and t count the polygon's points and the triangles, u is the unit
//   roundoff (2^-53) and S the sum of the magnitudes of all the products added.
// The first two leave the triangles' sides cancelling in pairs inside and adding up to the
// polygon's sides, so every point off the sides is covered by as many triangles as the polygon
// winds around it: once inside a simple polygon or one that passes through a point twice (corners
// that touch), never outside. A triangle counted twice, one over another, one outside or a piece
// left out leaves a side unmatched, however the areas add up. A triangle side that runs along only
// a piece of a polygon side matches nothing: a point in the middle of a side makes it two sides,
// and the triangles have a corner there. A polygon of fewer than three points is tiled by no
// triangle only; a coordinate that is not finite, or a shoelace sum of 0, tiles nothing. The points
// are numbered through a hash table and the sides filed by their ends' numbers: linear in n + t but
// for the sorting of the few sides at each point.
bool TrianglesTilePolygon(std::span<const TAcadPoint> polygon,
                          std::span<const TAcadTriangle> triangles);

// The cut a-c that takes off the vertex b (b takes no part) is valid when, tested in this order:
// its midpoint is inside the remainder and inside the boundary (PointInPolygon with rays of
// 10 * viewHeight), it crosses neither the remainder nor the boundary, and it passes within
// CutClearance of no vertex of the remainder that lies farther than kNearTolerance from both its
// ends. The last keeps a cut off the boundary where points stand on an edge: the midpoint of a cut
// between two such points is inside or outside only as the points' rounding falls, and the
// triangle left between them would be a sliver turning either way.
bool CutIsValid(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                std::span<const TAcadPoint> boundary, std::span<const TAcadPoint> remainder,
                double viewHeight, Slivers slivers = Slivers::kAllowed);

// How near a vertex the cut a-c may not pass: kNearTolerance, and with Slivers::kAvoided at least
// kSliverRatio of its length.
double CutClearance(const TAcadPoint& a, const TAcadPoint& c, Slivers slivers);

// The cut a-c passes within `clearance` of v, a point farther than kNearTolerance from both its
// ends (measured square to the cut, v lying beside it between its ends).
bool CutPassesNear(const TAcadPoint& a, const TAcadPoint& c, const TAcadPoint& v, double clearance);

// Ray test with an upward vertical ray of finite length rayLength from p: p is inside when the
// ray crosses the boundary an odd number of times. An edge is crossed when one of its ends lies
// strictly right of the ray and the other does not (the half-open rule), and the crossing lies
// above p (exact orientation) and at most rayLength above it. So a ray through a vertex counts
// one crossing where the boundary passes through the vertex and none where it only touches it,
// and edges along the ray never count. A point on the boundary (exactly) is not inside. Edges
// farther than rayLength above p are not seen.
bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon, double rayLength);

// The segment a-b meets some edge of the polygon farther than kNearTolerance from both a and b,
// or crosses one anywhere (the ends of each strictly on either side of the other, by the exact
// orientation): nearer a or b than the tolerance, an edge that does not end there (one of a
// corner standing that near, across a keyhole's mouth) is crossed all the same. A diagonal that
// touches the polygon only at its own end points does not cross it.
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
