#include "cad/com/com_object.h"

#include <utility>
#include <vector>

#include "cad/com/text.h"
#include "cad/com/variant.h"

namespace trivane::cad::com {
namespace {

// The DISPPARAMS of one call. Owns the argument VARIANTs (last argument first, as DISPPARAMS
// wants them) and, for each out argument, the VARIANT it refers to by reference.
class DispArguments {
 public:
  DispArguments(std::span<const Arg> args, bool put) {
    const std::size_t n = args.size();
    // Convert everything first: nothing is owned by the raw array until all conversions are done.
    std::vector<ScopedVariant> values;
    values.reserve(n);
    referents_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      try {
        values.push_back(ToVariant(args[i].value));
      } catch (const AutomationError& e) {
        throw AutomationError("", "argument " + std::to_string(i + 1) + ": " + e.reason(),
                              e.code());
      }
    }
    rgvarg_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      VARIANT& slot = rgvarg_[DispParamsIndex(i, n)];
      if (args[i].out) {
        referents_.push_back(std::move(values[i]));
        V_VT(&slot) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&slot) = referents_.back().InOut();
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

  // Writes what the callee left in the out arguments back into `args`.
  void ReadOut(std::span<Arg> args) const {
    std::size_t k = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (!args[i].out)
        continue;
      try {
        args[i].value = FromVariant(referents_[k++].get(), Side::Client);
      } catch (const AutomationError& e) {
        throw AutomationError("", "out argument " + std::to_string(i + 1) + ": " + e.reason(),
                              e.code());
      }
    }
  }

 private:
  std::vector<VARIANT> rgvarg_;
  std::vector<ScopedVariant> referents_;  // reserved up front: the slots point into it
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
  DispArguments dispArgs(args, put);
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
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError < args.size())
      reason += " (argument " + std::to_string(DispParamsIndex(argError, args.size()) + 1) + ")";
    throw AutomationError(std::string(member), std::move(reason), static_cast<std::int32_t>(hr));
  }
  dispArgs.ReadOut(args);
  if (put)
    return Value();
  return FromVariant(result.get(), Side::Client);
}

}  // namespace trivane::cad::com
