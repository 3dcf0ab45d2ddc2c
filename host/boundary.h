// Boundary tracing: the closed region around a point, as the boundary command of a CAD of the
// AutoCAD family finds it among the drawn lines.
//
//   std::optional<std::vector<TAcadPoint>> ring =
//       host::TraceBoundary(host::BoundarySegments(drawing), {5, 5, 0});
//
// The segments are noded (split wherever two of them cross or touch, overlapping pieces merged)
// and the faces of the resulting plane graph are formed; lines that end loose (dangles) and lines
// that join two faces without enclosing one (bridges) bound nothing. The region of a point is
// the face that holds it strictly inside; its outline is the face's outer ring (islands inside it
// are left out). A point on a line, or in no closed face, has no region.
//
// Vertex order of the outline: anticlockwise, starting at the lowest vertex (least y), the
// leftmost of those on a tie (least x). The ring is open (the first vertex is not repeated at the
// end). Every node of the graph on the ring is a vertex, so a vertex stands wherever another line
// meets the outline, and where a drawn line had a vertex, even in the middle of a straight side.
// z is 0.
//
// Noding uses snap rounding on a grid of `gridSize` drawing units: endpoints and crossings closer
// than that merge, so lines meant to meet still meet after rounding errors in their coordinates,
// and every output coordinate is a multiple of the grid (a coordinate with at most six decimals
// comes back as the same double with the default grid).
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "geometry/point.h"
#include "host/drawing.h"
#include "host/shapes.h"

namespace trivane::host {

struct BoundaryOptions {
  double gridSize = 1e-6;  // drawing units; > 0
};

// The outline of the region holding p, or nullopt when p lies in none. Segments of zero plan
// length are ignored. Throws std::runtime_error when the geometry engine fails.
std::optional<std::vector<TAcadPoint>> TraceBoundary(std::span<const SegmentPrimitive> segments,
                                                     const TAcadPoint& p,
                                                     const BoundaryOptions& options = {});

// What bounds regions: the segments of the lines and lightweight polylines of model space (a
// closed polyline's closing segment included; bulges are taken as straight, as everywhere in the
// host).
std::vector<SegmentPrimitive> BoundarySegments(const Drawing& d);

}  // namespace trivane::host
