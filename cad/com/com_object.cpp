#include "cad/com/com_object.h"

#include <utility>
#include <vector>

#include "cad/com/text.h"
#include "cad/com/variant.h"

namespace trivane::cad::com {
namespace {

// The VARTYPE a declared parameter type travels as; VT_EMPTY when it has no VARIANT form here
// (structures, C arrays, unsigned pointers...). An interface pointer travels as VT_DISPATCH or
// VT_UNKNOWN as the interface derives.
VARTYPE VariantTypeOf(ITypeInfo& info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_SAFEARRAY: {
      const VARTYPE element = VariantTypeOf(info, *type.lptdesc);
      return element == VT_EMPTY || (element & (VT_ARRAY | VT_BYREF)) ? VT_EMPTY
                                                                      : VT_ARRAY | element;
    }
    case VT_PTR:
      // A pointer to an interface is the interface; any other pointer has no form.
      if (type.lptdesc->vt == VT_USERDEFINED)
        return VariantTypeOf(info, *type.lptdesc);
      return VT_EMPTY;
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> target;
      if (FAILED(info.GetRefTypeInfo(type.hreftype, target.Receive())) || !target)
        return VT_EMPTY;
      TYPEATTR* attr = nullptr;
      if (FAILED(target->GetTypeAttr(&attr)) || !attr)
        return VT_EMPTY;
      VARTYPE vt = VT_EMPTY;
      if (attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDUAL))
        vt = VT_DISPATCH;
      else if (attr->typekind == TKIND_INTERFACE)
        vt = VT_UNKNOWN;
      else if (attr->typekind == TKIND_ENUM)
        vt = VT_I4;
      else if (attr->typekind == TKIND_ALIAS)
        vt = VariantTypeOf(*target.get(), attr->tdescAlias);
      target->ReleaseTypeAttr(attr);
      return vt;
    }
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
      return type.vt;
    default:
      return VT_EMPTY;
  }
}

// The shape of a call from the member's FUNCDESC: one entry per argument, the return value
// ([out, retval]) left out.
std::vector<ParamShape> ShapesOf(ITypeInfo& info, const FUNCDESC& func) {
  std::vector<ParamShape> shapes;
  const int n = func.cParams;
  for (int i = 0; i < n; ++i) {
    const ELEMDESC& e = func.lprgelemdescParam[i];
    const USHORT flags = e.paramdesc.wParamFlags;
    if (flags & PARAMFLAG_FRETVAL)
      continue;
    ParamShape shape;
    // Old-style optional parameters are the trailing cParamsOpt VARIANTs.
    shape.optional = (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) ||
                     (func.cParamsOpt > 0 && i >= n - func.cParamsOpt);
    if (e.tdesc.vt == VT_PTR && (flags & PARAMFLAG_FOUT)) {
      shape.out = true;
      shape.type = VariantTypeOf(info, *e.tdesc.lptdesc);
    } else if (e.tdesc.vt == VT_PTR && e.tdesc.lptdesc->vt != VT_USERDEFINED) {
      // A by-reference parameter not marked out (VARIANT* in old libraries): written back too.
      shape.out = true;
      shape.type = VariantTypeOf(info, *e.tdesc.lptdesc);
    } else {
      shape.type = VariantTypeOf(info, e.tdesc);
    }
    if (shape.type == VT_EMPTY)
      shape.type = VT_VARIANT;
    shapes.push_back(shape);
  }
  return shapes;
}

