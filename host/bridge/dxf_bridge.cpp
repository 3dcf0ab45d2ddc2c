#include "host/bridge/dxf_bridge.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <set>
#include <utility>

#include "host/dxf/model.h"

namespace trivane::host {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// ---- Names
// ---------------------------------------------------------------------------------------

bool IsModelSpaceName(std::string_view name) {
  return dxf::SameName(name, "*Model_Space") || dxf::SameName(name, "$MODEL_SPACE");
}

bool IsPaperSpaceName(std::string_view name) {
  // Only the active layout; "*Paper_Space0" and on are blocks like any other.
  return dxf::SameName(name, "*Paper_Space") || dxf::SameName(name, "$PAPER_SPACE");
}

// The value tag of a header variable with this group code.
std::optional<std::string> HeaderTag(const dxf::Document& doc, std::string_view name, int code) {
  const auto tags = doc.HeaderVariable(name);
  if (!tags)
    return std::nullopt;
  for (const dxf::Tag& t : *tags) {
    if (t.code == code)
      return t.value;
  }
  return std::nullopt;
}

std::optional<double> HeaderNumber(const dxf::Document& doc, std::string_view name, int code) {
  const auto text = HeaderTag(doc, name, code);
  return text ? dxf::ParseDouble(*text) : std::nullopt;
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

// ---- Extended data
// -------------------------------------------------------------------------------

std::vector<XdataItem> ToHostItems(const dxf::Tags& tags) {
  std::vector<XdataItem> items;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const dxf::Tag& t = tags[i];
    const auto code = static_cast<std::int16_t>(t.code);
    if (t.code >= 1010 && t.code <= 1013) {
      const auto x = dxf::ParseDouble(t.value);
      if (x) {
        TAcadPoint p{*x, 0.0, 0.0};
        if (i + 1 < tags.size() && tags[i + 1].code == t.code + 10) {
          p.y = dxf::ParseDouble(tags[i + 1].value).value_or(0.0);
          ++i;
          if (i + 1 < tags.size() && tags[i + 1].code == t.code + 20) {
            p.z = dxf::ParseDouble(tags[i + 1].value).value_or(0.0);
            ++i;
          }
        }
        items.push_back(XdataItem{code, p});
        continue;
      }
    } else if (t.code >= 1040 && t.code <= 1042) {
      if (const auto v = dxf::ParseDouble(t.value)) {
        items.push_back(XdataItem{code, *v});
        continue;
      }
    } else if (t.code == 1070) {
      const auto v = dxf::ParseInt(t.value);
      if (v && *v >= std::numeric_limits<std::int16_t>::min() &&
          *v <= std::numeric_limits<std::int16_t>::max()) {
        items.push_back(XdataItem{code, static_cast<std::int16_t>(*v)});
        continue;
      }
    } else if (t.code == 1071) {
      const auto v = dxf::ParseInt(t.value);
      if (v && *v >= std::numeric_limits<std::int32_t>::min() &&
          *v <= std::numeric_limits<std::int32_t>::max()) {
        items.push_back(XdataItem{code, static_cast<std::int32_t>(*v)});
        continue;
      }
    }
    // Strings, and numbers that do not read as numbers: kept as their text.
    items.push_back(XdataItem{code, t.value});
  }
  return items;
}

std::vector<XdataApp> ToHostXdata(const std::vector<dxf::XData>& xdata) {
  std::vector<XdataApp> apps;
  for (const dxf::XData& x : xdata)
    apps.push_back(XdataApp{x.application, ToHostItems(x.tags)});
  return apps;
}

dxf::Tags ToDxfTags(const std::vector<XdataItem>& items) {
  dxf::Tags tags;
  for (const XdataItem& item : items) {
    const int code = item.code;
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            tags.push_back(dxf::Tag{code, v});
          } else if constexpr (std::is_same_v<T, double>) {
            tags.push_back(dxf::DoubleTag(code, v));
          } else if constexpr (std::is_same_v<T, TAcadPoint>) {
            tags.push_back(dxf::DoubleTag(code, v.x));
            tags.push_back(dxf::DoubleTag(code + 10, v.y));
            tags.push_back(dxf::DoubleTag(code + 20, v.z));
          } else {
            tags.push_back(dxf::IntTag(code, v));
          }
        },
        item.value);
  }
  return tags;
}

// The drawing's extended data as DXF; an application whose data did not change keeps the tags
// (and bytes) it had in `source`.
std::vector<dxf::XData> ToDxfXdata(const std::vector<XdataApp>& apps,
                                   const std::vector<dxf::XData>& source) {
  std::vector<dxf::XData> out;
  for (const XdataApp& app : apps) {
    const auto kept = std::find_if(source.begin(), source.end(), [&](const dxf::XData& x) {
      return x.application == app.application && ToHostItems(x.tags) == app.items;
    });
    if (kept != source.end()) {
      out.push_back(*kept);
    } else {
      out.push_back(dxf::XData{app.application, ToDxfTags(app.items)});
    }
  }
  return out;
}

// ---- Leader arrowheads: DIMASZ x DIMSCALE of the leader's dimension style, overridden by the
// "DSTYLE" list of the ACAD extended data as CADs of the family write it.

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

struct Arrow {
  double size = 0.0;
  double scale = 1.0;  // the DIMSCALE the size was multiplied by
  std::string block;
};

