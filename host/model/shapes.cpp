#include "host/model/shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <utility>

#include "host/model/utf8.h"

namespace trivane::host {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

constexpr int kMaxInsertDepth = 16;

bool IsFullWidth(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

TAcadPoint Rotated(double x, double y, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return TAcadPoint{x * c - y * s, x * s + y * c, 0.0};
}

// Offset of the justification point from the left baseline point, in the text's own axes.
TAcadPoint AnchorOffset(std::int32_t alignment, double w, double h) {
  double x = 0.0, y = 0.0;
  switch (alignment) {
    case 1:
    case 7:
    case 10:
    case 13:
      x = w / 2;
      break;
    case 2:
    case 8:
    case 11:
    case 14:
      x = w;
      break;
    case 4:
      x = w / 2;
      y = h / 2;
      break;
    default:  // left, aligned and fit stay on the left baseline point
      break;
  }
  if (alignment >= 6 && alignment <= 8)
    y = h;
  else if (alignment >= 9 && alignment <= 11)
    y = h / 2;
  return TAcadPoint{x, y, 0.0};
}

// The affine map of a block reference from block coordinates into its owner's coordinates.
struct InsertMap {
  TAcadPoint blockOrigin;
  TAcadPoint insertion;
  double sx = 1.0, sy = 1.0, sz = 1.0, rotation = 0.0;

  TAcadPoint Apply(const TAcadPoint& p) const {
    const TAcadPoint r = Rotated((p.x - blockOrigin.x) * sx, (p.y - blockOrigin.y) * sy, rotation);
    return TAcadPoint{insertion.x + r.x, insertion.y + r.y,
                      insertion.z + (p.z - blockOrigin.z) * sz};
  }
  Primitive Apply(const Primitive& prim) const {
    return std::visit(Overloaded{
                          [&](const SegmentPrimitive& s) -> Primitive {
                            return SegmentPrimitive{Apply(s.a), Apply(s.b)};
                          },
                          [&](const CirclePrimitive& c) -> Primitive {
                            // Unequal scales would make an ellipse; the larger scale bounds it.
                            return CirclePrimitive{
                                Apply(c.center), c.radius * std::max(std::fabs(sx), std::fabs(sy))};
                          },
                          [&](const QuadPrimitive& q) -> Primitive {
                            QuadPrimitive out;
                            for (std::size_t i = 0; i < 4; ++i)
                              out.corners[i] = Apply(q.corners[i]);
                            return out;
                          },
                      },
                      prim);
  }
};

// Parts visited and primitives made, counted against kMaxExpansion.
struct ExpansionBudget {
  std::int64_t used = 0;
  void Spend(std::int64_t n) {
    used += n;
    if (used > kMaxExpansion)
      throw ExpansionError("block references expand to more than " + std::to_string(kMaxExpansion) +
                           " parts");
  }
};

void AppendPrimitives(const Drawing& d, const Entity& e, int depth, std::vector<Primitive>& out,
                      ExpansionBudget& budget) {
  budget.Spend(1);
  std::visit(Overloaded{
                 [&](const LineShape& l) {
                   out.push_back(SegmentPrimitive{l.start, l.end});
                 },
                 [&](const PolylineShape& p) {
                   const std::size_t n = p.vertices.size();
                   auto at = [&](std::size_t i) {
                     return TAcadPoint{p.vertices[i].x, p.vertices[i].y, p.elevation};
                   };
                   if (n == 1)
                     out.push_back(SegmentPrimitive{at(0), at(0)});
                   for (std::size_t i = 0; i + 1 < n; ++i)
                     out.push_back(SegmentPrimitive{at(i), at(i + 1)});
                   if (p.closed && n > 2)
                     out.push_back(SegmentPrimitive{at(n - 1), at(0)});
                 },
                 [&](const TextShape& t) { out.push_back(QuadPrimitive{TextBox(t)}); },
                 [&](const CircleShape& c) {
                   out.push_back(CirclePrimitive{c.center, c.radius});
                 },
                 [&](const InsertShape& ins) {
                   const BlockRecord* block = d.FindBlock(ins.block);
                   if (!block || depth >= kMaxInsertDepth)
                     return;
                   const InsertMap map{block->origin, ins.insertion, ins.xscale,
                                       ins.yscale,    ins.zscale,    ins.rotation};
                   for (const auto& [id, part] : d.entities) {
                     if (part.owner != block->id)
                       continue;
                     std::vector<Primitive> inner;
                     AppendPrimitives(d, part, depth + 1, inner, budget);
                     budget.Spend(static_cast<std::int64_t>(inner.size()));
                     for (const Primitive& prim : inner)
                       out.push_back(map.Apply(prim));
                   }
                 },
                 [&](const LeaderShape& l) {
                   for (std::size_t i = 0; i + 1 < l.vertices.size(); ++i)
                     out.push_back(SegmentPrimitive{l.vertices[i], l.vertices[i + 1]});
                 },
             },
             e.shape);
}

// Liang-Barsky: does the segment a-b meet the box (boundary included)?
bool SegmentMeetsBox(const TAcadPoint& a, const TAcadPoint& b, const Box& box) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.minX, box.maxX - a.x, a.y - box.minY, box.maxY - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0)
        return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1)
      return false;
  }
  return true;
}

