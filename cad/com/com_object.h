// An automation object of another program (or of this one) reached through IDispatch.
//
//   ComObject app(dispatch);
//   Value doc = GetProperty(app, "ActiveDocument");   // DISPATCH_PROPERTYGET
//   PutProperty(layer, "Name", Value::Text("面積"));     // DISPATCH_PROPERTYPUT
//   CallMethod(doc, "SendCommand", {Value::Text(...)}); // DISPATCH_METHOD
//
// Members are looked up by name once (GetIDsOfNames) and their DISPIDs cached per object; DISPID 0
// (DISPID_VALUE) is as valid as any other. Arguments go in their natural order; out arguments
// travel as VT_BYREF | VT_VARIANT and are read back after the call. Every failure is an
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

#include "cad/automation.h"
#include "cad/com/raii.h"

namespace trivane::cad::com {

class ComObject final : public Object {
 public:
  explicit ComObject(ComPtr<IDispatch> dispatch);

  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override;

  // The DISPID of `member`, asked once and then taken from the cache.
  DISPID DispIdOf(std::string_view member);

  const ComPtr<IDispatch>& dispatch() const { return dispatch_; }

 private:
  Value InvokeById(std::string_view member, DISPID id, InvokeKind kind, std::span<Arg> args);

  ComPtr<IDispatch> dispatch_;
  std::map<std::string, DISPID, std::less<>> dispIds_;
};

}  // namespace trivane::cad::com
