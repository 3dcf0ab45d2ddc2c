// An automation object of another program (or of this one) reached through IDispatch.
//
//   ComObject app(dispatch);
//   Value doc = GetProperty(app, "ActiveDocument");   // DISPATCH_PROPERTYGET
//   PutProperty(layer, "Name", Value::Text("面積"));     // DISPATCH_PROPERTYPUT
//   CallMethod(doc, "SendCommand", {Value::Text(...)}); // DISPATCH_METHOD
//
// Members are looked up by name once (GetIDsOfNames) and their DISPIDs cached per object; DISPID 0
// (DISPID_VALUE) is as valid as any other. Arguments go in their natural order.
//
// Where the object gives type information (IDispatch::GetTypeInfo), each argument is shaped as the
// member declares it, read once per DISPID and kind of call: an out IDispatch** gets
// VT_BYREF | VT_DISPATCH, an out VARIANT* VT_BYREF | VT_VARIANT, an out double* VT_BYREF | VT_R8;
// an in argument declared as a scalar (short, BSTR...) is converted to it; an empty value in an
// optional parameter is an omitted argument, VT_ERROR DISP_E_PARAMNOTFOUND, or not passed at all
// when only omitted arguments follow it. Where the object has none, or does not declare the
// member, out arguments travel as VT_BYREF | VT_VARIANT and every value as it is (VT_EMPTY for an
// empty one). Out arguments are read back after the call. Every failure is an
// AutomationError naming the member, with the callee's own description (EXCEPINFO) when it gave
// one and its HRESULT as the code.
//
// A ComObject belongs to the apartment (thread) it was made on.
#pragma once

#include "cad/com/win.h"

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/automation.h"
#include "cad/com/raii.h"

namespace trivane::cad::com {

// How one declared parameter of a member travels. `type` is the VARTYPE of the value (for an out
// parameter, of what it points to); VT_VARIANT where the declaration leaves it to the value.
struct ParamShape {
  VARTYPE type = VT_VARIANT;
  bool out = false;
  bool optional = false;
};

class ComObject final : public Object {
 public:
  explicit ComObject(ComPtr<IDispatch> dispatch);

  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override;

  // The DISPID of `member`, asked once and then taken from the cache.
  DISPID DispIdOf(std::string_view member);

  const ComPtr<IDispatch>& dispatch() const { return dispatch_; }

 private:
  Value InvokeById(std::string_view member, DISPID id, InvokeKind kind, std::span<Arg> args);
  // The declared parameters of member `id` for this kind of call; empty when undeclared.
  const std::vector<ParamShape>& ShapeOf(DISPID id, InvokeKind kind);

  ComPtr<IDispatch> dispatch_;
  bool typeInfoAsked_ = false;
  ComPtr<ITypeInfo> typeInfo_;  // null: the object gives none
  std::map<std::pair<DISPID, int>, std::vector<ParamShape>> shapes_;
  std::map<std::string, DISPID, std::less<>> dispIds_;
};

}  // namespace trivane::cad::com
