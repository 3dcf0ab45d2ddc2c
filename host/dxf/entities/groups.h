// The groups of a record as the kinds' own routines edit them: a subclass found by its marker,
// a value set in place (keeping the text of an unchanged number), a run of repeated groups
// replaced. Reading, updating and making records from a kind's table (host/dxf/model.cpp) use
// the same tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/point.h"
#include "host/dxf/document.h"

namespace trivane::dxf::entities {

inline constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The subclass of a record a value belongs to, and the order of the codes within it (used to
// place a tag the record lacks).
struct Subclass {
  std::string_view marker;
  int occurrence;
  std::vector<int> order;
};

// The first subclass of a kind (entity_kind.h).
template <typename Kind>
Subclass SubclassOf(const Kind& kind) {
  return Subclass{kind.subclass, 0, kind.order};
}

struct Range {
  std::size_t begin;
  std::size_t end;
  bool marked;  // a subclass of a record with markers (else the whole record)
};

// Index past the 102 group at i (or i when none starts there).
std::size_t PastGroup(const Tags& tags, std::size_t i);
bool HasMarkers(const Entity& e);

// Set a tag of a subclass, changing the text only when it means another value. With a fallback
// equal to the value, a record that lacks the tag goes on lacking it.
void SetDouble(Entity& e, const Subclass& sub, int code, double v,
               std::optional<double> fallback = std::nullopt);
void SetInt(Entity& e, const Subclass& sub, int code, std::int64_t v,
            std::optional<std::int64_t> fallback = std::nullopt);
void SetString(Entity& e, const Subclass& sub, int code, const std::string& v);
// x at code, y at +10, z at +20 (z left out when 0 and absent).
void SetPoint(Entity& e, const Subclass& sub, int code, const TAcadPoint& p);
void PushPoint(Tags& tags, int code, const TAcadPoint& p);

// The run of repeated groups of a subclass: from its first 10 on while the codes are among
// `codes`; begin == kNone when there is none.
Range VertexRun(const Entity& e, const Subclass& sub, const std::vector<int>& codes);
// Calls f(code, number) for each tag of such a run in turn (the number 0 when the text is none).
template <typename F>
void ForEachRunTag(const Entity& e, const Range& run, F f) {
  if (run.begin == kNone)
    return;
  for (std::size_t i = run.begin; i < run.end; ++i)
    f(e.tags[i].code, ParseDouble(e.tags[i].value).value_or(0.0));
}
// Replaces that run (or puts `fresh` where a 10 goes when there is none).
void ReplaceVertexRun(Entity& e, const Subclass& sub, const std::vector<int>& codes,
                      const Tags& fresh);

}  // namespace trivane::dxf::entities
