// A test server started as a process of its own, from beside the test program, closed with the
// scope (killed when a test leaves it running).
#pragma once

#include <string>
#include <utility>

#include "cad/com/win.h"

namespace trivane::cad::com::testing {

class ServerProcess {
 public:
  ServerProcess() = default;
  // Starts `exe` (a file name beside this test program, or a path relative to its folder) with
  // `arguments`.
  ServerProcess(const std::wstring& exe, const std::wstring& arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L"\\/") + 1);
    path += exe;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      handle_ = pi.hProcess;
    }
  }
  ServerProcess(ServerProcess&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
  ServerProcess& operator=(ServerProcess o) noexcept {
    std::swap(handle_, o.handle_);
    return *this;
  }
  ~ServerProcess() {
    if (handle_) {
      if (!Exited(10000))
        Kill();
      CloseHandle(handle_);
    }
  }

  bool started() const { return handle_ != nullptr; }
  bool Exited(DWORD waitMs) const { return WaitForSingleObject(handle_, waitMs) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    return code;
  }
  void Kill() const { TerminateProcess(handle_, 99); }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace trivane::cad::com::testing
