// ProgID registration for the COM tests: HKEY_CLASSES_ROOT\<ProgID>\CLSID, default value the
// CLSID in braces, which is all CLSIDFromProgID needs (Wine 8 does not look in
// HKEY_CURRENT_USER\Software\Classes).
#pragma once

#include <string>

#include "cad/com/win.h"

namespace trivane::cad::com::testing {

inline std::wstring ClsidText(const CLSID& clsid) {
  wchar_t text[64] = {};
  StringFromGUID2(clsid, text, 64);
  return text;
}

inline CLSID NewClsid() {
  GUID g{};
  CoCreateGuid(&g);
  return g;
}

inline bool RegisterProgId(const std::wstring& progId, const CLSID& clsid) {
  const std::wstring value = ClsidText(clsid);
  return RegSetKeyValueW(HKEY_CLASSES_ROOT, (progId + L"\\CLSID").c_str(), nullptr, REG_SZ,
                         value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

inline bool UnregisterProgId(const std::wstring& progId) {
  return RegDeleteTreeW(HKEY_CLASSES_ROOT, progId.c_str()) == ERROR_SUCCESS;
}

// A ProgID registered for the lifetime of the scope.
class ScopedProgId {
 public:
  ScopedProgId(std::wstring progId, const CLSID& clsid) : progId_(std::move(progId)) {
    registered_ = RegisterProgId(progId_, clsid);
  }
  ScopedProgId(const ScopedProgId&) = delete;
  ScopedProgId& operator=(const ScopedProgId&) = delete;
  ~ScopedProgId() {
    if (registered_)
      UnregisterProgId(progId_);
  }
  bool registered() const { return registered_; }

 private:
  std::wstring progId_;
  bool registered_ = false;
};

// A ProgID no other test process uses at the same time.
inline std::wstring UniqueProgId(const wchar_t* stem) {
  return std::wstring(L"Trivane.") + stem + L"." + std::to_wstring(GetCurrentProcessId());
}

}  // namespace trivane::cad::com::testing
