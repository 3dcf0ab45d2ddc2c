#include "cad/objects.h"

#include <limits>
#include <utility>

namespace trivane::cad {
namespace {

// Reads a value with a strict accessor and names the member when the type is wrong.
template <typename F>
auto Strict(const Value& v, std::string_view member, F&& read) -> decltype(read(v)) {
  try {
    return read(v);
  } catch (const AutomationError& e) {
    throw AutomationError(std::string(member), e.reason(), e.code());
  }
}

std::string TextOf(const Value& v, std::string_view member) {
  return Strict(v, member, [](const Value& x) { return x.GetText(); });
}
std::int64_t IntegerOf(const Value& v, std::string_view member) {
  return Strict(v, member, [](const Value& x) { return x.ToInteger(); });
}
std::int32_t Int32Of(const Value& v, std::string_view member) {
  const std::int64_t i = IntegerOf(v, member);
  if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max())
    throw AutomationError(std::string(member), "integer out of range", kErrorTypeMismatch);
  return static_cast<std::int32_t>(i);
}
double DoubleOf(const Value& v, std::string_view member) {
  return Strict(v, member, [](const Value& x) { return x.ToDouble(); });
}
bool BoolOf(const Value& v, std::string_view member) {
  // A Boolean property comes as VARIANT_BOOL; a CAD may also answer with an integer.
  if (v.type() == Value::Type::Bool)
    return v.GetBool();
  return IntegerOf(v, member) != 0;
}
ObjectRef ObjectOf(const Value& v, std::string_view member) {
  return Strict(v, member, [](const Value& x) { return x.GetObject(); });
}

Value FilterTypes(const SelectionFilter& f) {
  return f.empty() ? Value() : Value::Int16s(f.types);
}
Value FilterValues(const SelectionFilter& f) {
  return f.empty() ? Value() : Value::Array(f.values);
}

}  // namespace

Value PointToValue(const TAcadPoint& p) {
  return Value::Doubles({p.x, p.y, p.z});
}

TAcadPoint PointFromValue(const Value& v, std::string_view member) {
  const std::vector<double>& a = Strict(
      v, member, [](const Value& x) -> const std::vector<double>& { return x.GetDoubles(); });
  if (a.size() != 3)
    throw AutomationError(std::string(member),
                          "expected a point of three doubles, got " + v.Describe(),
                          kErrorTypeMismatch);
  return TAcadPoint{a[0], a[1], a[2]};
}

SelectionFilter SelectionFilter::EntityType(std::string pattern) {
  return SelectionFilter{{0}, {Value::Text(std::move(pattern))}};
}

SelectionFilter SelectionFilter::EntityTypeWithData(std::string pattern, std::string application) {
  return SelectionFilter{{0, 1001},
                         {Value::Text(std::move(pattern)), Value::Text(std::move(application))}};
}

// --- Wrapper -------------------------------------------------------------------------------------

Object& Wrapper::Target(std::string_view member) const {
  if (!obj_)
    throw AutomationError(std::string(member), "no object", kErrorFailed);
  return *obj_;
}
Value Wrapper::Get(std::string_view member) const {
  return GetProperty(Target(member), member);
}
Value Wrapper::Get(std::string_view member, Value index) const {
  return GetProperty(Target(member), member, std::move(index));
}
void Wrapper::Put(std::string_view member, Value v) const {
  PutProperty(Target(member), member, std::move(v));
}
Value Wrapper::Call(std::string_view member, std::vector<Value> in) const {
  return CallMethod(Target(member), member, std::move(in));
}
Value Wrapper::Call(std::string_view member, std::span<Arg> args) const {
  return CallMethod(Target(member), member, args);
}

// --- Entities ------------------------------------------------------------------------------------

