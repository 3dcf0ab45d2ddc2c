// Triangles in a network of drawn segments: polylines of the selection buffers become straight
// segments, and every three segments that join end to end form a triangle.
//
// Plan geometry in drawing units; ends join within kNearTolerance (0.001).
#pragma once

#include <span>
#include <vector>

#include "geometry/point.h"
#include "geometry/selection_buffers.h"

namespace trivane {

// Appends one line record per polyline segment to buffers.LineRecords, after the records already
// there: polylines in the order of PolylineRecords, segments in vertex order, the closing
// segment (last vertex to first) last for a closed polyline (code70 bit 1). An open polyline of
// q vertices gives q - 1 segments, a closed one q. Each record takes st/ed from the vertices,
// bname, layer, ltype, color, code67 and code210 from the polyline, and lwpflag = true.
// A polyline's vertices are the VertexRecords with its ihand, found from where the previous
// polyline's run ended (runs stand together, in the order of PolylineRecords).
// Bulges (code42) are ignored: an arc segment is taken as its straight chord.
void PolylinesToLines(SelectionBuffers& buffers);

// Every triangle formed by three segments of the list, once per triple of positions i < j < k:
// segments i and j share an end (plan distance < 0.001; when several end pairs match, the last in
// the order st-st, st-ed, ed-st, ed-ed decides) and segment k joins their other ends in either
// direction (NearPoint per axis within 0.001). The triangle is (shared end, other end of i,
// other end of j); triangles come ordered by i, then j, then k, so a side listed twice gives its
// triangle twice. Collinear segments give flat triangles.
std::vector<TAcadTriangle> FindTriangles(std::span<const TAcadLine> segments);

}  // namespace trivane
