#include "host/bridge/records.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "cad/objects.h"
#include "host/bridge/variables.h"
#include "host/dxf/model.h"

namespace trivane::host::bridge {

// ---- Names

bool IsModelSpaceName(std::string_view name) {
  return dxf::SameName(name, "*Model_Space") || dxf::SameName(name, "$MODEL_SPACE");
}

bool IsPaperSpaceName(std::string_view name) {
  // Only the active layout; "*Paper_Space0" and on are blocks like any other.
  return dxf::SameName(name, "*Paper_Space") || dxf::SameName(name, "$PAPER_SPACE");
}

std::int16_t ClampToInt16(double v, std::int16_t fallback) {
  if (!std::isfinite(v) || v < std::numeric_limits<std::int16_t>::min() ||
      v > std::numeric_limits<std::int16_t>::max())
    return fallback;
  return static_cast<std::int16_t>(v);
}

bool HasDefaultExtrusion(const dxf::Entity& e) {
  const TAcadPoint z = dxf::Extrusion(e);
  return z.x == 0.0 && z.y == 0.0 && z.z > 0.0;
}

// ---- Leader arrowheads: DIMASZ x DIMSCALE of the leader's dimension style, overridden by the
// "DSTYLE" list of the ACAD extended data as CADs of the family write it.

namespace {

struct DimOverride {
  std::optional<double> dimasz;       // 41
  std::optional<double> dimscale;     // 40
  std::optional<std::string> ldrblk;  // 341: handle of the arrowhead's block record
};

DimOverride ReadOverride(const dxf::Entity& e) {
  DimOverride o;
  const dxf::XData* acad = e.FindXData("ACAD");
  if (!acad)
    return o;
  const dxf::Tags& t = acad->tags;
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i].code != 1000 || t[i].value != "DSTYLE")
      continue;
    for (std::size_t k = i + 1; k + 1 < t.size(); ++k) {
      if (t[k].code == 1002 && t[k].value == "}")
        break;
      if (t[k].code != 1070)
        continue;
      const auto which = dxf::ParseInt(t[k].value);
      const dxf::Tag& v = t[k + 1];
      if (which == 41) {
        o.dimasz = dxf::ParseDouble(v.value);
      } else if (which == 40) {
        o.dimscale = dxf::ParseDouble(v.value);
      } else if (which == 341) {
        o.ldrblk = v.value;
      }
      ++k;
    }
    break;
  }
  return o;
}

}  // namespace

// Sets one value of the DSTYLE list (creating the ACAD data and the list when missing).
void SetOverride(dxf::Entity& e, int which, const dxf::Tag& value) {
  auto acad = std::find_if(e.xdata.begin(), e.xdata.end(),
                           [](const dxf::XData& x) { return x.application == "ACAD"; });
  if (acad == e.xdata.end()) {
    e.xdata.push_back(dxf::XData{"ACAD", {}});
    acad = e.xdata.end() - 1;
  }
  dxf::Tags& t = acad->tags;
  auto list = std::find_if(t.begin(), t.end(),
                           [](const dxf::Tag& x) { return x.code == 1000 && x.value == "DSTYLE"; });
  if (list == t.end()) {
    t.insert(t.end(), {dxf::Tag{1000, "DSTYLE"}, dxf::Tag{1002, "{"}, dxf::Tag{1002, "}"}});
    list = t.end() - 3;
  }
  std::size_t k = static_cast<std::size_t>(list - t.begin()) + 2;
  for (; k < t.size() && !(t[k].code == 1002 && t[k].value == "}"); ++k) {
    if (t[k].code == 1070 && dxf::ParseInt(t[k].value) == which && k + 1 < t.size()) {
      t[k + 1] = value;
      return;
    }
  }
  t.insert(t.begin() + static_cast<std::ptrdiff_t>(k), {dxf::IntTag(1070, which), value});
}

const dxf::Entity* FindDimStyle(const dxf::Document& doc, std::string_view name) {
  const dxf::Table* table = doc.FindTable("DIMSTYLE");
  if (!table)
    return nullptr;
  for (const dxf::Entity& r : table->records) {
    if (dxf::SameName(r.Value(2), name))
      return &r;
  }
  return nullptr;
}

