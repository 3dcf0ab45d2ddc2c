// Owners of COM resources: interface pointers, BSTRs, VARIANTs, SAFEARRAYs and the apartment.
//
// Each type owns exactly one resource and frees it in its destructor. Out parameters go through
// Receive(), which frees what is held and hands out the address to fill. Failures throw
// AutomationError with the HRESULT as its code (the member is filled in by the caller that knows
// it).
#pragma once

#include "cad/com/win.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace trivane::cad::com {

// Throws AutomationError("", "<what>: <HRESULT text>", hr) when `hr` is a failure.
void ThrowIfFailed(HRESULT hr, std::string_view what);

// A counted reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}  // NOLINT: lets `return nullptr;` read naturally
  // Shares `p`: adds a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_)
      p_->AddRef();
  }
  // Takes over a reference the caller already owns (a new object, an out parameter).
  static ComPtr Adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void reset() {
    if (T* p = std::exchange(p_, nullptr))
      p->Release();
  }
  // Lets go of the reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  // Releases what is held and returns the address for an out parameter.
  T** Receive() {
    reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // QueryInterface; empty when the object does not implement U.
  template <typename U>
  ComPtr<U> As() const {
    ComPtr<U> u;
    if (p_ && FAILED(p_->QueryInterface(__uuidof(U), u.ReceiveVoid())))
      u.reset();
    return u;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

// The characters of a BSTR, embedded NULs included (SysStringLen, not the first NUL); a null BSTR
// is the empty string, as COM treats it.
inline std::wstring_view BstrView(BSTR b) {
  return b ? std::wstring_view(b, SysStringLen(b)) : std::wstring_view();
}

// A BSTR freed with SysFreeString. A null BSTR is the empty string, as COM treats it.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::wstring_view text);
  static UniqueBstr Adopt(BSTR b);
  UniqueBstr(UniqueBstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr o) noexcept {
    std::swap(b_, o.b_);
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  ~UniqueBstr() { reset(); }

  BSTR get() const { return b_; }
  std::wstring_view view() const { return BstrView(b_); }
  void reset();
  BSTR Release() { return std::exchange(b_, nullptr); }
  BSTR* Receive() {
    reset();
    return &b_;
  }

 private:
  BSTR b_ = nullptr;
};

// A SAFEARRAY destroyed with SafeArrayDestroy (which also frees its BSTRs, VARIANTs and
// interface references).
class UniqueSafeArray {
 public:
  UniqueSafeArray() = default;
  // A one-dimensional array of `count` elements of type `element`, indexed from 0.
  static UniqueSafeArray Vector(VARTYPE element, std::size_t count);
  static UniqueSafeArray Adopt(SAFEARRAY* a);
  UniqueSafeArray(UniqueSafeArray&& o) noexcept : a_(std::exchange(o.a_, nullptr)) {}
  UniqueSafeArray& operator=(UniqueSafeArray o) noexcept {
    std::swap(a_, o.a_);
    return *this;
  }
  UniqueSafeArray(const UniqueSafeArray&) = delete;
  ~UniqueSafeArray() { reset(); }

  SAFEARRAY* get() const { return a_; }
  void reset();
  SAFEARRAY* Release() { return std::exchange(a_, nullptr); }
  // The element type recorded in the array (VT_EMPTY when it records none).
  VARTYPE ElementType() const;

 private:
  SAFEARRAY* a_ = nullptr;
};

// The VARTYPE of the elements a LockedSafeArray<T> accepts.
template <typename T>
struct SafeArrayElement;
template <>
struct SafeArrayElement<double> {
  static constexpr VARTYPE kType = VT_R8;
};
template <>
struct SafeArrayElement<std::int16_t> {
  static constexpr VARTYPE kType = VT_I2;
};
template <>
struct SafeArrayElement<VARIANT> {
  static constexpr VARTYPE kType = VT_VARIANT;
};

// Refuses an array that is not one-dimensional with elements of type `expected` and size
// `elementSize`. An array that records no element type is trusted to hold `expected`, the type of
// the VARIANT that carries it, when the element size fits.
void CheckSafeArrayShape(SAFEARRAY* a, VARTYPE expected, std::size_t elementSize);

// Typed access to the elements of a one-dimensional SAFEARRAY for the scope's lifetime.
// An array of another element type or rank is refused (a type mismatch), never reinterpreted.
template <typename T>
class LockedSafeArray {
 public:
  explicit LockedSafeArray(SAFEARRAY* a) : a_(a) {
    CheckSafeArrayShape(a, SafeArrayElement<T>::kType, sizeof(T));
    ThrowIfFailed(::SafeArrayLock(a), "SafeArrayLock");
    const SAFEARRAYBOUND& b = a->rgsabound[0];
    elements_ = std::span<T>(static_cast<T*>(a->pvData), b.cElements);
  }
  LockedSafeArray(const LockedSafeArray&) = delete;
  LockedSafeArray& operator=(const LockedSafeArray&) = delete;
  ~LockedSafeArray() { ::SafeArrayUnlock(a_); }

  // The elements in index order, from the lower bound up.
  std::span<T> elements() const { return elements_; }

 private:
  SAFEARRAY* a_;
  std::span<T> elements_;
};

// A VARIANT cleared with VariantClear. One explicit constructor per automation type; any other
// argument type is refused at compile time, so a bool, a long or a pointer cannot slip into an
// integer or Boolean VARIANT.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }                   // VT_EMPTY
  explicit ScopedVariant(bool b);                         // VT_BOOL
  explicit ScopedVariant(std::int16_t i);                 // VT_I2
  explicit ScopedVariant(std::int32_t i);                 // VT_I4
  explicit ScopedVariant(std::int64_t i);                 // VT_I8
  explicit ScopedVariant(double d);                       // VT_R8
  explicit ScopedVariant(UniqueBstr text);                // VT_BSTR
  explicit ScopedVariant(ComPtr<IDispatch> object);       // VT_DISPATCH (null allowed)
  ScopedVariant(UniqueSafeArray array, VARTYPE element);  // VT_ARRAY | element
  template <typename T>
  explicit ScopedVariant(T) = delete;

  // A deep copy (VariantCopy) of `v`.
  static ScopedVariant Copy(const VARIANT& v);
  // Takes over the contents of `v`, which is left VT_EMPTY.
  static ScopedVariant Take(VARIANT& v);

  ScopedVariant(ScopedVariant&& o) noexcept;
  ScopedVariant& operator=(ScopedVariant&& o) noexcept;
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v_); }

  const VARIANT& get() const { return v_; }
  VARTYPE type() const { return V_VT(&v_); }
  void Reset() { VariantClear(&v_); }
  // Clears the value and returns the address for an out parameter (a call's result).
  VARIANT* Receive() {
    Reset();
    return &v_;
  }
  // The address for an in/out by-reference argument: the callee reads the value and may replace
  // it.
  VARIANT* InOut() { return &v_; }
  // Gives up ownership: the caller clears the returned VARIANT.
  VARIANT Release();

 private:
  VARIANT v_;
};

// Joins the calling thread to a single-threaded apartment (CoInitializeEx with
// COINIT_APARTMENTTHREADED) for the scope's lifetime. Throws when the thread is already in the
// multithreaded apartment.
class StaScope {
 public:
  StaScope();
  StaScope(const StaScope&) = delete;
  StaScope& operator=(const StaScope&) = delete;
  ~StaScope() { CoUninitialize(); }
};

}  // namespace trivane::cad::com
