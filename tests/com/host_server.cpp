// The host COM server: a drawing of the built-in host served as a running CAD, in a process of its
// own, so that every call a command makes crosses the process boundary through COM marshalling.
//
//   com_host_server /Serve <ProgID> <CLSID> <control CLSID> [seconds [host ProgID]]
//
// The host's application object goes into the running object table under <CLSID>, with the host
// running as <host ProgID> (default <ProgID>), which decides its idle-state query and whether
// markers come as DXF files. Its objects are served through a type library (typed_server.h) that
// declares that idle-state query alone.
// A control object for the test goes in under <control CLSID>. The server runs until the control's
// "Quit" is called or the time (default 120 s) is up.
//
// The control object's members (the test's hands on the CAD side, not a CAD's members):
//   Answer(kind, [p1], [p2])  queues the user's next answer: kind "point", "pick", "all",
//                             "window", "crossing" or "cancel"; points as three doubles
//   Remaining                 answers not yet taken
//   Log                       the command line's text so far
//   Save(path)                writes the drawing as a DXF file
//   ProcessId, Quit
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cad/com/dispatch_server.h"
#include "cad/com/raii.h"
#include "cad/com/text.h"
#include "cad/com/win.h"
#include "cad/connection.h"
#include "host/bridge/dxf_bridge.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "tests/com/host_control.h"
#include "tests/com/server_main.h"
#include "tests/com/typed_server.h"

namespace trivane::cad::com::testing {
namespace {

TAcadPoint PointOf(std::span<Arg> args, std::size_t i) {
  if (i >= args.size() || args[i].value.type() != Value::Type::DoubleArray ||
      args[i].value.GetDoubles().size() != 3)
    throw AutomationError("Answer", "a point is three doubles", kErrorInvalidArg);
  const std::vector<double>& d = args[i].value.GetDoubles();
  return {d[0], d[1], d[2]};
}

class Control final : public Object {
 public:
  explicit Control(std::shared_ptr<host::Host> host) : host_(std::move(host)) {}

  Value Invoke(std::string_view member, InvokeKind, std::span<Arg> args) override {
    const auto text = [&](std::size_t i) {
      if (i >= args.size() || args[i].value.type() != Value::Type::Text)
        throw AutomationError(std::string(member), "a text argument is needed", kErrorInvalidArg);
      return args[i].value.GetText();
    };
    if (member == "Answer") {
      const std::string name = text(0);
      const std::optional<host::UserAnswer::Kind> kind = AnswerKindNamed(name);
      if (!kind)
        throw AutomationError("Answer", "unknown answer kind \"" + name + "\"", kErrorInvalidArg);
      // Points where the kind has them: the clicked point, the window's corners.
      using Kind = host::UserAnswer::Kind;
      host::UserAnswer answer{*kind, {}, {}};
      if (*kind != Kind::All && *kind != Kind::Cancel)
        answer.p1 = PointOf(args, 1);
      if (*kind == Kind::Window || *kind == Kind::Crossing)
        answer.p2 = PointOf(args, 2);
      host_->user().Push(answer);
      return Value();
    }
    if (member == "Remaining")
      return Value::Int32(static_cast<std::int32_t>(host_->user().Remaining()));
    if (member == "Log")
      return Value::Text(host_->log().Text());
    if (member == "Save") {
      try {
        host::WriteDrawingFile(host_->drawing(), text(0));
      } catch (const std::exception& e) {
        throw AutomationError("Save", e.what(), kErrorFailed);
      }
      return Value();
    }
    if (member == "ProcessId")
      return Value::Int32(static_cast<std::int32_t>(GetCurrentProcessId()));
    if (member == "Quit") {
      PostQuitMessage(0);  // after the reply has gone out
      return Value();
    }
    throw AutomationError(std::string(member), "not a member of the control object",
                          kErrorUnknownMember);
  }

 private:
  std::shared_ptr<host::Host> host_;
};

int Serve(const std::wstring& progId, const std::wstring& appClsidText,
          const std::wstring& controlClsidText, UINT seconds) {
  StaScope sta;
  CLSID appClsid;
  CLSID controlClsid;
  if (FAILED(CLSIDFromString(appClsidText.c_str(), &appClsid)) ||
      FAILED(CLSIDFromString(controlClsidText.c_str(), &controlClsid)))
    return 2;
  // The CAD's main window, which the tool brings to the front around its commands.
  HWND window = CreateWindowExW(0, L"Static", L"Host CAD", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  host::HostOptions options{.progId = WideToUtf8(progId)};
  if (window != nullptr)
    options.hwnd = static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(window));
  const std::shared_ptr<host::Host> host = host::CreateHostWithCommandLine(options);

  ComPtr<IDispatch> application = ServeTyped(host->Application(), IdleQueryFor(options.progId));
  ComPtr<IDispatch> control = DispatchServer::Create(std::make_shared<Control>(host));
  int rc = 0;
  {
    const ActiveObject servedApplication(application, appClsid);
    const ActiveObject servedControl(control, controlClsid);
    if (!servedApplication.registered() || !servedControl.registered()) {
      rc = 3;
    } else {
      ServeMessages(seconds);
    }
  }
  // Clients still holding references get an error from now on instead of waiting.
  CoDisconnectObject(application.get(), 0);
  CoDisconnectObject(control.get(), 0);
  if (window != nullptr)
    DestroyWindow(window);
  return rc;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring_view verb = argc > 1 ? argv[1] : L"";
  if (verb == L"/Serve" && argc >= 5 && argc <= 7)
    return Serve(argc == 7 ? argv[6] : argv[2], argv[3], argv[4],
                 argc >= 6 ? static_cast<UINT>(_wtoi(argv[5])) : 120u);
  return 64;
}

}  // namespace
}  // namespace trivane::cad::com::testing

int main() {
  return trivane::cad::com::testing::ServerMain(&trivane::cad::com::testing::Run);
}
