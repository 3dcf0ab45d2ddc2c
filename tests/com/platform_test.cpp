// The Win32 platform: finding a running object by ProgID, the message filter registration, the
// window calls and the message box.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "cad/com/com_object.h"
#include "cad/com/dispatch_server.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "cad/message_filter.h"
#include "tests/com/com_fixture.h"
#include "tests/com/echo_object.h"
#include "tests/com/registration.h"

namespace trivane::cad::com::testing {
namespace {

class Win32PlatformTest : public ComTest {
 protected:
  Win32Platform platform;
};

// --- Running objects -----------------------------------------------------------------------------

TEST_F(Win32PlatformTest, AnUnknownProgIdIsNeitherRegisteredNorRunning) {
  const std::string progIds[] = {"Trivane.NoSuchProgId.1", "", "bad\xff",
                                 std::string("Trivane\0Nul", 11)};
  for (const std::string& progId : progIds) {
    SCOPED_TRACE(progId);
    EXPECT_FALSE(platform.IsProgIdRegistered(progId));
    EXPECT_EQ(platform.GetActiveObject(progId), nullptr);
  }
}

TEST_F(Win32PlatformTest, ARegisteredProgIdWithNothingRunningGivesNoObject) {
  const std::wstring progId = UniqueProgId(L"NotRunning");
  ScopedProgId registration(progId, NewClsid());
  ASSERT_TRUE(registration.registered());
  EXPECT_TRUE(platform.IsProgIdRegistered(WideToUtf8(progId)));
  EXPECT_EQ(platform.GetActiveObject(WideToUtf8(progId)), nullptr);
}

TEST_F(Win32PlatformTest, FindsTheObjectRunningUnderTheProgId) {
  const std::wstring progId = UniqueProgId(L"InProcess");
  const CLSID clsid = NewClsid();
  ScopedProgId registration(progId, clsid);
  ASSERT_TRUE(registration.registered());
  auto echo = std::make_shared<EchoObject>();
  ComPtr<IDispatch> served = DispatchServer::Create(echo);
  DWORD cookie = 0;
  ASSERT_EQ(RegisterActiveObject(served.get(), clsid, ACTIVEOBJECT_STRONG, &cookie), S_OK);

  const ObjectRef found = platform.GetActiveObject(WideToUtf8(progId));
  ASSERT_NE(found, nullptr);
  EXPECT_NE(dynamic_cast<ComObject*>(found.get()), nullptr);
  PutProperty(*found, "Value", Value::Text("実行中"));
  EXPECT_EQ(GetProperty(*echo, "Value"), Value::Text("実行中"));

  ASSERT_EQ(RevokeActiveObject(cookie, nullptr), S_OK);
  EXPECT_EQ(platform.GetActiveObject(WideToUtf8(progId)), nullptr);
}

// --- Message filter ------------------------------------------------------------------------------

// Records what it is asked and answers with fixed, recognisable values (or throws).
class RecordingFilter final : public MessageFilter {
 public:
  explicit RecordingFilter(bool throws = false) : throws_(throws) {}
  std::uint32_t HandleInComingCall(std::uint32_t callType, std::uintptr_t task, std::uint32_t tick,
                                   const void*) override {
    calls.push_back({1, callType, task, tick});
    Check();
    return 11;
  }
  std::uint32_t RetryRejectedCall(std::uintptr_t task, std::uint32_t tick,
                                  std::uint32_t rejectType) override {
    calls.push_back({2, rejectType, task, tick});
    Check();
    return 22;
  }
  std::uint32_t MessagePending(std::uintptr_t task, std::uint32_t tick,
                               std::uint32_t pendingType) override {
    calls.push_back({3, pendingType, task, tick});
    Check();
    return 33;
  }
  struct Call {
    int which;
    std::uint32_t type;
    std::uintptr_t task;
    std::uint32_t tick;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;