Arrow ArrowOf(const dxf::Document& doc, const dxf::Entity& leader) {
  const dxf::Entity* style = FindDimStyle(doc, leader.Value(3, "Standard"));
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
    raw.push_back(RawTag{t.code, t.value});
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

// ---- Reading one record

std::optional<Shape> ConvertShape(const dxf::Document& doc, const std::vector<dxf::Entity>& records,
                                  std::size_t index) {
  const dxf::Entity& r = records[index];
  if (auto line = dxf::AsLine(r))
    return LineShape{line->start, line->end};
  if (!HasDefaultExtrusion(r))
    return std::nullopt;  // in its own coordinate system: carried as it is
  if (auto lw = dxf::AsLwPolyline(r)) {
    PolylineShape p;
    p.closed = lw->closed;
    p.elevation = lw->elevation;
    bool curved = false;
    for (const dxf::LwVertex& v : lw->vertices) {
      p.vertices.push_back(TAcadPoint{v.x, v.y, 0.0});
      p.bulges.push_back(v.bulge);
      curved = curved || v.bulge != 0.0;
    }
    if (!curved)
      p.bulges.clear();
    return p;
  }
  if (r.type == "POLYLINE") {
    // Only a plain 2D polyline (open or closed); curve-fit, spline, 3D and mesh forms are carried.
    const std::int64_t flags = dxf::GetInt(r, 70, 0);
    if ((flags & ~std::int64_t{1 | 128}) != 0)
      return std::nullopt;
    PolylineShape p;
    p.closed = (flags & 1) != 0;
    p.elevation = dxf::GetDouble(r, 30, 0.0);
    bool curved = false;
    for (std::size_t k = index + 1; k < records.size() && records[k].type == "VERTEX"; ++k) {
      const dxf::Entity& v = records[k];
      if (dxf::GetInt(v, 70, 0) != 0)
        return std::nullopt;
      p.vertices.push_back(TAcadPoint{dxf::GetDouble(v, 10, 0.0), dxf::GetDouble(v, 20, 0.0), 0.0});
      const double bulge = dxf::GetDouble(v, 42, 0.0);
      p.bulges.push_back(bulge);
      curved = curved || bulge != 0.0;
    }
    if (!curved)
      p.bulges.clear();
    return p;
  }
  if (auto text = dxf::AsText(r)) {
    TextShape t;
    t.string = text->text;
    t.insertion = text->insertion;
    t.alignmentPoint = r.Find(11) ? text->alignmentPoint : text->insertion;
    t.height = text->height;
    t.rotation = text->rotationDegrees / kDegreesPerRadian;
    t.alignment = text->alignment;
    t.widthFactor = dxf::GetDouble(r, 41, 1.0);
    t.style = std::string(r.Value(7, "Standard"));
    if (t.alignment == 0) {
      t.alignmentPoint = t.insertion;
    } else if (t.alignment != 3 && t.alignment != 5) {
      // Readers place such a text by its alignment point; the first point is only a by-product.
      t.insertion = InsertionFromAnchor(t, t.alignmentPoint);
    }
    return t;
  }
  if (auto circle = dxf::AsCircle(r))
    return CircleShape{circle->center, circle->radius};
  if (auto insert = dxf::AsInsert(r)) {
    if (dxf::GetInt(r, 70, 1) > 1 || dxf::GetInt(r, 71, 1) > 1)
      return std::nullopt;  // an array of references (MINSERT)
    return InsertShape{insert->name,   insert->insertion,
                       insert->xScale, insert->yScale,
                       insert->zScale, insert->rotationDegrees / kDegreesPerRadian};
  }
  if (auto leader = dxf::AsLeader(r)) {
    const Arrow arrow = ArrowOf(doc, r);
    return LeaderShape{leader->vertices, arrow.size, leader->arrowhead, arrow.block};
  }
  return std::nullopt;
}

}  // namespace

std::optional<Entity> ConvertRecord(const dxf::Document& document,
                                    const std::vector<dxf::Entity>& records, std::size_t index) {
  auto shape = ConvertShape(document, records, index);
  if (!shape)
    return std::nullopt;
  const dxf::Entity& r = records[index];
  Entity e;
  e.shape = std::move(*shape);
  e.layer = dxf::LayerOf(r);
  e.xdata = ToHostXdata(r.xdata);
  e.handle = r.Handle();
  e.passthrough = ToPassthrough(r);
  return e;
}

namespace {

// ---- System variables

template <typename Doc>
auto ActiveViewport(Doc& doc) -> decltype(&doc.FindTable("VPORT")->records[0]) {
  auto* t = doc.FindTable("VPORT");
  if (!t)
    return nullptr;
  for (auto& r : t->records) {
    if (dxf::SameName(r.Value(2), "*Active"))
      return &r;
  }
  return nullptr;
}

SystemVariables ReadVariables(const dxf::Document& doc) {
  SystemVariables v;
  auto number = [&](std::string_view name, int code, double fallback) {
    return HeaderNumber(doc, name, code).value_or(fallback);
  };
  v.AUNITS = ClampToInt16(number("$AUNITS", 70, v.AUNITS), v.AUNITS);
  v.ANGBASE = number("$ANGBASE", 50, 0.0) / kDegreesPerRadian;
  v.ANGDIR = ClampToInt16(number("$ANGDIR", 70, v.ANGDIR), v.ANGDIR);
  v.DIMASZ = number("$DIMASZ", 40, v.DIMASZ);
  v.DIMSCALE = number("$DIMSCALE", 40, v.DIMSCALE);
  v.DIMLDRBLK = HeaderTag(doc, "$DIMLDRBLK", 1).value_or("");
  v.CLAYER = HeaderTag(doc, "$CLAYER", 8).value_or(v.CLAYER);
  const dxf::Entity* vp = ActiveViewport(doc);
  if (doc.HeaderVariable("$SNAPMODE") || !vp) {
    v.SNAPMODE = ClampToInt16(number("$SNAPMODE", 70, v.SNAPMODE), v.SNAPMODE);
    v.SNAPUNIT = {number("$SNAPUNIT", 10, v.SNAPUNIT.x), number("$SNAPUNIT", 20, v.SNAPUNIT.y),
                  0.0};
    v.SNAPBASE = {number("$SNAPBASE", 10, v.SNAPBASE.x), number("$SNAPBASE", 20, v.SNAPBASE.y),
                  0.0};
  } else {
    v.SNAPMODE = ClampToInt16(dxf::GetDouble(*vp, 75, v.SNAPMODE), v.SNAPMODE);
    v.SNAPUNIT = {dxf::GetDouble(*vp, 14, v.SNAPUNIT.x), dxf::GetDouble(*vp, 24, v.SNAPUNIT.y),
                  0.0};
    v.SNAPBASE = {dxf::GetDouble(*vp, 13, v.SNAPBASE.x), dxf::GetDouble(*vp, 23, v.SNAPBASE.y),
                  0.0};
  }
  if (doc.HeaderVariable("$VIEWSIZE") || !vp) {
    v.VIEWSIZE = number("$VIEWSIZE", 40, v.VIEWSIZE);
    v.VIEWCTR = {number("$VIEWCTR", 10, v.VIEWCTR.x), number("$VIEWCTR", 20, v.VIEWCTR.y), 0.0};
  } else {
    v.VIEWSIZE = dxf::GetDouble(*vp, 40, v.VIEWSIZE);
    v.VIEWCTR = {dxf::GetDouble(*vp, 12, v.VIEWCTR.x), dxf::GetDouble(*vp, 22, v.VIEWCTR.y), 0.0};
  }
  return v;
}

// Writes the variables that differ from what the document gives (all of them with `all`).
void WriteVariables(dxf::Document& doc, const SystemVariables& v, bool all) {
  const SystemVariables old = ReadVariables(doc);
  if (all || v.AUNITS != old.AUNITS)
    doc.SetHeaderVariable("$AUNITS", {dxf::IntTag(70, v.AUNITS)});
  if (all || v.ANGBASE != old.ANGBASE)
    doc.SetHeaderVariable("$ANGBASE", {dxf::DoubleTag(50, v.ANGBASE * kDegreesPerRadian)});
  if (all || v.ANGDIR != old.ANGDIR)
    doc.SetHeaderVariable("$ANGDIR", {dxf::IntTag(70, v.ANGDIR)});
  if (all || v.DIMASZ != old.DIMASZ)
    doc.SetHeaderVariable("$DIMASZ", {dxf::DoubleTag(40, v.DIMASZ)});
  if (all || v.DIMSCALE != old.DIMSCALE)
    doc.SetHeaderVariable("$DIMSCALE", {dxf::DoubleTag(40, v.DIMSCALE)});
  // $DIMLDRBLK exists from R2000 on.
  if ((all || v.DIMLDRBLK != old.DIMLDRBLK) && doc.VersionNumber() >= 1015)
    doc.SetHeaderVariable("$DIMLDRBLK", {dxf::Tag{1, v.DIMLDRBLK}});
  if (all || v.CLAYER != old.CLAYER)
    doc.SetHeaderVariable("$CLAYER", {dxf::Tag{8, v.CLAYER}});

  dxf::Entity* vp = ActiveViewport(doc);
  const bool snapChanged = v.SNAPMODE != old.SNAPMODE || v.SNAPUNIT.x != old.SNAPUNIT.x ||
                           v.SNAPUNIT.y != old.SNAPUNIT.y || v.SNAPBASE.x != old.SNAPBASE.x ||
                           v.SNAPBASE.y != old.SNAPBASE.y;
  if (snapChanged) {
    if (doc.HeaderVariable("$SNAPMODE") || !vp) {
      if (doc.HeaderVariable("$SNAPMODE") || !doc.HasSubclassMarkers()) {
        doc.SetHeaderVariable("$SNAPMODE", {dxf::IntTag(70, v.SNAPMODE)});
        doc.SetHeaderVariable("$SNAPUNIT",
                              {dxf::DoubleTag(10, v.SNAPUNIT.x), dxf::DoubleTag(20, v.SNAPUNIT.y)});
        doc.SetHeaderVariable("$SNAPBASE",
                              {dxf::DoubleTag(10, v.SNAPBASE.x), dxf::DoubleTag(20, v.SNAPBASE.y)});
      }
    } else {
      dxf::SetFirstTag(*vp, dxf::IntTag(75, v.SNAPMODE));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(13, v.SNAPBASE.x));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(23, v.SNAPBASE.y));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(14, v.SNAPUNIT.x));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(24, v.SNAPUNIT.y));
    }
  }
  const bool viewChanged =
      v.VIEWSIZE != old.VIEWSIZE || v.VIEWCTR.x != old.VIEWCTR.x || v.VIEWCTR.y != old.VIEWCTR.y;
  if (viewChanged) {
    if (doc.HeaderVariable("$VIEWSIZE") || !vp) {
      if (doc.HeaderVariable("$VIEWSIZE") || !doc.HasSubclassMarkers()) {
        doc.SetHeaderVariable("$VIEWSIZE", {dxf::DoubleTag(40, v.VIEWSIZE)});
        doc.SetHeaderVariable("$VIEWCTR",
                              {dxf::DoubleTag(10, v.VIEWCTR.x), dxf::DoubleTag(20, v.VIEWCTR.y)});
      }
    } else {
      dxf::SetFirstTag(*vp, dxf::DoubleTag(40, v.VIEWSIZE));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(12, v.VIEWCTR.x));
      dxf::SetFirstTag(*vp, dxf::DoubleTag(22, v.VIEWCTR.y));
    }
  }
}

