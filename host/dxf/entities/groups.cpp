#include "host/dxf/entities/groups.h"

#include <algorithm>

#include "host/dxf/number_format.h"

namespace trivane::dxf::entities {

namespace {

bool IsGroupStart(const Tag& t) {
  return t.code == 102 && !t.value.empty() && t.value.front() == '{';
}

// Calls f(index) for each tag of the range outside 102 groups; f returns false to stop.
template <typename F>
void ForEach(const Tags& tags, Range r, F f) {
  for (std::size_t i = r.begin; i < r.end && i < tags.size();) {
    const std::size_t past = PastGroup(tags, i);
    if (past != i) {
      i = past;
      continue;
    }
    if (!f(i))
      return;
    ++i;
  }
}

// The tags of a subclass; the whole record when it has no markers at all; begin == kNone when
// the record has markers but not this one.
Range RangeOf(const Entity& e, const Subclass& sub) {
  if (!HasMarkers(e))
    return {0, e.tags.size(), false};
  int seen = 0;
  Range r{kNone, kNone, true};
  ForEach(e.tags, {0, e.tags.size(), false}, [&](std::size_t i) {
    const Tag& t = e.tags[i];
    if (t.code != 100)
      return true;
    if (r.begin != kNone) {
      r.end = i;
      return false;
    }
    if (t.value == sub.marker && seen++ == sub.occurrence)
      r.begin = i + 1;
    return true;
  });
  if (r.begin != kNone && r.end == kNone)
    r.end = e.tags.size();
  return r;
}

Range EnsureRange(Entity& e, const Subclass& sub) {
  Range r = RangeOf(e, sub);
  if (r.begin == kNone) {
    e.tags.push_back(Tag{100, std::string(sub.marker)});
    r = {e.tags.size(), e.tags.size(), true};
  }
  return r;
}

std::size_t FindIn(const Tags& tags, Range r, int code) {
  std::size_t found = kNone;
  if (r.begin == kNone)
    return kNone;
  ForEach(tags, r, [&](std::size_t i) {
    if (tags[i].code == code)
      found = i;
    return found == kNone;
  });
  return found;
}

// Where a missing tag goes: after the last tag of the range whose code comes before it.
std::size_t InsertPosition(const Tags& tags, Range r, const Subclass& sub, int code) {
  const auto rank = [&](int c) {
    const auto it = std::find(sub.order.begin(), sub.order.end(), c);
    return it == sub.order.end() ? kNone : static_cast<std::size_t>(it - sub.order.begin());
  };
  const std::size_t own = rank(code);
  std::size_t pos = r.marked ? r.begin : r.end;
  bool any = false;
  ForEach(tags, r, [&](std::size_t i) {
    const std::size_t k = rank(tags[i].code);
    if (k != kNone && k < own) {
      pos = i + 1;
      any = true;
    }
    return true;
  });
  if (!any && !r.marked)
    pos = r.end;
  return pos;
}

// Sets a tag of a subclass. `same` tells whether the present text already means the value (then
// it is kept as written); `isDefault` whether a missing tag may stay missing.
template <typename Same>
void SetTag(Entity& e, const Subclass& sub, int code, const std::string& text, bool isDefault,
            Same same) {
  Range r = RangeOf(e, sub);
  if (r.begin == kNone) {
    if (isDefault)
      return;
    r = EnsureRange(e, sub);
  }
  const std::size_t i = FindIn(e.tags, r, code);
  if (i != kNone) {
    if (!same(e.tags[i].value))
      e.tags[i].value = text;
    return;
  }
  if (isDefault)
    return;
  const std::size_t pos = InsertPosition(e.tags, r, sub, code);
  e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos), Tag{code, text});
}

}  // namespace

std::size_t PastGroup(const Tags& tags, std::size_t i) {
  if (!IsGroupStart(tags[i]))
    return i;
  std::size_t k = i + 1;
  while (k < tags.size() && !(tags[k].code == 102 && tags[k].value == "}"))
    ++k;
  return k < tags.size() ? k + 1 : k;
}

bool HasMarkers(const Entity& e) {
  bool found = false;
  ForEach(e.tags, {0, e.tags.size(), false}, [&](std::size_t i) {
    found = e.tags[i].code == 100;
    return !found;
  });
  return found;
}

void SetDouble(Entity& e, const Subclass& sub, int code, double v, std::optional<double> fallback) {
  SetTag(e, sub, code, detail::FormatGeneral(v), fallback && *fallback == v,
         [v](const std::string& t) { return ParseDouble(t) == v; });
}

void SetInt(Entity& e, const Subclass& sub, int code, std::int64_t v,
            std::optional<std::int64_t> fallback) {
  SetTag(e, sub, code, std::to_string(v), fallback && *fallback == v,
         [v](const std::string& t) { return ParseInt(t) == v; });
}

void SetString(Entity& e, const Subclass& sub, int code, const std::string& v) {
  SetTag(e, sub, code, v, false, [&v](const std::string& t) { return t == v; });
}

void SetPoint(Entity& e, const Subclass& sub, int code, const TAcadPoint& p) {
  SetDouble(e, sub, code, p.x);
  SetDouble(e, sub, code + 10, p.y);
  SetDouble(e, sub, code + 20, p.z, 0.0);
}

void PushPoint(Tags& tags, int code, const TAcadPoint& p) {
  tags.push_back(DoubleTag(code, p.x));
  tags.push_back(DoubleTag(code + 10, p.y));
  tags.push_back(DoubleTag(code + 20, p.z));
}

// The run of vertex tags of a subclass: [begin, end), begin == end when there are none.
Range VertexRun(const Entity& e, const Subclass& sub, const std::vector<int>& codes) {
  const Range r = RangeOf(e, sub);
  if (r.begin == kNone)
    return {kNone, kNone, true};
  const std::size_t first = FindIn(e.tags, r, 10);
  if (first == kNone)
    return {kNone, kNone, r.marked};
  std::size_t end = first;
  while (end < r.end && std::find(codes.begin(), codes.end(), e.tags[end].code) != codes.end())
    ++end;
  return {first, end, r.marked};
}

void ReplaceVertexRun(Entity& e, const Subclass& sub, const std::vector<int>& codes,
                      const Tags& fresh) {
  Range run = VertexRun(e, sub, codes);
  if (run.begin == kNone) {
    Range r = EnsureRange(e, sub);
    run.begin = run.end = InsertPosition(e.tags, r, sub, 10);
  }
  const auto first = e.tags.begin() + static_cast<std::ptrdiff_t>(run.begin);
  e.tags.erase(first, e.tags.begin() + static_cast<std::ptrdiff_t>(run.end));
  e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(run.begin), fresh.begin(),
                fresh.end());
}

}  // namespace trivane::dxf::entities
