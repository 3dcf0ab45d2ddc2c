// The real thing: the test server in a second process, found by ProgID through the Win32
// platform, every call marshalled by COM.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cad/com/com_object.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "tests/com/com_fixture.h"
#include "tests/com/echo_object.h"
#include "tests/com/registration.h"
#include "tests/com/server_process.h"

namespace trivane::cad::com::testing {
namespace {

ServerProcess StartServer(const std::wstring& arguments) {
  return ServerProcess(L"com_test_server.exe", arguments);
}

// Runs the server with `arguments` to its end: its exit code, or -1 when it did not run.
int RunServer(const std::wstring& arguments) {
  const ServerProcess p = StartServer(arguments);
  if (!p.started() || !p.Exited(30000))
    return -1;
  return static_cast<int>(p.ExitCode());
}

class CrossProcessTest : public ComTest {
 protected:
  void SetUp() override {
    const CLSID clsid = NewClsid();
    ASSERT_EQ(RunServer(L"/RegServer " + progId_ + L" " + ClsidText(clsid)), 0);
    registered_ = true;
    server_ = StartServer(L"/Serve " + ClsidText(clsid));
    ASSERT_TRUE(server_.started());
    // The server registers itself in the running object table shortly after it starts.
    for (int i = 0; i < 1000 && !app; ++i) {
      app = platform.GetActiveObject(progId());
      if (!app && server_.Exited(10))
        FAIL() << "the test server ended with code " << server_.ExitCode();
    }
    ASSERT_NE(app, nullptr) << "the test server did not show up under " << progId();
  }

  void TearDown() override {
    if (app) {
      try {
        CallMethod(*app, "Quit");
      } catch (const AutomationError&) {
        // It may be gone already.
      }
      app.reset();
    }
    if (server_.started() && !server_.Exited(10000))
      server_.Kill();
    if (registered_)
      RunServer(L"/UnregServer " + progId_);
  }

  std::string progId() const { return WideToUtf8(progId_); }

  Win32Platform platform;
  ObjectRef app;
  ServerProcess server_;

 private:
  std::wstring progId_ = UniqueProgId(L"ComTestServer");
  bool registered_ = false;
};

TEST_F(CrossProcessTest, TheObjectLivesInTheServerProcess) {
  EXPECT_TRUE(platform.IsProgIdRegistered(progId()));
  EXPECT_NE(dynamic_cast<ComObject*>(app.get()), nullptr);
  const Value pid = GetProperty(*app, "ProcessId");
  EXPECT_NE(pid.ToInteger(), static_cast<std::int64_t>(GetCurrentProcessId()));
}

TEST_F(CrossProcessTest, EveryValueTypeIsMarshalled) {
  for (const NamedValue& c : RoundTripValues()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CallMethod(*app, "Echo", {c.value}), c.value);
  }
}

TEST_F(CrossProcessTest, PutAndGetCrossTheProcessBoundary) {
  PutProperty(*app, "Value", Value::Text("三斜 底辺×高さ÷2"));
  EXPECT_EQ(GetProperty(*app, "Value"), Value::Text("三斜 底辺×高さ÷2"));
  EXPECT_EQ(GetProperty(*app, "LastKind"), Value::Text("Get"));
}

TEST_F(CrossProcessTest, OutArgumentsComeBackByReference) {
  for (const NamedValue& c : RoundTripValues()) {
    SCOPED_TRACE(c.name);
    Arg args[2] = {Arg::In(c.value), Arg::Out()};
    CallMethod(*app, "Copy", args);
    EXPECT_EQ(args[1].value, c.value);
  }
  Arg counter[1] = {Arg{Value::Int32(-1), true}};
  CallMethod(*app, "Increment", counter);
  EXPECT_EQ(counter[0].value, Value::Int32(0));
}

TEST_F(CrossProcessTest, ErrorsKeepTheirMemberReasonAndCode) {
  try {
    CallMethod(*app, "Fail");
    FAIL() << "did not fail";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "Fail");
    EXPECT_EQ(e.reason(), kFailReason);
    EXPECT_EQ(e.code(), kErrorInvalidArg);
  }
  try {
    CallMethod(*app, "Cancel");
    FAIL() << "did not fail";
  } catch (const AutomationError& e) {
    EXPECT_TRUE(e.cancelled()) << e.what();
  }
}

TEST_F(CrossProcessTest, ObjectsTravelBothWays) {
  const Value child = CallMethod(*app, "Child");
  PutProperty(*child.GetObject(), "Value", Value::Doubles({1, 2, 3}));
  EXPECT_EQ(GetProperty(*child.GetObject(), "Value"), Value::Doubles({1, 2, 3}));
  EXPECT_TRUE(GetProperty(*app, "Value").IsEmpty());
  // The server gets its own objects back as themselves.
  EXPECT_EQ(CallMethod(*app, "IsSelf", {Value::Ref(app)}), Value::Bool(true));
  EXPECT_EQ(CallMethod(*app, "IsSelf", {child}), Value::Bool(false));
}

TEST_F(CrossProcessTest, AfterTheServerEndsCallsFailAndNothingRuns) {
  CallMethod(*app, "Quit");
  ASSERT_TRUE(server_.Exited(10000));
  try {
    CallMethod(*app, "Echo", {Value::Int16(1)});
    FAIL() << "a call into an ended server succeeded";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "Echo");
    EXPECT_NE(e.code(), 0);
  }
  EXPECT_EQ(platform.GetActiveObject(progId()), nullptr);
}

}  // namespace
}  // namespace trivane::cad::com::testing