// $EXTMIN/$EXTMAX: the host's extents joined with those the file gave (the host does not know the
// extents of the entities it does not model).
void WriteExtents(dxf::Document& doc, const Drawing& drawing) {
  auto [lo, hi] = Extents(drawing);
  const auto oldLo = doc.HeaderVariable("$EXTMIN");
  const auto oldHi = doc.HeaderVariable("$EXTMAX");
  if (oldLo && oldHi) {
    const double x0 = HeaderNumber(doc, "$EXTMIN", 10).value_or(1e20);
    const double y0 = HeaderNumber(doc, "$EXTMIN", 20).value_or(1e20);
    const double z0 = HeaderNumber(doc, "$EXTMIN", 30).value_or(1e20);
    const double x1 = HeaderNumber(doc, "$EXTMAX", 10).value_or(-1e20);
    const double y1 = HeaderNumber(doc, "$EXTMAX", 20).value_or(-1e20);
    const double z1 = HeaderNumber(doc, "$EXTMAX", 30).value_or(-1e20);
    if (x0 <= x1 && y0 <= y1) {
      const bool empty = lo.x > hi.x;
      lo = empty ? TAcadPoint{x0, y0, z0}
                 : TAcadPoint{std::min(lo.x, x0), std::min(lo.y, y0), std::min(lo.z, z0)};
      hi = empty ? TAcadPoint{x1, y1, z1}
                 : TAcadPoint{std::max(hi.x, x1), std::max(hi.y, y1), std::max(hi.z, z1)};
    }
  }
  doc.SetHeaderVariable(
      "$EXTMIN", {dxf::DoubleTag(10, lo.x), dxf::DoubleTag(20, lo.y), dxf::DoubleTag(30, lo.z)});
  doc.SetHeaderVariable(
      "$EXTMAX", {dxf::DoubleTag(10, hi.x), dxf::DoubleTag(20, hi.y), dxf::DoubleTag(30, hi.z)});
}

}  // namespace

// ---- Loading ------------------------------------------------------------------------------------

