// LEADER: a path of vertices from an arrowhead, drawn in a dimension style.
#pragma once

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/entities/groups.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<LeaderData> kLeader{
    "LEADER",
    "AcDbLeader",
    {3, 71, 72, 73, 74, 75, 40, 41, 76, 10},
    {
        {3, &LeaderData::dimStyle, "Standard"},
        {71, &LeaderData::arrowhead, 1, AtDefault::kWritten},
    },
};

// ---- The path: 76, the count, then 10/20/30 for each vertex.

inline const std::vector<int> kLeaderVertexCodes{10, 20, 30};

inline void ReadLeaderPath(const Entity& e, LeaderData& d) {
  ForEachRunTag(e, VertexRun(e, SubclassOf(kLeader), kLeaderVertexCodes), [&](int code, double v) {
    if (code == 10)
      d.vertices.push_back(TAcadPoint{v, 0.0, 0.0});
    else if (code == 20)
      d.vertices.back().y = v;
    else
      d.vertices.back().z = v;
  });
}

inline void UpdateLeaderPath(Entity& e, const LeaderData& d) {
  const Subclass sub = SubclassOf(kLeader);
  // Keep the text of unchanged coordinates (a 2D writer may have left z out).
  LeaderData before;
  ReadLeaderPath(e, before);
  if (before.vertices != d.vertices) {
    Tags fresh;
    for (const TAcadPoint& p : d.vertices)
      PushPoint(fresh, 10, p);
    ReplaceVertexRun(e, sub, kLeaderVertexCodes, fresh);
  }
  SetInt(e, sub, 76, static_cast<std::int64_t>(d.vertices.size()));
}

// A new leader's path: straight segments (72), no annotation (73), with the groups CADs write
// for that (74, 75).
inline void PushLeaderPath(const LeaderData& d, Tags& tags) {
  tags.push_back(IntTag(72, 0));
  tags.push_back(IntTag(73, 3));
  tags.push_back(IntTag(74, 1));
  tags.push_back(IntTag(75, 0));
  tags.push_back(IntTag(76, static_cast<std::int64_t>(d.vertices.size())));
  for (const TAcadPoint& p : d.vertices)
    PushPoint(tags, 10, p);
}

}  // namespace trivane::dxf::entities
