// LINE: a segment between two points.
#pragma once

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<LineData> kLine{
    "LINE",
    "AcDbLine",
    {39, 10, 20, 30, 11, 21, 31, 210, 220, 230},
    {
        {10, &LineData::start},
        {11, &LineData::end},
    },
};

}  // namespace trivane::dxf::entities