Drawing LoadDrawing(const dxf::Document& document) {
  auto source = std::make_shared<DxfSource>();
  source->document = document;
  const dxf::Document& doc = source->document;
  Drawing d;

  if (const dxf::Table* table = doc.FindTable("LAYER")) {
    for (std::size_t i = 0; i < table->records.size(); ++i) {
      const auto data = dxf::AsLayer(table->records[i]);
      if (!data || data->name.empty())
        continue;
      LayerRecord* existing = d.FindLayer(data->name);
      if (existing && source->layers.count(existing->id))
        continue;  // a second record of the same name: carried as it is
      LayerRecord& layer = existing ? *existing : d.AddLayer(data->name);
      layer.name = data->name;
      layer.color = ClampToInt16(data->color, 7);
      layer.linetype = data->linetype;
      layer.handle = table->records[i].Handle();
      source->layers[layer.id] = i;
    }
  }

  // Blocks; the entities of the spaces live in the ENTITIES section.
  std::vector<ObjectId> blockIds;  // per block of the BLOCKS section; 0 when not loaded
  if (const dxf::Section* blocks = doc.FindSection("BLOCKS")) {
    for (std::size_t bi = 0; bi < blocks->blocks.size(); ++bi) {
      const dxf::Block& block = blocks->blocks[bi];
      const std::string name = block.Name();
      const dxf::Entity* record = doc.FindTableRecord("BLOCK_RECORD", name);
      const std::string handle = record ? record->Handle() : block.begin.Handle();
      BlockRecord* target = nullptr;
      bool space = true;
      if (IsModelSpaceName(name)) {
        target = d.FindBlock(d.ModelSpaceId());
      } else if (IsPaperSpaceName(name)) {
        target = d.FindBlock(d.PaperSpaceId());
      } else if (!name.empty() && !d.FindBlock(name)) {
        target = &d.AddBlock(name, dxf::AsBlock(block).basePoint);
        space = false;
      }
      blockIds.push_back(target && !space ? target->id : 0);
      if (!target || source->blocks.count(target->id))
        continue;
      target->handle = handle;
      source->blocks[target->id] = static_cast<int>(bi);
    }
    for (std::size_t bi = 0; bi < blocks->blocks.size(); ++bi) {
      if (blockIds[bi] == 0)
        continue;
      const auto& records = blocks->blocks[bi].entities;
      for (std::size_t i = 0; i < records.size();
           i += std::max<std::size_t>(1, dxf::RecordSpan(records, i))) {
        if (auto e = ConvertRecord(doc, records, i)) {
          const ObjectId id = d.AddEntity(std::move(*e), blockIds[bi]);
          source->entities[id] = DxfRecordRef{static_cast<int>(bi), i};
        }
      }
    }
  }

  if (const dxf::Section* entities = doc.FindSection("ENTITIES")) {
    const auto& records = entities->records;
    for (std::size_t i = 0; i < records.size();
         i += std::max<std::size_t>(1, dxf::RecordSpan(records, i))) {
      if (auto e = ConvertRecord(doc, records, i)) {
        const ObjectId owner = dxf::InPaperSpace(records[i]) ? d.PaperSpaceId() : d.ModelSpaceId();
        const ObjectId id = d.AddEntity(std::move(*e), owner);
        source->entities[id] = DxfRecordRef{-1, i};
      }
    }
  }

  d.vars = ReadVariables(doc);
  d.dxfSource = std::move(source);
  return d;
}

Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options) {
  return LoadDrawing(dxf::ReadFile(path, options));
}

Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options,
                        dxf::Repairs& repairs) {
  return LoadDrawing(dxf::ReadFile(path, options, repairs));
}

// ---- Saving -------------------------------------------------------------------------------------

namespace {

// Gives a record written after its head (VERTEX, SEQEND) its handle and owner.
void AdoptFollower(dxf::Document& doc, dxf::Entity& e, const std::string& owner) {
  std::erase_if(e.tags, [](const dxf::Tag& t) { return t.code == 5 || t.code == 330; });
  std::size_t pos = 0;
  if (doc.UsesHandles())
    e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos++),
                  dxf::Tag{5, doc.NewHandle()});
  if (doc.HasSubclassMarkers())
    e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos), dxf::Tag{330, owner});
}

// The records of a 2D POLYLINE after its head, for these vertices: the existing VERTEX records
// are updated in order, extra ones made like the last, surplus ones dropped; SEQEND closes.
std::vector<dxf::Entity> PolylineFollowers(dxf::Document& doc, const dxf::Entity& head,
                                           const std::vector<dxf::Entity>& old,
                                           const PolylineShape& p, const std::string& layer) {
  std::vector<dxf::Entity> vertices;
  std::optional<dxf::Entity> seqend;
  for (const dxf::Entity& r : old) {
    if (r.type == "VERTEX")
      vertices.push_back(r);
    else if (r.type == "SEQEND")
      seqend = r;
  }
  const bool markers = doc.HasSubclassMarkers();
  const std::string owner = head.Handle();
  std::vector<dxf::Entity> out;
  for (std::size_t k = 0; k < p.vertices.size(); ++k) {
    const double bulge = k < p.bulges.size() ? p.bulges[k] : 0.0;
    dxf::Entity v;
    if (k < vertices.size()) {
      v = vertices[k];
    } else {
      if (!vertices.empty()) {
        v = vertices.back();
      } else {
        v.type = "VERTEX";
        if (markers) {
          v.tags = {dxf::Tag{100, "AcDbEntity"}, dxf::Tag{8, layer},
                    dxf::Tag{100, "AcDbVertex"}, dxf::Tag{100, "AcDb2dVertex"},
                    dxf::Tag{10, "0.0"},         dxf::Tag{20, "0.0"},
                    dxf::Tag{30, "0.0"}};
        } else {
          v.tags = {dxf::Tag{8, layer}, dxf::Tag{10, "0.0"}, dxf::Tag{20, "0.0"},
                    dxf::Tag{30, "0.0"}};
        }
      }
      v.xdata.clear();
      AdoptFollower(doc, v, owner);
    }
    if (dxf::GetDouble(v, 10, 0.0) != p.vertices[k].x || !v.Find(10))
      dxf::SetFirstTag(v, dxf::DoubleTag(10, p.vertices[k].x));
    if (dxf::GetDouble(v, 20, 0.0) != p.vertices[k].y || !v.Find(20))
      dxf::SetFirstTag(v, dxf::DoubleTag(20, p.vertices[k].y));
    if (dxf::GetDouble(v, 42, 0.0) != bulge) {
      if (bulge == 0.0)
        std::erase_if(v.tags, [](const dxf::Tag& t) { return t.code == 42; });
      else
        dxf::SetFirstTag(v, dxf::DoubleTag(42, bulge));
    }
    if (dxf::LayerOf(v) != layer)
      dxf::SetLayer(v, layer);
    out.push_back(std::move(v));
  }
  if (!seqend) {
    seqend.emplace();
    seqend->type = "SEQEND";
    seqend->tags = markers ? dxf::Tags{dxf::Tag{100, "AcDbEntity"}, dxf::Tag{8, layer}}
                           : dxf::Tags{dxf::Tag{8, layer}};
    AdoptFollower(doc, *seqend, owner);
  } else if (dxf::LayerOf(*seqend) != layer) {
    dxf::SetLayer(*seqend, layer);
  }
  out.push_back(std::move(*seqend));
  return out;
}

