// The tool window as native controls: every control of the window model with its class, text,
// state, place and font; the user's clicks, keys and typing reaching the model and the model's
// changes reaching the screen; the default error box; a command driven from its button through
// real COM; and pictures of the four pages.
#include <gtest/gtest.h>

#include "cad/com/win.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/win32/native_controls.h"
#include "app/win32/wide_text.h"
#include "cad/automation.h"
#include "cad/com/dispatch_server.h"
#include "tests/com/registration.h"
#ifdef TRIVANE_HOST_SERVER_FROM_TESTS
#include "cad/objects.h"
#include "tests/com/host_server_fixture.h"
#endif
#include "tests/win32/window_fixture.h"

namespace trivane::app::win32::testing {
namespace {

using K = ControlKind;

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

bool TakesFocus(K kind) {
  return kind == K::Button || kind == K::Edit || kind == K::RadioButton || kind == K::CheckBox ||
         kind == K::ListBox;
}

bool ShowsText(K kind) {
  return kind != K::Image && kind != K::UpDown && kind != K::ListBox && kind != K::PageControl &&
         kind != K::Page;
}

std::string TabText(HWND tabs, int index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

// A control's bounds in its parent's client area.
Bounds PlaceOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LONG_PTR Style(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

// ---------------------------------------------------------------------------------------------
// The controls

TEST_F(WindowTest, EveryControlOfTheModelIsANativeControl) {
  const std::vector<Control>& controls = Form().Controls();
  const std::vector<HWND> all = Descendants(Window());
  std::size_t items = 0;
  for (const Control& c : controls)
    items += c.kind == K::RadioGroup ? c.items.size() : 0;
  EXPECT_EQ(all.size(), controls.size() + items);

  const HWND tabs = Native("PageControl1");
  int page = 0;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Control& c = controls[i];
    SCOPED_TRACE(c.name);
    auto found = std::find_if(all.begin(), all.end(), [&](HWND w) {
      return GetDlgCtrlID(w) == MainWindowView::ControlId(i);
    });
    ASSERT_NE(found, all.end());
    const HWND h = *found;
    EXPECT_EQ(h, view_->ControlWindow(c.name));
    EXPECT_EQ(_wcsicmp(ClassName(h).c_str(), NativeClassName(c.kind)), 0);
    EXPECT_EQ(GetParent(h), c.parent.empty() ? Window() : Native(c.parent));
    EXPECT_EQ(IsWindowEnabled(h) != FALSE, c.enabled);
    // Of a group of radio buttons only the checked one is a Tab stop (the buttons keep it so).
    EXPECT_EQ((Style(h) & WS_TABSTOP) != 0,
              c.tabStop && TakesFocus(c.kind) && (c.kind != K::RadioButton || c.checked));
    if (c.kind == K::Page) {
      EXPECT_EQ(TabText(tabs, page), c.text);
      EXPECT_EQ((Style(h) & WS_VISIBLE) != 0, page == Form().ActivePage());
      ++page;
      continue;  // pages fill the tab control's display area
    }
    EXPECT_EQ((Style(h) & WS_VISIBLE) != 0, c.visible);
    EXPECT_EQ(PlaceOf(h), c.bounds);
    if (ShowsText(c.kind)) {
      EXPECT_EQ(WindowText(h), c.text);
    }
    if (c.kind == K::CheckBox || c.kind == K::RadioButton) {
      EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), c.checked ? BST_CHECKED : BST_UNCHECKED);
    }
    if (c.kind == K::Edit) {
      EXPECT_EQ((Style(h) & ES_READONLY) != 0, c.readOnly);
    }
    if (c.kind == K::UpDown) {
      EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(h, UDM_GETBUDDY, 0, 0)), Native(c.associate));
      int min = -1;
      int max = -1;
      SendMessageW(h, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&min),
                   reinterpret_cast<LPARAM>(&max));
      EXPECT_EQ(min, c.min);
      EXPECT_EQ(max, c.max);
      EXPECT_EQ(SendMessageW(h, UDM_GETPOS32, 0, 0), c.position);
      EXPECT_EQ((Style(h) & UDS_SETBUDDYINT) != 0, true);
      EXPECT_EQ((Style(h) & UDS_NOTHOUSANDS) != 0, !c.thousands);
    }
    if (c.kind == K::RadioGroup) {
      for (std::size_t k = 0; k < c.items.size(); ++k) {
        HWND item = view_->ItemWindow(c.name, static_cast<int>(k));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(WindowText(item), c.items[k]);
        EXPECT_EQ(SendMessageW(item, BM_GETCHECK, 0, 0),
                  static_cast<int>(k) == c.itemIndex ? BST_CHECKED : BST_UNCHECKED);
      }
    }
    if (c.kind != K::UpDown && c.kind != K::Image) {
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof font, &font);
      EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
      EXPECT_EQ(font.lfHeight, -(c.fontHeight > 0 ? c.fontHeight : kWindowFontHeight));
      EXPECT_EQ(font.lfWeight, c.bold ? FW_BOLD : FW_NORMAL);
      EXPECT_EQ(font.lfCharSet, kShiftJisCharset);
    }
    if (c.kind == K::Image) {
      EXPECT_NE(SendMessageW(h, STM_GETICON, 0, 0), 0);
    }
  }
}

