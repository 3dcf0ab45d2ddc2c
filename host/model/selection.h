// Selecting model-space entities of a host drawing: by window, crossing window, all, at a point;
// with the group-code filters of a CAD of this family.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/model/drawing.h"
#include "host/model/shapes.h"

namespace trivane::host {

// A selection filter: every group must match (AND). Supported group codes: 0 entity type (DXF
// name: LINE, LWPOLYLINE, TEXT, CIRCLE, INSERT, LEADER), 2 block name of a reference, 8 layer,
// 1001 the name of an application whose extended data the entity carries; each value is a
// wildcard pattern (wildcard.h). An empty filter accepts every entity.
struct EntityFilter {
  std::vector<std::pair<std::int16_t, std::string>> groups;

  static bool Supports(std::int16_t code) {
    return code == 0 || code == 2 || code == 8 || code == 1001;
  }
  bool Accepts(const Entity& e) const;
};

// Half the side of the pick box, in drawing units: VIEWSIZE / 200, a pick box of 5 pixels either
// side of the cursor on a view 1000 pixels high.
double PickTolerance(const SystemVariables& v);

// Model-space entities, in the order they were added.
std::vector<ObjectId> SelectAll(const Drawing& d, const EntityFilter& f);
std::vector<ObjectId> SelectWindow(const Drawing& d, const Box& window, const EntityFilter& f);
std::vector<ObjectId> SelectCrossing(const Drawing& d, const Box& window, const EntityFilter& f);
// The entity passing nearest to p within `tolerance` (plan distance); on equal distances the newer
// one, which a CAD draws on top.
std::optional<ObjectId> NearestEntity(const Drawing& d, const TAcadPoint& p, double tolerance,
                                      const EntityFilter& f);

// Explodes a block reference: copies of its block's entities, placed by the reference, are added
// to the reference's own block (extended data, layers and passthrough groups kept; handle, owner
// and reactor groups 5, 102, 330, 360 dropped for the writer to give anew). The reference stays.
// Gives the new IDs in the block's order; nullopt when `id` is no block reference, its block is
// missing, or its x and y scales differ (a copy cannot show that).
std::optional<std::vector<ObjectId>> ExplodeInsert(Drawing& d, ObjectId id);

}  // namespace trivane::host
