#include "host/model/selection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "host/model/wildcard.h"

namespace trivane::host {

bool EntityFilter::Accepts(const Entity& e) const {
  for (const auto& [code, pattern] : groups) {
    bool ok = true;
    if (code == 0) {
      ok = WildcardMatch(pattern, DxfTypeName(e));
    } else if (code == 8) {
      ok = WildcardMatch(pattern, e.layer);
    } else if (code == 2) {
      const auto* insert = std::get_if<InsertShape>(&e.shape);
      ok = insert && WildcardMatch(pattern, insert->block);
    } else if (code == 1001) {
      const std::string& application = pattern;  // named: a lambda may not capture a binding
      ok = std::any_of(e.xdata.begin(), e.xdata.end(), [&application](const XdataApp& app) {
        return WildcardMatch(application, app.application);
      });
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

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr ExtendedDataIndex::Bounds kEverywhere{-kInfinity, -kInfinity, kInfinity, kInfinity};

// The box of an entity's parts; everywhere for one too large to expand, which every window then
// tries.
ExtendedDataIndex::Bounds BoundsOf(const Drawing& d, const Entity& e) {
  ExtendedDataIndex::Bounds b{kInfinity, kInfinity, -kInfinity, -kInfinity};
  const auto take = [&](const TAcadPoint& p, double r) {
    b = {std::min(b.minX, p.x - r), std::min(b.minY, p.y - r), std::max(b.maxX, p.x + r),
         std::max(b.maxY, p.y + r)};
  };
  try {
    for (const Primitive& prim : Primitives(d, e)) {
      if (const auto* s = std::get_if<SegmentPrimitive>(&prim)) {
        take(s->a, 0.0);
        take(s->b, 0.0);
      } else if (const auto* c = std::get_if<CirclePrimitive>(&prim)) {
        take(c->center, c->radius);
      } else {
        for (const TAcadPoint& p : std::get<QuadPrimitive>(prim).corners)
          take(p, 0.0);
      }
    }
  } catch (const ExpansionError&) {
    return kEverywhere;
  }
  // A coordinate that is not a number compares false: the entity must not drop out of every
  // window for it.
  if (!(b.minX <= b.maxX && b.minY <= b.maxY))
    return kEverywhere;
  return b;
}

// Looks at entity `id` again: in the index while it is in model space and carries extended data.
void Refresh(const Drawing& d, ExtendedDataIndex& index, ObjectId id) {
  std::vector<ExtendedDataIndex::Item>& items = index.entities;
  const auto at = std::lower_bound(items.begin(), items.end(), id,
                                   [](const auto& item, ObjectId key) { return item.id < key; });
  const bool listed = at != items.end() && at->id == id;
  const Entity* e = d.FindEntity(id);
  if (!e || e->owner != d.ModelSpaceId() || e->xdata.empty()) {
    if (listed)
      items.erase(at);
  } else if (listed) {
    at->bounds = BoundsOf(d, *e);
  } else {
    items.insert(at, {id, BoundsOf(d, *e)});
  }
}

// The drawing's index of entities with extended data, brought up to date from its log of
// changed entities (read once whole, then from where it was left).
const ExtendedDataIndex& UpdatedDataIndex(const Drawing& d) {
  ExtendedDataIndex& index = d.dataIndex();
  const std::vector<ObjectId>& log = d.ChangedIds();
  if (!index.built || index.changesRead > log.size()) {
    index.entities.clear();
    for (const auto& [id, e] : d.entities)
      Refresh(d, index, id);
    index.built = true;
  } else {
    for (std::size_t k = index.changesRead; k < log.size(); ++k)
      Refresh(d, index, log[k]);
  }
  index.changesRead = log.size();
  return index;
}

bool Overlaps(const ExtendedDataIndex::Bounds& b, const Box& window) {
  return b.minX <= window.maxX && b.maxX >= window.minX && b.minY <= window.maxY &&
         b.maxY >= window.minY;
}

// The model-space entities the filter accepts and `pred` takes, in ID order. A filter on the
// application of extended data reads only the entities that carry some, and of those, with a
// window, only the ones whose box meets it: a CAD finds these through its own indexes, so a
// selection near a point costs it what is near, not the whole drawing.
template <typename Pred>
std::vector<ObjectId> SelectIf(const Drawing& d, const EntityFilter& f, const Box* window,
                               Pred pred) {
  std::vector<ObjectId> ids;
  const ObjectId ms = d.ModelSpaceId();
  const bool byApplication =
      std::any_of(f.groups.begin(), f.groups.end(), [](const auto& g) { return g.first == 1001; });
  if (byApplication) {
    for (const ExtendedDataIndex::Item& item : UpdatedDataIndex(d).entities) {
      if (window && !Overlaps(item.bounds, *window))
        continue;
      const Entity* e = d.FindEntity(item.id);
      if (e && e->owner == ms && f.Accepts(*e) && pred(*e))
        ids.push_back(item.id);
    }
    return ids;
  }
  for (const auto& [id, e] : d.entities) {
    if (e.owner == ms && f.Accepts(e) && pred(e))
      ids.push_back(id);
  }
  return ids;
}

}  // namespace

std::vector<ObjectId> SelectAll(const Drawing& d, const EntityFilter& f) {
  return SelectIf(d, f, nullptr, [](const Entity&) { return true; });
}

std::vector<ObjectId> SelectWindow(const Drawing& d, const Box& window, const EntityFilter& f) {
  return SelectIf(d, f, &window, [&](const Entity& e) { return InsideBox(d, e, window); });
}

std::vector<ObjectId> SelectCrossing(const Drawing& d, const Box& window, const EntityFilter& f) {
  return SelectIf(d, f, &window, [&](const Entity& e) { return CrossesBox(d, e, window); });
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
