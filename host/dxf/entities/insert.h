// INSERT: a reference to a block, placed, scaled and turned.
#pragma once

#include "host/dxf/entities/entity_kind.h"
#include "host/dxf/model.h"

namespace trivane::dxf::entities {

inline const Kind<InsertData> kInsert{
    "INSERT",
    "AcDbBlockReference",
    {66, 2, 10, 20, 30, 41, 42, 43, 50, 70, 71, 44, 45, 210, 220, 230},
    {
        {2, &InsertData::name},
        {10, &InsertData::insertion},
        {41, &InsertData::xScale, 1.0},
        {42, &InsertData::yScale, 1.0},
        {43, &InsertData::zScale, 1.0},
        {50, &InsertData::rotationDegrees, 0.0},
    },
};

}  // namespace trivane::dxf::entities
