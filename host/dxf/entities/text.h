// TEXT: one line of text, placed, sized and turned, and aligned to a second point.
#pragma once

#include <algorithm>
#include <string>

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/entities/groups.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<TextData> kText{
    "TEXT",
    "AcDbText",
    {39, 10, 20, 30, 40, 1, 50, 41, 51, 7, 71, 72, 11, 21, 31, 210, 220, 230, 73},
    {
        {10, &TextData::insertion},
        {40, &TextData::height, 1.0, AtDefault::kWritten},
        {1, &TextData::text},
        {50, &TextData::rotationDegrees, 0.0},
    },
};

// ---- The alignment: the pair 72 (horizontal) / 73 (vertical) read as one value, and the second
// point 11/21/31 that every alignment but left uses. From R13 on, 73 stands in a second AcDbText
// subclass after the first one's groups.

inline const Subclass kTextSecond{"AcDbText", 1, {73}};

inline void ReadAlignment(const Entity& e, TextData& d) {
  d.alignmentPoint = GetPoint(e, 11);
  d.alignment =
      AlignmentFromDxf(static_cast<int>(GetInt(e, 72, 0)), static_cast<int>(GetInt(e, 73, 0)));
}

// Both codes are left out at 0; the point is written for an alignment other than left, and kept
// up to date in a record that has it.
inline void UpdateAlignment(Entity& e, const TextData& d) {
  int h = 0;
  int v = 0;
  DxfFromAlignment(d.alignment, h, v);
  const Subclass first = SubclassOf(kText);
  SetInt(e, first, 72, h, 0);
  if (h != 0 || v != 0 || e.Find(11))
    SetPoint(e, first, 11, d.alignmentPoint);
  SetInt(e, HasMarkers(e) ? kTextSecond : first, 73, v, 0);
}

inline void PushAlignment(const TextData& d, bool markers, Tags& tags) {
  int h = 0;
  int v = 0;
  DxfFromAlignment(d.alignment, h, v);
  if (h != 0)
    tags.push_back(IntTag(72, h));
  if (h != 0 || v != 0)
    PushPoint(tags, 11, d.alignmentPoint);
  if (markers)
    tags.push_back(Tag{100, std::string(kTextSecond.marker)});
  if (v != 0)
    tags.push_back(IntTag(73, v));
}

// ---- The style (7) and the width factor (41), read with their defaults. Each is set only when
// it changes: in the tag the record has, else at the end of the first subclass (the end of the
// record without markers).

inline void ReadStyle(const Entity& e, TextData& d) {
  d.style = std::string(e.Value(7, "Standard"));
  d.widthFactor = GetDouble(e, 41, 1.0);
}

inline void SetInFirstSubclass(Entity& e, const Tag& tag) {
  if (Tag* t = e.Find(tag.code)) {
    t->value = tag.value.view();  // the new value's text only, not the bytes a file had for it
    return;
  }
  auto at = e.tags.end();
  const auto marker = std::find_if(e.tags.begin(), e.tags.end(), [](const Tag& t) {
    return t.code == 100 && t.value == kText.subclass;
  });
  if (marker != e.tags.end())
    at = std::find_if(marker + 1, e.tags.end(), [](const Tag& t) { return t.code == 100; });
  e.tags.insert(at, tag);
}

inline void UpdateStyle(Entity& e, const TextData& d) {
  if (e.Value(7, "Standard") != d.style)
    SetInFirstSubclass(e, Tag{7, d.style});
  if (GetDouble(e, 41, 1.0) != d.widthFactor)
    SetInFirstSubclass(e, DoubleTag(41, d.widthFactor));
}

}  // namespace trivane::dxf::entities