TEST_F(WindowTest, HintsAreTooltips) {
  HWND tooltip = view_->TooltipWindow();
  ASSERT_NE(tooltip, nullptr);
  int hints = 0;
  for (const Control& c : Form().Controls()) {
    if (c.hint.empty())
      continue;
    ++hints;
    SCOPED_TRACE(c.name);
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Window();
    tool.uId = reinterpret_cast<UINT_PTR>(Native(c.name));
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(text), c.hint);
  }
  EXPECT_EQ(hints, 14);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), hints);
}

TEST_F(WindowTest, TheWindowIsASmallToolWindowOnTop) {
  const LONG_PTR style = Style(Window());
  const LONG_PTR exStyle = GetWindowLongPtrW(Window(), GWL_EXSTYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
  EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0);
  RECT client;
  GetClientRect(Window(), &client);
  EXPECT_EQ(client.right, 185);
  EXPECT_EQ(client.bottom, 266);
  RECT frame;
  GetWindowRect(Window(), &frame);
  EXPECT_EQ(frame.left, 589);  // no settings file: the built-in place
  EXPECT_EQ(frame.top, 336);
  EXPECT_EQ(WindowText(Window()), "■ [ ZWCAD ]");
  EXPECT_NE(GetClassLongPtrW(Window(), GCLP_HICON), 0);
  EXPECT_EQ(Form().ActivePage(), 0);
}

// ---------------------------------------------------------------------------------------------
// From the user to the model and back

TEST_F(WindowTest, PagesAreShownByTheirTabs) {
  for (int page : {1, 2, 3, 0}) {
    SCOPED_TRACE(page);
    ShowPage(page);
    EXPECT_EQ(Form().ActivePage(), page);
    const char* names[] = {"TabSheet2", "TabSheet3", "TabSheet4", "TabSheet1"};
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(IsWindowVisible(Native(names[k])) != FALSE, k == page) << names[k];
  }
}

