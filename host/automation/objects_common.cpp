// Argument reading, dispatch plumbing and the system variables of the host's automation objects.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/angle.h"
#include "host/automation/objects.h"
#include "host/model/shapes.h"

namespace trivane::host {

using cad::AutomationError;
using cad::Value;

// --- CallArgs ------------------------------------------------------------------------------------

void CallArgs::Fail(std::string reason, std::int32_t code) const {
  throw AutomationError(std::string(member_), std::move(reason), code);
}

void CallArgs::Expect(std::size_t min, std::size_t max) const {
  if (args_.size() < min || args_.size() > max) {
    Fail("expected " + std::to_string(min) + (min == max ? "" : ".." + std::to_string(max)) +
             " arguments, got " + std::to_string(args_.size()),
         cad::kErrorBadArgCount);
  }
}

const Value& CallArgs::operator[](std::size_t i) const {
  if (i >= args_.size())
    Fail("argument " + std::to_string(i + 1) + " is missing", cad::kErrorBadArgCount);
  return args_[i].value;
}

namespace {

std::string Position(std::size_t i) {
  return "argument " + std::to_string(i + 1);
}

}  // namespace

TAcadPoint CallArgs::Point(std::size_t i) const {
  const Value& v = (*this)[i];
  if (v.type() != Value::Type::DoubleArray)
    Fail(Position(i) + ": expected a point (array of three doubles), got " + v.Describe(),
         cad::kErrorTypeMismatch);
  const auto& a = v.GetDoubles();
  if (a.size() != 3)
    Fail(Position(i) + ": a point has three doubles, got " + v.Describe(), cad::kErrorInvalidArg);
  return TAcadPoint{a[0], a[1], a[2]};
}

double CallArgs::Number(std::size_t i) const {
  const Value& v = (*this)[i];
  try {
    return v.ToDouble();
  } catch (const AutomationError&) {
    Fail(Position(i) + ": expected a number, got " + v.Describe(), cad::kErrorTypeMismatch);
  }
}

std::int64_t CallArgs::Integer(std::size_t i) const {
  const Value& v = (*this)[i];
  try {
    return v.ToInteger();
  } catch (const AutomationError&) {
    Fail(Position(i) + ": expected an integer, got " + v.Describe(), cad::kErrorTypeMismatch);
  }
}

std::string CallArgs::Text(std::size_t i) const {
  const Value& v = (*this)[i];
  if (v.type() != Value::Type::Text)
    Fail(Position(i) + ": expected a text, got " + v.Describe(), cad::kErrorTypeMismatch);
  return v.GetText();
}

bool CallArgs::Boolean(std::size_t i) const {
  const Value& v = (*this)[i];
  if (v.type() == Value::Type::Bool)
    return v.GetBool();
  switch (v.type()) {
    case Value::Type::Int16:
    case Value::Type::Int32:
    case Value::Type::Int64:
      return v.ToInteger() != 0;
    default:
      Fail(Position(i) + ": expected a Boolean, got " + v.Describe(), cad::kErrorTypeMismatch);
  }
}

void CallArgs::SetOut(std::size_t i, Value v) {
  (*this)[i];
  if (!args_[i].out)
    Fail(Position(i) + " must be passed by reference", cad::kErrorTypeMismatch);
  args_[i].value = std::move(v);
}

EntityFilter CallArgs::Filter(std::size_t i) const {
  const bool hasTypes = Has(i), hasValues = Has(i + 1);
  if (!hasTypes && !hasValues)
    return {};
  if (hasTypes != hasValues)
    Fail("filter types and filter values go together", cad::kErrorInvalidArg);
  const Value& types = args_[i].value;
  const Value& values = args_[i + 1].value;
  if (types.type() != Value::Type::Int16Array)
    Fail(
        Position(i) + ": filter types must be an array of 16-bit integers, got " + types.Describe(),
        cad::kErrorTypeMismatch);
  if (values.type() != Value::Type::VariantArray)
    Fail(Position(i + 1) + ": filter values must be an array of variants, got " + values.Describe(),
         cad::kErrorTypeMismatch);
  const auto& codes = types.GetInt16s();
  const auto& items = values.GetArray();
  if (codes.size() != items.size())
    Fail("filter types and values differ in length", cad::kErrorInvalidArg);
  EntityFilter f;
  for (std::size_t k = 0; k < codes.size(); ++k) {
    if (!EntityFilter::Supports(codes[k]))
      Fail("filter group code " + std::to_string(codes[k]) + " is not supported",
           cad::kErrorInvalidArg);
    if (items[k].type() != Value::Type::Text)
      Fail("filter value " + std::to_string(k) + " for group " + std::to_string(codes[k]) +
               " must be a text, got " + items[k].Describe(),
           cad::kErrorTypeMismatch);
    f.groups.emplace_back(codes[k], items[k].GetText());
  }
  return f;
}

// --- Request -------------------------------------------------------------------------------------

bool Request::Is(std::string_view name) const {
  return NamesEqual(member, name);
}

bool Request::Writes(std::string_view name) const {
  if (!Is(name) || kind != cad::InvokeKind::Put)
    return false;
  args.Expect(1, 1);
  return true;
}

void Request::Fail(std::string reason, std::int32_t code) const {
  throw AutomationError(std::string(member), std::move(reason), code);
}

void Request::Unknown() const {
  Fail(kind == cad::InvokeKind::Put ? "no such settable property" : "unknown member",
       cad::kErrorUnknownMember);
}

Value HostObject::Invoke(std::string_view member, cad::InvokeKind kind, std::span<cad::Arg> args) {
  host_->CountCall(member);
  Request r(member, kind, args);
  try {
    return Dispatch(r);
  } catch (const AutomationError& e) {
    host_->NoteError(e);
    throw;
  }
}

bool IsValidSymbolName(std::string_view name) {
  if (name.empty() || name.front() == ' ' || name.back() == ' ')
    return false;
  // Control characters (TAB included) cannot stand in a name a drawing file keeps.
  const bool control = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
  });
  return !control && name.find_first_of("<>/\\\":;?*|=`") == std::string_view::npos;
}

