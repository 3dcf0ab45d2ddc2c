// The host server's faults: a CAD that dies, hangs or is busy at a chosen call of a command, set
// off by the server's control object by member name and count.
#include <gtest/gtest.h>

#include <cstdint>
#include <ios>
#include <optional>

#include "cad/automation.h"
#include "cad/com/raii.h"
#include "cad/connection.h"
#include "tests/com/host_server_fixture.h"

namespace trivane::cad::com::testing {
namespace {

// The control's faults themselves: set off at the counted call of the member named (in any
// case), other members not counted; a refusal of 0 ms refuses that call alone; an end ends the
// process at the call, with the crash's exit code.
TEST(FaultControl, SetsOffAtTheCountedCallOfTheMemberNamed) {
  StaScope sta;
  HostServer server(L"FaultControl");
  ASSERT_TRUE(server.ready()) << server.error();
  const ObjectRef application = server.Application();
  ASSERT_NE(application, nullptr);
  const auto failure = [&](const char* member) -> std::optional<std::int32_t> {
    try {
      GetProperty(*application, member);
      return std::nullopt;
    } catch (const AutomationError& e) {
      return e.code();
    }
  };

  server.Fault(FaultKind::Reject, "activedocument", 2);
  EXPECT_EQ(failure("ActiveDocument"), std::nullopt);
  EXPECT_EQ(failure("HWND"), std::nullopt);
  EXPECT_EQ(failure("ActiveDocument"), kErrorCallRejected);
  EXPECT_EQ(failure("ActiveDocument"), std::nullopt);

  server.Fault(FaultKind::Exit, "HWND");
  const std::optional<std::int32_t> code = failure("HWND");
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(CadFaultOf(*code), cad::CadFault::Gone) << std::hex << *code;
  ASSERT_TRUE(server.Exited(10000));
  EXPECT_EQ(server.ExitCode(), kCrashExitCode);
}

}  // namespace
}  // namespace trivane::cad::com::testing