TEST_F(WindowTest, ChoosingTheMethodRenamesThePageAndSwapsTheWidthFields) {
  ClickButton(view_->ItemWindow("RadioGroup1", 1));
  EXPECT_EQ(Form().ItemIndex("RadioGroup1"), 1);
  EXPECT_EQ(TabText(Native("PageControl1"), 0), " 三斜");
  EXPECT_EQ(SendMessageW(view_->ItemWindow("RadioGroup1", 0), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(IsWindowEnabled(Native("Edit20")));
  EXPECT_TRUE(IsWindowEnabled(Native("Label19")));
  EXPECT_FALSE(IsWindowEnabled(Native("Edit11")));

  ClickButton(view_->ItemWindow("RadioGroup1", 0));
  EXPECT_EQ(TabText(Native("PageControl1"), 0), " ﾍﾛﾝ");
  EXPECT_FALSE(IsWindowEnabled(Native("Edit20")));
  EXPECT_TRUE(IsWindowEnabled(Native("Edit11")));
}

TEST_F(WindowTest, UpDownsCountInTheirEdits) {
  const struct {
    const char* upDown;
    int page;
    bool up;
    const char* edit;
    const char* text;
  } cases[] = {
      {"UpDown4", 0, true, "Edit16", "2"},     // the next triangle number
      {"UpDown2", 1, false, "Edit7", "1"},     // length decimals
      {"UpDown6", 1, true, "Edit18", "5"},     // area decimals
      {"UpDown3", 1, false, "Edit8", "100"},   // the scale, through the hidden Edit23
      {"UpDown5", 3, false, "Edit17", "100"},  // the multiplier, through the hidden Edit24
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.upDown);
    ShowPage(c.page);
    HWND upDown = Native(c.upDown);
    RECT r;
    GetClientRect(upDown, &r);
    ClickAt(upDown, {r.right / 2, c.up ? r.bottom / 4 : r.bottom * 3 / 4});
    EXPECT_EQ(WindowText(Native(c.edit)), c.text);
    EXPECT_EQ(Form().Text(c.edit), c.text);
    EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, 0), Form().Position(c.upDown));
  }
  EXPECT_EQ(app_->State().numbers.Keta1, 1);
  EXPECT_EQ(app_->State().numbers.Keta2, 5);
  EXPECT_EQ(WindowText(Native("Edit23")), "2");
}

TEST_F(WindowTest, ClicksAndTypingReachTheModel) {
  ShowPage(3);
  ClickButton(Native("CheckBox3"));
  EXPECT_FALSE(Form().Checked("CheckBox3"));
  EXPECT_FALSE(IsWindowEnabled(Native("Edit14")));
  ClickButton(Native("CheckBox3"));
  EXPECT_TRUE(IsWindowEnabled(Native("Edit14")));

  HWND angle = Native("Edit13");
  SetFocus(angle);
  SendMessageW(angle, EM_SETSEL, 0, -1);
  Type(angle, L"90.5");
  EXPECT_EQ(Form().Text("Edit13"), "90.5");

  ShowPage(1);
  HWND layer = Native("Edit12");
  SendMessageW(layer, EM_SETSEL, 0, -1);
  Type(layer, L"文字層");
  EXPECT_EQ(Form().Text("Edit12"), "文字層");

  ClickButton(Native("RadioButton6"));
  EXPECT_EQ(app_->State().numbers.Menseki, RoundingMode::kRoundUp);
  EXPECT_EQ(SendMessageW(Native("RadioButton5"), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // The next number typed digit by digit: its up-down follows without upsetting the typing.
  ShowPage(0);
  HWND number = Native("Edit16");
  SetFocus(number);
  SendMessageW(number, EM_SETSEL, 0, -1);
  Type(number, L"123");
  EXPECT_EQ(WindowText(number), "123");
  EXPECT_EQ(Form().Position("UpDown4"), 123);
  EXPECT_EQ(SendMessageW(Native("UpDown4"), UDM_GETPOS32, 0, 0), 123);

  // A read-only edit keeps what the model shows.
  HWND scale = Native("Edit8");
  Type(scale, L"5");
  EXPECT_EQ(Form().Text("Edit8"), "1000");
  EXPECT_EQ(WindowText(scale), "1000");
}

TEST_F(WindowTest, EnterInTheSideEditsMovesToTheNextField) {
  ShowPage(3);
  SetForegroundWindow(Window());
  SetFocus(Native("Edit1"));
  Pump();
  PressKey(Native("Edit1"), VK_RETURN);
  EXPECT_EQ(GetFocus(), Native("Edit2"));
  EXPECT_EQ(Form().Focused(), "Edit2");
  PressKey(Native("Edit2"), VK_RETURN);
  EXPECT_EQ(GetFocus(), Native("Button1"));
  EXPECT_EQ(Form().Text("Edit1"), "8.0");  // Enter typed nothing
}

TEST_F(WindowTest, TabMovesThroughTheTabStopsInTheirOrder) {
  SetForegroundWindow(Window());
  ShowPage(1);
  SetFocus(Native("Edit12"));
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Native("Edit15"));
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Native("Edit19"));

  ShowPage(3);  // Label2, the disabled CheckBox1 and Edit17 are no Tab stops
  SetFocus(Native("Edit1"));
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Native("Edit2"));
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Native("Button1"));
  EXPECT_EQ(Form().Focused(), "Button1");
}

