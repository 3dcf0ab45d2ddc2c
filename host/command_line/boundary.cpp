#include "host/command_line/boundary.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>

#include "geometry/angle.h"
#include "host/bridge/dxf_bridge.h"
#include "host/dxf/document.h"
#include "host/dxf/tags.h"

namespace trivane::host {

namespace {

using trace::Curve;

double NumberOf(const dxf::Entity& e, int code, double fallback) {
  const dxf::Tag* t = e.Find(code);
  return t ? dxf::ParseDouble(t->value).value_or(fallback) : fallback;
}

// The curves of a line or polyline of model space; none for any other entity.
std::vector<Curve> EntityCurves(const Drawing& d, const Entity& e) {
  std::vector<Curve> out;
  if (e.owner != d.ModelSpaceId())
    return out;
  if (const auto* line = std::get_if<LineShape>(&e.shape)) {
    out.push_back({line->start, line->end, 0.0});
  } else if (const auto* pl = std::get_if<PolylineShape>(&e.shape)) {
    const std::vector<TAcadPoint>& v = pl->vertices;
    const auto bulge = [&](std::size_t i) {
      return i < pl->bulges.size() && std::isfinite(pl->bulges[i]) ? pl->bulges[i] : 0.0;
    };
    for (std::size_t i = 0; i + 1 < v.size(); ++i)
      out.push_back({v[i], v[i + 1], bulge(i)});
    if (pl->closed && v.size() > 2)
      out.push_back({v.back(), v.front(), bulge(v.size() - 1)});
  }
  return out;
}

// The box of the curves' ends (an arc's bulge aside: a polyline's arcs are caught by its segments'
// crossing test).
Box EndsBox(const std::vector<Curve>& curves) {
  Box b{curves[0].a.x, curves[0].a.y, curves[0].a.x, curves[0].a.y};
  for (const Curve& c : curves) {
    for (const TAcadPoint& p : {c.a, c.b}) {
      b.minX = std::min(b.minX, p.x);
      b.minY = std::min(b.minY, p.y);
      b.maxX = std::max(b.maxX, p.x);
      b.maxY = std::max(b.maxY, p.y);
    }
  }
  return b;
}

// Where a box stands against the view.
enum class InView { Wholly, Partly, Not };

InView Where(const Box& b, const Box& view) {
  if (b.maxX < view.minX || b.minX > view.maxX || b.maxY < view.minY || b.minY > view.maxY)
    return InView::Not;
  if (b.minX >= view.minX && b.maxX <= view.maxX && b.minY >= view.minY && b.maxY <= view.maxY)
    return InView::Wholly;
  return InView::Partly;
}

// An object with this box in the view: a box that only overlaps asks the object itself.
bool ObjectInView(const Drawing& d, const Entity& e, const Box& box, const Box& view) {
  const InView where = Where(box, view);
  return where == InView::Wholly || (where == InView::Partly && CrossesBox(d, e, view));
}

// An arc of the DXF source in model space: anticlockwise from its start angle to its end angle
// about its extrusion (0, 0, 1); an extrusion (0, 0, -1) mirrors x and runs it clockwise. Arcs in
// any other plane, and full circles, bound nothing in plan.
std::optional<Curve> ArcCurve(const dxf::Entity& r) {
  const double nz = NumberOf(r, 230, 1.0);
  if (NumberOf(r, 210, 0.0) != 0.0 || NumberOf(r, 220, 0.0) != 0.0 || (nz != 1.0 && nz != -1.0))
    return std::nullopt;
  const double cx = NumberOf(r, 10, 0.0);
  const double cy = NumberOf(r, 20, 0.0);
  const double radius = NumberOf(r, 40, 0.0);
  const double start = DegreesToRadians(NumberOf(r, 50, 0.0));
  const double end = DegreesToRadians(NumberOf(r, 51, 0.0));
  double sweep = std::fmod(end - start, 2.0 * std::numbers::pi);
  if (sweep < 0.0)
    sweep += 2.0 * std::numbers::pi;
  if (!(radius > 0.0) || !(sweep > 0.0))
    return std::nullopt;
  const double mirror = nz < 0.0 ? -1.0 : 1.0;
  const auto at = [&](double angle) {
    return TAcadPoint{mirror * (cx + radius * std::cos(angle)), cy + radius * std::sin(angle), 0.0};
  };
  return Curve{at(start), at(end), mirror * std::tan(sweep / 4.0)};
}

// The arcs of the drawing's DXF source in model space, with the box of each one's circle.
std::vector<std::pair<Curve, Box>> SourceArcs(const Drawing& d) {
  std::vector<std::pair<Curve, Box>> out;
  if (!d.dxfSource)
    return out;
  for (const dxf::Entity& r : d.dxfSource->document.Entities()) {
    if (r.type != "ARC" || NumberOf(r, 67, 0.0) == 1.0)
      continue;
    const std::optional<Curve> arc = ArcCurve(r);
    if (!arc)
      continue;
    // The chord's midpoint lies within a radius of the centre.
    const double radius = NumberOf(r, 40, 0.0);
    const double cx = (arc->a.x + arc->b.x) / 2.0;
    const double cy = (arc->a.y + arc->b.y) / 2.0;
    out.push_back(
        {*arc, Box{cx - 2.0 * radius, cy - 2.0 * radius, cx + 2.0 * radius, cy + 2.0 * radius}});
  }
  return out;
}

}  // namespace

Box ViewBox(const SystemVariables& v) {
  const double halfHeight = v.VIEWSIZE / 2.0;
  const double halfWidth = halfHeight * kViewAspect;
  return {v.VIEWCTR.x - halfWidth, v.VIEWCTR.y - halfHeight, v.VIEWCTR.x + halfWidth,
          v.VIEWCTR.y + halfHeight};
}

std::vector<Curve> BoundaryCurves(const Drawing& d, const Box& view) {
  std::vector<Curve> out;
  for (const auto& [id, e] : d.entities) {
    const std::vector<Curve> curves = EntityCurves(d, e);
    if (!curves.empty() && ObjectInView(d, e, EndsBox(curves), view))
      out.insert(out.end(), curves.begin(), curves.end());
  }
  for (const auto& [arc, box] : SourceArcs(d)) {
    if (Where(box, view) != InView::Not)
      out.push_back(arc);
  }
  return out;
}

// --- The index -----------------------------------------------------------------------------------

void BoundaryIndex::Rebuild(const Drawing& d) {
  std::vector<Curve> curves;
  ownerOf_.clear();
  objects_.clear();
  arcBoxes_.clear();
  for (const auto& [id, e] : d.entities) {
    std::vector<Curve> mine = EntityCurves(d, e);
    if (mine.empty())
      continue;
    Object& o = objects_[id];
    o.box = EndsBox(mine);
    for (const Curve& c : mine) {
      o.keys.push_back(static_cast<int>(curves.size()));
      curves.push_back(c);
      ownerOf_.push_back(id);
    }
  }
  for (const auto& [arc, box] : SourceArcs(d)) {
    arcBoxes_[static_cast<int>(curves.size())] = box;
    curves.push_back(arc);
    ownerOf_.push_back(0);
  }
  set_ = trace::BoundarySet(curves);
  drawing_ = &d;
  source_ = d.dxfSource.get();
  lastId_ = d.entities.empty() ? 0 : d.entities.rbegin()->first;
  erasedSeen_ = d.ErasedIds().size();
  edits_ = d.LineworkEdits();
  count_ = d.entities.size();
}

void BoundaryIndex::Take(ObjectId id, const Entity& e) {
  std::vector<Curve> mine = EntityCurves(*drawing_, e);
  if (mine.empty())
    return;
  Object& o = objects_[id];
  o.box = EndsBox(mine);
  for (const Curve& c : mine) {
    const int key = set_.Add(c);
    if (key < 0)
      continue;
    if (ownerOf_.size() <= static_cast<std::size_t>(key))
      ownerOf_.resize(static_cast<std::size_t>(key) + 1, 0);
    ownerOf_[static_cast<std::size_t>(key)] = id;
    o.keys.push_back(key);
  }
}

void BoundaryIndex::Drop(ObjectId id) {
  const auto it = objects_.find(id);
  if (it == objects_.end())
    return;
  for (const int key : it->second.keys)
    set_.Remove(key);
  objects_.erase(it);
}

void BoundaryIndex::Update(const Drawing& d) {
  if (&d != drawing_ || d.dxfSource.get() != source_ || d.LineworkEdits() != edits_ ||
      d.ErasedIds().size() < erasedSeen_) {
    Rebuild(d);
    return;
  }
  std::size_t erasedOld = 0;
  for (std::size_t i = erasedSeen_; i < d.ErasedIds().size(); ++i) {
    const ObjectId id = d.ErasedIds()[i];
    if (id <= lastId_) {
      ++erasedOld;
      Drop(id);
    }
  }
  std::size_t added = 0;
  for (auto it = d.entities.upper_bound(lastId_); it != d.entities.end(); ++it) {
    ++added;
    Take(it->first, it->second);
  }
  // Anything else (a drawing put in its place, entities taken out another way): read it all.
  if (d.entities.size() != count_ + added - erasedOld) {
    Rebuild(d);
    return;
  }
  if (!d.entities.empty())
    lastId_ = std::max(lastId_, d.entities.rbegin()->first);
  erasedSeen_ = d.ErasedIds().size();
  count_ = d.entities.size();
}

std::optional<trace::Outline> BoundaryIndex::Trace(const Drawing& d, const Box& view,
                                                   const TAcadPoint& p) {
  Update(d);
  // Whether each object is in view, asked once per trace.
  std::unordered_map<ObjectId, bool> inView;
  const auto filter = [&](int key) {
    const ObjectId id = ownerOf_[static_cast<std::size_t>(key)];
    if (id == 0)
      return Where(arcBoxes_.at(key), view) != InView::Not;
    const auto [it, fresh] = inView.try_emplace(id, false);
    if (fresh) {
      const Entity* e = d.FindEntity(id);
      it->second = e && ObjectInView(d, *e, objects_.at(id).box, view);
    }
    return it->second;
  };
  return set_.Trace(p, filter);
}

std::optional<std::vector<TAcadPoint>> TraceBoundary(std::span<const SegmentPrimitive> segments,
                                                     const TAcadPoint& p) {
  std::vector<Curve> curves;
  curves.reserve(segments.size());
  for (const SegmentPrimitive& s : segments)
    curves.push_back({s.a, s.b, 0.0});
  std::optional<trace::Outline> o = trace::TraceRegion(curves, p);
  if (!o)
    return std::nullopt;
  return std::move(o->vertices);
}

}  // namespace trivane::host