// --- System variables ----------------------------------------------------------------------------

namespace {

// Radians per unit of the angle units AUNITS names.
double AngleUnit(std::int16_t aunits) {
  switch (aunits) {
    case 2:
      return std::numbers::pi / 200.0;  // grads
    case 3:
      return 1.0;  // radians
    default:
      return kRadiansPerDegree;  // decimal degrees, deg/min/sec, surveyor's units
  }
}

Value PointValue(const TAcadPoint& p) {
  return Value::Doubles({p.x, p.y, p.z});
}
Value PlanValue(const TAcadPoint& p) {
  return Value::Doubles({p.x, p.y});
}

[[noreturn]] void Refuse(const Request& r, std::string_view name, const std::string& why) {
  r.Fail(std::string(name) + ": " + why, cad::kErrorInvalidArg);
}

std::int16_t Int16Value(const Request& r, std::string_view name, const Value& v, int lo, int hi) {
  if (v.type() != Value::Type::Int16)
    Refuse(r, name, "expects a 16-bit integer, got " + v.Describe());
  const auto i = static_cast<std::int16_t>(v.ToInteger());
  if (i < lo || i > hi)
    Refuse(r, name, "value out of range " + std::to_string(lo) + ".." + std::to_string(hi));
  return i;
}

double DoubleValue(const Request& r, std::string_view name, const Value& v, double lo) {
  if (v.type() != Value::Type::Double)
    Refuse(r, name, "expects a double, got " + v.Describe());
  const double d = v.ToDouble();
  if (!std::isfinite(d) || d < lo)
    Refuse(r, name, "value out of range");
  return d;
}

TAcadPoint PointVariable(const Request& r, std::string_view name, const Value& v,
                         std::size_t count) {
  if (v.type() != Value::Type::DoubleArray)
    Refuse(r, name, "expects an array of doubles, got " + v.Describe());
  const auto& a = v.GetDoubles();
  if (a.size() != count && a.size() != 3)
    Refuse(r, name, "expects " + std::to_string(count) + " doubles, got " + v.Describe());
  return TAcadPoint{a[0], a[1], a.size() > 2 ? a[2] : 0.0};
}

}  // namespace

