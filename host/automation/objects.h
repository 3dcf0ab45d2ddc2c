// The host's automation objects (private to host/): each answers its members by name over the
// host's drawing, checking argument types as a CAD of this family does.
//
// Errors: a value of the wrong type is kErrorTypeMismatch; a value of the right type that the CAD
// refuses (a point of two doubles, a negative radius, an index out of range, an unknown system
// variable) is kErrorInvalidArg; a wrong argument count kErrorBadArgCount; an unknown member, or a
// put on a member that cannot be set, kErrorUnknownMember; an operation the drawing refuses
// (unknown layer, erased object, referenced block) kErrorFailed. Member names compare without
// regard to ASCII case, as IDispatch::GetIDsOfNames does.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "cad/automation.h"
#include "host/model/host.h"

namespace trivane::host {

// The arguments of one call, read with the CAD's type rules.
class CallArgs {
 public:
  CallArgs(std::string_view member, std::span<cad::Arg> args) : member_(member), args_(args) {}

  std::size_t size() const { return args_.size(); }
  // Refuses a count outside [min, max].
  void Expect(std::size_t min, std::size_t max) const;
  // Present and not empty (an optional argument left out goes as an empty value).
  bool Has(std::size_t i) const { return i < args_.size() && !args_[i].value.IsEmpty(); }
  const cad::Value& operator[](std::size_t i) const;

  // An array of exactly three doubles.
  TAcadPoint Point(std::size_t i) const;
  // Any number (integers are widened).
  double Number(std::size_t i) const;
  // Any integer, or a double rounded as VariantChangeType does.
  std::int64_t Integer(std::size_t i) const;
  std::string Text(std::size_t i) const;
  // A Boolean, or an integer (0 false, anything else true).
  bool Boolean(std::size_t i) const;
  // Writes a by-reference result; the argument must have been passed by reference.
  void SetOut(std::size_t i, cad::Value v);
  // Filter types and values at i and i + 1 (both empty or left out: no filter).
  EntityFilter Filter(std::size_t i) const;

  [[noreturn]] void Fail(std::string reason, std::int32_t code) const;

 private:
  std::string_view member_;
  std::span<cad::Arg> args_;
};

// One call as it arrives: which member, read or write, and its arguments.
class Request {
 public:
  Request(std::string_view member, cad::InvokeKind kind, std::span<cad::Arg> args)
      : member(member), kind(kind), args(member, args) {}

  // A property read or method call of `name` (COM clients send either flag for both).
  bool Reads(std::string_view name) const { return Is(name) && kind != cad::InvokeKind::Put; }
  bool Calls(std::string_view name) const { return Reads(name); }
  // A property write of `name`; checks that exactly one value came.
  bool Writes(std::string_view name) const;
  bool Is(std::string_view name) const;

  [[noreturn]] void Fail(std::string reason, std::int32_t code = cad::kErrorFailed) const;
  [[noreturn]] void Unknown() const;

  std::string_view member;
  cad::InvokeKind kind;
  CallArgs args;
};

// Base of the host's objects: counts every call, then dispatches it.
class HostObject : public cad::Object {
 public:
  explicit HostObject(std::shared_ptr<Host> host) : host_(std::move(host)) {}
  cad::Value Invoke(std::string_view member, cad::InvokeKind kind, std::span<cad::Arg> args) final;

 protected:
  virtual cad::Value Dispatch(Request& r) = 0;
  Host& host() const { return *host_; }
  const std::shared_ptr<Host>& hostRef() const { return host_; }

 private:
  std::shared_ptr<Host> host_;
};

cad::ObjectRef MakeApplication(std::shared_ptr<Host> host);
cad::ObjectRef MakeDocument(std::shared_ptr<Host> host);
cad::ObjectRef MakeUtility(std::shared_ptr<Host> host);
cad::ObjectRef MakeState(std::shared_ptr<Host> host);
cad::ObjectRef MakeLayers(std::shared_ptr<Host> host);
cad::ObjectRef MakeLayer(std::shared_ptr<Host> host, ObjectId layer);
cad::ObjectRef MakeBlocks(std::shared_ptr<Host> host);
cad::ObjectRef MakeBlock(std::shared_ptr<Host> host, ObjectId block);
cad::ObjectRef MakeSelectionSets(std::shared_ptr<Host> host);
cad::ObjectRef MakeSelectionSet(std::shared_ptr<Host> host, std::shared_ptr<SelectionSetData> set);
cad::ObjectRef MakeEntity(std::shared_ptr<Host> host, ObjectId entity);

// The system variables by name, with the types a CAD of this family gives and takes.
cad::Value GetSystemVariable(const Drawing& d, const Request& r, std::string_view name);
void SetSystemVariable(Drawing& d, const Request& r, std::string_view name, const cad::Value& v);

// Coordinates between the world and the current user coordinate system of `v`. A displacement
// is a direction: the origin does not move it.
enum class CoordinateKind { Position, Displacement };
TAcadPoint UcsToWorld(const SystemVariables& v, const TAcadPoint& p, CoordinateKind kind);
TAcadPoint WorldToUcs(const SystemVariables& v, const TAcadPoint& p, CoordinateKind kind);

// Layer and block names a CAD accepts: not empty, none of <>/\":;?*|=`, no control character
// (TAB included) and no leading or trailing blank.
bool IsValidSymbolName(std::string_view name);

}  // namespace trivane::host