std::string Entity::EntityName() const {
  return TextOf(Get("EntityName"), "EntityName");
}
std::int64_t Entity::ObjectID() const {
  return IntegerOf(Get("ObjectID"), "ObjectID");
}
std::string Entity::Layer() const {
  return TextOf(Get("Layer"), "Layer");
}
void Entity::Layer(std::string_view name) const {
  Put("Layer", Value::Text(std::string(name)));
}
void Entity::Update() const {
  Call("Update");
}
void Entity::Delete() const {
  Call("Delete");
}
void Entity::Erase() const {
  Call("Erase");
}
void Entity::Rotate(const TAcadPoint& base, double angle) const {
  Call("Rotate", {PointToValue(base), Value::Double(angle)});
}
void Entity::SetXdata(std::vector<std::int16_t> types, Value::Variants values) const {
  Call("SetXdata", {Value::Int16s(std::move(types)), Value::Array(std::move(values))});
}
XdataValues Entity::GetXdata(std::string_view application) const {
  Arg args[3] = {Arg::In(Value::Text(std::string(application))), Arg::Out(), Arg::Out()};
  Call("GetXdata", args);
  return XdataValues{std::move(args[1].value), std::move(args[2].value)};
}

TAcadPoint Line::StartPoint() const {
  return PointFromValue(Get("StartPoint"), "StartPoint");
}
TAcadPoint Line::EndPoint() const {
  return PointFromValue(Get("EndPoint"), "EndPoint");
}

std::vector<double> Polyline::Coordinates() const {
  const Value v = Get("Coordinates");
  return Strict(v, "Coordinates", [](const Value& x) { return x.GetDoubles(); });
}
bool Polyline::Closed() const {
  return BoolOf(Get("Closed"), "Closed");
}
void Polyline::Closed(bool closed) const {
  Put("Closed", Value::Bool(closed));
}

std::string Text::TextString() const {
  return TextOf(Get("TextString"), "TextString");
}
void Text::TextString(std::string_view s) const {
  Put("TextString", Value::Text(std::string(s)));
}
std::int32_t Text::Alignment() const {
  return Int32Of(Get("Alignment"), "Alignment");
}
void Text::Alignment(std::int32_t a) const {
  Put("Alignment", Value::Int32(a));
}
double Text::Rotation() const {
  return DoubleOf(Get("Rotation"), "Rotation");
}
void Text::Rotation(double r) const {
  Put("Rotation", Value::Double(r));
}
TAcadPoint Text::TextAlignmentPoint() const {
  return PointFromValue(Get("TextAlignmentPoint"), "TextAlignmentPoint");
}
void Text::TextAlignmentPoint(const TAcadPoint& p) const {
  Put("TextAlignmentPoint", PointToValue(p));
}
TAcadPoint Text::InsertionPoint() const {
  return PointFromValue(Get("InsertionPoint"), "InsertionPoint");
}
void Text::InsertionPoint(const TAcadPoint& p) const {
  Put("InsertionPoint", PointToValue(p));
}
double Text::Height() const {
  return DoubleOf(Get("Height"), "Height");
}

TAcadPoint Circle::Center() const {
  return PointFromValue(Get("Center"), "Center");
}
double Circle::Radius() const {
  return DoubleOf(Get("Radius"), "Radius");
}

std::string BlockReference::Name() const {
  return TextOf(Get("Name"), "Name");
}
TAcadPoint BlockReference::InsertionPoint() const {
  return PointFromValue(Get("InsertionPoint"), "InsertionPoint");
}
std::vector<Entity> BlockReference::Explode() const {
  const Value v = Call("Explode");
  std::vector<Entity> parts;
  if (v.IsEmpty())
    return parts;
  const Value::Variants& items =
      Strict(v, "Explode", [](const Value& x) -> const Value::Variants& { return x.GetArray(); });
  parts.reserve(items.size());
  for (const Value& item : items)
    parts.emplace_back(ObjectOf(item, "Explode"));
  return parts;
}

// --- Blocks and tables ---------------------------------------------------------------------------

