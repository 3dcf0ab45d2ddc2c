// CIRCLE: a centre and a radius.
#pragma once

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<CircleData> kCircle{
    "CIRCLE",
    "AcDbCircle",
    {39, 10, 20, 30, 40, 210, 220, 230},
    {
        {10, &CircleData::center},
        {40, &CircleData::radius},
    },
};

}  // namespace trivane::dxf::entities
