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
// The search looks up joining and closing segments in a hash of end points (cells of twice the
// tolerance), so it costs about what the triangles cost, not the cube of the segments; the result
// is the one trying every triple gives. Drawings with a coordinate of 1e12 or more are searched
// triple by triple.
std::vector<TAcadTriangle> FindTriangles(std::span<const TAcadLine> segments);

// Too flat to be a piece of land: the least height (twice the area over the longest side) is at
// most 0.001 drawing units or at most 1e-9 of the longest side, so collinear segments form no
// triangle. A triangle with a side of length 0 is flat.
bool IsFlatTriangle(const TAcadTriangle& t);

// The pieces of land the segments divide the plane into, each once: of the triangles FindTriangles
// finds, in its order, those that are
// - not a repeat: no earlier kept triangle has the same three corners (each corner NearPoint
//   within 0.001 of one of the other's, in any order); the first keeps its place;
// - not flat (IsFlatTriangle);
// - not divided: no segment of the list has a point inside the triangle farther than 0.001 from
//   each of its sides. A segment that only touches a side or a corner does not divide it; a
//   triangle cut by a line is not a piece of land, its parts are.
// Segments are found near each triangle through a grid index, so the cost stays near-linear.
std::vector<TAcadTriangle> FindLandTriangles(std::span<const TAcadLine> segments);

}  // namespace trivane