std::string Block::Name() const {
  return TextOf(Get("Name"), "Name");
}
void Block::Delete() const {
  Call("Delete");
}
std::int32_t Block::Count() const {
  return Int32Of(Get("Count"), "Count");
}
Entity Block::Item(std::int32_t index) const {
  return Entity(ObjectOf(Call("Item", {Value::Int32(index)}), "Item"));
}
Line Block::AddLine(const TAcadPoint& start, const TAcadPoint& end) const {
  return Line(ObjectOf(Call("AddLine", {PointToValue(start), PointToValue(end)}), "AddLine"));
}
Text Block::AddText(std::string_view text, const TAcadPoint& insertion, double height) const {
  return Text(ObjectOf(Call("AddText", {Value::Text(std::string(text)), PointToValue(insertion),
                                        Value::Double(height)}),
                       "AddText"));
}
Circle Block::AddCircle(const TAcadPoint& center, double radius) const {
  return Circle(
      ObjectOf(Call("AddCircle", {PointToValue(center), Value::Double(radius)}), "AddCircle"));
}

Polyline Block::AddLightWeightPolyline(const std::vector<double>& coordinates) const {
  return Polyline(ObjectOf(Call("AddLightWeightPolyline", {Value::Doubles(coordinates)}),
                           "AddLightWeightPolyline"));
}
BlockReference Block::InsertBlock(const TAcadPoint& point, std::string_view name, double xscale,
                                  double yscale, double zscale, double rotation) const {
  return BlockReference(
      ObjectOf(Call("InsertBlock",
                    {PointToValue(point), Value::Text(std::string(name)), Value::Double(xscale),
                     Value::Double(yscale), Value::Double(zscale), Value::Double(rotation)}),
               "InsertBlock"));
}

std::int32_t Blocks::Count() const {
  return Int32Of(Get("Count"), "Count");
}
Block Blocks::Item(std::int32_t index) const {
  return Block(ObjectOf(Call("Item", {Value::Int32(index)}), "Item"));
}
Block Blocks::Add(const TAcadPoint& origin, std::string_view name) const {
  return Block(
      ObjectOf(Call("Add", {PointToValue(origin), Value::Text(std::string(name))}), "Add"));
}

std::string Layer::Name() const {
  return TextOf(Get("Name"), "Name");
}

std::int32_t Layers::Count() const {
  return Int32Of(Get("Count"), "Count");
}
cad::Layer Layers::Item(std::int32_t index) const {
  return cad::Layer(ObjectOf(Call("Item", {Value::Int32(index)}), "Item"));
}
cad::Layer Layers::Add(std::string_view name) const {
  return cad::Layer(ObjectOf(Call("Add", {Value::Text(std::string(name))}), "Add"));
}

// --- Selection sets ------------------------------------------------------------------------------

std::string SelectionSet::Name() const {
  return TextOf(Get("Name"), "Name");
}
void SelectionSet::Clear() const {
  Call("Clear");
}
void SelectionSet::Select(std::int32_t mode, const SelectionFilter& filter) const {
  Call("Select", {Value::Int32(mode), Value(), Value(), FilterTypes(filter), FilterValues(filter)});
}
void SelectionSet::Select(std::int32_t mode, const TAcadPoint& p1, const TAcadPoint& p2,
                          const SelectionFilter& filter) const {
  Call("Select", {Value::Int32(mode), PointToValue(p1), PointToValue(p2), FilterTypes(filter),
                  FilterValues(filter)});
}
void SelectionSet::SelectOnScreen(const SelectionFilter& filter) const {
  Call("SelectOnScreen", {FilterTypes(filter), FilterValues(filter)});
}
void SelectionSet::SelectAtPoint(const TAcadPoint& p, const SelectionFilter& filter) const {
  Call("SelectAtPoint", {PointToValue(p), FilterTypes(filter), FilterValues(filter)});
}
std::int32_t SelectionSet::Count() const {
  return Int32Of(Get("Count"), "Count");
}
Entity SelectionSet::Item(std::int32_t index) const {
  return Entity(ObjectOf(Call("Item", {Value::Int32(index)}), "Item"));
}
void SelectionSet::Delete() const {
  Call("Delete");
}

