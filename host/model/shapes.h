// Geometry of the host's entities: what they look like for selection, picking and extents, and
// how they move.
//
// Every entity is reduced to primitives: straight segments (lines, polyline and leader segments),
// circles (their curve), and filled quadrilaterals (the box of a text). Block references give the
// primitives of their block's entities, placed by the reference. Selection, picking and extents
// work on the primitives only.
//
// Text box estimate (no font metrics): the box stands on the baseline and is `height` high (no
// descenders). Its width is the sum of the characters' advances times the width factor: 1.0 x
// height for a full-width character (East Asian wide and fullwidth forms: U+1100-115F,
// U+2E80-A4CF, U+AC00-D7A3, U+F900-FAFF, U+FE30-FE4F, U+FF00-FF60, U+FFE0-FFE6 and the planes
// from U+20000), 0.8 x height for any other character. Half-width katakana (U+FF61-FF9F) count as
// narrow.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "geometry/point.h"
#include "host/model/drawing.h"

namespace trivane::host {

// An axis-aligned rectangle in plan, corners included.
struct Box {
  double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
  // The box spanned by two opposite corners in any order.
  static Box FromCorners(const TAcadPoint& a, const TAcadPoint& b);
  bool Contains(const TAcadPoint& p) const;
};

struct SegmentPrimitive {
  TAcadPoint a, b;
};
struct CirclePrimitive {
  TAcadPoint center;
  double radius = 0.0;
};
struct QuadPrimitive {
  std::array<TAcadPoint, 4> corners;  // in order around the quadrilateral
};
using Primitive = std::variant<SegmentPrimitive, CirclePrimitive, QuadPrimitive>;

// Width of a text's box by the estimate above.
double EstimatedTextWidth(const TextShape& t);
// The four corners of a text's box: bottom left, bottom right, top right, top left.
std::array<TAcadPoint, 4> TextBox(const TextShape& t);
// Where the text's left baseline point lies when it is justified on `anchor` with its alignment.
TAcadPoint InsertionFromAnchor(const TextShape& t, const TAcadPoint& anchor);
// The point a text with this alignment is justified on, given its left baseline point.
TAcadPoint AnchorFromInsertion(const TextShape& t, std::int32_t alignment);

// Nested block references can make a small file expand to more parts than anything can hold:
// Primitives refuses an entity past this many parts and primitives.
inline constexpr std::int64_t kMaxExpansion = 1'000'000;
class ExpansionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The primitives of an entity in world coordinates. Block references nested deeper than 16 levels
// (or referring to themselves) contribute nothing past that depth. Throws ExpansionError past
// kMaxExpansion.
std::vector<Primitive> Primitives(const Drawing& d, const Entity& e);

// Crossing window: some part of the entity lies inside or on the box.
bool CrossesBox(const Drawing& d, const Entity& e, const Box& box);
// Window: every part of the entity lies inside or on the box (an entity without parts is never
// inside).
bool InsideBox(const Drawing& d, const Entity& e, const Box& box);
// Plan distance from p to the nearest part of the entity (0 inside a text's box); infinity for an
// entity without parts.
double DistanceToEntity(const Drawing& d, const Entity& e, const TAcadPoint& p);

// Extents of the model-space entities: EXTMIN and EXTMAX, from each block definition's outline
// computed once (never by expanding references), finite however large the coordinates. An empty
// drawing gives (1e20, 1e20, 1e20) and (-1e20, -1e20, -1e20) as a CAD of this family does. z is 0
// otherwise.
std::pair<TAcadPoint, TAcadPoint> Extents(const Drawing& d);

// A similarity of the plan: scale about `origin`, then rotate about it, then move by `offset`.
struct Placement {
  TAcadPoint origin;
  double scale = 1.0;
  double rotation = 0.0;  // radians, anticlockwise
  TAcadPoint offset;

  TAcadPoint Apply(const TAcadPoint& p) const;
  static Placement Move(const TAcadPoint& from, const TAcadPoint& to);
  static Placement Rotate(const TAcadPoint& base, double angle);
};
// Moves, rotates and scales the entity's geometry (text heights, radii and arrow sizes scale; text
// and reference rotations turn) and marks it modified.
void ApplyPlacement(Entity& e, const Placement& p);

// The DXF type name of an entity: LINE, LWPOLYLINE, TEXT, CIRCLE, INSERT, LEADER.
std::string_view DxfTypeName(const Entity& e);
// The automation class name: AcDbLine, AcDbPolyline, AcDbText, AcDbCircle, AcDbBlockReference,
// AcDbLeader.
std::string_view AutomationName(const Entity& e);

// Puts p on the snap grid SNAPBASE + (i * SNAPUNIT.x, j * SNAPUNIT.y); z is kept. A spacing that is
// not positive leaves that coordinate alone.
TAcadPoint SnapToGrid(const SystemVariables& v, const TAcadPoint& p);

}  // namespace trivane::host
