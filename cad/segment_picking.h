// Which straight segment of a lightweight polyline the user picked.
#pragma once

#include <optional>

#include "cad/objects.h"
#include "geometry/point.h"

namespace trivane::cad {

// A picked segment: its start and end vertex (z = 0) and the foot of the perpendicular from the
// pick point on it (z of the pick point).
struct SegmentPick {
  TAcadPoint foot;
  TAcadPoint start;
  TAcadPoint end;
};

// The segment of `polyline` whose perpendicular foot from `pick` lies on it and is nearest to the
// pick point, no farther than the diagonal of the drawing extents (EXTMIN to EXTMAX). Segments are
// tried in order, vertex i to i + 1, then, for a closed polyline, the closing segment from the
// first vertex to the last; only a strictly nearer one replaces the one found so far, so the
// earlier segment wins a tie. Empty when no foot lies on a segment, or when the polyline has two
// vertices or fewer (a single segment is not handled here). Automation errors pass to the caller.
std::optional<SegmentPick> PickedSegment(const Document& document, const Polyline& polyline,
                                         const TAcadPoint& pick);

}  // namespace trivane::cad