void UpdatePolylineHead(dxf::Entity& head, const PolylineShape& p) {
  const std::int64_t flags = dxf::GetInt(head, 70, 0);
  const std::int64_t wanted = p.closed ? (flags | 1) : (flags & ~std::int64_t{1});
  if (wanted != flags || (!head.Find(70) && wanted != 0))
    dxf::SetFirstTag(head, dxf::IntTag(70, wanted));
  if (dxf::GetDouble(head, 30, 0.0) != p.elevation) {
    if (!head.Find(10)) {
      dxf::SetFirstTag(head, dxf::Tag{10, "0.0"});
      dxf::SetFirstTag(head, dxf::Tag{20, "0.0"});
    }
    dxf::SetFirstTag(head, dxf::DoubleTag(30, p.elevation));
  }
  if (!head.Find(66))
    dxf::SetFirstTag(head, dxf::IntTag(66, 1));
}

dxf::TextData TextDataOf(const TextShape& t) {
  dxf::TextData d;
  d.text = t.string;
  d.insertion = t.insertion;
  d.alignmentPoint = t.alignmentPoint;
  if ((t.alignment == 3 || t.alignment == 5) && t.alignmentPoint == t.insertion) {
    // Aligned and fit texts run from the first point to the second: never a point.
    const double w = EstimatedTextWidth(t);
    d.alignmentPoint = TAcadPoint{t.insertion.x + w * std::cos(t.rotation),
                                  t.insertion.y + w * std::sin(t.rotation), t.insertion.z};
  }
  d.height = t.height;
  d.rotationDegrees = t.rotation * kDegreesPerRadian;
  d.alignment = t.alignment;
  return d;
}

// A value of the first AcDbText subclass (or of the record, without markers).
void SetTextTag(dxf::Entity& e, const dxf::Tag& tag) {
  if (dxf::Tag* t = e.Find(tag.code)) {
    t->value = tag.value;
    t->source.clear();
    return;
  }
  auto at = e.tags.end();
  const auto marker = std::find_if(e.tags.begin(), e.tags.end(), [](const dxf::Tag& t) {
    return t.code == 100 && t.value == "AcDbText";
  });
  if (marker != e.tags.end()) {
    at = std::find_if(marker + 1, e.tags.end(), [](const dxf::Tag& t) { return t.code == 100; });
  }
  e.tags.insert(at, tag);
}

std::string PaperSpaceHandle(const dxf::Document& doc) {
  const dxf::Entity* r = doc.FindTableRecord("BLOCK_RECORD", "*Paper_Space");
  return r ? r->Handle() : std::string();
}

// The source of a drawing that has none.
const DxfSource kNoSource{};

struct Writer {
  const Drawing& d;
  const DxfSource& s;
  dxf::Document& doc;
  std::set<ObjectId> written;
  bool changed = false;

  // The owner block of a container's records as loading placed them.
  ObjectId OwnerOf(int container, const dxf::Entity& head) const {
    if (container < 0)
      return dxf::InPaperSpace(head) ? d.PaperSpaceId() : d.ModelSpaceId();
    for (const auto& [id, bi] : s.blocks) {
      if (bi == container)
        return id;
    }
    return 0;
  }

  std::string DimStyleName() const {
    if (auto name = HeaderTag(doc, "$DIMSTYLE", 2); name && FindDimStyle(doc, *name))
      return *name;
    if (const dxf::Entity* standard = FindDimStyle(doc, "Standard"))
      return std::string(standard->Value(2));
    const dxf::Table* table = doc.FindTable("DIMSTYLE");
    if (table && !table->records.empty())
      return std::string(table->records.front().Value(2));
    return "Standard";
  }

  // Brings the record (and its followers) to the entity's values; `sourceXdata` is the extended
  // data the record had, whose unchanged applications keep their bytes.
  void Apply(dxf::Entity& rec, std::vector<dxf::Entity>& followers, const Entity& e,
             const std::vector<dxf::XData>& sourceXdata) {
    std::visit(
        [&](const auto& shape) {
          using T = std::decay_t<decltype(shape)>;
          if constexpr (std::is_same_v<T, LineShape>) {
            dxf::Update(rec, dxf::LineData{shape.start, shape.end});
          } else if constexpr (std::is_same_v<T, PolylineShape>) {
            if (rec.type == "LWPOLYLINE") {
              dxf::LwPolylineData data;
              data.closed = shape.closed;
              data.elevation = shape.elevation;
              for (std::size_t k = 0; k < shape.vertices.size(); ++k) {
                data.vertices.push_back(
                    dxf::LwVertex{shape.vertices[k].x, shape.vertices[k].y,
                                  k < shape.bulges.size() ? shape.bulges[k] : 0.0});
              }
              dxf::Update(rec, data);
            } else {
              UpdatePolylineHead(rec, shape);
              followers = PolylineFollowers(doc, rec, followers, shape, e.layer);
            }
          } else if constexpr (std::is_same_v<T, TextShape>) {
            dxf::Update(rec, TextDataOf(shape));
            if (rec.Value(7, "Standard") != shape.style)
              SetTextTag(rec, dxf::Tag{7, shape.style});
            if (dxf::GetDouble(rec, 41, 1.0) != shape.widthFactor)
              SetTextTag(rec, dxf::DoubleTag(41, shape.widthFactor));
          } else if constexpr (std::is_same_v<T, CircleShape>) {
            dxf::Update(rec, dxf::CircleData{shape.center, shape.radius});
          } else if constexpr (std::is_same_v<T, InsertShape>) {
            const auto before = dxf::AsInsert(rec);
            dxf::InsertData data{shape.block,  shape.insertion, shape.xscale,
                                 shape.yscale, shape.zscale,    shape.rotation * kDegreesPerRadian};
            dxf::Update(rec, data);
            if (before)
              MoveAttributes(followers, *before, data);
          } else {
            const auto before = dxf::AsLeader(rec);
            dxf::LeaderData data;
            data.vertices = shape.vertices;
            data.arrowhead = shape.arrowhead;
            data.dimStyle = before ? before->dimStyle : DimStyleName();
            dxf::Update(rec, data);
          }
        },
        e.shape);
    if (dxf::LayerOf(rec) != e.layer)
      dxf::SetLayer(rec, e.layer);
    rec.xdata = ToDxfXdata(e.xdata, sourceXdata);
    if (const auto* leader = std::get_if<LeaderShape>(&e.shape))
      SetArrow(rec, *leader);
  }

