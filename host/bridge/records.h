// What loading, saving and appending a drawing share: space names, the leader's arrowhead as
// its dimension style gives it, entities compared field by field, the groups a modelled record
// carries as passthrough.
#pragma once

#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/dxf/document.h"
#include "host/dxf/model.h"
#include "host/model/drawing.h"
#include "host/model/shapes.h"

namespace trivane::host::bridge {

inline constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

bool IsModelSpaceName(std::string_view name);
// Only the active layout; "*Paper_Space0" and on are blocks like any other.
bool IsPaperSpaceName(std::string_view name);

// The value as a 16-bit integer; `fallback` when it is not finite or out of range.
std::int16_t ClampToInt16(double v, std::int16_t fallback);
// The record's extrusion is the world's Z axis (or absent).
bool HasDefaultExtrusion(const dxf::Entity& e);

// ---- Leader arrowheads: DIMASZ x DIMSCALE of the leader's dimension style, overridden by the
// "DSTYLE" list of the ACAD extended data as CADs of the family write it.
struct Arrow {
  double size = 0.0;
  double scale = 1.0;  // the DIMSCALE the size was multiplied by
  std::string block;
};
Arrow ArrowOf(const dxf::Document& doc, const dxf::Entity& leader);
// Sets one value of the DSTYLE list (creating the ACAD data and the list when missing).
void SetOverride(dxf::Entity& e, int which, const dxf::Tag& value);
const dxf::Entity* FindDimStyle(const dxf::Document& doc, std::string_view name);

// ---- The kinds the tables of host/dxf/entities describe, between the drawing's shapes and their
// DXF data: the same values, angles in radians in the drawing and in degrees in the file.
LineShape ShapeOf(const dxf::LineData& d);
CircleShape ShapeOf(const dxf::CircleData& d);
InsertShape ShapeOf(const dxf::InsertData& d);
// LWPOLYLINE and POLYLINE alike; the shape has no bulges when all are 0.
PolylineShape ShapeOf(const dxf::LwPolylineData& d);
dxf::LineData DataOf(const LineShape& s);
dxf::CircleData DataOf(const CircleShape& s);
dxf::InsertData DataOf(const InsertShape& s);
dxf::LwPolylineData DataOf(const PolylineShape& s);

// Shape, layer, extended data and passthrough all equal.
bool SameEntity(const Entity& a, const Entity& b);

// ---- Passthrough: the record's type and tags as read.
std::vector<RawTag> ToPassthrough(const dxf::Entity& e);
dxf::Entity FromPassthrough(const std::vector<RawTag>& raw);
bool PassthroughMatches(const dxf::Entity& record, const std::vector<RawTag>& raw);
// The groups that tie a record to its place in one drawing: handle, owner, reactors and extension
// dictionary, paper-space flag. A copy placed elsewhere drops them.
void DropPlaceGroups(std::vector<RawTag>& raw);

}  // namespace trivane::host::bridge