namespace {

TAcadPoint Cross(const TAcadPoint& a, const TAcadPoint& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const TAcadPoint& a, const TAcadPoint& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

TAcadPoint UcsToWorld(const SystemVariables& v, const TAcadPoint& p, CoordinateKind kind) {
  const TAcadPoint z = Cross(v.UCSXDIR, v.UCSYDIR);
  const TAcadPoint o = kind == CoordinateKind::Position ? v.UCSORG : TAcadPoint{};
  return {o.x + p.x * v.UCSXDIR.x + p.y * v.UCSYDIR.x + p.z * z.x,
          o.y + p.x * v.UCSXDIR.y + p.y * v.UCSYDIR.y + p.z * z.y,
          o.z + p.x * v.UCSXDIR.z + p.y * v.UCSYDIR.z + p.z * z.z};
}

TAcadPoint WorldToUcs(const SystemVariables& v, const TAcadPoint& p, CoordinateKind kind) {
  const TAcadPoint o = kind == CoordinateKind::Position ? v.UCSORG : TAcadPoint{};
  const TAcadPoint d{p.x - o.x, p.y - o.y, p.z - o.z};
  return {Dot(d, v.UCSXDIR), Dot(d, v.UCSYDIR), Dot(d, Cross(v.UCSXDIR, v.UCSYDIR))};
}

Value GetSystemVariable(const Drawing& d, const Request& r, std::string_view name) {
  const SystemVariables& v = d.vars;
  const std::string n = FoldName(name);
  if (n == "AUNITS")
    return Value::Int16(v.AUNITS);
  if (n == "ANGBASE")
    return Value::Double(v.ANGBASE / AngleUnit(v.AUNITS));
  if (n == "ANGDIR")
    return Value::Int16(v.ANGDIR);
  if (n == "SNAPMODE")
    return Value::Int16(v.SNAPMODE);
  if (n == "SNAPUNIT")
    return PlanValue(v.SNAPUNIT);
  if (n == "SNAPBASE")
    return PlanValue(v.SNAPBASE);
  if (n == "VIEWSIZE")
    return Value::Double(v.VIEWSIZE);
  if (n == "VIEWCTR")
    return PointValue(v.VIEWCTR);
  if (n == "EXTMIN")
    return PointValue(Extents(d).first);
  if (n == "EXTMAX")
    return PointValue(Extents(d).second);
  if (n == "LASTPOINT")
    return PointValue(v.LASTPOINT);
  if (n == "DIMASZ")
    return Value::Double(v.DIMASZ);
  if (n == "DIMLDRBLK")
    return Value::Text(v.DIMLDRBLK);
  if (n == "DIMSCALE")
    return Value::Double(v.DIMSCALE);
  if (n == "CLAYER")
    return Value::Text(v.CLAYER);
  if (n == "UCSORG")
    return PointValue(v.UCSORG);
  if (n == "UCSXDIR")
    return PointValue(v.UCSXDIR);
  if (n == "UCSYDIR")
    return PointValue(v.UCSYDIR);
  r.Fail("unknown system variable " + std::string(name), cad::kErrorInvalidArg);
}

void SetSystemVariable(Drawing& d, const Request& r, std::string_view name, const Value& value) {
  SystemVariables& v = d.vars;
  const std::string n = FoldName(name);
  if (n == "AUNITS") {
    v.AUNITS = Int16Value(r, n, value, 0, 4);
  } else if (n == "ANGBASE") {
    const double a =
        DoubleValue(r, n, value, -std::numeric_limits<double>::max()) * AngleUnit(v.AUNITS);
    const double turn = 2.0 * std::numbers::pi;
    v.ANGBASE = a - turn * std::floor(a / turn);
  } else if (n == "ANGDIR") {
    v.ANGDIR = Int16Value(r, n, value, 0, 1);
  } else if (n == "SNAPMODE") {
    v.SNAPMODE = Int16Value(r, n, value, 0, 1);
  } else if (n == "SNAPUNIT") {
    const TAcadPoint p = PointVariable(r, n, value, 2);
    if (!(p.x > 0.0 && p.y > 0.0))
      Refuse(r, n, "the spacing must be positive");
    v.SNAPUNIT = TAcadPoint{p.x, p.y, 0.0};
  } else if (n == "SNAPBASE") {
    const TAcadPoint p = PointVariable(r, n, value, 2);
    v.SNAPBASE = TAcadPoint{p.x, p.y, 0.0};
  } else if (n == "LASTPOINT") {
    v.LASTPOINT = PointVariable(r, n, value, 3);
  } else if (n == "DIMASZ") {
    v.DIMASZ = DoubleValue(r, n, value, 0.0);
  } else if (n == "DIMSCALE") {
    v.DIMSCALE = DoubleValue(r, n, value, 0.0);
  } else if (n == "DIMLDRBLK") {
    if (value.type() != Value::Type::Text)
      Refuse(r, n, "expects a text, got " + value.Describe());
    // "." names the default arrowhead (closed filled), which reads back as "".
    v.DIMLDRBLK = value.GetText() == "." ? std::string() : value.GetText();
  } else if (n == "CLAYER") {
    if (value.type() != Value::Type::Text)
      Refuse(r, n, "expects a text, got " + value.Describe());
    const LayerRecord* layer = d.FindLayer(value.GetText());
    if (!layer)
      Refuse(r, n, "no layer named " + value.GetText());
    v.CLAYER = layer->name;
  } else if (n == "VIEWSIZE" || n == "VIEWCTR" || n == "EXTMIN" || n == "EXTMAX" || n == "UCSORG" ||
             n == "UCSXDIR" || n == "UCSYDIR") {
    Refuse(r, n, "read-only");
  } else {
    r.Fail("unknown system variable " + std::string(name), cad::kErrorInvalidArg);
  }
}

}  // namespace trivane::host
