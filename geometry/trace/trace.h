// Boundary tracing: the closed region around a point among lines and circular arcs, traced the way
// the boundary command of a CAD of the AutoCAD family finds it. Plane geometry only; no drawing.
//
//   const trace::BoundarySet set(curves);           // once per set of linework
//   std::optional<trace::Outline> o = set.Trace({5, 5, 0});
//
// The curves form a plane graph. Its vertices are the curves' own end points, bit for bit, and
// the crossings of two curves; nothing is rounded or moved onto a grid. A point closer than the
// joining tolerance to a vertex already found joins it and makes no vertex of its own: end points
// are taken first, in the order of the curves, then crossings. An end point within the tolerance
// of another curve splits that curve there (a line that stops a hair short of another still
// meets it). Pieces drawn twice count once.
//
// Joining tolerance: 1e-10 x the largest magnitude of a coordinate of the set (at least 1 drawing
// unit): 0.01 mm in coordinates of 100 km, far below anything drawn, far above the rounding of a
// crossing's computation.
//
// The region of a point is the face of the graph that holds it strictly inside; its outline is
// the face's outer boundary. Lines that end loose (dangles), lines that join an island to the
// outline (bridges) and islands inside the face (a building, a marker's circle) are left out. A
// point on a curve (within the tolerance), or in no bounded face, has no region.
//
// Outline: anticlockwise, starting at the lowest vertex (least y), the leftmost of those on a tie
// (least x); open (the first vertex is not repeated). Every vertex of the graph on the outline is
// a vertex of it, also in the middle of a straight side. The segment from vertex i to the next is
// straight (bulge 0) or a circular arc with bulge tan(angle / 4), the angle it turns through,
// positive anticlockwise, as a lightweight polyline stores it. z is 0.
//
// Work near the point: the set keeps its curves in a grid index. A trace takes the curves in a
// window around the point, finds the face there, and doubles the window until the face lies well
// inside it; curves wholly outside cannot touch such a face, so the answer is the one a trace of
// the whole set gives (TraceWhole), at the cost of the point's neighbourhood.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "geometry/point.h"

namespace trivane::trace {

// A straight segment (bulge 0) or a circular arc from a to b; bulge = tan(angle / 4) with the
// arc's included angle, positive anticlockwise. z is ignored.
struct Curve {
  TAcadPoint a;
  TAcadPoint b;
  double bulge = 0.0;
  friend bool operator==(const Curve&, const Curve&) = default;
};

// A closed outline: bulges[i] is the bulge of the segment from vertices[i] to the next vertex.
struct Outline {
  std::vector<TAcadPoint> vertices;
  std::vector<double> bulges;
  friend bool operator==(const Outline&, const Outline&) = default;
};

// The joining tolerance of a set whose largest coordinate magnitude is `magnitude`.
double JoinTolerance(double magnitude);

// The curves of a drawing, kept in a grid index for traces near a point. Curves can be added and
// removed between traces (a drawing's new lines, its erased ones), each known by the key Add gave.
class BoundarySet {
 public:
  // Which curves take part in a trace, by key (all when empty): the objects in a view, say.
  using Filter = std::function<bool(int key)>;

  BoundarySet() = default;
  // The curves' keys are their indexes.
  explicit BoundarySet(const std::vector<Curve>& curves);

  // Adds a curve and gives its key; -1 for a curve that bounds nothing (of zero plan length, an
  // arc whose ends coincide, a coordinate that is not finite), which is not kept.
  int Add(const Curve& c);
  // Takes the curve of that key out; nothing for a key not in the set.
  void Remove(int key);

  // The outline of the region holding p, or nullopt when p lies in none.
  std::optional<Outline> Trace(const TAcadPoint& p, const Filter& filter = {}) const;
  // The same answer, from the whole set at once.
  std::optional<Outline> TraceWhole(const TAcadPoint& p, const Filter& filter = {}) const;

  // The joining tolerance: from the largest coordinate of every curve added so far.
  double tolerance() const { return tolerance_; }
  std::size_t size() const { return live_; }

 private:
  struct Bounds {
    double minX, minY, maxX, maxY;
  };
  // An answer, and whether it is certain (a windowed trace that is not gets a wider window).
  struct Result {
    bool certain = true;
    std::optional<Outline> outline;
  };
  Result TraceIn(const std::vector<int>& keys, const TAcadPoint& p, const Bounds* window) const;
  std::vector<int> Query(const Bounds& window, const Filter& filter) const;
  // The cells a box covers, or false when they are too many (the curve goes on the long list).
  bool CellRange(const Bounds& b, std::int64_t range[4]) const;
  static std::uint64_t CellKey(std::int64_t column, std::int64_t row);

  std::vector<Curve> curves_;   // by key
  std::vector<Bounds> bounds_;  // each curve's box, by key
  std::vector<char> alive_;     // by key
  std::size_t live_ = 0;
  Bounds all_{};  // the box of every curve added
  double magnitude_ = 0.0;
  double tolerance_ = JoinTolerance(0.0);
  // Grid index: square cells of `cell_` units, from the origin; curves over very many cells are
  // kept on a list of their own.
  double cell_ = 0.0;
  std::unordered_map<std::uint64_t, std::vector<int>> cells_;
  std::vector<int> long_;
};

// One trace of a set used once.
std::optional<Outline> TraceRegion(std::span<const Curve> curves, const TAcadPoint& p);

}  // namespace trivane::trace
