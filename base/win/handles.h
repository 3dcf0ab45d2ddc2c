// One owner for Win32 handles: UniqueHandle<Handle, Close, Invalid> holds one handle and closes
// it once, with Close, when it goes; each kind of handle is a one-line alias below. (COM
// resources have their own owners in cad/com/raii.h.)
//
//   UniqueFile file(CreateFileW(...));
//   if (!file) ...;
//   WriteFile(file.get(), ...);
//   if (!file.Close()) ...;  // where a failed close matters (written data)
#pragma once

#ifndef _WIN32
#error "base/win/handles.h is for Windows only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The portable layers use these names for members (Platform::MessageBox, Value::GetObject).
#undef MessageBox
#undef GetObject

#include <cstdint>
#include <utility>

namespace trivane::win {

// Invalid: the value that stands for no handle, as the functions that open this kind return it
// on failure (0 for most kinds, -1 for INVALID_HANDLE_VALUE).
template <typename Handle, auto CloseFunction, std::intptr_t Invalid = 0>
class UniqueHandle {
 public:
  static Handle InvalidValue() { return reinterpret_cast<Handle>(Invalid); }

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Detach()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o)
      reset(o.Detach());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != InvalidValue(); }

  // Closes what is held (ignoring a failure) and holds `h`.
  void reset(Handle h = InvalidValue()) {
    const Handle old = std::exchange(h_, h);
    if (old != InvalidValue())
      CloseFunction(old);
  }
  // Closes what is held now and tells whether the system closed it; nothing held counts as
  // closed.
  bool Close() {
    const Handle old = std::exchange(h_, InvalidValue());
    return old == InvalidValue() || CloseFunction(old) != 0;
  }
  // Lets go of the handle without closing it.
  Handle Detach() { return std::exchange(h_, InvalidValue()); }

 private:
  Handle h_ = InvalidValue();
};

// A file (CreateFileW): INVALID_HANDLE_VALUE when there is none.
using UniqueFile = UniqueHandle<HANDLE, &::CloseHandle, -1>;
// A kernel object that is null when there is none (events, processes, threads).
using UniqueKernelHandle = UniqueHandle<HANDLE, &::CloseHandle>;
// A GDI font (CreateFontIndirectW).
using UniqueFont = UniqueHandle<HFONT, &::DeleteObject>;

}  // namespace trivane::win
