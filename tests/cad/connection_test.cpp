#include "cad/connection.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "link_fixture.h"

namespace trivane::cad {
namespace {

using host::sim::Event;
using host::sim::EventKind;
using testing::FaultyObject;
using testing::LinkTest;

// An event as the tests expect it: what, when, and the window, key or milliseconds.
struct Expected {
  EventKind kind;
  std::uint64_t at;
  std::int64_t detail;  // window for Restored/Fronted/FrontRefused, key for keys, ms for sleeps
};

std::vector<Expected> Observed(const std::vector<Event>& events) {
  std::vector<Expected> out;
  for (const Event& e : events) {
    const bool windowEvent = e.kind == EventKind::Restored || e.kind == EventKind::Fronted ||
                             e.kind == EventKind::FrontRefused;
    out.push_back({e.kind, e.at, windowEvent ? e.window : static_cast<std::int64_t>(e.value)});
  }
  return out;
}

bool operator==(const Expected& a, const Expected& b) {
  return a.kind == b.kind && a.at == b.at && a.detail == b.detail;
}
void PrintTo(const Expected& e, std::ostream* os) {
  *os << "{kind " << static_cast<int>(e.kind) << ", at " << e.at << ", " << e.detail << "}";
}

// --- Preamble ------------------------------------------------------------------------------------

enum class WindowSetting {
  Restored,
  Minimised,
  RefusesFront,
  OtherProgramHoldsFront,
  MinimisedAndRefusesFront
};

struct PreambleCase {
  const char* name;
  WindowSetting setting;
  std::vector<Expected> events;  // W stands for the CAD window (filled in by the test)
  int escapesReachingCad;
};

constexpr std::int64_t W = -1;  // placeholder for the CAD's window handle
constexpr std::int64_t kEsc = kVirtualKeyEscape;

class PreambleTest : public LinkTest, public ::testing::WithParamInterface<PreambleCase> {};

TEST_P(PreambleTest, RestoresFrontsAndPressesEscOnlyWhenTheCadIsInFront) {
  const PreambleCase& c = GetParam();
  const WindowHandle hwnd = host->hwnd();
  int escapes = 0;
  os.SetEscapeHook(hwnd, [&] { ++escapes; });
  switch (c.setting) {
    case WindowSetting::Restored:
      break;
    case WindowSetting::Minimised:
      os.Minimise(hwnd);
      break;
    case WindowSetting::RefusesFront:
      os.RefuseFront(hwnd);
      break;
    case WindowSetting::OtherProgramHoldsFront:
      os.HoldForeground(0x0777);
      break;
    case WindowSetting::MinimisedAndRefusesFront:
      os.Minimise(hwnd);
      os.RefuseFront(hwnd);
      break;
  }
  link.CadApplication = nullptr;

  const Document attached = BeginCadCommand(link);

  std::vector<Expected> expected = c.events;
  for (Expected& e : expected) {
    if (e.detail == W)
      e.detail = hwnd;
  }
  EXPECT_EQ(Observed(os.events()), expected);
  EXPECT_EQ(escapes, c.escapesReachingCad);
  EXPECT_FALSE(os.minimised(hwnd));
  EXPECT_EQ(link.CadApplication, os.GetActiveObject(link.ProgId));
  ASSERT_TRUE(attached);
  EXPECT_NO_THROW(attached.GetVariable("SNAPMODE"));  // the active document answers
}

INSTANTIATE_TEST_SUITE_P(Windows, PreambleTest,
                         ::testing::Values(PreambleCase{"Restored",
                                                        WindowSetting::Restored,
                                                        {{EventKind::Fronted, 0, W},
                                                         {EventKind::KeyDown, 0, kEsc},
                                                         {EventKind::Slept, 0, 5},
                                                         {EventKind::KeyUp, 5, kEsc},
                                                         {EventKind::Slept, 5, 200}},
                                                        1},
                                           PreambleCase{"Minimised",
                                                        WindowSetting::Minimised,
                                                        {{EventKind::Restored, 0, W},
                                                         {EventKind::Slept, 0, 500},
                                                         {EventKind::Fronted, 500, W},
                                                         {EventKind::KeyDown, 500, kEsc},
                                                         {EventKind::Slept, 500, 5},
                                                         {EventKind::KeyUp, 505, kEsc},
                                                         {EventKind::Slept, 505, 200}},
                                                        1},
                                           PreambleCase{"RefusesFront",
                                                        WindowSetting::RefusesFront,
                                                        {{EventKind::FrontRefused, 0, W}},
                                                        0},
                                           PreambleCase{"OtherProgramHoldsFront",
                                                        WindowSetting::OtherProgramHoldsFront,
                                                        {{EventKind::FrontRefused, 0, W}},
                                                        0},
                                           PreambleCase{"MinimisedAndRefusesFront",
                                                        WindowSetting::MinimisedAndRefusesFront,
                                                        {{EventKind::Restored, 0, W},
                                                         {EventKind::Slept, 0, 500},
                                                         {EventKind::FrontRefused, 500, W}},
                                                        0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, EscKeysGoToTheCadWindow) {
  BeginCadCommand(link);
  for (const Event& e : os.events()) {
    if (e.kind == EventKind::KeyDown || e.kind == EventKind::KeyUp) {
      EXPECT_EQ(e.window, host->hwnd());
    }
  }
  EXPECT_EQ(os.foreground(), host->hwnd());
}

TEST_F(LinkTest, AttachKeepsTheApplicationAndReplacesItAtEachAttach) {
  BeginCadCommand(link);
  const ObjectRef first = link.CadApplication;
  ASSERT_NE(first, nullptr);

  // The CAD is restarted: the next attach takes the new instance.
  auto second = host::CreateHostWithCommandLine({.progId = link.ProgId, .hwnd = 0x0B0B});
  os.Quit(link.ProgId);
  os.Run(link.ProgId, second->Application(), second->hwnd());
  BeginCadCommand(link);
  EXPECT_NE(link.CadApplication, first);
  EXPECT_EQ(os.foreground(), second->hwnd());  // the window read from the new instance
}

TEST_F(LinkTest, FailedAttachRaisesAndKeepsThePreviousApplication) {
  BeginCadCommand(link);
  const ObjectRef previous = link.CadApplication;
  os.Quit(link.ProgId);
  os.ClearEvents();
  try {
    BeginCadCommand(link);
    FAIL() << "attach to a CAD that has quit succeeded";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), kErrorNotRunning);
  }
  EXPECT_EQ(link.CadApplication, previous);
  EXPECT_TRUE(os.events().empty());  // no window was touched
}

// --- A CAD that went away or is busy
// --------------------------------------------------------------

TEST(CadFaultTest, ErrorCodesOfACadThatIsGoneOrBusy) {
  const struct {
    std::uint32_t code;
    CadFault fault;
  } cases[] = {
      {0x800706BA, CadFault::Gone},  // RPC_S_SERVER_UNAVAILABLE
      {0x800706BE, CadFault::Gone},  // RPC_S_CALL_FAILED: the process ended during the call
      {0x800706BF, CadFault::Gone},  // RPC_S_CALL_FAILED_DNE
      {0x80010007, CadFault::Gone},  // RPC_E_SERVER_DIED
      {0x80010012, CadFault::Gone},  // RPC_E_SERVER_DIED_DNE
      {0x80010108, CadFault::Gone},  // RPC_E_DISCONNECTED
      {0x800401FD, CadFault::Gone},  // CO_E_OBJNOTCONNECTED
      {0x80010001, CadFault::Busy},  // RPC_E_CALL_REJECTED
      {0x80004005, CadFault::None},  // E_FAIL: the call failed, the CAD is there
      {0x80020006, CadFault::None},  // DISP_E_UNKNOWNNAME
      {0x80010002, CadFault::None},  // RPC_E_CANTPOST_INSENDCALL
      {static_cast<std::uint32_t>(kErrorNotRunning), CadFault::None},  // the attach: silent
      {0, CadFault::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CadFaultOf(static_cast<std::int32_t>(c.code)), c.fault) << std::hex << c.code;
}

TEST_F(LinkTest, ACadFaultIsToldOnceAndAGoneCadIsLetGo) {
  const struct {
    CadFault fault;
    std::string_view message;
    bool kept;
  } cases[] = {
      {CadFault::Busy, kCadBusyMessage, true},
      {CadFault::Gone, kCadGoneMessage, false},
      {CadFault::None, "", true},
  };
  for (const auto& c : cases) {
    BeginCadCommand(link);
    os.ClearEvents();
    host->ResetCallCounts();
    EndCommandOnCadFault(link, c.fault);
    EXPECT_EQ(link.CadApplication != nullptr, c.kept);
    const std::vector<Event> events = os.events();
    if (c.message.empty()) {
      EXPECT_TRUE(events.empty());
    } else {
      ASSERT_EQ(events.size(), 1u);  // the message alone: no window brought forward
      EXPECT_EQ(events[0].kind, EventKind::MessageShown);
      EXPECT_EQ(events[0].text, c.message);
      EXPECT_EQ(events[0].caption, kCadFaultCaption);
    }
    EXPECT_TRUE(host->CallCounts().empty());  // nothing is asked of the CAD
  }
}

// --- IsCadRunning --------------------------------------------------------------------------------

TEST(IsCadRunningTest, UnregisteredRegisteredAndRunning) {
  host::sim::SimPlatform os;
  auto host = host::CreateHostWithCommandLine({.progId = "ZWCAD.Application"});
  os.RegisterProgId("BricscadApp.AcadApplication");
  os.Run("ZWCAD.Application", host->Application(), host->hwnd());
  struct Case {
    const char* progId;
    bool running;
  } cases[] = {
      {"GCAD.Application.23", false},          // not registered
      {"BricscadApp.AcadApplication", false},  // registered, not running
      {"ZWCAD.Application", true},
      {"zwcad.APPLICATION", true},  // class names compare without ASCII case
      {"", false},
  };
  for (const Case& c : cases) {
    CadLink link(os);
    link.ProgId = c.progId;
    EXPECT_EQ(IsCadRunning(link), c.running) << c.progId;
    EXPECT_EQ(link.CadApplication, nullptr) << "IsCadRunning must not attach";
  }
  os.Quit("ZWCAD.Application");
  CadLink link(os);
  link.ProgId = "ZWCAD.Application";
  EXPECT_FALSE(IsCadRunning(link)) << "after the CAD quit";
  EXPECT_TRUE(os.events().empty());
}

// --- Idle wait -----------------------------------------------------------------------------------

TEST(IdleQueryTest, ChosenByProgId) {
  struct Case {
    const char* progId;
    IdleQuery query;
  } cases[] = {
      {"ZWCAD.Application", IdleQuery::GetZcadState},
      {"ZWCAD.Application.2024", IdleQuery::GetZcadState},
      {"BricscadApp.AcadApplication", IdleQuery::GetAcadState},
      {"AutoCAD.Application", IdleQuery::GetAcadState},
      {"GCAD.Application.23", IdleQuery::GetGcadState},
      {"GCAD.Application.24", IdleQuery::GetAcadState},
      {"gcad.application.25", IdleQuery::GetAcadState},  // upper-cased before the test
      {"GCAD.Application", IdleQuery::GetGcadState},     // "APPLICATION" is no number: 0
      {"GCAD.Application.", IdleQuery::GetGcadState},
      {"GCAD.Application.-30", IdleQuery::GetGcadState},
      {"GCAD.Application.+24", IdleQuery::GetAcadState},
      {"GCAD.Application.24a", IdleQuery::GetGcadState},
      {"GCAD.Application.99999999999999999999999", IdleQuery::GetGcadState},  // no int64: 0
      {"GCAD", IdleQuery::GetGcadState},
      {"GCAD.ZWCAD.30", IdleQuery::GetAcadState},  // GCAD is asked first
      {"XPCAD.Application", IdleQuery::GetAcadState},
      {"", IdleQuery::GetAcadState},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IdleQueryFor(c.progId), c.query) << c.progId;
}

struct IdlePollCase {
  const char* progId;
  const char* query;  // the member the host must be asked
  int busyPolls;
  std::uint32_t delayMs;
};

class IdleWaitTest : public LinkTest, public ::testing::WithParamInterface<IdlePollCase> {};

TEST_P(IdleWaitTest, PollsTheChosenQueryUntilIdleWaitingBeforeBetweenAndAfter) {
  const IdlePollCase& c = GetParam();
  Start(c.progId);
  host->SetBusyPolls(c.busyPolls);

  WaitCadIdle(link, app, c.delayMs);

  const std::uint64_t d = c.delayMs;
  EXPECT_EQ(os.now(), d + c.busyPolls * d + d);
  const std::vector<Event> sleeps = os.EventsOf(EventKind::Slept);
  ASSERT_EQ(sleeps.size(), static_cast<std::size_t>(c.busyPolls) + 2);
  for (const Event& e : sleeps)
    EXPECT_EQ(e.value, c.delayMs);
  EXPECT_EQ(host->CallCount(c.query), c.busyPolls + 1);
  EXPECT_EQ(host->CallCount("IsQuiescent"), c.busyPolls + 1);
  EXPECT_EQ(host->CallCount("GetAcadState") + host->CallCount("GetGcadState") +
                host->CallCount("GetZcadState"),
            c.busyPolls + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Products, IdleWaitTest,
    ::testing::Values(IdlePollCase{"ZWCAD.Application", "GetZcadState", 0, 200},
                      IdlePollCase{"ZWCAD.Application", "GetZcadState", 3, 200},
                      IdlePollCase{"BricscadApp.AcadApplication", "GetAcadState", 1, 100},
                      IdlePollCase{"GCAD.Application.23", "GetGcadState", 5, 200},
                      IdlePollCase{"GCAD.Application.24", "GetAcadState", 2, 100},
                      IdlePollCase{"GCAD.Application", "GetGcadState", 0, 100}),
    // Short names (the ProgID and the busy polls), so that the test log reads at a glance.
    [](const ::testing::TestParamInfo<IdlePollCase>& info) {
      std::string name;
      for (const char ch : std::string_view(info.param.progId))
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name + "_" + std::to_string(info.param.busyPolls) + "Busy";
    });

TEST_F(LinkTest, IdleWaitPassesQueryErrorsOn) {
  // A CAD whose idle query fails for another reason than an unknown name (it has quit, say).
  auto faulty = std::make_shared<FaultyObject>(host->Application(),
                                               std::set<std::string, std::less<>>{"GetZcadState"});
  EXPECT_THROW(WaitCadIdle(link, Application(faulty), 200), AutomationError);
  EXPECT_EQ(os.now(), 200u);  // the first wait, then the failing poll
  EXPECT_EQ(faulty->calls["GetZcadState"], 1);
  EXPECT_EQ(faulty->calls["GetAcadState"], 0);  // only an unknown name sends it to the others
}

// An application that knows none of the idle-state queries.
class WithoutIdleQueries final : public Object {
 public:
  explicit WithoutIdleQueries(ObjectRef inner) : inner_(std::move(inner)) {}
  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    if (member.starts_with("Get") && member.ends_with("State")) {
      ++asked;
      throw AutomationError(std::string(member), "unknown member", kErrorUnknownMember);
    }
    return inner_->Invoke(member, kind, args);
  }
  int asked = 0;

 private:
  ObjectRef inner_;
};

struct UnknownQueryCase {
  const char* hostProgId;              // decides the one query the CAD answers
  const char* linkProgId;              // decides the query asked first
  std::vector<std::string> firstWait;  // the queries the first wait asks, in order
  const char* learned;
};

void PrintTo(const UnknownQueryCase& c, std::ostream* os) {
  *os << c.hostProgId << " as " << c.linkProgId;
}

class IdleQueryFallback : public LinkTest,
                          public ::testing::WithParamInterface<UnknownQueryCase> {};

TEST_P(IdleQueryFallback, AnUnknownQueryNameFallsBackToTheOneThatAnswersAndIsRemembered) {
  const UnknownQueryCase& c = GetParam();
  Start(c.hostProgId);
  link.ProgId = c.linkProgId;
  std::map<std::string, std::int64_t, std::less<>> counts;
  for (const std::string& q : c.firstWait)
    ++counts[q];
  host->ResetCallCounts();

  WaitCadIdle(link, app, 100);
  for (const char* q : {"GetAcadState", "GetGcadState", "GetZcadState"})
    EXPECT_EQ(host->CallCount(q), counts[q]) << q;
  EXPECT_EQ(os.now(), 200u);

  // The next wait asks the query that answered, and only it; so does a busy poll.
  host->ResetCallCounts();
  host->SetBusyPolls(1);
  WaitCadIdle(link, app, 100);
  EXPECT_EQ(host->CallCount(c.learned), 2);
  EXPECT_EQ(host->CallCount("GetAcadState") + host->CallCount("GetGcadState") +
                host->CallCount("GetZcadState"),
            2);
  EXPECT_TRUE(os.EventsOf(EventKind::MessageShown).empty());
}

INSTANTIATE_TEST_SUITE_P(Clones, IdleQueryFallback,
                         ::testing::Values(
                             // A clone of the version that the ProgID rule sends to GetAcadState,
                             // answering only its own.
                             UnknownQueryCase{"GCAD.Application",
                                              "GCAD.Application.24",
                                              {"GetAcadState", "GetGcadState"},
                                              "GetGcadState"},
                             UnknownQueryCase{"ZWCAD.Application",
                                              "BricscadApp.AcadApplication",
                                              {"GetAcadState", "GetGcadState", "GetZcadState"},
                                              "GetZcadState"},
                             UnknownQueryCase{"AutoCAD.Application",
                                              "ZWCAD.Application",
                                              {"GetZcadState", "GetAcadState"},
                                              "GetAcadState"}));

TEST_F(LinkTest, ACadWithoutIdleQueriesIsWaitedForByTheFixedWaitsAndTheUserToldOnce) {
  auto bare = std::make_shared<WithoutIdleQueries>(host->Application());
  const Application application(bare);
  WaitCadIdle(link, application, 300);
  EXPECT_EQ(bare->asked, 3);
  EXPECT_EQ(os.now(), 600u);
  WaitCadIdle(link, application, 300);
  EXPECT_EQ(bare->asked, 3);  // not asked again
  EXPECT_EQ(os.now(), 1200u);
  const std::vector<Event> shown = os.EventsOf(EventKind::MessageShown);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, kNoIdleQueryMessage);

  // Another target CAD is asked afresh.
  link.ProgId = "AutoCAD.Application";
  Start("AutoCAD.Application");
  host->ResetCallCounts();
  WaitCadIdle(link, app, 300);
  EXPECT_EQ(host->CallCount("GetAcadState"), 1);
}

TEST_F(LinkTest, IdleWaitGivesUpOnACadThatNeverBecomesIdle) {
  host->SetBusyPolls(INT_MAX);
  EXPECT_THROW(WaitCadIdle(link, app, 200), AutomationError);
  EXPECT_GE(os.now(), kIdleWaitLimitMs);
  EXPECT_LE(os.now(), kIdleWaitLimitMs + 2 * 200);
}

TEST_F(LinkTest, IdleWaitKeepsWaitingForAUserWhoTakesMinutes) {
  // Ten minutes of busy answers at 200 ms: the user is still picking the insertion point.
  host->SetBusyPolls(10 * 60 * 5);
  EXPECT_NO_THROW(WaitCadIdle(link, app, 200));
  EXPECT_EQ(host->busyPolls(), 0);
}

// --- Snap bracket --------------------------------------------------------------------------------

struct SnapCase {
  const char* name;
  std::function<void(const Document&)> body;
  bool bodyFails;
};

class SnapBracketTest : public LinkTest, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(SnapBracketTest, RestoresSnapModeWhateverTheBodyDoes) {
  const SnapCase& c = GetParam();
  host->drawing().vars.SNAPMODE = 1;
  std::int64_t snapInBody = -1;
  const std::exception_ptr error = WithSnapOff(doc, [&] {
    snapInBody = doc.GetVariable("SNAPMODE").ToInteger();
    c.body(doc);
  });
  EXPECT_EQ(snapInBody, 0);
  EXPECT_EQ(host->drawing().vars.SNAPMODE, 1);
  EXPECT_EQ(error != nullptr, c.bodyFails);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SnapBracketTest,
    ::testing::Values(
        SnapCase{"Succeeds", [](const Document&) {}, false},
        // No scripted answer: the pick is cancelled, as by Esc.
        SnapCase{"PickCancelled",
                 [](const Document& d) { d.Utility().GetPoint(std::nullopt, "Pick: "); }, true},
        SnapCase{"AutomationErrorInBody",
                 [](const Document& d) { d.GetVariable("NOSUCHVARIABLE"); }, true},
        SnapCase{"OtherErrorInBody",
                 [](const Document&) { throw std::runtime_error("bad number"); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, SnapBracketErrorBeforeTheBodySkipsBodyAndRestore) {
  struct Case {
    const char* failing;
    int setVariableCalls;
  } cases[] = {{"GetVariable", 0}, {"SetVariable", 1}};
  for (const Case& c : cases) {
    auto faulty =
        std::make_shared<FaultyObject>(doc.object(), std::set<std::string, std::less<>>{c.failing});
    bool bodyRan = false;
    EXPECT_THROW(WithSnapOff(Document(faulty), [&] { bodyRan = true; }), AutomationError)
        << c.failing;
    EXPECT_FALSE(bodyRan) << c.failing;
    EXPECT_EQ(faulty->calls["SetVariable"], c.setVariableCalls) << c.failing;
  }
}

}  // namespace
}  // namespace trivane::cad
