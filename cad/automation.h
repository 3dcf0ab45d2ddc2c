// The automation boundary: values and late-bound calls by member name.
//
// Everything the commands do in the CAD goes through Object::Invoke with a member name, a kind
// (property get, property put, method call) and automation values, exactly as a COM client calls
// IDispatch. Two backends implement Object: the Windows COM backend (cad/com/) and the built-in
// drawing host (host/). The typed wrappers of objects.h sit on top and carry the CAD's member
// names.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace trivane::cad {

class Object;
// Automation objects are reference-counted; the last holder releases the object.
using ObjectRef = std::shared_ptr<Object>;

// An automation value, the counterpart of a VARIANT. Texts are UTF-8 here; the COM backend
// converts them to and from BSTR. Arrays are indexed from 0.
class Value {
 public:
  enum class Type {
    Empty,
    Bool,
    Int16,
    Int32,
    Int64,
    Double,
    Text,
    DoubleArray,   // VT_ARRAY | VT_R8: points, coordinates
    Int16Array,    // VT_ARRAY | VT_I2: filter and extended-data type codes
    VariantArray,  // VT_ARRAY | VT_VARIANT: filter and extended-data values
    Object,        // VT_DISPATCH
  };
  using Variants = std::vector<Value>;

  Value() = default;  // Empty

  // One named constructor per type: an overload set would let bool, int and double slip into
  // each other silently.
  static Value Bool(bool b);
  static Value Int16(std::int16_t i);
  static Value Int32(std::int32_t i);
  static Value Int64(std::int64_t i);
  static Value Double(double d);
  static Value Text(std::string s);
  static Value Doubles(std::vector<double> a);
  static Value Int16s(std::vector<std::int16_t> a);
  static Value Array(Variants a);
  static Value Ref(ObjectRef o);

  Type type() const;
  bool IsEmpty() const { return type() == Type::Empty; }
  bool IsArray() const;

  // Strict accessors: the value must hold exactly this type, else AutomationError("type mismatch").
  bool GetBool() const;
  const std::string& GetText() const;
  const std::vector<double>& GetDoubles() const;
  const std::vector<std::int16_t>& GetInt16s() const;
  const Variants& GetArray() const;
  const ObjectRef& GetObject() const;

  // Coercing accessors, as VariantChangeType does for numbers. ToInteger takes Booleans (true is
  // -1, as VARIANT_TRUE), any integer, and doubles rounded half to even; ToDouble takes any
  // number. Texts, arrays and objects are a type mismatch.
  std::int64_t ToInteger() const;
  double ToDouble() const;

  // The upper bound of an array value (count - 1), -1 for an empty array; error for a non-array.
  std::int64_t UpperBound() const;

  friend bool operator==(const Value& a, const Value& b);

  // A short description for error messages and logs ("Double 1.5", "DoubleArray[3]").
  std::string Describe() const;

 private:
  using Storage = std::variant<std::monostate, bool, std::int16_t, std::int32_t, std::int64_t,
                               double, std::string, std::vector<double>, std::vector<std::int16_t>,
                               Variants, ObjectRef>;
  template <typename T, typename... A>
  static Value Make(A&&... a);
  Storage v_;
};

enum class InvokeKind { Get, Put, Call };

// One argument of a call. An out argument is passed by reference: the callee writes its result
// into `value` (GetEntity's entity and pick point, GetXdata's type and value arrays).
struct Arg {
  Value value;
  bool out = false;

  static Arg In(Value v) { return Arg{std::move(v), false}; }
  static Arg Out() { return Arg{Value(), true}; }
};

// Well-known error codes (HRESULT values a CAD of this family reports).
inline constexpr std::int32_t kErrorFailed = static_cast<std::int32_t>(0x80004005);  // E_FAIL
inline constexpr std::int32_t kErrorUnknownMember =
    static_cast<std::int32_t>(0x80020006);  // DISP_E_UNKNOWNNAME
inline constexpr std::int32_t kErrorTypeMismatch =
    static_cast<std::int32_t>(0x80020005);  // DISP_E_TYPEMISMATCH
inline constexpr std::int32_t kErrorBadArgCount =
    static_cast<std::int32_t>(0x8002000E);  // DISP_E_BADPARAMCOUNT
inline constexpr std::int32_t kErrorInvalidArg =
    static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
// A pick, point or selection prompt that the user cancelled (Esc).
inline constexpr std::int32_t kErrorCancelled =
    static_cast<std::int32_t>(0x80020009);  // DISP_E_EXCEPTION raised as "input cancelled"

// The one error type of a failing automation call: which member failed and why.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(std::string member, std::string reason, std::int32_t code = kErrorFailed);

  const std::string& member() const { return member_; }
  const std::string& reason() const { return reason_; }
  std::int32_t code() const { return code_; }
  bool cancelled() const { return code_ == kErrorCancelled; }

 private:
  std::string member_;
  std::string reason_;
  std::int32_t code_;
};

// An automation object reached late-bound by member name.
class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;

  // Calls `member` with `args` in their natural (left-to-right) order. Out arguments are written
  // back into `args`. Throws AutomationError on failure.
  virtual Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) = 0;
};

// Call-site helpers that say get, put or call.
Value GetProperty(Object& o, std::string_view member);
Value GetProperty(Object& o, std::string_view member, Value index);
void PutProperty(Object& o, std::string_view member, Value v);
Value CallMethod(Object& o, std::string_view member, std::vector<Value> in = {});
Value CallMethod(Object& o, std::string_view member, std::span<Arg> args);

}  // namespace trivane::cad