double Cross(const TAcadPoint& o, const TAcadPoint& a, const TAcadPoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Inside or on a convex quadrilateral of either orientation.
bool InsideQuad(const QuadPrimitive& q, const TAcadPoint& p) {
  bool hasPos = false, hasNeg = false;
  for (std::size_t i = 0; i < 4; ++i) {
    const double c = Cross(q.corners[i], q.corners[(i + 1) % 4], p);
    hasPos = hasPos || c > 0.0;
    hasNeg = hasNeg || c < 0.0;
  }
  return !(hasPos && hasNeg);
}

double PlanDistance(const TAcadPoint& a, const TAcadPoint& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

double DistanceToSegment(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  if (len2 == 0.0)
    return PlanDistance(p, a);
  const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
  return PlanDistance(p, TAcadPoint{a.x + t * dx, a.y + t * dy, 0.0});
}

bool PrimitiveCrosses(const Primitive& prim, const Box& box) {
  return std::visit(Overloaded{
                        [&](const SegmentPrimitive& s) { return SegmentMeetsBox(s.a, s.b, box); },
                        [&](const CirclePrimitive& c) {
                          // The curve meets the box when the box's nearest point is within the
                          // radius and its farthest corner is not inside the circle.
                          const double nx = std::clamp(c.center.x, box.minX, box.maxX);
                          const double ny = std::clamp(c.center.y, box.minY, box.maxY);
                          const double nearest = std::hypot(nx - c.center.x, ny - c.center.y);
                          const double fx = std::max(std::fabs(box.minX - c.center.x),
                                                     std::fabs(box.maxX - c.center.x));
                          const double fy = std::max(std::fabs(box.minY - c.center.y),
                                                     std::fabs(box.maxY - c.center.y));
                          return nearest <= c.radius && std::hypot(fx, fy) >= c.radius;
                        },
                        [&](const QuadPrimitive& q) {
                          for (std::size_t i = 0; i < 4; ++i) {
                            if (SegmentMeetsBox(q.corners[i], q.corners[(i + 1) % 4], box))
                              return true;
                          }
                          return InsideQuad(q, TAcadPoint{box.minX, box.minY, 0.0});
                        },
                    },
                    prim);
}

bool PrimitiveInside(const Primitive& prim, const Box& box) {
  return std::visit(
      Overloaded{
          [&](const SegmentPrimitive& s) { return box.Contains(s.a) && box.Contains(s.b); },
          [&](const CirclePrimitive& c) {
            return c.center.x - c.radius >= box.minX && c.center.x + c.radius <= box.maxX &&
                   c.center.y - c.radius >= box.minY && c.center.y + c.radius <= box.maxY;
          },
          [&](const QuadPrimitive& q) {
            return std::all_of(q.corners.begin(), q.corners.end(),
                               [&](const TAcadPoint& p) { return box.Contains(p); });
          },
      },
      prim);
}

double PrimitiveDistance(const Primitive& prim, const TAcadPoint& p) {
  return std::visit(
      Overloaded{
          [&](const SegmentPrimitive& s) { return DistanceToSegment(p, s.a, s.b); },
          [&](const CirclePrimitive& c) { return std::fabs(PlanDistance(p, c.center) - c.radius); },
          [&](const QuadPrimitive& q) {
            if (InsideQuad(q, p))
              return 0.0;
            double best = std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < 4; ++i)
              best = std::min(best, DistanceToSegment(p, q.corners[i], q.corners[(i + 1) % 4]));
            return best;
          },
      },
      prim);
}

}  // namespace

