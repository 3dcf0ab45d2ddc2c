// Typed wrappers over the automation objects of a CAD of the AutoCAD family.
//
// Each wrapper holds one ObjectRef and calls it late-bound by the CAD's own member names, passing
// the value types such a CAD expects: points as arrays of three doubles, IDs as 64-bit integers,
// filter and extended-data types as arrays of 16-bit integers, filter and extended-data values as
// arrays of variants, out parameters by reference. Commands are written against these wrappers
// alone; they never see which backend (COM or the built-in host) answers.
//
// Getters and setters of a property share the property's name: `text.Rotation()` reads it,
// `text.Rotation(0.5)` writes it. Every call may throw AutomationError; a wrapper that holds no
// object throws it too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cad/automation.h"
#include "cad/platform.h"
#include "geometry/point.h"

namespace trivane::cad {

// --- Conversions between plain values and automation values, in one place -----------------------

// A point as the CAD takes it: an array of three doubles x, y, z indexed 0..2.
Value PointToValue(const TAcadPoint& p);
// A point as the CAD returns it. `member` names the call in the error when the value is not an
// array of three doubles.
TAcadPoint PointFromValue(const Value& v, std::string_view member);

// Text alignment codes of single-line texts.
enum TextAlignment : std::int32_t {
  kAlignmentLeft = 0,
  kAlignmentCenter = 1,
  kAlignmentRight = 2,
  kAlignmentAligned = 3,
  kAlignmentMiddle = 4,
  kAlignmentFit = 5,
  kAlignmentTopLeft = 6,
  kAlignmentTopCenter = 7,
  kAlignmentTopRight = 8,
  kAlignmentMiddleLeft = 9,
  kAlignmentMiddleCenter = 10,
  kAlignmentMiddleRight = 11,
  kAlignmentBottomLeft = 12,
  kAlignmentBottomCenter = 13,
  kAlignmentBottomRight = 14,
};

// Selection modes of SelectionSet::Select.
enum SelectMode : std::int32_t {
  kSelectWindow = 0,    // entities wholly inside the window
  kSelectCrossing = 1,  // entities inside or crossing the window
  kSelectPrevious = 3,  // the previous selection
  kSelectLast = 4,      // the last entity added to the drawing
  kSelectAll = 5,       // every entity of the drawing
};

// A selection filter: two parallel arrays, group codes and values. An empty filter is passed as
// two empty values (no filter).
struct SelectionFilter {
  std::vector<std::int16_t> types;
  Value::Variants values;

  // Group code 0 (entity type) with a pattern such as "TEXT", "*LINE" or "TEXT,CIRCLE".
  static SelectionFilter EntityType(std::string pattern);
  // Entities of that type that carry extended data of the application (group 1001).
  static SelectionFilter EntityTypeWithData(std::string pattern, std::string application);
  bool empty() const { return types.empty() && values.empty(); }
};

// Extended entity data as GetXdata returns it, left raw: the reader checks the types itself
// (Int16 array of codes, variant array of values; both empty when the entity has none).
struct XdataValues {
  Value types;
  Value values;
};

// --- Wrappers ------------------------------------------------------------------------------------

// Base of every wrapper: the object reference it calls.
class Wrapper {
 public:
  Wrapper() = default;
  explicit Wrapper(ObjectRef o) : obj_(std::move(o)) {}

  const ObjectRef& object() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 protected:
  Value Get(std::string_view member) const;
  Value Get(std::string_view member, Value index) const;
  void Put(std::string_view member, Value v) const;
  Value Call(std::string_view member, std::vector<Value> in = {}) const;
  Value Call(std::string_view member, std::span<Arg> args) const;
  Object& Target(std::string_view member) const;

 private:
  ObjectRef obj_;
};

class Entity : public Wrapper {
 public:
  using Wrapper::Wrapper;