 private:
  void Check() const {
    if (throws_)
      throw AutomationError("filter", "refused");
  }
  bool throws_;
};

// A plain COM message filter, as another component of the process might register.
class RawFilter final : public IMessageFilter {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IMessageFilter) {
      *object = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the stack
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return 101;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD tick, DWORD) override { return tick + 1; }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return 103; }
  ULONG refs = 1;
};

// What COM holds as the thread's filter now (nullptr: none).
ComPtr<IMessageFilter> CurrentFilter() {
  ComPtr<IMessageFilter> current;
  CoRegisterMessageFilter(nullptr, current.Receive());
  CoRegisterMessageFilter(current.get(), nullptr);
  return current;
}

TEST_F(Win32PlatformTest, RegisteringFiltersHandsBackThePreviousOneAsItWas) {
  auto a = std::make_shared<RecordingFilter>();
  auto b = std::make_shared<RecordingFilter>();
  EXPECT_EQ(platform.RegisterMessageFilter(a), nullptr);
  EXPECT_EQ(platform.RegisterMessageFilter(b), a);
  EXPECT_EQ(platform.RegisterMessageFilter(a), b);
  EXPECT_EQ(platform.RegisterMessageFilter(nullptr), a);
  EXPECT_FALSE(CurrentFilter());
}

TEST_F(Win32PlatformTest, TheRegisteredFilterAnswersComWithTheFiltersAnswers) {
  auto filter = std::make_shared<RecordingFilter>();
  platform.RegisterMessageFilter(filter);
  ComPtr<IMessageFilter> com = CurrentFilter();
  ASSERT_TRUE(com);
  const auto task = reinterpret_cast<HTASK>(std::uintptr_t{0x1234});
  EXPECT_EQ(com->HandleInComingCall(CALLTYPE_TOPLEVEL, task, 7, nullptr), 11u);
  EXPECT_EQ(com->RetryRejectedCall(task, 8, SERVERCALL_RETRYLATER), 22u);
  EXPECT_EQ(com->MessagePending(task, 9, PENDINGTYPE_TOPLEVEL), 33u);
  const std::vector<RecordingFilter::Call> expected = {
      {1, CALLTYPE_TOPLEVEL, 0x1234, 7},
      {2, SERVERCALL_RETRYLATER, 0x1234, 8},
      {3, PENDINGTYPE_TOPLEVEL, 0x1234, 9},
  };
  EXPECT_EQ(filter->calls, expected);
  platform.RegisterMessageFilter(nullptr);
}

TEST_F(Win32PlatformTest, AFilterThatThrowsLetsComGoOnAsWithoutAFilter) {
  platform.RegisterMessageFilter(std::make_shared<RecordingFilter>(true));
  ComPtr<IMessageFilter> com = CurrentFilter();
  ASSERT_TRUE(com);
  EXPECT_EQ(com->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr),
            static_cast<DWORD>(SERVERCALL_ISHANDLED));
  EXPECT_EQ(com->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
  EXPECT_EQ(com->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL),
            static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
  platform.RegisterMessageFilter(nullptr);
}

TEST_F(Win32PlatformTest, AForeignFilterIsWrappedAndPutBackAsItWas) {
  RawFilter raw;
  ASSERT_EQ(CoRegisterMessageFilter(&raw, nullptr), S_OK);
  auto ours = std::make_shared<RecordingFilter>();
  const MessageFilterRef previous = platform.RegisterMessageFilter(ours);
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(previous->RetryRejectedCall(0, 41, SERVERCALL_RETRYLATER), 42u);
  EXPECT_EQ(previous->MessagePending(0, 0, PENDINGTYPE_TOPLEVEL), 103u);

  EXPECT_EQ(platform.RegisterMessageFilter(previous), ours);
  EXPECT_EQ(CurrentFilter().get(), &raw);
  CoRegisterMessageFilter(nullptr, nullptr);
}

TEST_F(Win32PlatformTest, TheToolsFilterRunsAsTheThreadsComFilterWhileRegistered) {
  RawFilter before;
  ASSERT_EQ(CoRegisterMessageFilter(&before, nullptr), S_OK);
  auto filter = std::make_shared<TMessageFilter>(platform);
  filter->RegisterFilter();
  ComPtr<IMessageFilter> com = CurrentFilter();
  ASSERT_TRUE(com);
  EXPECT_NE(com.get(), &before);
  EXPECT_EQ(com->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), kRetryLaterDelayMs);
  EXPECT_EQ(com->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), kCancelRejectedCall);
  EXPECT_EQ(com->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL), kPendingMsgWaitNoProcess);
  com.reset();
  filter->RevokeFilter();
  EXPECT_EQ(CurrentFilter().get(), &before);
  CoRegisterMessageFilter(nullptr, nullptr);
}

