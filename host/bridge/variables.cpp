#include "host/bridge/variables.h"

#include <algorithm>

#include "host/bridge/records.h"
#include "host/dxf/model.h"
#include "host/dxf/tags.h"
#include "host/model/shapes.h"

namespace trivane::host::bridge {

namespace {

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

}  // namespace

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

}  // namespace trivane::host::bridge