  std::string EntityName() const;  // "AcDbLine", "AcDbPolyline", "AcDbText", ...
  std::int64_t ObjectID() const;
  std::string Layer() const;
  void Layer(std::string_view name) const;
  void Update() const;
  void Delete() const;
  void Erase() const;
  void Rotate(const TAcadPoint& base, double angle) const;  // angle in radians, anticlockwise
  void SetXdata(std::vector<std::int16_t> types, Value::Variants values) const;
  XdataValues GetXdata(std::string_view application) const;
};

class Line : public Entity {
 public:
  using Entity::Entity;
  TAcadPoint StartPoint() const;
  TAcadPoint EndPoint() const;
};

// A lightweight polyline.
class Polyline : public Entity {
 public:
  using Entity::Entity;
  std::vector<double> Coordinates() const;  // x0, y0, x1, y1, ... (plan coordinates)
  bool Closed() const;
  void Closed(bool closed) const;
};

// A single-line text.
class Text : public Entity {
 public:
  using Entity::Entity;
  std::string TextString() const;
  void TextString(std::string_view s) const;
  std::int32_t Alignment() const;  // a TextAlignment code
  void Alignment(std::int32_t a) const;
  double Rotation() const;  // radians
  void Rotation(double r) const;
  TAcadPoint TextAlignmentPoint() const;
  void TextAlignmentPoint(const TAcadPoint& p) const;
  TAcadPoint InsertionPoint() const;
  void InsertionPoint(const TAcadPoint& p) const;
  double Height() const;
};

class Circle : public Entity {
 public:
  using Entity::Entity;
  TAcadPoint Center() const;
  double Radius() const;
};

class BlockReference : public Entity {
 public:
  using Entity::Entity;
  std::string Name() const;
  TAcadPoint InsertionPoint() const;
  // Copies the block's entities into the reference's space; the reference itself stays.
  std::vector<Entity> Explode() const;
};

// A block definition; model space is one too. Entities are added to it.
class Block : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::string Name() const;
  void Delete() const;
  std::int32_t Count() const;
  Entity Item(std::int32_t index) const;
  Line AddLine(const TAcadPoint& start, const TAcadPoint& end) const;
  Text AddText(std::string_view text, const TAcadPoint& insertion, double height) const;
  Circle AddCircle(const TAcadPoint& center, double radius) const;
  // A lightweight polyline through the plan points x0, y0, x1, y1, ... (at least two vertices).
  Polyline AddLightWeightPolyline(const std::vector<double>& coordinates) const;
  // A reference to the named block at `point`, with scale factors and rotation (radians).
  BlockReference InsertBlock(const TAcadPoint& point, std::string_view name, double xscale,
                             double yscale, double zscale, double rotation) const;
};

class Blocks : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::int32_t Count() const;
  Block Item(std::int32_t index) const;
  Block Add(const TAcadPoint& origin, std::string_view name) const;
};

class Layer : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::string Name() const;
};

class Layers : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::int32_t Count() const;
  cad::Layer Item(std::int32_t index) const;
  cad::Layer Add(std::string_view name) const;
};

class SelectionSet : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::string Name() const;
  void Clear() const;
  // Modes without points (last, all, previous): the points go as empty values.
  void Select(std::int32_t mode, const SelectionFilter& filter = {}) const;
  void Select(std::int32_t mode, const TAcadPoint& p1, const TAcadPoint& p2,
              const SelectionFilter& filter = {}) const;
  void SelectOnScreen(const SelectionFilter& filter = {}) const;
  void SelectAtPoint(const TAcadPoint& p, const SelectionFilter& filter = {}) const;
  std::int32_t Count() const;
  Entity Item(std::int32_t index) const;
  void Delete() const;
};

class SelectionSets : public Wrapper {
 public:
  using Wrapper::Wrapper;
  std::int32_t Count() const;
  SelectionSet Item(std::int32_t index) const;
  SelectionSet Add(std::string_view name) const;
};

// What GetEntity gives back: the entity under the pick box and the point the user picked.
struct PickedEntity {
  Entity entity;
  TAcadPoint point;
};

// Coordinate systems of Utility::TranslateCoordinates.
enum CoordinateSystem : std::int32_t {
  kCoordinatesWorld = 0,
  kCoordinatesUcs = 1,  // the current user coordinate system
};
// What TranslateCoordinates translates: a position, or a displacement (which the origin does not
// move).
enum class Translated { Position, Displacement };

class Utility : public Wrapper {
 public:
  using Wrapper::Wrapper;
  TAcadPoint TranslateCoordinates(const TAcadPoint& p, CoordinateSystem from, CoordinateSystem to,
                                  Translated what) const;
  PickedEntity GetEntity(std::string_view prompt) const;
  // With a base point the CAD rubber-bands from it; without one the base goes as an empty value.
  TAcadPoint GetPoint(const std::optional<TAcadPoint>& base, std::string_view prompt) const;
  void Prompt(std::string_view text) const;
};

class Document : public Wrapper {
 public:
  using Wrapper::Wrapper;
  cad::Utility Utility() const;
  Block ModelSpace() const;
  cad::Layers Layers() const;
  cad::Blocks Blocks() const;
  cad::SelectionSets SelectionSets() const;
  Value GetVariable(std::string_view name) const;
  // The value goes as given: Int16 for the integer variables, Double, Text or a point.
  void SetVariable(std::string_view name, Value v) const;
  void SendCommand(std::string_view text) const;
  void Regen(std::int32_t which) const;  // 0: the active viewport, 1: all viewports
  // The work between the two marks is one undo step of the CAD.
  void StartUndoMark() const;
  void EndUndoMark() const;
  Entity ObjectIdToObject(std::int64_t id) const;
};

// The idle state of the CAD.
class State : public Wrapper {
 public:
  using Wrapper::Wrapper;
  bool IsQuiescent() const;
};

class Application : public Wrapper {
 public:
  using Wrapper::Wrapper;
  Document ActiveDocument() const;
  WindowHandle HWND() const;
  State GetAcadState() const;
  State GetGcadState() const;
  State GetZcadState() const;
};

}  // namespace trivane::cad