// --- Windows -------------------------------------------------------------------------------------

// A plain top-level window of this thread, destroyed with the scope.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TrivaneComTestWindow";
    RegisterClassW(&wc);  // a second registration fails harmlessly
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"窓", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  ~TestWindow() {
    if (hwnd_)
      DestroyWindow(hwnd_);
  }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

TEST(WindowHandle, ConvertsBothWays) {
  const auto h = reinterpret_cast<HWND>(std::intptr_t{0x0001'2345});
  EXPECT_EQ(FromHwnd(h), 0x0001'2345);
  EXPECT_EQ(ToHwnd(FromHwnd(h)), h);
}

TEST_F(Win32PlatformTest, AMinimisedWindowIsIconicUntilOpened) {
  TestWindow window;
  ASSERT_TRUE(window.get());
  const WindowHandle w = FromHwnd(window.get());
  ShowWindow(window.get(), SW_SHOWMINIMIZED);
  EXPECT_TRUE(platform.IsIconic(w));
  platform.OpenIcon(w);
  EXPECT_FALSE(platform.IsIconic(w));
}

TEST_F(Win32PlatformTest, EscReachesTheForegroundWindowAsKeyDownThenUp) {
  TestWindow window;
  ASSERT_TRUE(window.get());
  const WindowHandle w = FromHwnd(window.get());
  ShowWindow(window.get(), SW_SHOW);
  platform.SetForegroundWindow(w);
  ASSERT_EQ(platform.GetForegroundWindow(), w);
  SetFocus(window.get());

  platform.KeybdEvent(kVirtualKeyEscape, 0);
  platform.KeybdEvent(kVirtualKeyEscape, kKeyEventKeyUp);
  std::vector<UINT> keys;
  const ULONGLONG deadline = GetTickCount64() + 5000;
  while (keys.size() < 2 && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && msg.hwnd == window.get() &&
          msg.wParam == VK_ESCAPE)
        keys.push_back(msg.message);
      DispatchMessageW(&msg);
    }
    platform.Sleep(5);
  }
  EXPECT_EQ(keys, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(Win32PlatformTest, TheMessageBoxBelongsToTheOwnerAndShowsTheJapaneseText) {
  TestWindow owner;
  ASSERT_TRUE(owner.get());
  platform.SetOwnerWindow(owner.get());
  const DWORD thread = GetCurrentThreadId();

  // Another thread finds the box, reads it and presses OK.
  HWND boxOwner = nullptr;
  std::wstring boxText;
  std::wstring boxCaption;
  bool found = false;
  std::thread closer([&] {
    for (int i = 0; i < 500; ++i) {
      HWND box = nullptr;
      EnumThreadWindows(
          thread,
          [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (std::wstring_view(cls) != L"#32770")
              return TRUE;
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (box) {
        // The text is in a static control beside the icon's; wait until it has been filled.
        std::wstring text;
        EnumChildWindows(
            box,
            [](HWND w, LPARAM p) -> BOOL {
              wchar_t buffer[64] = {};
              GetClassNameW(w, buffer, 64);
              if (std::wstring_view(buffer) != L"Static")
                return TRUE;
              GetWindowTextW(w, buffer, 64);
              if (!buffer[0])
                return TRUE;
              *reinterpret_cast<std::wstring*>(p) = buffer;
              return FALSE;
            },
            reinterpret_cast<LPARAM>(&text));
        if (!text.empty()) {
          wchar_t caption[16] = {};
          GetWindowTextW(box, caption, 16);
          boxCaption = caption;
          boxText = text;
          boxOwner = GetWindow(box, GW_OWNER);
          found = true;
          PostMessageW(box, WM_COMMAND, IDOK, 0);
          return;
        }
      }
      ::Sleep(10);
    }
  });
  platform.MessageBox("面積を計算しました", "■");
  closer.join();
  ASSERT_TRUE(found) << "no message box appeared";
  EXPECT_EQ(boxOwner, owner.get());
  EXPECT_EQ(boxText, L"面積を計算しました");
  EXPECT_EQ(boxCaption, L"■");
}

}  // namespace
}  // namespace trivane::cad::com::testing