// The DISPPARAMS of one call. Owns the argument VARIANTs (last argument first, as DISPPARAMS
// wants them) and, for each out argument, the VARIANT it refers to by reference.
//
// With the member's declared parameters (`shapes` not empty), an out argument refers to a value
// of the declared type (VT_BYREF | VT_DISPATCH for an IDispatch**, VT_BYREF | VT_VARIANT for a
// VARIANT*), an in argument of a declared scalar type is converted to it, and an empty value in an
// optional parameter is left out: VT_ERROR DISP_E_PARAMNOTFOUND, or not passed at all when only
// left-out arguments follow. Without them, out arguments travel as VT_BYREF | VT_VARIANT and
// every value as it is.
class DispArguments {
 public:
  DispArguments(std::span<const Arg> args, bool put, std::span<const ParamShape> shapes) {
    const auto shapeOf = [&](std::size_t i) -> const ParamShape* {
      return args.size() <= shapes.size() ? &shapes[i] : nullptr;
    };
    const auto omitted = [&](std::size_t i) {
      const ParamShape* shape = shapeOf(i);
      return shape && shape->optional && !args[i].out && args[i].value.IsEmpty();
    };
    std::size_t n = args.size();
    // Trailing left-out arguments are not passed (never the value of a property put).
    while (!put && n > 0 && omitted(n - 1))
      --n;
    // Convert everything first: nothing is owned by the raw array until all conversions are done.
    std::vector<ScopedVariant> values;
    values.reserve(n);
    referents_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      try {
        values.push_back(Convert(args[i], shapeOf(i), omitted(i)));
      } catch (const AutomationError& e) {
        throw AutomationError("", "argument " + std::to_string(i + 1) + ": " + e.reason(),
                              e.code());
      }
    }
    rgvarg_.resize(n);
    outs_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      VARIANT& slot = rgvarg_[DispParamsIndex(i, n)];
      if (args[i].out) {
        referents_.push_back(std::move(values[i]));
        outs_.push_back(i);
        VARIANT* referent = referents_.back().InOut();
        if (TypedOut(args[i], shapeOf(i))) {
          V_VT(&slot) = VT_BYREF | V_VT(referent);
          V_BYREF(&slot) = &V_I8(referent);  // the data field, whatever the type
        } else {
          V_VT(&slot) = VT_BYREF | VT_VARIANT;
          V_VARIANTREF(&slot) = referent;
        }
      } else {
        slot = values[i].Release();
      }
    }
    params_.rgvarg = rgvarg_.data();
    params_.cArgs = static_cast<UINT>(n);
    if (put) {
      // The value of a property put is the last argument, named DISPID_PROPERTYPUT.
      params_.rgdispidNamedArgs = &putId_;
      params_.cNamedArgs = 1;
    }
  }
  DispArguments(const DispArguments&) = delete;
  DispArguments& operator=(const DispArguments&) = delete;
  ~DispArguments() {
    // A by-reference slot does not own its referent: clearing it frees nothing.
    for (VARIANT& v : rgvarg_)
      VariantClear(&v);
  }

  DISPPARAMS* params() { return &params_; }
  // The arguments passed: fewer than given when trailing ones were left out.
  std::size_t count() const { return rgvarg_.size(); }

  // Writes what the callee left in the out arguments back into `args`.
  void ReadOut(std::span<Arg> args) const {
    for (std::size_t k = 0; k < outs_.size(); ++k) {
      const std::size_t i = outs_[k];
      try {
        args[i].value = FromVariant(referents_[k].get(), Side::Client);
      } catch (const AutomationError& e) {
        throw AutomationError("", "out argument " + std::to_string(i + 1) + ": " + e.reason(),
                              e.code());
      }
    }
  }

 private:
  // An out argument declared as a pointer to something other than a VARIANT.
  static bool TypedOut(const Arg& arg, const ParamShape* shape) {
    return arg.out && shape && shape->out && shape->type != VT_VARIANT;
  }

  // The VARIANT of one argument: for an out argument the referent (an empty value of the declared
  // type, or the value itself when it goes as VT_BYREF | VT_VARIANT), for an in argument its value.
  static ScopedVariant Convert(const Arg& arg, const ParamShape* shape, bool omitted) {
    if (omitted) {
      ScopedVariant missing;
      V_VT(missing.InOut()) = VT_ERROR;
      V_ERROR(missing.InOut()) = DISP_E_PARAMNOTFOUND;
      return missing;
    }
    if (TypedOut(arg, shape))
      return Marked(shape->type);
    ScopedVariant value = ToVariant(arg.value);
    if (!arg.out && shape && !shape->out && shape->type != VT_VARIANT &&
        V_VT(&value.get()) != shape->type && !(shape->type & VT_ARRAY) &&
        shape->type != VT_DISPATCH && shape->type != VT_UNKNOWN) {
      // A declared scalar: the value converted as the callee's own coercion would.
      ScopedVariant converted;
      if (SUCCEEDED(VariantChangeType(converted.Receive(), const_cast<VARIANT*>(&value.get()), 0,
                                      shape->type)))
        return converted;
    }
    return value;
  }
  // An empty referent of type `vt` (all data bits zero: nothing to free).
  static ScopedVariant Marked(VARTYPE vt) {
    ScopedVariant v;
    V_VT(v.InOut()) = vt;
    return v;
  }

  std::vector<VARIANT> rgvarg_;
  std::vector<ScopedVariant> referents_;  // reserved up front: the slots point into it
  std::vector<std::size_t> outs_;         // the natural index of each referent
  DISPID putId_ = DISPID_PROPERTYPUT;
  DISPPARAMS params_{};
};

// The three BSTRs of an EXCEPINFO, freed on every path.
class ExcepInfo {
 public:
  ExcepInfo() = default;
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* get() { return &info_; }

  // The callee's error code and description, filling in a deferred description first.
  std::pair<HRESULT, std::string> Error(HRESULT fallback) {
    if (info_.pfnDeferredFillIn)
      info_.pfnDeferredFillIn(&info_);
    HRESULT code = info_.scode;
    if (code == 0)
      code =
          info_.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info_.wCode) : fallback;
    std::string reason;
    try {
      reason = WideToUtf8(BstrView(info_.bstrDescription));
    } catch (const AutomationError&) {
      reason.clear();
    }
    if (reason.empty())
      reason = HresultText(code);
    return {code, std::move(reason)};
  }

 private:
  EXCEPINFO info_{};
};