namespace {

std::string BlockRecordName(const dxf::Document& doc, std::string_view handle) {
  const dxf::Table* table = doc.FindTable("BLOCK_RECORD");
  if (!table || handle.empty() || handle == "0")
    return {};
  for (const dxf::Entity& r : table->records) {
    if (dxf::SameName(r.Handle(), handle))
      return std::string(r.Value(2));
  }
  return {};
}

}  // namespace

Arrow ArrowOf(const dxf::Document& doc, const dxf::Entity& leader) {
  const dxf::Entity* style =
      FindDimStyle(doc, dxf::AsLeader(leader).value_or(dxf::LeaderData{}).dimStyle);
  const DimOverride o = ReadOverride(leader);
  const double headerSize = HeaderNumber(doc, "$DIMASZ", 40).value_or(SystemVariables{}.DIMASZ);
  const double headerScale = HeaderNumber(doc, "$DIMSCALE", 40).value_or(1.0);
  const double size =
      o.dimasz.value_or(style ? dxf::GetDouble(*style, 41, headerSize) : headerSize);
  double scale = o.dimscale.value_or(style ? dxf::GetDouble(*style, 40, headerScale) : headerScale);
  if (!(scale > 0.0))
    scale = 1.0;
  Arrow a;
  a.size = size * scale;
  a.scale = scale;
  a.block = BlockRecordName(
      doc, o.ldrblk ? *o.ldrblk : (style ? std::string(style->Value(341)) : std::string()));
  return a;
}

// ---- Shapes compared field by field

namespace {

bool SameShape(const Shape& a, const Shape& b) {
  if (a.index() != b.index())
    return false;
  return std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        const T& y = std::get<T>(b);
        if constexpr (std::is_same_v<T, LineShape>) {
          return x.start == y.start && x.end == y.end;
        } else if constexpr (std::is_same_v<T, PolylineShape>) {
          return x.vertices == y.vertices && x.closed == y.closed && x.elevation == y.elevation &&
                 x.bulges == y.bulges;
        } else if constexpr (std::is_same_v<T, TextShape>) {
          return x.string == y.string && x.insertion == y.insertion &&
                 x.alignmentPoint == y.alignmentPoint && x.height == y.height &&
                 x.rotation == y.rotation && x.alignment == y.alignment &&
                 x.widthFactor == y.widthFactor && x.style == y.style;
        } else if constexpr (std::is_same_v<T, CircleShape>) {
          return x.center == y.center && x.radius == y.radius;
        } else if constexpr (std::is_same_v<T, InsertShape>) {
          return x.block == y.block && x.insertion == y.insertion && x.xscale == y.xscale &&
                 x.yscale == y.yscale && x.zscale == y.zscale && x.rotation == y.rotation;
        } else {
          return x.vertices == y.vertices && x.arrowSize == y.arrowSize &&
                 x.arrowhead == y.arrowhead && x.arrowBlock == y.arrowBlock;
        }
      },
      a);
}

}  // namespace

// A text's alignment passes between the drawing and the file as it is: the drawing holds the
// CAD's Alignment codes (cad/objects.h), and host/dxf, which does not see cad/, names the same
// codes again for the pair 72/73.
constexpr std::pair<int, int> kSameAlignment[] = {
    {dxf::kAlignLeft, cad::kAlignmentLeft},
    {dxf::kAlignCenter, cad::kAlignmentCenter},
    {dxf::kAlignRight, cad::kAlignmentRight},
    {dxf::kAlignAligned, cad::kAlignmentAligned},
    {dxf::kAlignMiddle, cad::kAlignmentMiddle},
    {dxf::kAlignFit, cad::kAlignmentFit},
    {dxf::kAlignTopLeft, cad::kAlignmentTopLeft},
    {dxf::kAlignTopCenter, cad::kAlignmentTopCenter},
    {dxf::kAlignTopRight, cad::kAlignmentTopRight},
    {dxf::kAlignMiddleLeft, cad::kAlignmentMiddleLeft},
    {dxf::kAlignMiddleCenter, cad::kAlignmentMiddleCenter},
    {dxf::kAlignMiddleRight, cad::kAlignmentMiddleRight},
    {dxf::kAlignBottomLeft, cad::kAlignmentBottomLeft},
    {dxf::kAlignBottomCenter, cad::kAlignmentBottomCenter},
    {dxf::kAlignBottomRight, cad::kAlignmentBottomRight},
};
static_assert(std::ranges::all_of(kSameAlignment, [](auto p) { return p.first == p.second; }));

