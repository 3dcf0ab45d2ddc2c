// Plan geometry on TAcadPoint: polar steps, distances, direction angles, line intersection,
// triangles from side lengths, incenter, midpoint, base and height, perpendicular foot.
//
// Units and conventions that hold for every function here:
// - Lengths are drawing units of the CAD's world coordinate system.
// - Only x and y take part in a computation (plan geometry). z is carried through as each
//   function states; Midpoint is the only one that averages it.
// - Angles are radians, counter-clockwise from +X. LineAngle returns [0, 2*pi) and returns the
//   exact values 0, kHalfPi, kPi and kThreeHalfPi for axis-parallel directions;
//   PolarPoint recognises exactly those constants (an exact double comparison) and then changes
//   one coordinate only, so that labels on horizontal and vertical sides stay exactly so.
// - Tolerances are part of the behaviour: 1e-5 for "equal x / equal y" in LineAngle and for the
//   flat-triangle tests of TriangleApex and OnSegment; 1e-12 for parallel lines and for the lower
//   bound of the segment parameters in SegmentIntersection.
// All functions are pure, allocation-free and never throw.
#pragma once

#include <optional>

#include "geometry/point.h"

namespace trivane {

inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kThreeHalfPi = 4.71238898038469;
inline constexpr double kTwoPi = 6.283185307179586;

// The point at distance d from p in direction theta; z is p.z. theta is not normalised: only the
// exact values 0, pi/2, pi and 3*pi/2 take the axis branch; 2*pi or a negative angle goes through
// cos and sin.
TAcadPoint PolarPoint(const TAcadPoint& p, double theta, double d);

// Plan distance, >= 0.
double Distance(const TAcadPoint& p, const TAcadPoint& q);

// Direction of p -> q in [0, 2*pi). |dx| < 1e-5 counts as vertical (pi/2 when q is above p, else
// 3*pi/2, so coincident points give 3*pi/2); otherwise |dy| < 1e-5 counts as horizontal (0 when q
// is right of p, else pi).
double LineAngle(const TAcadPoint& p, const TAcadPoint& q);

// Meeting point of the infinite line through a-b with the one through c-d; z of the result is
// a.z. Empty when the lines are parallel (|cross product of the directions| <= 1e-12).
std::optional<TAcadPoint> LineIntersection(const TAcadPoint& a, const TAcadPoint& b,
                                           const TAcadPoint& c, const TAcadPoint& d);
// The same for the segments a-b and c-d: both segment parameters must lie in [1e-12, 1], so that
// a meeting exactly at a or c (the first point of either segment) does not count, one exactly at
// b or d does.
std::optional<TAcadPoint> SegmentIntersection(const TAcadPoint& a, const TAcadPoint& b,
                                              const TAcadPoint& c, const TAcadPoint& d);
// Heron's formula; 0 for flat or impossible side lengths. >= 0.
double AreaFromSides(double a, double b, double c);

enum class ApexResult : int {
  kNone = 0,  // the lengths form no triangle on this base
  kFlat = 1,  // the two sides lie flat along the base (|c - (a + b)| < 1e-5)
  kTwo = 2,   // x1 and x2 hold the two apexes
};

struct TriangleApexes {
  ApexResult result = ApexResult::kNone;
  TAcadPoint x1;  // left of the directed base p1 -> p2 (meaningful only with kTwo)
  TAcadPoint x2;  // right of it
};

// Third vertex X of the triangle on the base p1 -> p2 with |p1 X| = a and |p2 X| = b.
// No triangle when the squared area s(s-a)(s-b)(s-c) is not above 1e-5. z of the apexes is p1.z.
TriangleApexes TriangleApex(const TAcadPoint& p1, double a, const TAcadPoint& p2, double b);

// Meeting point of the angle bisectors at p1 and p3; z is p1.z.
// For three collinear points whose bisector lines coincide there is no meeting point; the result
// is then the centroid of the three points (z still p1.z), so a marker of a flat triangle lands
// on its segment.
TAcadPoint Incenter(const TAcadPoint& p1, const TAcadPoint& p2, const TAcadPoint& p3);

// Midpoint; z is averaged too.
TAcadPoint Midpoint(const TAcadPoint& p, const TAcadPoint& q);

struct BaseHeight {
  TAcadPoint start;  // base start
  TAcadPoint end;    // base end
  TAcadPoint apex;   // the vertex opposite the base
  // Foot of the height on the base line; empty only when the base has length 0.
  std::optional<TAcadPoint> foot;
};

// The longest side is the base, the opposite vertex the apex. Ties go to the earlier side in the
// order p1-p2, p2-p3, p3-p1. The base length is Distance(start, end), the height
// Distance(apex, *foot).
BaseHeight BaseAndHeight(const TAcadTriangle& t);

// Foot of the perpendicular from p on the line a-b; z is p.z. Empty when a and b coincide, and,
// with bounded, when the foot does not lie on the segment a-b (OnSegment).
std::optional<TAcadPoint> PerpendicularFoot(const TAcadPoint& p, const TAcadPoint& a,
                                            const TAcadPoint& b, bool bounded);

// x lies on the segment a-b: |ab| - |xa| - |xb| within 1e-5 in absolute value.
bool OnSegment(const TAcadPoint& x, const TAcadPoint& a, const TAcadPoint& b);

}  // namespace trivane