WORD DispatchFlags(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::Get:
      return DISPATCH_PROPERTYGET;
    case InvokeKind::Put:
      return DISPATCH_PROPERTYPUT;
    case InvokeKind::Call:
      // As Visual Basic calls a member whose result it may use: the callee may have declared it
      // as a method or as a property with arguments.
      return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  }
  return DISPATCH_METHOD;
}

}  // namespace

ComObject::ComObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {
  if (!dispatch_)
    throw AutomationError("", "no object", kErrorFailed);
}

const std::vector<ParamShape>& ComObject::ShapeOf(DISPID id, InvokeKind kind) {
  const auto key = std::make_pair(id, static_cast<int>(kind));
  if (auto it = shapes_.find(key); it != shapes_.end())
    return it->second;
  std::vector<ParamShape> shapes;
  if (!typeInfoAsked_) {
    typeInfoAsked_ = true;
    UINT count = 0;
    if (SUCCEEDED(dispatch_->GetTypeInfoCount(&count)) && count > 0 &&
        FAILED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, typeInfo_.Receive())))
      typeInfo_ = ComPtr<ITypeInfo>();
  }
  if (typeInfo_) {
    // The member's declaration for this kind of call; a call may be a method or a property get.
    INVOKEKIND wanted[2] = {INVOKE_FUNC, INVOKE_PROPERTYGET};
    if (kind == InvokeKind::Get)
      std::swap(wanted[0], wanted[1]);
    if (kind == InvokeKind::Put) {
      wanted[0] = INVOKE_PROPERTYPUT;
      wanted[1] = INVOKE_PROPERTYPUTREF;
    }
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(typeInfo_->GetTypeAttr(&attr)) && attr) {
      const WORD funcs = attr->cFuncs;
      typeInfo_->ReleaseTypeAttr(attr);
      bool found = false;
      for (INVOKEKIND invkind : wanted) {
        for (WORD i = 0; i < funcs && !found; ++i) {
          FUNCDESC* func = nullptr;
          if (FAILED(typeInfo_->GetFuncDesc(i, &func)) || !func)
            continue;
          if (func->memid == id && func->invkind == invkind) {
            shapes = ShapesOf(*typeInfo_.get(), *func);
            found = true;
          }
          typeInfo_->ReleaseFuncDesc(func);
        }
        if (found)
          break;
      }
    }
  }
  return shapes_.emplace(key, std::move(shapes)).first->second;
}

DISPID ComObject::DispIdOf(std::string_view member) {
  if (auto it = dispIds_.find(member); it != dispIds_.end())
    return it->second;
  std::wstring name;
  try {
    name = Utf8ToWide(member);
  } catch (const AutomationError& e) {
    throw AutomationError(std::string(member), "member name: " + e.reason(), e.code());
  }
  LPOLESTR names[1] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr))
    throw AutomationError(std::string(member),
                          hr == DISP_E_UNKNOWNNAME ? "unknown member" : HresultText(hr),
                          static_cast<std::int32_t>(hr));
  dispIds_.emplace(std::string(member), id);
  return id;
}

Value ComObject::Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) {
  const DISPID id = DispIdOf(member);
  try {
    return InvokeById(member, id, kind, args);
  } catch (const AutomationError& e) {
    if (!e.member().empty())
      throw;
    throw AutomationError(std::string(member), e.reason(), e.code());
  }
}

Value ComObject::InvokeById(std::string_view member, DISPID id, InvokeKind kind,
                            std::span<Arg> args) {
  const bool put = kind == InvokeKind::Put;
  if (put && args.empty())
    throw AutomationError(std::string(member), "a property put needs a value", kErrorBadArgCount);
  DispArguments dispArgs(args, put, ShapeOf(id, kind));
  ScopedVariant result;
  ExcepInfo excep;
  UINT argError = 0;
  const WORD flags = DispatchFlags(kind);
  HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, dispArgs.params(),
                                 put ? nullptr : result.Receive(), excep.get(), &argError);
  if (hr == DISP_E_MEMBERNOTFOUND && put && args.back().value.type() == Value::Type::Object) {
    // An object-valued property may be declared for "Set" only (DISPATCH_PROPERTYPUTREF).
    ExcepInfo retryExcep;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF,
                           dispArgs.params(), nullptr, retryExcep.get(), &argError);
    if (hr == DISP_E_EXCEPTION) {
      auto [code, reason] = retryExcep.Error(hr);
      throw AutomationError(std::string(member), std::move(reason),
                            static_cast<std::int32_t>(code));
    }
  }
  if (hr == DISP_E_EXCEPTION) {
    auto [code, reason] = excep.Error(hr);
    throw AutomationError(std::string(member), std::move(reason), static_cast<std::int32_t>(code));
  }
  if (FAILED(hr)) {
    std::string reason = HresultText(hr);
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError < dispArgs.count())
      reason +=
          " (argument " + std::to_string(DispParamsIndex(argError, dispArgs.count()) + 1) + ")";
    throw AutomationError(std::string(member), std::move(reason), static_cast<std::int32_t>(hr));
  }
  dispArgs.ReadOut(args);
  if (put)
    return Value();
  return FromVariant(result.get(), Side::Client);
}

}  // namespace trivane::cad::com
