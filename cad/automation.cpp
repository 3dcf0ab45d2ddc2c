#include "cad/automation.h"

#include <cmath>
#include <cstdio>
#include <type_traits>

namespace trivane::cad {
namespace {

const char* TypeName(Value::Type t) {
  switch (t) {
    case Value::Type::Empty:
      return "Empty";
    case Value::Type::Bool:
      return "Bool";
    case Value::Type::Int16:
      return "Int16";
    case Value::Type::Int32:
      return "Int32";
    case Value::Type::Int64:
      return "Int64";
    case Value::Type::Double:
      return "Double";
    case Value::Type::Text:
      return "Text";
    case Value::Type::DoubleArray:
      return "DoubleArray";
    case Value::Type::Int16Array:
      return "Int16Array";
    case Value::Type::VariantArray:
      return "VariantArray";
    case Value::Type::Object:
      return "Object";
  }
  return "?";
}

[[noreturn]] void Mismatch(const Value& v, const char* wanted) {
  throw AutomationError("",
                        std::string("type mismatch: expected ") + wanted + ", got " + v.Describe(),
                        kErrorTypeMismatch);
}

}  // namespace

// Each factory emplaces into a default (empty) value: building a temporary variant and moving it
// trips GCC 12's -Wmaybe-uninitialized on the vector alternatives.
template <typename T, typename... A>
Value Value::Make(A&&... a) {
  Value v;
  v.v_.emplace<T>(std::forward<A>(a)...);
  return v;
}

Value Value::Bool(bool b) {
  return Make<bool>(b);
}
Value Value::Int16(std::int16_t i) {
  return Make<std::int16_t>(i);
}
Value Value::Int32(std::int32_t i) {
  return Make<std::int32_t>(i);
}
Value Value::Int64(std::int64_t i) {
  return Make<std::int64_t>(i);
}
Value Value::Double(double d) {
  return Make<double>(d);
}
Value Value::Text(std::string s) {
  return Make<std::string>(std::move(s));
}
Value Value::Doubles(std::vector<double> a) {
  return Make<std::vector<double>>(std::move(a));
}
Value Value::Int16s(std::vector<std::int16_t> a) {
  return Make<std::vector<std::int16_t>>(std::move(a));
}
Value Value::Array(Variants a) {
  return Make<Variants>(std::move(a));
}
Value Value::Ref(ObjectRef o) {
  return Make<ObjectRef>(std::move(o));
}

Value::Type Value::type() const {
  return static_cast<Type>(v_.index());
}

bool Value::IsArray() const {
  const Type t = type();
  return t == Type::DoubleArray || t == Type::Int16Array || t == Type::VariantArray;
}

bool Value::GetBool() const {
  if (auto* p = std::get_if<bool>(&v_))
    return *p;
  Mismatch(*this, "Bool");
}
const std::string& Value::GetText() const {
  if (auto* p = std::get_if<std::string>(&v_))
    return *p;
  Mismatch(*this, "Text");
}
const std::vector<double>& Value::GetDoubles() const {
  if (auto* p = std::get_if<std::vector<double>>(&v_))
    return *p;
  Mismatch(*this, "DoubleArray");
}
const std::vector<std::int16_t>& Value::GetInt16s() const {
  if (auto* p = std::get_if<std::vector<std::int16_t>>(&v_))
    return *p;
  Mismatch(*this, "Int16Array");
}
const Value::Variants& Value::GetArray() const {
  if (auto* p = std::get_if<Variants>(&v_))
    return *p;
  Mismatch(*this, "VariantArray");
}
const ObjectRef& Value::GetObject() const {
  if (auto* p = std::get_if<ObjectRef>(&v_)) {
    if (*p)
      return *p;
  }
  Mismatch(*this, "Object");
}

std::int64_t Value::ToInteger() const {
  switch (type()) {
    case Type::Bool:
      return std::get<bool>(v_) ? -1 : 0;
    case Type::Int16:
      return std::get<std::int16_t>(v_);
    case Type::Int32:
      return std::get<std::int32_t>(v_);
    case Type::Int64:
      return std::get<std::int64_t>(v_);
    case Type::Double: {
      const double d = std::get<double>(v_);
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
        Mismatch(*this, "an integer in range");
      return static_cast<std::int64_t>(std::nearbyint(d));
    }
    default:
      Mismatch(*this, "a number");
  }
}

double Value::ToDouble() const {
  switch (type()) {
    case Type::Double:
      return std::get<double>(v_);
    case Type::Bool:
    case Type::Int16:
    case Type::Int32:
    case Type::Int64:
      return static_cast<double>(ToInteger());
    default:
      Mismatch(*this, "a number");
  }
}

std::int64_t Value::UpperBound() const {
  return std::visit(
      [this](const auto& x) -> std::int64_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::vector<double>> ||
                      std::is_same_v<T, std::vector<std::int16_t>> || std::is_same_v<T, Variants>) {
          return static_cast<std::int64_t>(x.size()) - 1;
        } else {
          Mismatch(*this, "an array");
        }
      },
      v_);
}

bool operator==(const Value& a, const Value& b) {
  return a.v_ == b.v_;
}

std::string Value::Describe() const {
  std::string s = TypeName(type());
  char buf[64];
  switch (type()) {
    case Type::Bool:
      s += std::get<bool>(v_) ? " true" : " false";
      break;
    case Type::Int16:
    case Type::Int32:
    case Type::Int64:
      s += " " + std::to_string(ToInteger());
      break;
    case Type::Double:
      std::snprintf(buf, sizeof buf, " %.17g", std::get<double>(v_));
      s += buf;
      break;
    case Type::Text:
      s += " \"" + std::get<std::string>(v_) + "\"";
      break;
    case Type::DoubleArray:
    case Type::Int16Array:
    case Type::VariantArray:
      s += "[" + std::to_string(UpperBound() + 1) + "]";
      break;
    default:
      break;
  }
  return s;
}

AutomationError::AutomationError(std::string member, std::string reason, std::int32_t code)
    : std::runtime_error(member.empty() ? reason : member + ": " + reason),
      member_(std::move(member)),
      reason_(std::move(reason)),
      code_(code) {}

Value GetProperty(Object& o, std::string_view member) {
  return o.Invoke(member, InvokeKind::Get, {});
}

Value GetProperty(Object& o, std::string_view member, Value index) {
  Arg a = Arg::In(std::move(index));
  return o.Invoke(member, InvokeKind::Get, std::span<Arg>(&a, 1));
}

void PutProperty(Object& o, std::string_view member, Value v) {
  Arg a = Arg::In(std::move(v));
  o.Invoke(member, InvokeKind::Put, std::span<Arg>(&a, 1));
}

Value CallMethod(Object& o, std::string_view member, std::vector<Value> in) {
  std::vector<Arg> args;
  args.reserve(in.size());
  for (auto& v : in)
    args.push_back(Arg::In(std::move(v)));
  return o.Invoke(member, InvokeKind::Call, args);
}

Value CallMethod(Object& o, std::string_view member, std::span<Arg> args) {
  return o.Invoke(member, InvokeKind::Call, args);
}

}  // namespace trivane::cad
