// POLYLINE: the polyline of R12 (from R13 on LWPOLYLINE takes its place), a head record followed
// by a VERTEX record for each vertex and a SEQEND. Only the plain 2D form is modelled, with the
// data of LWPOLYLINE. Its groups are set as the first tag of their code, each only when its value
// changes, so records of every version keep the tags they have where they have them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/dxf/model.h"

namespace trivane::dxf::entities {

// ---- The head: 66 = 1 (records follow), the elevation as the z of 10/20/30 (x and y are 0),
// 70 its flags. Of the flags, 1 (closed) and 128 (the linetype's pattern runs on through the
// vertices) are those of the plain form; the others make it curve-fit, spline, 3D or a mesh.

inline constexpr std::int64_t kPolylineClosed = 1;
inline constexpr std::int64_t kPolylinePlainFlags = kPolylineClosed | 128;

// ---- A VERTEX: 10 and 20, 42 the bulge (absent when 0), 70 its flags (0 in the plain form).

inline LwVertex ReadVertex(const Entity& v) {
  return LwVertex{GetDouble(v, 10, 0.0), GetDouble(v, 20, 0.0), GetDouble(v, 42, 0.0)};
}

inline bool IsPlainVertex(const Entity& v) {
  return GetInt(v, 70, 0) == 0;
}

inline std::optional<LwPolylineData> ReadPolyline(const std::vector<Entity>& records,
                                                  std::size_t index) {
  const Entity& head = records[index];
  if (head.type != "POLYLINE")
    return std::nullopt;
  const std::int64_t flags = GetInt(head, 70, 0);
  if ((flags & ~kPolylinePlainFlags) != 0)
    return std::nullopt;
  LwPolylineData d;
  d.closed = (flags & kPolylineClosed) != 0;
  d.elevation = GetDouble(head, 30, 0.0);
  for (std::size_t k = index + 1; k < records.size() && records[k].type == "VERTEX"; ++k) {
    if (!IsPlainVertex(records[k]))
      return std::nullopt;
    d.vertices.push_back(ReadVertex(records[k]));
  }
  return d;
}

inline void UpdatePolylineHead(Entity& head, const LwPolylineData& d) {
  const std::int64_t flags = GetInt(head, 70, 0);
  const std::int64_t wanted = d.closed ? (flags | kPolylineClosed) : (flags & ~kPolylineClosed);
  if (wanted != flags || (!head.Find(70) && wanted != 0))
    SetFirstTag(head, IntTag(70, wanted));
  if (GetDouble(head, 30, 0.0) != d.elevation) {
    if (!head.Find(10)) {
      SetFirstTag(head, Tag{10, "0.0"});
      SetFirstTag(head, Tag{20, "0.0"});
    }
    SetFirstTag(head, DoubleTag(30, d.elevation));
  }
  if (!head.Find(66))
    SetFirstTag(head, IntTag(66, 1));
}

// The head's own groups after the common ones of a new record.
inline void PushPolylineHead(const LwPolylineData& d, Tags& tags) {
  tags.push_back(IntTag(66, 1));
  tags.insert(tags.end(), {Tag{10, "0.0"}, Tag{20, "0.0"}, DoubleTag(30, d.elevation)});
  tags.push_back(IntTag(70, d.closed ? kPolylineClosed : 0));
}

inline void UpdateVertex(Entity& v, const LwVertex& d) {
  if (GetDouble(v, 10, 0.0) != d.x || !v.Find(10))
    SetFirstTag(v, DoubleTag(10, d.x));
  if (GetDouble(v, 20, 0.0) != d.y || !v.Find(20))
    SetFirstTag(v, DoubleTag(20, d.y));
  if (GetDouble(v, 42, 0.0) != d.bulge) {
    if (d.bulge == 0.0)
      std::erase_if(v.tags, [](const Tag& t) { return t.code == 42; });
    else
      SetFirstTag(v, DoubleTag(42, d.bulge));
  }
}

// A VERTEX at (0, 0) and a SEQEND on a layer, with their markers from R13 on.
inline Entity NewVertex(bool markers, const std::string& layer) {
  Entity v;
  v.type = "VERTEX";
  if (markers) {
    v.tags = {
        Tag{100, "AcDbEntity"}, Tag{8, layer},  Tag{100, "AcDbVertex"}, Tag{100, "AcDb2dVertex"},
        Tag{10, "0.0"},         Tag{20, "0.0"}, Tag{30, "0.0"}};
  } else {
    v.tags = {Tag{8, layer}, Tag{10, "0.0"}, Tag{20, "0.0"}, Tag{30, "0.0"}};
  }
  return v;
}

inline Entity NewSeqend(bool markers, const std::string& layer) {
  Entity e;
  e.type = "SEQEND";
  e.tags = markers ? Tags{Tag{100, "AcDbEntity"}, Tag{8, layer}} : Tags{Tag{8, layer}};
  return e;
}

}  // namespace trivane::dxf::entities