// The model's own changes show at once: a command steps the number and enables "a-b反転".
TEST_F(WindowTest, ChangesFromCommandsShowAtOnce) {
  Form().SetPosition("UpDown4", 17);
  Form().SetEnabled("Button9", true);
  Form().SetCaption("■ [ 図研 ]");
  EXPECT_EQ(WindowText(Native("Edit16")), "17");
  EXPECT_EQ(SendMessageW(Native("UpDown4"), UDM_GETPOS32, 0, 0), 17);
  EXPECT_TRUE(IsWindowEnabled(Native("Button9")));
  EXPECT_EQ(WindowText(Window()), "■ [ 図研 ]");
}

// "CAD" is a flat button: the focus stays where the user was typing.
TEST_F(WindowTest, FlatButtonsLeaveTheFocusWhereItWas) {
  SetForegroundWindow(Window());
  SetFocus(Native("Edit16"));
  HWND cad = Native("SpeedButton4");
  RECT r;
  GetClientRect(cad, &r);
  ClickAt(cad, {r.right / 2, r.bottom / 2});
  EXPECT_TRUE(app_->TargetCadForm().Visible());  // the click ran (no dialog view here)
  EXPECT_EQ(GetFocus(), Native("Edit16"));
  app_->TargetCadForm().Button2Click();
}

