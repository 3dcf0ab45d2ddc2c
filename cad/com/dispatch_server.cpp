#include "cad/com/dispatch_server.h"

#include <exception>
#include <span>
#include <utility>

#include "cad/com/text.h"
#include "cad/com/variant.h"

namespace trivane::cad::com {
namespace {

// Answers QueryInterface only inside this process: it tells a DispatchServer from any other
// IDispatch (a proxy does not know it, so served objects are unwrapped only in their apartment).
// {5C0B2B0E-6E43-4D53-9B8B-2F1E0D6A7C31}
constexpr IID kDispatchServerIid = {
    0x5c0b2b0e, 0x6e43, 0x4d53, {0x9b, 0x8b, 0x2f, 0x1e, 0x0d, 0x6a, 0x7c, 0x31}};

BSTR AllocText(const std::string& utf8) {
  try {
    return UniqueBstr(Utf8ToWide(utf8)).Release();
  } catch (const std::exception&) {
    return nullptr;
  }
}

// DISP_E_EXCEPTION with the member, reason and code; without an EXCEPINFO to fill, the code itself.
HRESULT Raise(EXCEPINFO* excep, const std::string& member, const std::string& reason,
              HRESULT code) {
  if (!excep)
    return FAILED(code) ? code : E_FAIL;
  *excep = EXCEPINFO{};
  excep->bstrSource = AllocText(member);
  excep->bstrDescription = AllocText(reason);
  excep->scode = code;
  return DISP_E_EXCEPTION;
}

}  // namespace

ComPtr<IDispatch> DispatchServer::Create(ObjectRef object, ServeChild serveChild) {
  if (!object)
    throw AutomationError("", "no object to serve", kErrorFailed);
  return ComPtr<IDispatch>::Adopt(new DispatchServer(std::move(object), std::move(serveChild)));
}

ObjectRef DispatchServer::Served(IDispatch* dispatch) {
  if (!dispatch)
    return nullptr;
  void* found = nullptr;
  if (FAILED(dispatch->QueryInterface(kDispatchServerIid, &found)) || !found)
    return nullptr;
  auto* server = static_cast<DispatchServer*>(found);
  ObjectRef object = server->object_;
  server->Release();
  return object;
}

HRESULT DispatchServer::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kDispatchServerIid) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchServer::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG DispatchServer::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0)
    delete this;
  return static_cast<ULONG>(left);
}

HRESULT DispatchServer::GetTypeInfoCount(UINT* count) {
  if (!count)
    return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchServer::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info)
    *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchServer::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL)
    return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0)
    return E_INVALIDARG;
  // The served objects take no named arguments: only the member name gets an ID.
  for (UINT i = 1; i < count; ++i)
    ids[i] = DISPID_UNKNOWN;
  try {
    std::string name = WideToUtf8(names[0] ? std::wstring_view(names[0]) : std::wstring_view());
    if (name.empty()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    auto it = ids_.find(name);
    if (it == ids_.end()) {
      names_.push_back(name);
      it = ids_.emplace(std::move(name), static_cast<DISPID>(names_.size())).first;
    }
    ids[0] = it->second;
  } catch (const std::exception&) {
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT DispatchServer::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argError) {
  if (riid != IID_NULL)
    return DISP_E_UNKNOWNINTERFACE;
  if (id < 1 || static_cast<std::size_t>(id) > names_.size())
    return DISP_E_MEMBERNOTFOUND;
  const std::string member = names_[static_cast<std::size_t>(id) - 1];
  if (!params)
    return E_INVALIDARG;

  InvokeKind kind;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    kind = InvokeKind::Put;
    if (params->cArgs == 0 || params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
  } else if (flags & DISPATCH_METHOD) {
    kind = InvokeKind::Call;
  } else if (flags & DISPATCH_PROPERTYGET) {
    kind = InvokeKind::Get;
  } else {
    return E_INVALIDARG;
  }
  if (kind != InvokeKind::Put && params->cNamedArgs != 0)
    return DISP_E_NONAMEDARGS;
  if (params->cArgs > 0 && !params->rgvarg)
    return E_INVALIDARG;
  if (argError)
    *argError = 0;

  try {
    const std::size_t n = params->cArgs;
    std::vector<Arg> args(n);
    for (std::size_t i = 0; i < n; ++i) {
      const VARIANT& v = params->rgvarg[DispParamsIndex(i, n)];
      try {
        if (V_VT(&v) == (VT_BYREF | VT_VARIANT)) {
          if (!V_VARIANTREF(&v))
            throw AutomationError("", "null by-reference argument", kErrorInvalidArg);
          args[i] = Arg{FromVariant(*V_VARIANTREF(&v), Side::Server), true};
        } else {
          args[i] = Arg::In(FromVariant(v, Side::Server));
        }
      } catch (const AutomationError& e) {
        if (argError)
          *argError = static_cast<UINT>(DispParamsIndex(i, n));
        throw AutomationError(member, "argument " + std::to_string(i + 1) + ": " + e.reason(),
                              e.code());
      }
    }

    const Value r = object_->Invoke(member, kind, args);

    // Convert everything before writing anything: a failed conversion leaves the caller's
    // arguments and result as they were.
    const ServeObject serve = [&](const ObjectRef& object) {
      return serveChild_ ? serveChild_(object, member) : Create(object);
    };
    ScopedVariant out = result ? ToVariant(r, serve) : ScopedVariant();
    std::vector<std::pair<VARIANT*, ScopedVariant>> writes;
    for (std::size_t i = 0; i < n; ++i) {
      if (args[i].out)
        writes.emplace_back(V_VARIANTREF(&params->rgvarg[DispParamsIndex(i, n)]),
                            ToVariant(args[i].value, serve));
    }
    for (auto& [target, value] : writes) {
      VariantClear(target);
      *target = value.Release();
    }
    if (result)
      *result = out.Release();
    return S_OK;
  } catch (const AutomationError& e) {
    return Raise(excep, e.member().empty() ? member : e.member(), e.reason(),
                 static_cast<HRESULT>(e.code()));
  } catch (const std::exception& e) {
    return Raise(excep, member, e.what(), E_FAIL);
  } catch (...) {
    return Raise(excep, member, "unexpected error", E_UNEXPECTED);
  }
}

}  // namespace trivane::cad::com
