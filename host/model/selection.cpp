#include "host/model/selection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/model/wildcard.h"

namespace trivane::host {

bool EntityFilter::Accepts(const Entity& e) const {
  // Most entities carry no extended data: an application group, when there is one, turns them
  // away before any name is matched.
  for (const auto& [code, pattern] : groups) {
    if (code == 1001 && std::none_of(e.xdata.begin(), e.xdata.end(), [&](const XdataApp& app) {
          return WildcardMatch(pattern, app.application);
        }))
      return false;
  }
  for (const auto& [code, pattern] : groups) {
    bool ok = true;
    if (code == 0) {
      ok = WildcardMatch(pattern, DxfTypeName(e));
    } else if (code == 8) {
      ok = WildcardMatch(pattern, e.layer);
    } else if (code == 2) {
      const auto* insert = std::get_if<InsertShape>(&e.shape);
      ok = insert && WildcardMatch(pattern, insert->block);
    }
    if (!ok)
      return false;
  }
  return true;
}

double PickTolerance(const SystemVariables& v) {
  return v.VIEWSIZE / 200.0;
}

namespace {

template <typename Pred>
std::vector<ObjectId> SelectIf(const Drawing& d, const EntityFilter& f, Pred pred) {
  std::vector<ObjectId> ids;
  const ObjectId ms = d.ModelSpaceId();
  for (const auto& [id, e] : d.entities) {
    if (e.owner == ms && f.Accepts(e) && pred(e))
      ids.push_back(id);
  }
  return ids;
}

}  // namespace

std::vector<ObjectId> SelectAll(const Drawing& d, const EntityFilter& f) {
  return SelectIf(d, f, [](const Entity&) { return true; });
}

std::vector<ObjectId> SelectWindow(const Drawing& d, const Box& window, const EntityFilter& f) {
  return SelectIf(d, f, [&](const Entity& e) { return InsideBox(d, e, window); });
}

std::vector<ObjectId> SelectCrossing(const Drawing& d, const Box& window, const EntityFilter& f) {
  return SelectIf(d, f, [&](const Entity& e) { return CrossesBox(d, e, window); });
}

std::optional<ObjectId> NearestEntity(const Drawing& d, const TAcadPoint& p, double tolerance,
                                      const EntityFilter& f) {
  std::optional<ObjectId> best;
  double bestDistance = 0.0;
  const ObjectId ms = d.ModelSpaceId();
  for (const auto& [id, e] : d.entities) {
    if (e.owner != ms || !f.Accepts(e))
      continue;
    const double dist = DistanceToEntity(d, e, p);
    if (dist <= tolerance && (!best || dist <= bestDistance)) {
      best = id;
      bestDistance = dist;
    }
  }
  return best;
}

std::optional<std::vector<ObjectId>> ExplodeInsert(Drawing& d, ObjectId id) {
  const Entity* ref = d.FindEntity(id);
  const auto* insert = ref ? std::get_if<InsertShape>(&ref->shape) : nullptr;
  if (!insert)
    return std::nullopt;
  const BlockRecord* block = d.FindBlock(insert->block);
  if (!block || insert->xscale != insert->yscale || insert->xscale == 0.0)
    return std::nullopt;
  // A negative uniform scale is a half turn.
  Placement place;
  place.origin = block->origin;
  place.scale = std::fabs(insert->xscale);
  place.rotation = insert->rotation + (insert->xscale < 0.0 ? std::numbers::pi : 0.0);
  place.offset =
      TAcadPoint{insert->insertion.x - block->origin.x, insert->insertion.y - block->origin.y,
                 insert->insertion.z - block->origin.z};
  const ObjectId owner = ref->owner;
  std::vector<Entity> copies;
  for (ObjectId partId : d.EntitiesOf(block->id)) {
    Entity copy = *d.FindEntity(partId);
    ApplyPlacement(copy, place);
    // The copy is a new object: it keeps the part's kept groups (colour, line type, ...) but not
    // the groups that tie the part to its handle, owner or reactors.
    copy.handle.clear();
    std::erase_if(copy.passthrough.Edit(), [](const RawTag& t) {
      return t.code == 5 || t.code == 102 || t.code == 330 || t.code == 360;
    });
    copies.push_back(std::move(copy));
  }
  std::vector<ObjectId> ids;
  for (Entity& copy : copies)
    ids.push_back(d.AddEntity(std::move(copy), owner));
  return ids;
}

}  // namespace trivane::host
