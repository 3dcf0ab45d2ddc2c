// What the COM test servers share: an object in the running object table for a scope, the message
// loop a server runs until it is told to quit, and main() over the wide command line.
#pragma once

#include <string>

#include "cad/com/raii.h"
#include "cad/com/win.h"

namespace trivane::cad::com::testing {

// An object in the running object table for the scope.
class ActiveObject {
 public:
  ActiveObject(const ComPtr<IDispatch>& object, const CLSID& clsid) {
    if (FAILED(RegisterActiveObject(object.get(), clsid, ACTIVEOBJECT_STRONG, &cookie_)))
      cookie_ = 0;
  }
  ActiveObject(const ActiveObject&) = delete;
  ActiveObject& operator=(const ActiveObject&) = delete;
  ~ActiveObject() {
    if (cookie_ != 0)
      RevokeActiveObject(cookie_, nullptr);
  }
  bool registered() const { return cookie_ != 0; }

 private:
  DWORD cookie_ = 0;
};

// Handles messages until a "Quit" member posts WM_QUIT, or `seconds` are up: a safety net, so a
// test that dies without calling Quit does not leave the server running.
inline void ServeMessages(UINT seconds) {
  SetTimer(nullptr, 0, seconds * 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr)
      break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// main() of a server: `run` gets the wide command line; an exception is exit code 1.
inline int ServerMain(int (*run)(int argc, wchar_t** argv)) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv)
    return 1;
  int rc = 1;
  try {
    rc = run(argc, argv);
  } catch (...) {
    rc = 1;
  }
  LocalFree(argv);
  return rc;
}

}  // namespace trivane::cad::com::testing
