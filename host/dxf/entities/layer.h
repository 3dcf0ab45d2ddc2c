// LAYER: the table record of a layer, its colour, linetype and state.
#pragma once

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<LayerData> kLayer{
    "LAYER",
    "AcDbLayerTableRecord",
    {2, 70, 62, 6, 290, 370, 390, 347},
    {
        {2, &LayerData::name},
        {70, &LayerData::flags, 0, AtDefault::kWritten},
        {62, &LayerData::color, 7, AtDefault::kWritten},
        {6, &LayerData::linetype, "Continuous"},
    },
};

// From R2000 on a new layer also has a lineweight, 370 (-3: the default), and the plot style of
// layer 0 (390) when the drawing names one, so that every layer has one.
inline void PushPlotGroups(const Document& doc, Tags& tags) {
  if (doc.VersionNumber() < 1015)
    return;
  tags.push_back(IntTag(370, -3));
  if (const Entity* zero = doc.FindTableRecord("LAYER", "0")) {
    if (const Tag* plotStyle = zero->Find(390))
      tags.push_back(*plotStyle);
  }
}

}  // namespace trivane::dxf::entities
