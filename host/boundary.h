// The host's boundary command's geometry: what bounds regions in a drawing, and the region around
// a point (geometry/trace/trace.h traces it).
//
//   const trace::BoundarySet set(host::BoundaryCurves(drawing, host::ViewBox(drawing.vars)));
//   std::optional<trace::Outline> outline = set.Trace({5, 5, 0});
//
// The boundary set is what a CAD takes by default: the objects of model space that lie at least
// partly in the current view. Lines, lightweight polylines (a closed one's closing segment
// included, each segment with its bulge) and arcs bound regions; texts, circles, points and block
// references do not.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"
#include "geometry/trace/trace.h"
#include "host/drawing.h"
#include "host/shapes.h"

namespace trivane::host {

// Width over height of the host's drawing window: 1600 x 1000 pixels (PickTolerance takes the
// same 1000 pixels high).
inline constexpr double kViewAspect = 1.6;

// The current view: VIEWSIZE high, VIEWSIZE x kViewAspect wide, centred on VIEWCTR.
Box ViewBox(const SystemVariables& v);

// The boundary set of the view: the curves of the lines, polylines and arcs of model space that
// lie at least partly in `view`, in drawing order (arcs, which the host keeps in the drawing's
// DXF source, after the rest).
std::vector<trace::Curve> BoundaryCurves(const Drawing& d, const Box& view);

// The vertices of the region around p among straight segments (trace.h), or nullopt.
std::optional<std::vector<TAcadPoint>> TraceBoundary(std::span<const SegmentPrimitive> segments,
                                                     const TAcadPoint& p);

}  // namespace trivane::host