LineShape ShapeOf(const dxf::LineData& d) {
  return LineShape{d.start, d.end};
}

CircleShape ShapeOf(const dxf::CircleData& d) {
  return CircleShape{d.center, d.radius};
}

InsertShape ShapeOf(const dxf::InsertData& d) {
  return InsertShape{d.name,   d.insertion, d.xScale,
                     d.yScale, d.zScale,    d.rotationDegrees / kDegreesPerRadian};
}

PolylineShape ShapeOf(const dxf::LwPolylineData& d) {
  PolylineShape p;
  p.closed = d.closed;
  p.elevation = d.elevation;
  bool curved = false;
  for (const dxf::LwVertex& v : d.vertices) {
    p.vertices.push_back(TAcadPoint{v.x, v.y, 0.0});
    p.bulges.push_back(v.bulge);
    curved = curved || v.bulge != 0.0;
  }
  if (!curved)
    p.bulges.clear();
  return p;
}

dxf::LineData DataOf(const LineShape& s) {
  return dxf::LineData{s.start, s.end};
}

dxf::CircleData DataOf(const CircleShape& s) {
  return dxf::CircleData{s.center, s.radius};
}

dxf::InsertData DataOf(const InsertShape& s) {
  return dxf::InsertData{s.block,  s.insertion, s.xscale,
                         s.yscale, s.zscale,    s.rotation * kDegreesPerRadian};
}

dxf::LwPolylineData DataOf(const PolylineShape& s) {
  dxf::LwPolylineData d;
  d.closed = s.closed;
  d.elevation = s.elevation;
  for (std::size_t k = 0; k < s.vertices.size(); ++k) {
    d.vertices.push_back(
        dxf::LwVertex{s.vertices[k].x, s.vertices[k].y, k < s.bulges.size() ? s.bulges[k] : 0.0});
  }
  return d;
}

bool SameEntity(const Entity& a, const Entity& b) {
  return SameShape(a.shape, b.shape) && a.layer == b.layer && a.xdata == b.xdata &&
         a.passthrough == b.passthrough;
}

// ---- Passthrough

std::vector<RawTag> ToPassthrough(const dxf::Entity& e) {
  std::vector<RawTag> raw;
  raw.reserve(e.tags.size() + 1);
  raw.push_back(RawTag{0, e.type});
  for (const dxf::Tag& t : e.tags)
    raw.push_back(RawTag{t.code, t.value.view()});  // the text only, not the file's bytes
  return raw;
}

dxf::Entity FromPassthrough(const std::vector<RawTag>& raw) {
  dxf::Entity e;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (i == 0 && raw[i].code == 0) {
      e.type = raw[i].value;
      continue;
    }
    e.tags.push_back(dxf::Tag{raw[i].code, raw[i].value});
  }
  return e;
}

bool PassthroughMatches(const dxf::Entity& record, const std::vector<RawTag>& raw) {
  if (raw.empty() || raw[0].code != 0 || raw[0].value != record.type ||
      raw.size() != record.tags.size() + 1)
    return false;
  for (std::size_t i = 0; i < record.tags.size(); ++i) {
    if (record.tags[i].code != raw[i + 1].code || record.tags[i].value != raw[i + 1].value)
      return false;
  }
  return true;
}

// The groups that tie a record to its place in one drawing: handle, owner, reactors and extension
// dictionary, paper-space flag. A copy placed elsewhere drops them.
void DropPlaceGroups(std::vector<RawTag>& raw) {
  std::vector<RawTag> kept;
  bool inGroup = false;
  for (const RawTag& t : raw) {
    if (t.code == 102) {
      inGroup = !t.value.empty() && t.value.front() == '{';
      continue;
    }
    if (inGroup)
      continue;
    if (t.code == 5 || t.code == 105 || t.code == 330 || t.code == 360 || t.code == 67)
      continue;
    kept.push_back(t);
  }
  raw = std::move(kept);
}

}  // namespace trivane::host::bridge