  // Attributes follow a moved, turned or uniformly scaled block reference.
  static void MoveAttributes(std::vector<dxf::Entity>& followers, const dxf::InsertData& from,
                             const dxf::InsertData& to) {
    if (from.xScale != from.yScale || to.xScale != to.yScale || from.xScale == 0.0)
      return;
    const double k = to.xScale / from.xScale;
    const double turn = (to.rotationDegrees - from.rotationDegrees) / kDegreesPerRadian;
    if (from.insertion == to.insertion && k == 1.0 && turn == 0.0)
      return;
    const double c = std::cos(turn);
    const double sn = std::sin(turn);
    auto place = [&](const TAcadPoint& p) {
      const double x = (p.x - from.insertion.x) * k;
      const double y = (p.y - from.insertion.y) * k;
      return TAcadPoint{to.insertion.x + x * c - y * sn, to.insertion.y + x * sn + y * c,
                        p.z - from.insertion.z + to.insertion.z};
    };
    for (dxf::Entity& a : followers) {
      if (a.type != "ATTRIB")
        continue;
      for (int code : {10, 11}) {
        if (!a.Find(code))
          continue;
        const TAcadPoint p = place(dxf::GetPoint(a, code));
        dxf::SetFirstTag(a, dxf::DoubleTag(code, p.x));
        dxf::SetFirstTag(a, dxf::DoubleTag(code + 10, p.y));
        dxf::SetFirstTag(a, dxf::DoubleTag(code + 20, p.z));
      }
      if (k != 1.0)
        dxf::SetFirstTag(a, dxf::DoubleTag(40, dxf::GetDouble(a, 40, 1.0) * k));
      if (turn != 0.0)
        dxf::SetFirstTag(a,
                         dxf::DoubleTag(50, dxf::GetDouble(a, 50, 0.0) + turn * kDegreesPerRadian));
    }
  }

  // The arrowhead as the leader's record and its style give it; an override where they differ.
  void SetArrow(dxf::Entity& rec, const LeaderShape& leader) {
    const Arrow now = ArrowOf(doc, rec);
    if (now.size != leader.arrowSize)
      SetOverride(rec, 41, dxf::DoubleTag(1040, leader.arrowSize / now.scale));
    if (!dxf::SameName(now.block, leader.arrowBlock)) {
      const dxf::Entity* block = leader.arrowBlock.empty()
                                     ? nullptr
                                     : doc.FindTableRecord("BLOCK_RECORD", leader.arrowBlock);
      if (block || leader.arrowBlock.empty())
        SetOverride(rec, 341, dxf::Tag{1005, block ? block->Handle() : std::string("0")});
    }
  }

  // Rebuilds one container of the source: unchanged and unmodelled records as they are, changed
  // entities updated, erased ones dropped.
  void Rebuild(int container, std::vector<dxf::Entity>& records) {
    std::map<std::size_t, ObjectId> linked;
    for (const auto& [id, ref] : s.entities) {
      if (ref.container == container)
        linked[ref.index] = id;
    }
    std::vector<dxf::Entity> out;
    out.reserve(records.size());
    for (std::size_t i = 0; i < records.size();) {
      const std::size_t span = std::max<std::size_t>(1, dxf::RecordSpan(records, i));
      const auto link = linked.find(i);
      const Entity* e = link == linked.end() ? nullptr : d.FindEntity(link->second);
      if (link == linked.end()) {
        out.insert(out.end(), records.begin() + static_cast<std::ptrdiff_t>(i),
                   records.begin() + static_cast<std::ptrdiff_t>(i + span));
      } else if (!e || e->owner != OwnerOf(container, records[i])) {
        changed = true;  // erased (or moved to another block: written there as new)
      } else {
        written.insert(link->second);
        const auto original = ConvertRecord(doc, records, i);
        if (original && SameEntity(*original, *e)) {
          out.insert(out.end(), records.begin() + static_cast<std::ptrdiff_t>(i),
                     records.begin() + static_cast<std::ptrdiff_t>(i + span));
        } else {
          changed = true;
          dxf::Entity rec = PassthroughMatches(records[i], e->passthrough)
                                ? records[i]
                                : FromPassthrough(e->passthrough);
          std::vector<dxf::Entity> followers(
              records.begin() + static_cast<std::ptrdiff_t>(i + 1),
              records.begin() + static_cast<std::ptrdiff_t>(i + span));
          if (rec.type.empty())
            rec.type = records[i].type;
          Apply(rec, followers, *e, records[i].xdata);
          out.push_back(std::move(rec));
          out.insert(out.end(), followers.begin(), followers.end());
        }
      }
      i += span;
    }
    records = std::move(out);
  }

  // The DXF type the entity takes in this document.
  std::string TypeFor(const Entity& e) const {
    if (std::holds_alternative<PolylineShape>(e.shape))
      return doc.HasSubclassMarkers() ? "LWPOLYLINE" : "POLYLINE";
    return std::string(DxfTypeName(e));
  }

  dxf::Properties PropertiesOf(const Entity& e) const {
    dxf::Properties props;
    props.layer = e.layer;
    for (const RawTag& t : e.passthrough) {
      if (t.code == 62 && !props.color) {
        if (auto c = dxf::ParseInt(t.value))
          props.color = static_cast<int>(*c);
      } else if (t.code == 6 && !props.linetype && doc.FindTableRecord("LTYPE", t.value)) {
        props.linetype = t.value;
      }
    }
    return props;
  }

  // The records of an entity made in the session: head and followers, without handles yet.
  std::vector<dxf::Entity> MakeRecords(const Entity& e) {
    const std::string type = TypeFor(e);
    const bool fromPassthrough =
        !e.passthrough.empty() && e.passthrough[0].code == 0 && e.passthrough[0].value == type &&
        std::any_of(e.passthrough.begin(), e.passthrough.end(),
                    [](const RawTag& t) { return t.code == 100; }) == doc.HasSubclassMarkers();
    dxf::Entity rec;
    if (fromPassthrough) {
      std::vector<RawTag> raw = e.passthrough;
      DropPlaceGroups(raw);
      rec = FromPassthrough(raw);
    } else {
      const dxf::Properties props = PropertiesOf(e);
      rec = std::visit(
          [&](const auto& shape) -> dxf::Entity {
            using T = std::decay_t<decltype(shape)>;
            if constexpr (std::is_same_v<T, LineShape>) {
              return dxf::NewEntity(doc, dxf::LineData{shape.start, shape.end}, props);
            } else if constexpr (std::is_same_v<T, PolylineShape>) {
              if (!doc.HasSubclassMarkers())
                return NewR12Polyline(props, shape.closed, shape.elevation);
              return dxf::NewEntity(doc, dxf::LwPolylineData{{}, shape.closed, shape.elevation},
                                    props);
            } else if constexpr (std::is_same_v<T, TextShape>) {
              return dxf::NewEntity(doc, TextDataOf(shape), props);
            } else if constexpr (std::is_same_v<T, CircleShape>) {
              return dxf::NewEntity(doc, dxf::CircleData{shape.center, shape.radius}, props);
            } else if constexpr (std::is_same_v<T, InsertShape>) {
              return dxf::NewEntity(
                  doc,
                  dxf::InsertData{shape.block, shape.insertion, shape.xscale, shape.yscale,
                                  shape.zscale, shape.rotation * kDegreesPerRadian},
                  props);
            } else {
              if (!doc.HasSubclassMarkers())
                return NewR12Polyline(props, false, 0.0);
              dxf::LeaderData data;
              data.vertices = shape.vertices;
              data.arrowhead = shape.arrowhead;
              data.dimStyle = DimStyleName();
              return dxf::NewEntity(doc, data, props);
            }
          },
          e.shape);
    }
    std::vector<dxf::Entity> followers;
    if (const auto* leader = std::get_if<LeaderShape>(&e.shape); leader && rec.type == "POLYLINE") {
      // R12 has no leaders: the path as a polyline, the arrowhead as a solid.
      PolylineShape path;
      path.vertices = leader->vertices;
      Entity asPolyline = e;
      asPolyline.shape = path;
      std::vector<dxf::Entity> out{rec};
      Apply(out[0], followers, asPolyline, {});
      out.insert(out.end(), followers.begin(), followers.end());
      if (auto head = ArrowSolid(*leader, PropertiesOf(e)))
        out.push_back(std::move(*head));
      return out;
    }
    Apply(rec, followers, e, {});
    std::vector<dxf::Entity> out{std::move(rec)};
    out.insert(out.end(), followers.begin(), followers.end());
    return out;
  }

