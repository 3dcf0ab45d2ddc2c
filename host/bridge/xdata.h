// Extended data between the drawing (typed items) and DXF (tags).
#pragma once

#include <vector>

#include "host/dxf/document.h"
#include "host/model/drawing.h"

namespace trivane::host::bridge {

// Numbers and points as numbers where their tags read as such; everything else as its text.
std::vector<XdataApp> ToHostXdata(const std::vector<dxf::XData>& xdata);
// The drawing's extended data as DXF; an application whose data did not change keeps the tags
// (and bytes) it had in `source`.
std::vector<dxf::XData> ToDxfXdata(const std::vector<XdataApp>& apps,
                                   const std::vector<dxf::XData>& source);

}  // namespace trivane::host::bridge
