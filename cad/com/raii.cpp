#include "cad/com/raii.h"

#include <climits>
#include <cstring>

#include "cad/automation.h"
#include "cad/com/text.h"

namespace trivane::cad::com {

void ThrowIfFailed(HRESULT hr, std::string_view what) {
  if (FAILED(hr))
    throw AutomationError("", std::string(what) + ": " + HresultText(hr),
                          static_cast<std::int32_t>(hr));
}

// --- UniqueBstr ----------------------------------------------------------------------------------

UniqueBstr::UniqueBstr(std::wstring_view text) {
  if (text.size() > UINT_MAX / sizeof(wchar_t))
    throw AutomationError("", "text too long for a BSTR", kErrorInvalidArg);
  b_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!b_)
    ThrowIfFailed(E_OUTOFMEMORY, "SysAllocStringLen");
}

UniqueBstr UniqueBstr::Adopt(BSTR b) {
  UniqueBstr s;
  s.b_ = b;
  return s;
}

void UniqueBstr::reset() {
  if (BSTR b = std::exchange(b_, nullptr))
    SysFreeString(b);
}

// --- UniqueSafeArray -----------------------------------------------------------------------------

UniqueSafeArray UniqueSafeArray::Vector(VARTYPE element, std::size_t count) {
  if (count > ULONG_MAX)
    throw AutomationError("", "array too long", kErrorInvalidArg);
  SAFEARRAY* a = SafeArrayCreateVector(element, 0, static_cast<ULONG>(count));
  if (!a)
    ThrowIfFailed(E_OUTOFMEMORY, "SafeArrayCreateVector");
  return Adopt(a);
}

UniqueSafeArray UniqueSafeArray::Adopt(SAFEARRAY* a) {
  UniqueSafeArray s;
  s.a_ = a;
  return s;
}

void UniqueSafeArray::reset() {
  if (SAFEARRAY* a = std::exchange(a_, nullptr))
    SafeArrayDestroy(a);
}

VARTYPE UniqueSafeArray::ElementType() const {
  VARTYPE vt = VT_EMPTY;
  if (!a_ || FAILED(SafeArrayGetVartype(a_, &vt)))
    return VT_EMPTY;
  return vt;
}

void CheckSafeArrayShape(SAFEARRAY* a, VARTYPE expected, std::size_t elementSize) {
  if (!a)
    throw AutomationError("", "no array", kErrorTypeMismatch);
  const UINT rank = SafeArrayGetDim(a);
  if (rank != 1)
    throw AutomationError(
        "", "expected a one-dimensional array, got " + std::to_string(rank) + " dimensions",
        kErrorTypeMismatch);
  // An array that records its element type must record this one. One that records none (built
  // without FADF_HAVEVARTYPE) is taken as the VARIANT that carries it says, when its elements
  // have the size of that type.
  VARTYPE actual = VT_EMPTY;
  const bool recorded = SUCCEEDED(SafeArrayGetVartype(a, &actual));
  if ((recorded && actual != expected) || SafeArrayGetElemsize(a) != elementSize)
    throw AutomationError(
        "",
        "expected an array of VARTYPE " + std::to_string(expected) + ", got " +
            (recorded ? "VARTYPE " + std::to_string(actual)
                      : std::to_string(SafeArrayGetElemsize(a)) + "-byte elements"),
        kErrorTypeMismatch);
}

// --- ScopedVariant -------------------------------------------------------------------------------

ScopedVariant::ScopedVariant(bool b) : ScopedVariant() {
  V_VT(&v_) = VT_BOOL;
  V_BOOL(&v_) = b ? VARIANT_TRUE : VARIANT_FALSE;
}
ScopedVariant::ScopedVariant(std::int16_t i) : ScopedVariant() {
  V_VT(&v_) = VT_I2;
  V_I2(&v_) = i;
}
ScopedVariant::ScopedVariant(std::int32_t i) : ScopedVariant() {
  V_VT(&v_) = VT_I4;
  V_I4(&v_) = i;
}
ScopedVariant::ScopedVariant(std::int64_t i) : ScopedVariant() {
  V_VT(&v_) = VT_I8;
  V_I8(&v_) = i;
}
ScopedVariant::ScopedVariant(double d) : ScopedVariant() {
  V_VT(&v_) = VT_R8;
  V_R8(&v_) = d;
}
ScopedVariant::ScopedVariant(UniqueBstr text) : ScopedVariant() {
  V_VT(&v_) = VT_BSTR;
  V_BSTR(&v_) = text.Release();
}
ScopedVariant::ScopedVariant(ComPtr<IDispatch> object) : ScopedVariant() {
  V_VT(&v_) = VT_DISPATCH;
  V_DISPATCH(&v_) = object.Detach();
}
ScopedVariant::ScopedVariant(UniqueSafeArray array, VARTYPE element) : ScopedVariant() {
  V_VT(&v_) = static_cast<VARTYPE>(VT_ARRAY | element);
  V_ARRAY(&v_) = array.Release();
}

ScopedVariant ScopedVariant::Copy(const VARIANT& v) {
  ScopedVariant s;
  ThrowIfFailed(VariantCopy(&s.v_, const_cast<VARIANT*>(&v)), "VariantCopy");
  return s;
}

ScopedVariant ScopedVariant::Take(VARIANT& v) {
  ScopedVariant s;
  s.v_ = v;
  VariantInit(&v);
  return s;
}

// A VARIANT is moved bitwise; the source is left VT_EMPTY so that it frees nothing.
ScopedVariant::ScopedVariant(ScopedVariant&& o) noexcept {
  v_ = o.v_;
  VariantInit(&o.v_);
}

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& o) noexcept {
  if (this != &o) {
    VariantClear(&v_);
    v_ = o.v_;
    VariantInit(&o.v_);
  }
  return *this;
}

VARIANT ScopedVariant::Release() {
  VARIANT v = v_;
  VariantInit(&v_);
  return v;
}

// --- StaScope ------------------------------------------------------------------------------------

StaScope::StaScope() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: already in a single-threaded apartment; the count still has to be balanced.
  ThrowIfFailed(hr, "CoInitializeEx");
}

}  // namespace trivane::cad::com