  dxf::Entity NewR12Polyline(const dxf::Properties& props, bool closed, double elevation) const {
    dxf::Entity e;
    e.type = "POLYLINE";
    e.tags.push_back(dxf::Tag{8, props.layer});
    if (props.linetype)
      e.tags.push_back(dxf::Tag{6, *props.linetype});
    if (props.color)
      e.tags.push_back(dxf::IntTag(62, *props.color));
    e.tags.push_back(dxf::IntTag(66, 1));
    e.tags.insert(e.tags.end(),
                  {dxf::Tag{10, "0.0"}, dxf::Tag{20, "0.0"}, dxf::DoubleTag(30, elevation)});
    e.tags.push_back(dxf::IntTag(70, closed ? 1 : 0));
    return e;
  }

  // A closed filled arrowhead: as long as the arrow size, a third of it wide, tip at the first
  // vertex, pointing back along the first segment.
  std::optional<dxf::Entity> ArrowSolid(const LeaderShape& l, const dxf::Properties& props) const {
    if (!l.arrowhead || l.vertices.size() < 2 || !(l.arrowSize > 0.0))
      return std::nullopt;
    const TAcadPoint tip = l.vertices[0];
    const double dx = l.vertices[1].x - tip.x;
    const double dy = l.vertices[1].y - tip.y;
    const double len = std::hypot(dx, dy);
    if (len == 0.0)
      return std::nullopt;
    const double ux = dx / len;
    const double uy = dy / len;
    const double s = l.arrowSize;
    const TAcadPoint base{tip.x + ux * s, tip.y + uy * s, tip.z};
    const TAcadPoint left{base.x - uy * s / 6.0, base.y + ux * s / 6.0, tip.z};
    const TAcadPoint right{base.x + uy * s / 6.0, base.y - ux * s / 6.0, tip.z};
    dxf::Entity e;
    e.type = "SOLID";
    e.tags.push_back(dxf::Tag{8, props.layer});
    if (props.color)
      e.tags.push_back(dxf::IntTag(62, *props.color));
    int code = 10;
    for (const TAcadPoint& p : {tip, left, right, right}) {
      e.tags.push_back(dxf::DoubleTag(code, p.x));
      e.tags.push_back(dxf::DoubleTag(code + 10, p.y));
      e.tags.push_back(dxf::DoubleTag(code + 20, p.z));
      ++code;
    }
    return e;
  }

  // Appends the records of a new entity to model space, paper space or a block of doc.
  void AddNew(const Entity& e, dxf::Block* block, bool paperSpace) {
    std::vector<dxf::Entity> recs = MakeRecords(e);
    changed = true;
    dxf::Entity& head = block ? dxf::AddEntity(doc, *block, std::move(recs[0]))
                              : dxf::AddEntity(doc, std::move(recs[0]));
    if (paperSpace) {
      const auto marker = std::find_if(head.tags.begin(), head.tags.end(), [](const dxf::Tag& t) {
        return t.code == 100 && t.value == "AcDbEntity";
      });
      head.tags.insert(
          marker == head.tags.end() ? head.tags.begin() + (head.Find(5) ? 1 : 0) : marker + 1,
          dxf::Tag{67, "1"});
      if (dxf::Tag* owner = head.Find(330)) {
        if (const std::string ps = PaperSpaceHandle(doc); !ps.empty())
          owner->value = ps;
      }
    }
    const std::string headHandle = head.Handle();
    std::vector<dxf::Entity>& target = block ? block->entities : doc.Entities();
    for (std::size_t k = 1; k < recs.size(); ++k) {
      dxf::Entity& f = recs[k];
      const bool standalone = f.type == "SOLID";  // the arrowhead of an R12 leader
      if (standalone) {
        if (block)
          dxf::AddEntity(doc, *block, std::move(f));
        else
          dxf::AddEntity(doc, std::move(f));
        continue;
      }
      // Followers made for this entity got their handles when they were made (PolylineFollowers);
      // their owner is the head.
      if (doc.HasSubclassMarkers()) {
        if (dxf::Tag* owner = f.Find(330))
          owner->value = headHandle;
      }
      target.push_back(std::move(f));
    }
  }

  dxf::Block* DocBlock(std::string_view name) { return doc.FindBlock(name); }

