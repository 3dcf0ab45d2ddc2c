// The land a set of drawn segments divides the plane into, each piece once: the triangles to
// number, and the pieces that are not triangles with their area, so that no land goes uncounted.
//
// The segments draw a plane network (plan geometry, drawing units, kNearTolerance = 0.001):
// - End points within 0.001 of each other per axis are one vertex, also through a chain of such
//   points; the vertex stands at the lowest of its end points (least y, then least x).
// - A vertex within 0.001 (plan distance) of a segment it does not end splits the segment there
//   (a dividing line that stops on a side, or a hair short of it).
// - Two segments that cross, each with both ends farther than 0.001 from the other's line, are
//   split where they cross; a crossing within 0.001 of a vertex (per axis) is at the nearest
//   such vertex, crossings taken from the lowest, so that the network does not depend on the
//   order or direction the segments are listed in.
// - Pieces drawn twice (the same two vertices) count once.
// - What then still crosses or overlaps (decided by exact orientation predicates on the vertices)
//   is split again until nothing does; lines that end loose (overshoots past a corner, a line into
//   a lot, a stray line) are taken off, again and again, until every line bounds land.
// The land is the bounded faces of that network. A face with other faces inside it (islands: a
// building in a lot) is the land between its boundary and theirs; an island's own faces are faces
// like any other.
//
// A face is a triangle when its boundary has three corners: every other vertex on it lies within
// 0.001 of the side between the corners it stands between (the straightest vertices are taken off
// first, a vertex being straight where it lies within 0.001 of the segment joining its two
// neighbours, its foot between them). A triangle face that FindLandTriangles gives is numbered;
// one it does not give is numbered unless it is flat (IsFlatTriangle) or a sliver: a least height
// (twice its area over its longest side) of at most 0.002, twice the tolerance, as between two
// drawings of one line each within the tolerance of where it belongs (a triangle drawn again with
// a corner 0.0015 off leaves such slivers beside the copy).
#pragma once

#include <span>
#include <vector>

#include "geometry/point.h"

namespace trivane {

// A piece of land that is not numbered.
struct LandFace {
  enum class Kind {
    kManySided,  // more than three corners
    kFlat,       // three corners, flat or a sliver between lines drawn nearly over each other
    kEnclosing,  // islands or lines joined to its boundary stand inside it
  };
  Kind kind = Kind::kManySided;
  // The walk around the face with the face on its left (anticlockwise round its outside, its
  // islands not included, lines joined to it walked both ways), from its lowest vertex (least y,
  // then least x); open, the first vertex not repeated.
  std::vector<TAcadPoint> boundary;
  // Square drawing units, > 0: inside the boundary less its islands.
  double area = 0.0;
};

struct LandPieces {
  // The triangles to number, each piece of land once. First those FindLandTriangles gives that are
  // faces of the network, as it gives them (its order, its corners in its order); then the
  // triangle faces it does not give, anticlockwise from the lowest corner (least y, then least x),
  // in the order of the first segment in the list that draws a piece of their boundary (on one
  // segment from st to ed, the face on the segment's left before the face on its right).
  std::vector<TAcadTriangle> triangles;
  // Every other face, in the same order.
  std::vector<LandFace> others;
  // The sum of the others' areas.
  double otherArea = 0.0;
  // False when the segments could not be made a plane network (edges still crossing after
  // repeated splitting). Then triangles is what FindLandTriangles gives, others is empty, and land
  // may be missing.
  bool complete = true;
};

// The pieces of land the segments divide the plane into (see above). The numbered triangles and
// the others tile the land: the triangles' areas and otherArea add up to the area of the faces,
// up to the slivers of the vertices taken off as straight (each within 0.001 of its side).
// Segments with a coordinate that is not finite are left out. The work is near-linear in the
// segments (grid indexes); a hub where k segments meet costs k^2.
LandPieces FindLandPieces(std::span<const TAcadLine> segments);

}  // namespace trivane
