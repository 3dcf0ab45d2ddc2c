// The COM test server: serves an EchoObject in the running object table, in a process of its own.
//
//   com_test_server /RegServer <ProgID> <CLSID>   register the ProgID under HKEY_CLASSES_ROOT
//   com_test_server /UnregServer <ProgID>         remove it
//   com_test_server /Serve <CLSID> [seconds]      serve until the member "Quit" is called, or
//                                                 the time (default 120 s) is up
//
// The served object answers the EchoObject members plus "Quit" and "ProcessId".
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "cad/com/dispatch_server.h"
#include "cad/com/raii.h"
#include "cad/com/win.h"
#include "tests/com/echo_object.h"
#include "tests/com/registration.h"
#include "tests/com/server_main.h"

namespace trivane::cad::com::testing {
namespace {

class ServedEcho final : public EchoObject {
 public:
  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    if (member == "Quit") {
      PostQuitMessage(0);  // after the reply has gone out
      return Value();
    }
    if (member == "ProcessId")
      return Value::Int32(static_cast<std::int32_t>(GetCurrentProcessId()));
    return EchoObject::Invoke(member, kind, args);
  }
};

int Serve(const std::wstring& clsidText, UINT seconds) {
  StaScope sta;
  CLSID clsid;
  if (FAILED(CLSIDFromString(clsidText.c_str(), &clsid)))
    return 2;
  ComPtr<IDispatch> served = DispatchServer::Create(std::make_shared<ServedEcho>());
  {
    const ActiveObject active(served, clsid);
    if (!active.registered())
      return 3;
    ServeMessages(seconds);
  }
  // Clients still holding references get an error from now on instead of waiting.
  CoDisconnectObject(served.get(), 0);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring_view verb = argc > 1 ? argv[1] : L"";
  if (verb == L"/RegServer" && argc == 4) {
    CLSID clsid;
    if (FAILED(CLSIDFromString(argv[3], &clsid)))
      return 2;
    return RegisterProgId(argv[2], clsid) ? 0 : 1;
  }
  if (verb == L"/UnregServer" && argc == 3)
    return UnregisterProgId(argv[2]) ? 0 : 1;
  if (verb == L"/Serve" && (argc == 3 || argc == 4))
    return Serve(argv[2], argc == 4 ? static_cast<UINT>(_wtoi(argv[3])) : 120u);
  return 64;
}

}  // namespace
}  // namespace trivane::cad::com::testing

int main() {
  return trivane::cad::com::testing::ServerMain(&trivane::cad::com::testing::Run);
}
