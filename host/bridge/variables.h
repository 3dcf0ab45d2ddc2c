// The header variables the host models, and the drawing's extents, in and out of a document.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/dxf/document.h"
#include "host/model/drawing.h"

namespace trivane::host::bridge {

// The value tag of a header variable with this group code.
std::optional<std::string> HeaderTag(const dxf::Document& doc, std::string_view name, int code);
std::optional<double> HeaderNumber(const dxf::Document& doc, std::string_view name, int code);

// $AUNITS, $ANGBASE, ...; snap and view settings from the header in R12, from the active viewport
// from R13 on.
SystemVariables ReadVariables(const dxf::Document& doc);
// Writes the variables that differ from what the document gives (all of them with `all`).
void WriteVariables(dxf::Document& doc, const SystemVariables& v, bool all);
// $EXTMIN/$EXTMAX: the host's extents joined with those the file gave (the host does not know the
// extents of the entities it does not model).
void WriteExtents(dxf::Document& doc, const Drawing& drawing);

}  // namespace trivane::host::bridge