Box Box::FromCorners(const TAcadPoint& a, const TAcadPoint& b) {
  return Box{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool Box::Contains(const TAcadPoint& p) const {
  return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
}

double EstimatedTextWidth(const TextShape& t) {
  double em = 0.0;
  for (char32_t c : DecodeUtf8(t.string))
    em += IsFullWidth(c) ? 1.0 : 0.8;
  return em * t.height * t.widthFactor;
}

std::array<TAcadPoint, 4> TextBox(const TextShape& t) {
  const double w = EstimatedTextWidth(t), h = t.height;
  const double local[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  std::array<TAcadPoint, 4> box;
  for (std::size_t i = 0; i < 4; ++i) {
    const TAcadPoint r = Rotated(local[i][0], local[i][1], t.rotation);
    box[i] = TAcadPoint{t.insertion.x + r.x, t.insertion.y + r.y, t.insertion.z};
  }
  return box;
}

TAcadPoint InsertionFromAnchor(const TextShape& t, const TAcadPoint& anchor) {
  const TAcadPoint off = AnchorOffset(t.alignment, EstimatedTextWidth(t), t.height);
  const TAcadPoint r = Rotated(off.x, off.y, t.rotation);
  return TAcadPoint{anchor.x - r.x, anchor.y - r.y, anchor.z};
}

TAcadPoint AnchorFromInsertion(const TextShape& t, std::int32_t alignment) {
  const TAcadPoint off = AnchorOffset(alignment, EstimatedTextWidth(t), t.height);
  const TAcadPoint r = Rotated(off.x, off.y, t.rotation);
  return TAcadPoint{t.insertion.x + r.x, t.insertion.y + r.y, t.insertion.z};
}

std::vector<Primitive> Primitives(const Drawing& d, const Entity& e) {
  std::vector<Primitive> out;
  ExpansionBudget budget;
  AppendPrimitives(d, e, 0, out, budget);
  return out;
}

bool CrossesBox(const Drawing& d, const Entity& e, const Box& box) {
  const auto prims = Primitives(d, e);
  return std::any_of(prims.begin(), prims.end(),
                     [&](const Primitive& p) { return PrimitiveCrosses(p, box); });
}

bool InsideBox(const Drawing& d, const Entity& e, const Box& box) {
  const auto prims = Primitives(d, e);
  return !prims.empty() && std::all_of(prims.begin(), prims.end(),
                                       [&](const Primitive& p) { return PrimitiveInside(p, box); });
}

double DistanceToEntity(const Drawing& d, const Entity& e, const TAcadPoint& p) {
  double best = std::numeric_limits<double>::infinity();
  for (const Primitive& prim : Primitives(d, e))
    best = std::min(best, PrimitiveDistance(prim, p));
  return best;
}

namespace {

// What bounds a block's parts under any placement: the convex hull of their corner points (an
// affine map keeps a hull a hull) and their circles. Computed once per block definition and
// nesting depth, so that nested references cost their number of definitions, not the number of
// parts they would expand to.
struct Outline {
  std::vector<TAcadPoint> points;
  std::vector<CirclePrimitive> circles;
};

// More circles than this in one outline (only nesting makes that many) are replaced by
// circumscribed polygons, at most 0.5% wider than the circle, so that an outline stays small
// however deep the nesting.
constexpr std::size_t kMaxOutlineCircles = 4096;
constexpr int kCircleSides = 32;

double Finite(double v) {
  return std::clamp(v, std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max());
}

// Andrew's monotone chain; collinear points are dropped. Coordinates that are not numbers are
// left out, infinities are taken as the largest finite values.
std::vector<TAcadPoint> ConvexHull(std::vector<TAcadPoint> points) {
  std::vector<TAcadPoint> in;
  in.reserve(points.size());
  for (const TAcadPoint& p : points) {
    if (!std::isnan(p.x) && !std::isnan(p.y))
      in.push_back(TAcadPoint{Finite(p.x), Finite(p.y), 0.0});
  }
  std::sort(in.begin(), in.end(), [](const TAcadPoint& a, const TAcadPoint& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  in.erase(std::unique(
               in.begin(), in.end(),
               [](const TAcadPoint& a, const TAcadPoint& b) { return a.x == b.x && a.y == b.y; }),
           in.end());
  if (in.size() <= 2)
    return in;
  // Halved coordinates keep the cross product finite for the largest doubles.
  const auto cross = [](const TAcadPoint& o, const TAcadPoint& a, const TAcadPoint& b) {
    return (a.x / 2 - o.x / 2) * (b.y / 2 - o.y / 2) - (a.y / 2 - o.y / 2) * (b.x / 2 - o.x / 2);
  };
  std::vector<TAcadPoint> hull(2 * in.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    while (k >= 2 && !(cross(hull[k - 2], hull[k - 1], in[i]) > 0))
      --k;
    hull[k++] = in[i];
  }
  for (std::size_t i = in.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && !(cross(hull[k - 2], hull[k - 1], in[i]) > 0))
      --k;
    hull[k++] = in[i];
  }
  hull.resize(k - 1);
  return hull;
}

void AddToOutline(const Primitive& prim, Outline& out) {
  std::visit(Overloaded{
                 [&](const SegmentPrimitive& s) {
                   out.points.push_back(s.a);
                   out.points.push_back(s.b);
                 },
                 [&](const CirclePrimitive& c) { out.circles.push_back(c); },
                 [&](const QuadPrimitive& q) {
                   out.points.insert(out.points.end(), q.corners.begin(), q.corners.end());
                 },
             },
             prim);
}

void Tighten(Outline& o) {
  if (o.circles.size() > kMaxOutlineCircles) {
    const double step = 2 * std::numbers::pi / kCircleSides;
    const double reach = 1.0 / std::cos(step / 2);
    for (const CirclePrimitive& c : o.circles) {
      for (int i = 0; i < kCircleSides; ++i)
        o.points.push_back(TAcadPoint{c.center.x + c.radius * reach * std::cos(i * step),
                                      c.center.y + c.radius * reach * std::sin(i * step), 0.0});
    }
    o.circles.clear();
  }
  o.points = ConvexHull(std::move(o.points));
}

class OutlineCache {
 public:
  explicit OutlineCache(const Drawing& d) : d_(d) {}

  // The outline of one entity at a nesting depth, as AppendPrimitives would expand it.
  void AddEntity(const Entity& e, int depth, Outline& out) {
    const InsertShape* ins = std::get_if<InsertShape>(&e.shape);
    if (!ins) {
      // Not a reference: nothing below calls back here, so one list serves every entity.
      prims_.clear();
      ExpansionBudget budget;
      AppendPrimitives(d_, e, depth, prims_, budget);
      for (const Primitive& prim : prims_)
        AddToOutline(prim, out);
      return;
    }
    const BlockRecord* block = d_.FindBlock(ins->block);
    if (!block || depth >= kMaxInsertDepth)
      return;
    const InsertMap map{block->origin, ins->insertion, ins->xscale,
                        ins->yscale,   ins->zscale,    ins->rotation};
    const Outline& inner = BlockOutline(block->id, depth + 1);
    for (const TAcadPoint& p : inner.points)
      out.points.push_back(map.Apply(p));
    for (const CirclePrimitive& c : inner.circles)
      out.circles.push_back(std::get<CirclePrimitive>(map.Apply(Primitive{c})));
  }

 private:
  const Outline& BlockOutline(ObjectId block, int depth) {
    const auto key = std::make_pair(block, depth);
    if (const auto it = outlines_.find(key); it != outlines_.end())
      return it->second;
    if (!partsMade_) {
      for (const auto& [id, e] : d_.entities)
        parts_[e.owner].push_back(&e);
      partsMade_ = true;
    }
    Outline o;
    if (const auto parts = parts_.find(block); parts != parts_.end()) {
      for (const Entity* part : parts->second)
        AddEntity(*part, depth, o);
    }
    Tighten(o);
    return outlines_.emplace(key, std::move(o)).first->second;
  }

  const Drawing& d_;
  std::vector<Primitive> prims_;
  bool partsMade_ = false;  // parts_ is made at the first reference
  std::map<ObjectId, std::vector<const Entity*>> parts_;
  std::map<std::pair<ObjectId, int>, Outline> outlines_;
};

}  // namespace

std::pair<TAcadPoint, TAcadPoint> Extents(const Drawing& d) {
  double minX = 1e20, minY = 1e20, maxX = -1e20, maxY = -1e20;
  bool any = false;
  auto add = [&](double x, double y) {
    if (std::isnan(x) || std::isnan(y))
      return;
    minX = std::min(minX, Finite(x));
    minY = std::min(minY, Finite(y));
    maxX = std::max(maxX, Finite(x));
    maxY = std::max(maxY, Finite(y));
    any = true;
  };
  OutlineCache cache(d);
  const ObjectId ms = d.ModelSpaceId();
  Outline o;
  for (const auto& [id, e] : d.entities) {
    if (e.owner != ms)
      continue;
    o.points.clear();
    o.circles.clear();
    cache.AddEntity(e, 0, o);
    for (const TAcadPoint& p : o.points)
      add(p.x, p.y);
    for (const CirclePrimitive& c : o.circles) {
      add(c.center.x - c.radius, c.center.y - c.radius);
      add(c.center.x + c.radius, c.center.y + c.radius);
    }
  }
  if (!any)
    return {TAcadPoint{1e20, 1e20, 1e20}, TAcadPoint{-1e20, -1e20, -1e20}};
  return {TAcadPoint{minX, minY, 0.0}, TAcadPoint{maxX, maxY, 0.0}};
}

TAcadPoint Placement::Apply(const TAcadPoint& p) const {
  const TAcadPoint r = Rotated((p.x - origin.x) * scale, (p.y - origin.y) * scale, rotation);
  return TAcadPoint{origin.x + r.x + offset.x, origin.y + r.y + offset.y,
                    origin.z + (p.z - origin.z) * scale + offset.z};
}

Placement Placement::Move(const TAcadPoint& from, const TAcadPoint& to) {
  Placement p;
  p.offset = TAcadPoint{to.x - from.x, to.y - from.y, to.z - from.z};
  return p;
}

Placement Placement::Rotate(const TAcadPoint& base, double angle) {
  Placement p;
  p.origin = base;
  p.rotation = angle;
  return p;
}

void ApplyPlacement(Entity& e, const Placement& pl) {
  std::visit(Overloaded{
                 [&](LineShape& l) {
                   l.start = pl.Apply(l.start);
                   l.end = pl.Apply(l.end);
                 },
                 [&](PolylineShape& p) {
                   for (TAcadPoint& v : p.vertices) {
                     const TAcadPoint moved = pl.Apply(TAcadPoint{v.x, v.y, p.elevation});
                     v = TAcadPoint{moved.x, moved.y, 0.0};
                   }
                   p.elevation = pl.Apply(TAcadPoint{pl.origin.x, pl.origin.y, p.elevation}).z;
                 },
                 [&](TextShape& t) {
                   t.insertion = pl.Apply(t.insertion);
                   t.alignmentPoint = pl.Apply(t.alignmentPoint);
                   t.height *= pl.scale;
                   t.rotation += pl.rotation;
                 },
                 [&](CircleShape& c) {
                   c.center = pl.Apply(c.center);
                   c.radius *= pl.scale;
                 },
                 [&](InsertShape& i) {
                   i.insertion = pl.Apply(i.insertion);
                   i.xscale *= pl.scale;
                   i.yscale *= pl.scale;
                   i.zscale *= pl.scale;
                   i.rotation += pl.rotation;
                 },
                 [&](LeaderShape& l) {
                   for (TAcadPoint& v : l.vertices)
                     v = pl.Apply(v);
                   l.arrowSize *= pl.scale;
                 },
             },
             e.shape);
  e.modified = true;
}

std::string_view DxfTypeName(const Entity& e) {
  static constexpr std::string_view kNames[] = {"LINE",   "LWPOLYLINE", "TEXT",
                                                "CIRCLE", "INSERT",     "LEADER"};
  return kNames[e.shape.index()];
}

std::string_view AutomationName(const Entity& e) {
  static constexpr std::string_view kNames[] = {"AcDbLine",   "AcDbPolyline",       "AcDbText",
                                                "AcDbCircle", "AcDbBlockReference", "AcDbLeader"};
  return kNames[e.shape.index()];
}

TAcadPoint SnapToGrid(const SystemVariables& v, const TAcadPoint& p) {
  auto snap = [](double value, double base, double unit) {
    return unit > 0.0 ? base + std::round((value - base) / unit) * unit : value;
  };
  return TAcadPoint{snap(p.x, v.SNAPBASE.x, v.SNAPUNIT.x), snap(p.y, v.SNAPBASE.y, v.SNAPUNIT.y),
                    p.z};
}

}  // namespace trivane::host
