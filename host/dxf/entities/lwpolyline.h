// LWPOLYLINE: a polyline in its own plane, its vertices with their bulges in the one record.
#pragma once

#include <cstdint>
#include <vector>

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/entities/groups.h"
#include "host/dxf/model.h"
#include "host/dxf/number_format.h"

namespace trivane::dxf::entities {

inline const Kind<LwPolylineData> kLwPolyline{
    "LWPOLYLINE",
    "AcDbPolyline",
    {90, 70, 43, 38, 39, 10},
    {
        {38, &LwPolylineData::elevation, 0.0},
    },
};

// ---- Before the table's groups, 90 (the count of vertices) and 70, whose bit 1 is closed (the
// other bits kept; a new record always has it). After them, the vertices: 10 and 20, 42 the bulge
// when not 0; widths (40, 41) and vertex ids (91) of a record are kept while the count stays.

inline const std::vector<int> kLwVertexCodes{10, 20, 40, 41, 42, 91};

inline void PushLwHead(const LwPolylineData& d, Tags& tags) {
  tags.push_back(IntTag(90, static_cast<std::int64_t>(d.vertices.size())));
  tags.push_back(IntTag(70, d.closed ? 1 : 0));
}

inline void PushLwVertices(const std::vector<LwVertex>& vertices, Tags& tags) {
  for (const LwVertex& v : vertices) {
    tags.push_back(DoubleTag(10, v.x));
    tags.push_back(DoubleTag(20, v.y));
    if (v.bulge != 0.0)
      tags.push_back(DoubleTag(42, v.bulge));
  }
}

inline void ReadLwHeadAndVertices(const Entity& e, LwPolylineData& d) {
  d.closed = (GetInt(e, 70, 0) & 1) != 0;
  ForEachRunTag(e, VertexRun(e, SubclassOf(kLwPolyline), kLwVertexCodes), [&](int code, double v) {
    if (code == 10)
      d.vertices.push_back(LwVertex{v, 0.0, 0.0});
    else if (code == 20)
      d.vertices.back().y = v;
    else if (code == 42)
      d.vertices.back().bulge = v;
  });
}

inline void UpdateLwVertices(Entity& e, const std::vector<LwVertex>& vertices) {
  const Subclass sub = SubclassOf(kLwPolyline);
  const Range run = VertexRun(e, sub, kLwVertexCodes);
  std::vector<std::size_t> starts;
  if (run.begin != kNone) {
    for (std::size_t i = run.begin; i < run.end; ++i) {
      if (e.tags[i].code == 10)
        starts.push_back(i);
    }
  }
  if (starts.size() != vertices.size()) {
    Tags fresh;
    PushLwVertices(vertices, fresh);
    ReplaceVertexRun(e, sub, kLwVertexCodes, fresh);
    return;
  }
  // Same count: change the coordinates and bulges in place, keeping widths and vertex ids.
  std::size_t end = run.end;
  for (std::size_t k = vertices.size(); k-- > 0;) {
    const std::size_t begin = starts[k];
    const auto set = [&](std::size_t i, double v) {
      if (ParseDouble(e.tags[i].value) != v)
        e.tags[i].value = detail::FormatGeneral(v);
    };
    set(begin, vertices[k].x);
    std::size_t bulgeAt = kNone;
    bool hasY = false;
    for (std::size_t i = begin + 1; i < end; ++i) {
      if (e.tags[i].code == 20 && !hasY) {
        set(i, vertices[k].y);
        hasY = true;
      }
      if (e.tags[i].code == 42)
        bulgeAt = i;
    }
    if (!hasY) {
      e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(begin + 1),
                    DoubleTag(20, vertices[k].y));
      ++end;
    }
    if (bulgeAt != kNone) {
      set(bulgeAt, vertices[k].bulge);
    } else if (vertices[k].bulge != 0.0) {
      e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(end),
                    DoubleTag(42, vertices[k].bulge));
    }
    end = begin;
  }
}

inline void UpdateLwHeadAndVertices(Entity& e, const LwPolylineData& d) {
  const Subclass sub = SubclassOf(kLwPolyline);
  UpdateLwVertices(e, d.vertices);
  SetInt(e, sub, 90, static_cast<std::int64_t>(d.vertices.size()));
  const std::int64_t flags = GetInt(e, 70, 0);
  SetInt(e, sub, 70, d.closed ? (flags | 1) : (flags & ~std::int64_t{1}), 0);
}

}  // namespace trivane::dxf::entities
