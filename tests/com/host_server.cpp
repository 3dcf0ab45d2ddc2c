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
//   Fault(kind, member, count, [milliseconds])
//                             arms one fault at the count-th call of `member` (any object of the
//                             CAD, name compared as the CAD compares it) from now on: kind "exit"
//                             ends the process there and then, as a crash does (exit code 86);
//                             "hang" stops answering for the milliseconds, then runs the call;
//                             "reject" refuses that call and every call for the milliseconds
//                             after it with RPC_E_CALL_REJECTED, as a busy CAD does
//   ProcessId, Quit
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/com/dispatch_server.h"
#include "cad/com/raii.h"
#include "cad/com/text.h"
#include "cad/com/win.h"
#include "cad/connection.h"
#include "cad/names.h"
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

// The fault a test arms, and the calls counted towards it.
class FaultInjector {
 public:
  void Arm(FaultKind kind, std::string member, int count, DWORD milliseconds) {
    plan_ = Plan{kind, std::move(member), count, milliseconds};
    seen_ = 0;
  }

  // Before every call of the CAD's objects.
  void BeforeCall(std::string_view member) {
    if (rejectUntil_ != 0 && GetTickCount64() < rejectUntil_)
      throw AutomationError(std::string(member), "the CAD is busy", kErrorCallRejected);
    rejectUntil_ = 0;
    if (!plan_ || !NamesEqual(member, plan_->member) || ++seen_ < plan_->count)
      return;
    const Plan plan = *std::exchange(plan_, std::nullopt);
    switch (plan.kind) {
      case FaultKind::Exit:
        TerminateProcess(GetCurrentProcess(), kCrashExitCode);
        break;
      case FaultKind::Hang:
        Sleep(plan.milliseconds);
        break;
      case FaultKind::Reject:
        rejectUntil_ = GetTickCount64() + plan.milliseconds;
        throw AutomationError(std::string(member), "the CAD is busy", kErrorCallRejected);
    }
  }

 private:
  struct Plan {
    FaultKind kind;
    std::string member;
    int count;
    DWORD milliseconds;
  };
  std::optional<Plan> plan_;
  int seen_ = 0;
  ULONGLONG rejectUntil_ = 0;
};

// An object of the CAD as the server hands it out: every call goes past the fault injector first,
// and the objects it hands out in turn are handed out the same way.
class FaultingObject final : public Object {
 public:
  FaultingObject(ObjectRef inner, std::shared_ptr<FaultInjector> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}

  static ObjectRef Wrap(ObjectRef inner, const std::shared_ptr<FaultInjector>& faults) {
    if (!inner)
      return inner;
    return std::make_shared<FaultingObject>(std::move(inner), faults);
  }

  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    faults_->BeforeCall(member);
    Value result = inner_->Invoke(member, kind, args);
    for (Arg& a : args) {
      if (a.out && a.value.type() == Value::Type::Object)
        a.value = Value::Ref(Wrap(a.value.GetObject(), faults_));
    }
    if (result.type() == Value::Type::Object)
      return Value::Ref(Wrap(result.GetObject(), faults_));
    return result;
  }

 private:
  ObjectRef inner_;
  std::shared_ptr<FaultInjector> faults_;
};

class Control final : public Object {
 public:
  Control(std::shared_ptr<host::Host> host, std::shared_ptr<FaultInjector> faults)
      : host_(std::move(host)), faults_(std::move(faults)) {}

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
    if (member == "Fault") {
      const std::string name = text(0);
      const std::optional<FaultKind> kind = FaultKindNamed(name);
      if (!kind)
        throw AutomationError("Fault", "unknown fault \"" + name + "\"", kErrorInvalidArg);
      const auto number = [&](std::size_t i) -> std::int64_t {
        return i < args.size() && !args[i].value.IsEmpty() ? args[i].value.ToInteger() : 0;
      };
      const std::int64_t count = number(2);
      const std::int64_t milliseconds = number(3);
      if (count < 1 || milliseconds < 0 || milliseconds > 600000)
        throw AutomationError("Fault", "count from 1, milliseconds up to 600000", kErrorInvalidArg);
      faults_->Arm(*kind, text(1), static_cast<int>(count), static_cast<DWORD>(milliseconds));
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
  std::shared_ptr<FaultInjector> faults_;
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

  const auto faults = std::make_shared<FaultInjector>();
  ComPtr<IDispatch> application =
      ServeTyped(FaultingObject::Wrap(host->Application(), faults), IdleQueryFor(options.progId));
  ComPtr<IDispatch> control = DispatchServer::Create(std::make_shared<Control>(host, faults));
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