  void Run() {
    // Layers: changed ones updated in place, new ones added.
    if (dxf::Table* table = doc.FindTable("LAYER")) {
      for (const LayerRecord& l : d.layers) {
        const auto link = s.layers.find(l.id);
        if (link == s.layers.end() || link->second >= table->records.size())
          continue;
        dxf::Entity& rec = table->records[link->second];
        auto data = dxf::AsLayer(rec);
        if (!data || (data->name == l.name && ClampToInt16(data->color, 7) == l.color &&
                      data->linetype == l.linetype))
          continue;
        changed = true;
        data->name = l.name;
        data->color = l.color;
        data->linetype = l.linetype;
        dxf::Update(rec, *data);
      }
    }
    for (const LayerRecord& l : d.layers) {
      if (s.layers.count(l.id))
        continue;
      changed = true;
      dxf::Entity& rec = dxf::EnsureLayer(doc, dxf::LayerData{l.name, l.color, l.linetype, 0});
      auto data = dxf::AsLayer(rec);
      if (data &&
          (ClampToInt16(data->color, 7) != l.color || !dxf::SameName(data->linetype, l.linetype))) {
        data->color = l.color;
        data->linetype = l.linetype;
        dxf::Update(rec, *data);
      }
    }

    // Containers of the source, in place.
    if (dxf::Section* entities = doc.FindSection("ENTITIES"))
      Rebuild(-1, entities->records);
    std::vector<std::string> deleted;
    if (dxf::Section* blocks = doc.FindSection("BLOCKS")) {
      for (const auto& [id, bi] : s.blocks) {
        if (bi < 0 || static_cast<std::size_t>(bi) >= blocks->blocks.size())
          continue;
        dxf::Block& block = blocks->blocks[static_cast<std::size_t>(bi)];
        const BlockRecord* b = d.FindBlock(id);
        if (!b) {
          deleted.push_back(block.Name());
          continue;
        }
        if (id == d.ModelSpaceId() || id == d.PaperSpaceId())
          continue;
        Rebuild(bi, block.entities);
        if (dxf::AsBlock(block).basePoint != b->origin) {
          changed = true;
          for (int axis = 0; axis < 3; ++axis) {
            const double v = axis == 0 ? b->origin.x : axis == 1 ? b->origin.y : b->origin.z;
            dxf::SetFirstTag(block.begin, dxf::DoubleTag(10 + 10 * axis, v));
          }
        }
      }
    }

    // Entities made in the session, in the order made, into the spaces and the loaded blocks.
    for (const auto& [id, e] : d.entities) {
      if (written.count(id))
        continue;
      if (e.owner == d.ModelSpaceId() || e.owner == d.PaperSpaceId()) {
        AddNew(e, nullptr, e.owner == d.PaperSpaceId());
        written.insert(id);
        continue;
      }
      const auto link = s.blocks.find(e.owner);
      if (link == s.blocks.end())
        continue;
      const BlockRecord* b = d.FindBlock(e.owner);
      if (!b)
        continue;
      dxf::Section& blocks = doc.EnsureSection("BLOCKS");
      AddNew(e, &blocks.blocks[static_cast<std::size_t>(link->second)], false);
      written.insert(id);
    }

    // Blocks deleted in the session go; blocks made in it come, with their entities.
    for (const std::string& name : deleted) {
      changed = true;
      dxf::RemoveBlock(doc, name);
    }
    for (const BlockRecord& b : d.blocks) {
      if (s.blocks.count(b.id) || b.id == d.ModelSpaceId() || b.id == d.PaperSpaceId())
        continue;
      changed = true;
      if (!DocBlock(b.name))
        dxf::AddBlock(doc, dxf::BlockData{b.name, b.origin});
      for (const auto& [id, e] : d.entities) {
        if (e.owner == b.id && !written.count(id)) {
          AddNew(e, DocBlock(b.name), false);
          written.insert(id);
        }
      }
    }

    // A new drawing states every variable the host models; a loaded one changes what changed.
    WriteVariables(doc, d.vars, &s == &kNoSource);
    if (changed)
      WriteExtents(doc, d);
  }
};

// A drawing without a source file: R2000 (see dxf_bridge.h) in code page 932, the ANSI code page
// of the Japanese systems this tool and its CADs run on, so that Japanese texts and layer names
// are stored as they are rather than as "\U+XXXX" escapes.
dxf::Document NewDrawingDocument() {
  dxf::Document doc = dxf::NewDocument("AC1015");
  doc.SetHeaderVariable("$DWGCODEPAGE", {dxf::Tag{3, "ANSI_932"}});
  doc.codePage = "ANSI_932";
  return doc;
}

}  // namespace

dxf::Document ToDocument(const Drawing& drawing) {
  dxf::Document doc = drawing.dxfSource ? drawing.dxfSource->document : NewDrawingDocument();
  Writer w{drawing, drawing.dxfSource ? *drawing.dxfSource : kNoSource, doc, {}, false};
  w.Run();
  return doc;
}

void WriteDrawingFile(const Drawing& drawing, const std::string& path) {
  dxf::Document doc = ToDocument(drawing);
  dxf::WriteFile(doc, path);
}

// ---- Inserting another drawing ------------------------------------------------------------------

namespace {

struct Appender {
  Drawing& d;
  const dxf::Document& src;
  AppendResult result;

  void EnsureLayer(const std::string& name) {
    if (d.FindLayer(name))
      return;
    LayerRecord& layer = d.AddLayer(name);
    if (const dxf::Entity* rec = src.FindTableRecord("LAYER", name)) {
      if (auto data = dxf::AsLayer(*rec)) {
        layer.color = ClampToInt16(data->color, 7);
        layer.linetype = data->linetype;
      }
    }
    layer.modified = true;
  }

  // The block definition a reference names, copied from the source when the drawing lacks it
  // (an existing block of that name is used as it is).
  void EnsureBlock(const std::string& name, int depth) {
    if (d.FindBlock(name) || depth > 16)
      return;
    const dxf::Block* block = src.FindBlock(name);
    if (!block)
      return;
    BlockRecord& made = d.AddBlock(name, dxf::AsBlock(*block).basePoint);
    made.modified = true;
    const ObjectId id = made.id;
    Take(block->entities, id, Placement{}, depth + 1, nullptr);
  }

  // Converts the model-space records of a container into entities of `owner`; `added` (for the
  // top level) lists them and counts what was skipped.
  void Take(const std::vector<dxf::Entity>& records, ObjectId owner, const Placement& placement,
            int depth, std::vector<ObjectId>* added) {
    for (std::size_t i = 0; i < records.size();
         i += std::max<std::size_t>(1, dxf::RecordSpan(records, i))) {
      if (added && dxf::InPaperSpace(records[i]))
        continue;
      auto e = ConvertRecord(src, records, i);
      if (!e) {
        if (added)
          result.skipped.push_back(records[i].type);
        continue;
      }
      e->handle.clear();
      DropPlaceGroups(e->passthrough);
      ApplyPlacement(*e, placement);
      e->modified = true;
      EnsureLayer(e->layer);
      if (const auto* insert = std::get_if<InsertShape>(&e->shape))
        EnsureBlock(insert->block, depth);
      const ObjectId id = d.AddEntity(std::move(*e), owner);
      if (added)
        added->push_back(id);
    }
  }
};

}  // namespace

AppendResult AppendEntities(Drawing& drawing, const dxf::Document& source, ObjectId owner,
                            const Placement& placement) {
  Appender a{drawing, source, {}};
  std::vector<ObjectId> added;
  if (const dxf::Section* entities = source.FindSection("ENTITIES"))
    a.Take(entities->records, owner == 0 ? drawing.ModelSpaceId() : owner, placement, 0, &added);
  a.result.added = std::move(added);
  return a.result;
}

}  // namespace trivane::host