std::int32_t SelectionSets::Count() const {
  return Int32Of(Get("Count"), "Count");
}
SelectionSet SelectionSets::Item(std::int32_t index) const {
  return SelectionSet(ObjectOf(Call("Item", {Value::Int32(index)}), "Item"));
}
SelectionSet SelectionSets::Add(std::string_view name) const {
  return SelectionSet(ObjectOf(Call("Add", {Value::Text(std::string(name))}), "Add"));
}

// --- Utility, document, application --------------------------------------------------------------

PickedEntity Utility::GetEntity(std::string_view prompt) const {
  Arg args[3] = {Arg::Out(), Arg::Out(), Arg::In(Value::Text(std::string(prompt)))};
  Call("GetEntity", args);
  return PickedEntity{Entity(ObjectOf(args[0].value, "GetEntity")),
                      PointFromValue(args[1].value, "GetEntity")};
}
TAcadPoint Utility::GetPoint(const std::optional<TAcadPoint>& base, std::string_view prompt) const {
  const Value b = base ? PointToValue(*base) : Value();
  return PointFromValue(Call("GetPoint", {b, Value::Text(std::string(prompt))}), "GetPoint");
}
TAcadPoint Utility::TranslateCoordinates(const TAcadPoint& p, CoordinateSystem from,
                                         CoordinateSystem to, Translated what) const {
  return PointFromValue(
      Call("TranslateCoordinates", {PointToValue(p), Value::Int32(from), Value::Int32(to),
                                    Value::Int16(what == Translated::Displacement ? 1 : 0)}),
      "TranslateCoordinates");
}
void Utility::Prompt(std::string_view text) const {
  Call("Prompt", {Value::Text(std::string(text))});
}

cad::Utility Document::Utility() const {
  return cad::Utility(ObjectOf(Get("Utility"), "Utility"));
}
Block Document::ModelSpace() const {
  return Block(ObjectOf(Get("ModelSpace"), "ModelSpace"));
}
cad::Layers Document::Layers() const {
  return cad::Layers(ObjectOf(Get("Layers"), "Layers"));
}
cad::Blocks Document::Blocks() const {
  return cad::Blocks(ObjectOf(Get("Blocks"), "Blocks"));
}
cad::SelectionSets Document::SelectionSets() const {
  return cad::SelectionSets(ObjectOf(Get("SelectionSets"), "SelectionSets"));
}
Value Document::GetVariable(std::string_view name) const {
  return Call("GetVariable", {Value::Text(std::string(name))});
}
void Document::SetVariable(std::string_view name, Value v) const {
  Call("SetVariable", {Value::Text(std::string(name)), std::move(v)});
}
void Document::SendCommand(std::string_view text) const {
  Call("SendCommand", {Value::Text(std::string(text))});
}
void Document::Regen(std::int32_t which) const {
  Call("Regen", {Value::Int32(which)});
}
void Document::StartUndoMark() const {
  Call("StartUndoMark");
}
void Document::EndUndoMark() const {
  Call("EndUndoMark");
}
Entity Document::ObjectIdToObject(std::int64_t id) const {
  return Entity(ObjectOf(Call("ObjectIdToObject", {Value::Int64(id)}), "ObjectIdToObject"));
}

bool State::IsQuiescent() const {
  return BoolOf(Get("IsQuiescent"), "IsQuiescent");
}

Document Application::ActiveDocument() const {
  return Document(ObjectOf(Get("ActiveDocument"), "ActiveDocument"));
}
WindowHandle Application::HWND() const {
  return IntegerOf(Get("HWND"), "HWND");
}
State Application::GetAcadState() const {
  return State(ObjectOf(Call("GetAcadState"), "GetAcadState"));
}
State Application::GetGcadState() const {
  return State(ObjectOf(Call("GetGcadState"), "GetGcadState"));
}
State Application::GetZcadState() const {
  return State(ObjectOf(Call("GetZcadState"), "GetZcadState"));
}

}  // namespace trivane::cad
