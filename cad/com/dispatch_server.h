// Any automation object served over real COM: an IDispatch that calls Object::Invoke.
//
//   ComPtr<IDispatch> d = DispatchServer::Create(application);   // e.g. the built-in host's
//   RegisterActiveObject(d.get(), clsid, ACTIVEOBJECT_STRONG, &cookie);
//
// GetIDsOfNames gives each new member name the next DISPID (from 1, per server; names are kept as
// spelled). Invoke converts the arguments to Values in their natural order, calls the object
// (DISPATCH_PROPERTYPUT/PUTREF: Put; DISPATCH_METHOD, alone or with PROPERTYGET: Call;
// DISPATCH_PROPERTYGET alone: Get), converts the result back and writes out arguments back into
// VT_BYREF | VT_VARIANT arguments. An AutomationError becomes DISP_E_EXCEPTION with an EXCEPINFO
// holding the member (bstrSource), the reason (bstrDescription) and the code (scode); no C++
// exception crosses the COM boundary.
//
// Objects the served object returns are served the same way (or as the creator's ServeChild
// says); objects a client passes back that are served here arrive as the original objects.
#pragma once

#include "cad/com/win.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cad/automation.h"
#include "cad/com/raii.h"

namespace trivane::cad::com {

class DispatchServer final : public IDispatch {
 public:
  // How an object that member `member` hands out is served; empty: as a plain DispatchServer.
  using ServeChild =
      std::function<ComPtr<IDispatch>(const ObjectRef& object, std::string_view member)>;

  // A new server for `object`; the returned pointer holds its only reference.
  static ComPtr<IDispatch> Create(ObjectRef object, ServeChild serveChild = {});
  // The object behind `dispatch` when it is a DispatchServer of this apartment, else nullptr.
  static ObjectRef Served(IDispatch* dispatch);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch (no type information)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* argError) override;

 private:
  DispatchServer(ObjectRef object, ServeChild serveChild)
      : object_(std::move(object)), serveChild_(std::move(serveChild)) {}
  ~DispatchServer() = default;

  HRESULT Call(const std::string& member, InvokeKind kind, const DISPPARAMS& params,
               VARIANT* result);

  LONG refs_ = 1;
  ObjectRef object_;
  ServeChild serveChild_;
  std::vector<std::string> names_;  // DISPID k is names_[k - 1]
  std::map<std::string, DISPID, std::less<>> ids_;
};

}  // namespace trivane::cad::com
