#include "host/boundary.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>

#include "host/dxf/document.h"
#include "host/dxf/tags.h"
#include "host/dxf_bridge.h"

namespace trivane::host {

namespace {

using trace::Curve;

double NumberOf(const dxf::Entity& e, int code, double fallback) {
  const dxf::Tag* t = e.Find(code);
  return t ? dxf::ParseDouble(t->value).value_or(fallback) : fallback;
}

// Where the curves' box stands against the view.
enum class InView { Wholly, Partly, Not };

InView Where(const std::vector<Curve>& curves, std::size_t from, const Box& view) {
  Box b{curves[from].a.x, curves[from].a.y, curves[from].a.x, curves[from].a.y};
  for (std::size_t i = from; i < curves.size(); ++i) {
    for (const TAcadPoint& p : {curves[i].a, curves[i].b}) {
      b.minX = std::min(b.minX, p.x);
      b.minY = std::min(b.minY, p.y);
      b.maxX = std::max(b.maxX, p.x);
      b.maxY = std::max(b.maxY, p.y);
    }
  }
  if (b.maxX < view.minX || b.minX > view.maxX || b.maxY < view.minY || b.minY > view.maxY)
    return InView::Not;
  if (b.minX >= view.minX && b.maxX <= view.maxX && b.minY >= view.minY && b.maxY <= view.maxY)
    return InView::Wholly;
  return InView::Partly;
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
  const double degree = std::numbers::pi / 180.0;
  const double start = NumberOf(r, 50, 0.0) * degree;
  const double end = NumberOf(r, 51, 0.0) * degree;
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
    if (e.owner != d.ModelSpaceId())
      continue;
    const std::size_t from = out.size();
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
    } else {
      continue;
    }
    if (out.size() == from)
      continue;
    // The whole object when any part of it is in view; a box that only clips a corner asks the
    // object itself.
    const InView where = Where(out, from, view);
    if (where == InView::Not || (where == InView::Partly && !CrossesBox(d, e, view)))
      out.resize(from);
  }
  if (d.dxfSource) {
    for (const dxf::Entity& r : d.dxfSource->document.Entities()) {
      if (r.type != "ARC" || NumberOf(r, 67, 0.0) == 1.0)
        continue;
      const std::optional<Curve> arc = ArcCurve(r);
      if (!arc)
        continue;
      // The box of the arc's circle against the view: enough for the objects of a survey.
      const double radius = NumberOf(r, 40, 0.0);
      const double cx = (arc->a.x + arc->b.x) / 2.0;
      const double cy = (arc->a.y + arc->b.y) / 2.0;
      if (cx + 2.0 * radius < view.minX || cx - 2.0 * radius > view.maxX ||
          cy + 2.0 * radius < view.minY || cy - 2.0 * radius > view.maxY)
        continue;
      out.push_back(*arc);
    }
  }
  return out;
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
