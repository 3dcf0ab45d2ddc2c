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

}  // namespace trivane::dxf::entities