// Logging off ends the run as closing the window does (settings saved); a cancelled log-off
// does not.
TEST_F(WindowTest, TheEndOfTheSessionEndsTheRun) {
  int closes = 0;
  view_->SetCloseHandler([&] { ++closes; });
  SendMessageW(Window(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(closes, 0);
  SendMessageW(Window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(closes, 1);
}

// Where the window is left is where it starts next time.
TEST_F(WindowTest, ThePlaceOfTheWindowIsKept) {
  SetWindowPos(Window(), nullptr, 120, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Pump();
  EXPECT_EQ(Form().Left(), 120);
  EXPECT_EQ(Form().Top(), 140);
  Stop();
  Start();
  RECT frame;
  GetWindowRect(Window(), &frame);
  EXPECT_EQ(frame.left, 120);
  EXPECT_EQ(frame.top, 140);
}

TEST_F(WindowTest, AWindowPlacedOffEveryScreenComesBack) {
  Stop();
  app::testing::WriteBytes(folder_ / "trivane.ini", "[Form]\r\nTop=-5000\r\nLeft=-5000\r\n");
  Start();
  RECT frame;
  GetWindowRect(Window(), &frame);
  EXPECT_NE(MonitorFromRect(&frame, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(Form().Left(), frame.left);
  EXPECT_EQ(Form().Top(), frame.top);
}

// ---------------------------------------------------------------------------------------------
// The default error box

// What a message box showed: its text, its icon (nullptr: none), whether the tool window owned
// it and was disabled meanwhile.
struct SeenMessage {
  std::wstring text;
  HICON icon = nullptr;
  bool owned = false;
  bool ownerDisabled = false;
};

// Waits for the message box with this caption (nullptr: any) to be shown, notes what it shows and
// presses OK. Gives up after 10 s, or once `stop` is set.
SeenMessage AnswerMessageBox(HWND owner, const wchar_t* caption,
                             const std::atomic<bool>* stop = nullptr) {
  SeenMessage seen;
  HWND box = nullptr;
  for (int i = 0; i < 1000 && !(stop && *stop); ++i) {
    box = FindWindowW(L"#32770", caption);
    if (box != nullptr && IsWindowVisible(box))
      break;  // shown: its texts and icon are in place
    box = nullptr;
    Sleep(10);
  }
  if (box == nullptr)
    return seen;
  seen.owned = GetWindow(box, GW_OWNER) == owner;
  seen.ownerDisabled = !IsWindowEnabled(owner);
  for (HWND child : Descendants(box)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0)
      continue;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    else if (GetWindowTextLengthW(child) > 0)
      seen.text = WindowTextW(child);
  }
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return seen;
}

TEST_F(WindowTest, AnErrorNoHandlerCatchesIsShownWithTheStopIconAndTheWindowGoesOn) {
  Form().RegisterCommand("Button4Click", [](commands::CommandContext&, std::string_view) {
    throw std::runtime_error("図面を読めません");
  });
  SeenMessage seen;
  std::thread watcher([&] { seen = AnswerMessageBox(Window(), L"■"); });
  ClickButton(Native("Button4"));
  watcher.join();
  EXPECT_EQ(seen.text, L"図面を読めません.");
  EXPECT_EQ(seen.icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32513)));  // IDI_HAND, the stop icon
  EXPECT_TRUE(seen.owned);
  EXPECT_TRUE(seen.ownerDisabled);

  EXPECT_TRUE(IsWindowEnabled(Window()));
  ClickButton(Native("CheckBox2"));
  EXPECT_FALSE(Form().Checked("CheckBox2"));
}

// The two buttons of the coordinate area table share one handler, which tells them apart.
TEST_F(WindowTest, CoordinateTableButtonsRaiseTheirSharedHandler) {
  std::vector<std::string> senders;
  Form().RegisterCommand("Button15Click", [&](commands::CommandContext&, std::string_view s) {
    senders.emplace_back(s);
  });
  ShowPage(3);
  EXPECT_EQ(WindowText(Native("Button15")), "座標求積");
  EXPECT_EQ(WindowText(Native("Button16")), "ﾎﾟﾘ選択");
  ClickButton(Native("Button15"));
  ClickButton(Native("Button16"));
  EXPECT_EQ(senders, (std::vector<std::string>{"Button15", "Button16"}));
}

// ---------------------------------------------------------------------------------------------
// A command from its button, through real COM

// A CAD whose user answers the first point prompt with `pick` (or cancels it with Esc when there
// is none) and whose boundary command finds nothing; every call is recorded as "Object.Member".
class ScriptedCad {
 public:
  ScriptedCad(HWND window, std::optional<TAcadPoint> pick) : window_(window), pick_(pick) {}

  cad::ObjectRef Application() { return Make("Application"); }
  std::vector<std::string> calls;
  std::vector<std::string> prompts;
  std::vector<std::string> commands;  // sent as text

 private:
  class Part final : public cad::Object {
   public:
    Part(ScriptedCad& cad, std::string name) : cad_(cad), name_(std::move(name)) {}
    cad::Value Invoke(std::string_view member, cad::InvokeKind, std::span<cad::Arg> args) override {
      cad_.calls.push_back(name_ + "." + std::string(member));
      return cad_.Answer(name_, member, args);
    }

   private:
    ScriptedCad& cad_;
    std::string name_;
  };

  cad::ObjectRef Make(std::string name) { return std::make_shared<Part>(*this, std::move(name)); }

  cad::Value Answer(const std::string& object, std::string_view member, std::span<cad::Arg> args) {
    const std::string call = object + "." + std::string(member);
    auto text = [&](std::size_t i) {
      return i < args.size() && args[i].value.type() == cad::Value::Type::Text
                 ? args[i].value.GetText()
                 : std::string();
    };
    if (call == "Application.HWND")
      return cad::Value::Int64(reinterpret_cast<std::intptr_t>(window_));
    if (call == "Application.ActiveDocument")
      return cad::Value::Ref(Make("Document"));
    if (call == "Application.GetAcadState")
      return cad::Value::Ref(Make("State"));
    if (call == "State.IsQuiescent")
      return cad::Value::Bool(true);
    if (call == "Document.Utility")
      return cad::Value::Ref(Make("Utility"));
    if (call == "Document.Layers")
      return cad::Value::Ref(Make("Layers"));
    if (call == "Layers.Count")
      return cad::Value::Int32(0);
    if (call == "Layers.Add")
      return cad::Value::Ref(Make("Layer"));
    if (call == "Document.GetVariable") {
      const std::string name = text(0);
      if (name == "ANGBASE" || name == "VIEWSIZE")
        return cad::Value::Double(name == "VIEWSIZE" ? 100.0 : 0.0);
      return cad::Value::Int16(0);
    }
    if (call == "Document.SetVariable" || call == "Document.Regen" || call == "Utility.Prompt")
      return cad::Value();
    if (call == "Document.SendCommand") {
      commands.push_back(text(0));
      return cad::Value();
    }
    if (call == "Utility.GetPoint") {
      for (const cad::Arg& a : args) {
        if (a.value.type() == cad::Value::Type::Text)
          prompts.push_back(a.value.GetText());
      }
      if (!pick_)
        throw cad::AutomationError("GetPoint", "入力がキャンセルされました", cad::kErrorCancelled);
      return cad::Value::Doubles({pick_->x, pick_->y, pick_->z});
    }
    // Selection sets among them: the drawing's newest entity cannot be found.
    throw cad::AutomationError(std::string(member), "not in this script", cad::kErrorUnknownMember);
  }

  HWND window_;
  std::optional<TAcadPoint> pick_;
};

// The CAD's main window, on a thread of its own as in a program of its own (the command's Esc
// goes to the thread in front; whether Wine hands it on across threads is the platform's tests'
// business, not this one's).
class CadWindow {
 public:
  CadWindow()
      : made_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] {
      window_ = CreateWindowExW(0, L"Static", L"CAD", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
      threadId_ = GetCurrentThreadId();
      SetEvent(made_);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (window_ != nullptr)
        DestroyWindow(window_);
      SetEvent(ended_);
    });
    // Showing and destroying the CAD window moves the activation, which talks to this thread:
    // it keeps handling its messages while it waits.
    WaitPumping(made_);
  }
  ~CadWindow() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitPumping(ended_);
    thread_.join();
    CloseHandle(made_);
    CloseHandle(ended_);
  }
  CadWindow(const CadWindow&) = delete;
  CadWindow& operator=(const CadWindow&) = delete;

  HWND get() const { return window_; }

 private:
  static void WaitPumping(HANDLE event) {
    while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }

  HANDLE made_;
  HANDLE ended_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::thread thread_;
};

