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

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "geometry/point.h"
#include "geometry/trace/trace.h"
#include "host/model/drawing.h"
#include "host/model/shapes.h"

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

// The boundary objects of a drawing's model space in a trace::BoundarySet that lasts from one
// command to the next: before each trace it takes in what changed (new entities, erased ones,
// lines and polylines changed in place: Drawing::ErasedIds, LineworkEdits) and reads the whole
// drawing again only when something else changed. A click then costs what the pick's
// neighbourhood costs, not what the drawing holds. The view filters per trace: an object takes
// part when it lies at least partly in the view.
class BoundaryIndex {
 public:
  std::optional<trace::Outline> Trace(const Drawing& d, const Box& view, const TAcadPoint& p);

 private:
  void Update(const Drawing& d);
  void Rebuild(const Drawing& d);
  void Take(ObjectId id, const Entity& e);
  void Drop(ObjectId id);

  struct Object {
    std::vector<int> keys;
    Box box;  // of its vertices and arcs' ends
  };
  trace::BoundarySet set_;
  std::unordered_map<ObjectId, Object> objects_;  // lines and polylines by ID
  std::vector<ObjectId> ownerOf_;                 // by key: 0 for an arc of the file
  std::unordered_map<int, Box> arcBoxes_;         // by key: the arc's circle's box

  // What the drawing was when last read.
  const Drawing* drawing_ = nullptr;
  const void* source_ = nullptr;
  ObjectId lastId_ = 0;
  std::size_t erasedSeen_ = 0;
  std::uint64_t edits_ = 0;
  std::size_t count_ = 0;
};

// The vertices of the region around p among straight segments (trace.h), or nullopt.
std::optional<std::vector<TAcadPoint>> TraceBoundary(std::span<const SegmentPrimitive> segments,
                                                     const TAcadPoint& p);

}  // namespace trivane::host
