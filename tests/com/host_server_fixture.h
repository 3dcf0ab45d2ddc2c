// The host COM server of the tests (com_host_server) for one test: its ProgIDs registered, its
// process started, and its control object at hand. Ended (Quit, or killed) with the scope.
//
//   HostServer server(L"PCAD.HostCad");              // a "PCAD"-like CAD
//   ASSERT_TRUE(server.ready()) << server.error();
//   server.Answer(host::UserAnswer::Point({180, 140, 0}));  // the user's next answer
//   ... commands against server.progId() ...
//   host::Drawing d = server.Drawing(folder / "served.dxf");
//   server.Fault(FaultKind::Exit, "GetPoint");       // the CAD dies at its next GetPoint
//   server.Restart();                                 // the CAD is started again, drawing empty
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "cad/automation.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "host/bridge/dxf_bridge.h"
#include "host/model/scripted_user.h"
#include "tests/com/host_control.h"
#include "tests/com/registration.h"
#include "tests/com/server_process.h"

namespace trivane::cad::com::testing {

// The number texts of a drawing: texts carrying extended data (the triangle's record).
inline int NumberTexts(const host::Drawing& drawing) {
  int n = 0;
  for (const auto& [id, e] : drawing.entities) {
    if (!e.xdata.empty() && std::holds_alternative<host::TextShape>(e.shape))
      ++n;
  }
  return n;
}

class HostServer {
 public:
  // `stem` makes the ProgID (with this process's ID); `exe` is the server's path from the test
  // program's folder; the host runs as `hostProgId` (which product it is), by default as the
  // ProgID.
  explicit HostServer(const wchar_t* stem, const std::wstring& exe = L"com_host_server.exe",
                      const std::wstring& hostProgId = L"")
      : progId_(UniqueProgId(stem)),
        appClsid_(NewClsid()),
        controlClsid_(NewClsid()),
        appRegistration_(progId_, appClsid_),
        controlRegistration_(progId_ + L".Control", controlClsid_),
        exe_(exe),
        hostProgId_(hostProgId) {
    if (!appRegistration_.registered() || !controlRegistration_.registered()) {
      error_ = "the ProgIDs could not be registered";
      return;
    }
    Start();
  }
  ~HostServer() { Quit(); }
  HostServer(const HostServer&) = delete;
  HostServer& operator=(const HostServer&) = delete;

  bool ready() const { return control_ != nullptr; }
  const std::string& error() const { return error_; }
  std::string progId() const { return WideToUtf8(progId_); }

  // The CAD is started again under the same ProgID, with an empty drawing; the one running (if
  // any) is told to quit first. False (and error()) when it does not show up.
  bool Restart() {
    Quit();
    process_ = ServerProcess();
    error_.clear();
    Start();
    return ready();
  }

  // Has the server's process ended within `waitMs`? Its exit code then.
  bool Exited(DWORD waitMs) const { return process_.Exited(waitMs); }
  DWORD ExitCode() const { return process_.ExitCode(); }

  // Arms the fault at the `count`-th call of `member` from now on (milliseconds: how long a hang
  // or a rejection lasts).
  void Fault(FaultKind kind, std::string_view member, int count = 1, int milliseconds = 0) {
    CallMethod(*control_, "Fault",
               {Value::Text(std::string(FaultKindName(kind))), Value::Text(std::string(member)),
                Value::Int32(count), Value::Int32(milliseconds)});
  }

  // The served application object, as the tool finds it.
  ObjectRef Application() { return platform_.GetActiveObject(progId()); }

  // The user's next answer at the CAD.
  void Answer(const host::UserAnswer& a) {
    const auto point = [](const TAcadPoint& p) { return Value::Doubles({p.x, p.y, p.z}); };
    CallMethod(*control_, "Answer",
               {Value::Text(std::string(AnswerKindName(a.kind))), point(a.p1), point(a.p2)});
  }
  int Remaining() { return static_cast<int>(GetProperty(*control_, "Remaining").ToInteger()); }
  std::string Log() { return GetProperty(*control_, "Log").GetText(); }

  // The served drawing, saved by the server as `file` and read back.
  host::Drawing Drawing(const std::filesystem::path& file) {
    CallMethod(*control_, "Save", {Value::Text(WideToUtf8(file.wstring()))});
    return host::ReadDrawingFile(WideToUtf8(file.wstring()));
  }

 private:
  void Start() {
    process_ = ServerProcess(exe_, L"/Serve " + progId_ + L" " + ClsidText(appClsid_) + L" " +
                                       ClsidText(controlClsid_) +
                                       (hostProgId_.empty() ? L"" : L" 120 " + hostProgId_));
    if (!process_.started()) {
      error_ = "the host server could not be started";
      return;
    }
    // The server registers itself in the running object table shortly after it starts.
    for (int i = 0; i < 1000 && !control_; ++i) {
      control_ = platform_.GetActiveObject(WideToUtf8(progId_) + ".Control");
      if (!control_ && process_.Exited(10)) {
        error_ = "the host server ended with code " + std::to_string(process_.ExitCode());
        return;
      }
    }
    if (!control_)
      error_ = "the host server did not show up";
  }
  // Tells the server to quit; one that has died or hangs is past telling.
  void Quit() {
    if (control_) {
      try {
        CallMethod(*control_, "Quit");
      } catch (const AutomationError&) {
        // It may be gone already.
      }
      control_.reset();
    }
  }

  std::wstring progId_;
  CLSID appClsid_;
  CLSID controlClsid_;
  ScopedProgId appRegistration_;
  ScopedProgId controlRegistration_;
  std::wstring exe_;
  std::wstring hostProgId_;
  Win32Platform platform_;
  ServerProcess process_;
  ObjectRef control_;
  std::string error_;
};

}  // namespace trivane::cad::com::testing