// A running CAD for one test: its window and the scripted application object in the running
// object table under a ProgID of this process, which becomes the target.
class CadOverCom : public WindowTest {
 protected:
  void StartCad(std::optional<TAcadPoint> pick) {
    ASSERT_NE(cadWindow_.get(), nullptr);
    cad_ = std::make_unique<ScriptedCad>(cadWindow_.get(), pick);
    const std::wstring progId = cad::com::testing::UniqueProgId(L"ScriptedCad");
    const CLSID clsid = cad::com::testing::NewClsid();
    registration_ = std::make_unique<cad::com::testing::ScopedProgId>(progId, clsid);
    ASSERT_TRUE(registration_->registered());
    served_ = cad::com::DispatchServer::Create(cad_->Application());
    ASSERT_HRESULT_SUCCEEDED(
        RegisterActiveObject(served_.get(), clsid, ACTIVEOBJECT_STRONG, &cookie_));
    app_->State().link.ProgId = Narrow(progId);
  }
  ~CadOverCom() override {
    if (cookie_ != 0)
      RevokeActiveObject(cookie_, nullptr);
    app_->State().link.CadApplication.reset();
    served_.reset();
  }

  CadWindow cadWindow_;
  std::unique_ptr<ScriptedCad> cad_;
  std::unique_ptr<cad::com::testing::ScopedProgId> registration_;
  cad::com::ComPtr<IDispatch> served_;
  DWORD cookie_ = 0;
};

TEST_F(CadOverCom, AutomaticSplitStartsItsCommandAndEndsSilentlyWhenThePickIsCancelled) {
  StartCad(std::nullopt);
  Form().SetEnabled("Button9", true);
  SetForegroundWindow(Window());
  ClickButton(Native("Button10"));  // "自動"

  // The command opens its undo step first (this scripted CAD has no undo marks: the command goes
  // on without them).
  const std::vector<std::string> expected = {"Application.HWND",       "Application.HWND",
                                             "Application.HWND",       "Application.ActiveDocument",
                                             "Document.StartUndoMark", "Document.Utility",
                                             "Utility.GetPoint"};
  EXPECT_EQ(cad_->calls, expected);
  EXPECT_EQ(cad_->prompts, std::vector<std::string>{"領域内の１点を指示 : "});
  // The CAD came to the front (and so was sent the Esc that cancels its own command).
  EXPECT_EQ(GetForegroundWindow(), cadWindow_.get());
  // The command reset the creation list; the cancelled pick ended it without a word.
  EXPECT_FALSE(IsWindowEnabled(Native("Button9")));
  EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr);
  EXPECT_EQ(Form().Position("UpDown4"), 1);
}

TEST_F(CadOverCom, AutomaticSplitSendsTheBoundaryCommandAndSaysWhenItFindsNone) {
  StartCad(TAcadPoint{1250.5, -20.25, 0.0});
  SetForegroundWindow(Window());
  SeenMessage seen;
  std::thread watcher([&] { seen = AnswerMessageBox(Window(), L"Trivane"); });
  ClickButton(Native("Button10"));  // "自動"
  watcher.join();

  EXPECT_EQ(cad_->commands, std::vector<std::string>{"_-BOUNDARY A O P \r1250.5000,-20.2500\r\r"});
  EXPECT_EQ(seen.text, L"境界を作成できません．");
  EXPECT_TRUE(seen.owned);                             // the tool window's box
  EXPECT_FALSE(seen.icon);                             // OK only, no icon
  EXPECT_EQ(GetForegroundWindow(), cadWindow_.get());  // the CAD in front again afterwards
  EXPECT_EQ(Form().Position("UpDown4"), 1);            // nothing was numbered
  EXPECT_TRUE(IsWindowEnabled(Window()));
}

#ifdef TRIVANE_HOST_SERVER_FROM_TESTS
// The built-in host's drawing served by a program of its own (com_host_server): the click crosses
// the process boundary on every call the command makes, as with a CAD.
TEST_F(WindowTest, AutomaticSplitClickedInTheWindowSplitsADrawingServedByAnotherProcess) {
  cad::com::testing::HostServer server(L"ZWCAD.HostCad", TRIVANE_HOST_SERVER_FROM_TESTS);
  ASSERT_TRUE(server.ready()) << server.error();
  {
    const cad::Block modelSpace =
        cad::Application(server.Application()).ActiveDocument().ModelSpace();
    const TAcadPoint corners[] = {{0, 0, 0}, {120, 0, 0}, {120, 80, 0}, {0, 80, 0}};
    for (int i = 0; i < 4; ++i)
      modelSpace.AddLine(corners[i], corners[(i + 1) % 4]);
  }
  server.Answer(host::UserAnswer::Point({50, 40, 0}));
  app_->State().link.ProgId = server.progId();
  SetForegroundWindow(Window());

  std::atomic<bool> done = false;
  SeenMessage seen;
  std::thread watcher([&] { seen = AnswerMessageBox(Window(), nullptr, &done); });
  ClickButton(Native("Button10"));  // "自動"
  done = true;
  watcher.join();

  EXPECT_EQ(seen.text, L"");  // no message
  EXPECT_EQ(server.Remaining(), 0) << server.Log();
  const host::Drawing drawing = server.Drawing(folder_.path() / "served.dxf");
  EXPECT_EQ(cad::com::testing::NumberTexts(drawing), 2);  // the rectangle's two triangles
  EXPECT_EQ(Form().Position("UpDown4"), 3);
  EXPECT_TRUE(IsWindowEnabled(Window()));
}

// A CAD that stops answering in the middle of "自動": while the call waits, the window answers
// messages sent to it and paints; closing the window takes effect when the call returns, after the
// command has done its work, and the settings are saved.
TEST_F(WindowTest, WhileTheCadHangsTheWindowPaintsAndAClosingWaitsForTheCall) {
  cad::com::testing::HostServer server(L"ZWCAD.HostCad", TRIVANE_HOST_SERVER_FROM_TESTS);
  ASSERT_TRUE(server.ready()) << server.error();
  {
    const cad::Block modelSpace =
        cad::Application(server.Application()).ActiveDocument().ModelSpace();
    const TAcadPoint corners[] = {{0, 0, 0}, {120, 0, 0}, {120, 80, 0}, {0, 80, 0}};
    for (int i = 0; i < 4; ++i)
      modelSpace.AddLine(corners[i], corners[(i + 1) % 4]);
  }
  server.Answer(host::UserAnswer::Point({50, 40, 0}));
  app_->State().link.ProgId = server.progId();
  std::atomic<bool> inCommand = false;
  bool closedInCommand = false;
  bool closed = false;
  view_->SetCloseHandler([&] {
    closedInCommand = inCommand;
    closed = true;
    app_->Close();
    view_->Destroy();
  });
  SetForegroundWindow(Window());
  server.Fault(cad::com::testing::FaultKind::Hang, "GetPoint", 1, 4000);

  // Each step waits for the window (up to 10 s) and notes whether the command was still running.
  const auto until = [](const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i)
      Sleep(10);
    return done();
  };
  struct Seen {
    bool answered = false, painted = false, inCommand = false;
  } seen;
  const HWND window = Window();
  std::thread watcher([&] {
    until([&] { return inCommand.load(); });
    DWORD_PTR reply = 0;
    seen.answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &reply) != 0;
    InvalidateRect(window, nullptr, TRUE);
    seen.painted = until([&] { return GetUpdateRect(window, nullptr, FALSE) == FALSE; });
    seen.inCommand = inCommand;
    PostMessageW(window, WM_CLOSE, 0, 0);
  });
  inCommand = true;
  SendMessageW(Native("Button10"), BM_CLICK, 0, 0);  // "自動", to its end
  inCommand = false;
  watcher.join();
  Pump();

  EXPECT_TRUE(seen.answered);
  EXPECT_TRUE(seen.painted);
  EXPECT_TRUE(seen.inCommand) << "answered and painted only after the call";
  EXPECT_TRUE(closed);
  EXPECT_FALSE(closedInCommand) << "closed while the command was running";
  EXPECT_TRUE(std::filesystem::exists(folder_.path() / "trivane.ini"));
  EXPECT_EQ(server.Remaining(), 0) << server.Log();
  const host::Drawing drawing = server.Drawing(folder_.path() / "served.dxf");
  EXPECT_EQ(cad::com::testing::NumberTexts(drawing), 2);  // the rectangle's two triangles
}
#endif

TEST_F(WindowTest, WithoutARunningCadTheButtonDoesNothing) {
  Form().SetEnabled("Button9", true);
  ClickButton(Native("Button10"));
  EXPECT_TRUE(IsWindowEnabled(Native("Button9")));  // the command ended before its reset
  EXPECT_EQ(app_->State().link.CadApplication, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Pictures of the pages (when TRIVANE_SCREENSHOT_DIR names a folder)

TEST_F(WindowTest, PicturesOfThePages) {
  const std::filesystem::path folder = PictureFolder();
  if (folder.empty())
    GTEST_SKIP() << "TRIVANE_SCREENSHOT_DIR is not set";
  for (int page = 0; page < 4; ++page) {
    ShowPage(page);
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Pump();
    Sleep(300);  // the X server shows what was drawn
    Pump();
    const std::filesystem::path bmp = folder / ("window-page" + std::to_string(page + 1) + ".bmp");
    EXPECT_TRUE(SaveWindowPicture(Window(), bmp)) << bmp.string();
  }
}

}  // namespace
}  // namespace trivane::app::win32::testing
