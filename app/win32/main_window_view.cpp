#include "app/win32/main_window_view.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/support.h"
#include "app/win32/wide_text.h"

namespace trivane::app::win32 {

namespace {

using K = ControlKind;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Radio-group items: the caption takes the top of the group; the items share the rest evenly.
constexpr int kItemsTop = 14;
constexpr int kItemHeight = 17;

bool HasText(K kind) {
  return kind != K::Image && kind != K::UpDown && kind != K::ListBox && kind != K::PageControl &&
         kind != K::Page;
}

void SetTextIfChanged(HWND window, const std::string& text) {
  if (WindowText(window) != text)
    SetWindowTextW(window, Widen(text).c_str());
}

void SetEnabledIfChanged(HWND window, bool enabled) {
  if ((IsWindowEnabled(window) != FALSE) != enabled)
    EnableWindow(window, enabled);
}

void SetCheckIfChanged(HWND button, bool checked) {
  const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
  if (static_cast<WPARAM>(SendMessageW(button, BM_GETCHECK, 0, 0)) != state)
    SendMessageW(button, BM_SETCHECK, state, 0);
}

}  // namespace

MainWindowView::MainWindowView(HINSTANCE instance, TForm1& form)
    : instance_(instance), form_(form), fonts_(Widen(kWindowFontName), kShiftJisCharset) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ProgramIcon(instance);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered

  RECT frame{0, 0, TForm1::kClientWidth, TForm1::kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  window_ = CreateWindowExW(kExStyle, kMainWindowClass, Widen(form_.Caption()).c_str(), kStyle,
                            form_.Left(), form_.Top(), frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (window_ == nullptr)
    throw std::runtime_error("the tool window cannot be created");
  try {
    Build();
  } catch (...) {
    DestroyWindow(window_);
    throw;
  }
  form_.SetObserver([this](std::string_view name) { Refresh(name); });
}

MainWindowView::~MainWindowView() {
  form_.SetObserver({});
  Destroy();
}

void MainWindowView::Destroy() {
  if (window_ != nullptr)
    DestroyWindow(window_);
}

HWND MainWindowView::ControlWindow(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() || it->second >= natives_.size() ? nullptr : natives_[it->second];
}

HWND MainWindowView::ItemWindow(std::string_view radioGroup, int item) const {
  auto it = index_.find(radioGroup);
  if (it == index_.end() || it->second >= items_.size() || item < 0 ||
      item >= static_cast<int>(items_[it->second].size()))
    return nullptr;
  return items_[it->second][static_cast<std::size_t>(item)];
}

std::size_t MainWindowView::IndexOf(HWND control) const {
  for (std::size_t i = 0; i < natives_.size(); ++i) {
    if (natives_[i] == control)
      return i;
  }
  return natives_.size();
}

// ---------------------------------------------------------------------------------------------
// Building

void MainWindowView::Build() {
  const std::vector<Control>& controls = form_.Controls();
  natives_.assign(controls.size(), nullptr);
  items_.assign(controls.size(), {});
  HFONT windowFont = fonts_.Get(kWindowFontHeight, false);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (tooltip_ != nullptr) {
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont), FALSE);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
  }

  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Control& c = controls[i];
    index_.emplace(c.name, i);
    HWND parent = c.parent.empty() ? window_ : ControlWindow(c.parent);
    if (parent == nullptr)
      throw std::logic_error("control " + c.name + " comes before its parent");
    HWND h = CreateNativeControl(c, parent, ControlId(i), instance_);
    if (h == nullptr)
      throw std::runtime_error("the control " + c.name + " cannot be created");
    natives_[i] = h;
    HFONT font = fonts_.Get(c.fontHeight > 0 ? c.fontHeight : kWindowFontHeight, c.bold);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    switch (c.kind) {
      case K::Page: {
        std::wstring caption = Widen(c.text);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        HWND tabs = ControlWindow(c.parent);
        SendMessageW(tabs, TCM_INSERTITEMW, pages_.size(), reinterpret_cast<LPARAM>(&tab));
        pages_.push_back(i);
        break;
      }
      case K::RadioGroup: {
        const int count = static_cast<int>(c.items.size());
        const int share = count > 0 ? (c.bounds.height - kItemsTop - 4) / count : 0;
        for (int k = 0; k < count; ++k) {
          DWORD style = WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON | BS_NOTIFY;
          if (k == 0)
            style |= WS_GROUP | (c.tabStop ? WS_TABSTOP : 0u);
          if (!c.enabled)
            style |= WS_DISABLED;
          HWND item = CreateWindowExW(
              0, WC_BUTTONW, Widen(c.items[static_cast<std::size_t>(k)]).c_str(), style, 8,
              kItemsTop + k * share + (share - kItemHeight) / 2, c.bounds.width - 12, kItemHeight,
              h, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ItemId(i, k))), instance_, nullptr);
          if (item == nullptr)
            throw std::runtime_error("an item of " + c.name + " cannot be created");
          SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
          SendMessageW(item, BM_SETCHECK, k == c.itemIndex ? BST_CHECKED : BST_UNCHECKED, 0);
          items_[i].push_back(item);
        }
        break;
      }
      case K::UpDown:
        if (HWND buddy = ControlWindow(c.associate)) {
          SendMessageW(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
          SendMessageW(h, UDM_SETPOS32, 0, c.position);
          SetTextIfChanged(buddy, form_.Text(c.associate));
        }
        break;
      case K::Image:
        if (HICON icon = ProgramIcon(instance_))
          SendMessageW(h, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        // The static sizes itself to the icon; the picture keeps the bounds it was given.
        SetWindowPos(h, nullptr, c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      case K::Edit:
        // Narrow margins: the short number fields ("180.0" in 32 pixels) show their whole text.
        SendMessageW(h, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
        if (!c.onKeyPress.empty())
          ReportKeyPresses(h);
        break;
      case K::CheckBox:
      case K::RadioButton:
        SendMessageW(h, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      default:
        break;
    }
    if (!c.hint.empty())
      AddTooltip(h, c.hint);
  }
  LayOutPages();
  ShowPage(form_.ActivePage());
}

void MainWindowView::AddTooltip(HWND control, const std::string& hint) {
  if (tooltip_ == nullptr)
    return;
  std::wstring text = Widen(hint);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The pages fill the tab control's display area, below the tabs however many rows they take.
void MainWindowView::LayOutPages() {
  if (pages_.empty())
    return;
  HWND tabs = GetParent(natives_[pages_.front()]);
  // The four tabs belong on one row: a second row would take the height the pages need. Where the
  // font makes them too wide for it, the space beside each caption shrinks first.
  for (int padding = 5; padding >= 1 && SendMessageW(tabs, TCM_GETROWCOUNT, 0, 0) > 1; --padding) {
    SendMessageW(tabs, TCM_SETPADDING, 0, MAKELPARAM(padding, 3));
    // The tabs are measured again when an item changes.
    for (std::size_t k = 0; k < pages_.size(); ++k) {
      std::wstring caption = Widen(form_.Controls()[pages_[k]].text);
      TCITEMW tab{};
      tab.mask = TCIF_TEXT;
      tab.pszText = caption.data();
      SendMessageW(tabs, TCM_SETITEMW, k, reinterpret_cast<LPARAM>(&tab));
    }
  }
  RECT area;
  GetClientRect(tabs, &area);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (std::size_t page : pages_) {
    SetWindowPos(natives_[page], nullptr, area.left, area.top, area.right - area.left,
                 area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A position saved on a monitor that is gone would leave the window out of reach: it is then
// centred on the primary monitor's work area.
void MainWindowView::KeepOnScreen() {
  RECT r;
  GetWindowRect(window_, &r);
  if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr)
    return;
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindowView::Show(int showCommand) {
  KeepOnScreen();
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

bool MainWindowView::PreTranslate(MSG& msg) {
  if (window_ == nullptr || (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)))
    return false;
  return IsDialogMessageW(window_, &msg) != FALSE;
}

// ---------------------------------------------------------------------------------------------
// From the model to the controls

void MainWindowView::Refresh(std::string_view name) {
  if (window_ == nullptr)
    return;
  if (name == "Form1") {
    RefreshWindow();
    return;
  }
  if (auto it = index_.find(name); it != index_.end())
    RefreshControl(it->second);
}

void MainWindowView::RefreshWindow() {
  ++refreshing_;
  SetTextIfChanged(window_, form_.Caption());
  if (!IsIconic(window_)) {
    RECT r;
    GetWindowRect(window_, &r);
    if (r.left != form_.Left() || r.top != form_.Top())
      SetWindowPos(window_, nullptr, form_.Left(), form_.Top(), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The focus follows the model while the window is active (a radio group's focus is on its
  // checked item).
  if (!form_.Focused().empty() && GetActiveWindow() == window_) {
    HWND want = ControlWindow(form_.Focused());
    const Control& c = form_.Find(form_.Focused());
    if (c.kind == K::RadioGroup)
      want = ItemWindow(c.name, c.itemIndex < 0 ? 0 : c.itemIndex);
    if (want != nullptr && GetFocus() != want && IsWindowVisible(want) && IsWindowEnabled(want))
      SetFocus(want);
  }
  --refreshing_;
}

void MainWindowView::ShowPage(int page) {
  if (pages_.empty())
    return;
  HWND tabs = GetParent(natives_[pages_.front()]);
  if (SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != page)
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  for (std::size_t k = 0; k < pages_.size(); ++k)
    ShowWindow(natives_[pages_[k]], static_cast<int>(k) == page ? SW_SHOW : SW_HIDE);
}

void MainWindowView::RefreshControl(std::size_t index) {
  const Control& c = form_.Controls()[index];
  HWND h = natives_[index];
  ++refreshing_;
  switch (c.kind) {
    case K::PageControl:
      ShowPage(c.itemIndex);
      break;
    case K::Page:
      for (std::size_t k = 0; k < pages_.size(); ++k) {
        if (pages_[k] != index)
          continue;
        std::wstring caption = Widen(c.text);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        SendMessageW(GetParent(h), TCM_SETITEMW, k, reinterpret_cast<LPARAM>(&tab));
      }
      break;
    case K::RadioGroup:
      for (std::size_t k = 0; k < items_[index].size(); ++k) {
        SetCheckIfChanged(items_[index][k], static_cast<int>(k) == c.itemIndex);
        SetEnabledIfChanged(items_[index][k], c.enabled);
      }
      break;
    case K::CheckBox:
    case K::RadioButton:
      SetCheckIfChanged(h, c.checked);
      break;
    case K::UpDown:
      if (SendMessageW(h, UDM_GETPOS32, 0, 0) != c.position)
        SendMessageW(h, UDM_SETPOS32, 0, c.position);
      break;
    case K::Edit:
      if (((GetWindowLongW(h, GWL_STYLE) & ES_READONLY) != 0) != c.readOnly)
        SendMessageW(h, EM_SETREADONLY, c.readOnly, 0);
      break;
    default:
      break;
  }
  if (HasText(c.kind))
    SetTextIfChanged(h, c.text);
  SetEnabledIfChanged(h, c.enabled);
  if (c.kind != K::Page && ((GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0) != c.visible)
    ShowWindow(h, c.visible ? SW_SHOWNA : SW_HIDE);
  --refreshing_;
}

// ---------------------------------------------------------------------------------------------
// From the controls to the model

void MainWindowView::OnCommand(int id, int code, HWND control) {
  const std::vector<Control>& controls = form_.Controls();
  if (id >= kFirstItemId) {
    const auto index = static_cast<std::size_t>((id - kFirstItemId) / kItemsPerGroup);
    const int item = (id - kFirstItemId) % kItemsPerGroup;
    if (index >= controls.size() || controls[index].kind != K::RadioGroup)
      return;
    const std::string name = controls[index].name;
    if (code == BN_CLICKED) {
      form_.SelectItem(name, item);
      RefreshControl(index);  // also when the model refused the choice
    } else if (code == BN_SETFOCUS && form_.Focused() != name) {
      form_.SetFocus(name);
    }
    return;
  }
  if (id < kFirstControlId || static_cast<std::size_t>(id - kFirstControlId) >= controls.size())
    return;
  const auto index = static_cast<std::size_t>(id - kFirstControlId);
  const Control& c = controls[index];
  const std::string name = c.name;
  switch (code) {
    case BN_CLICKED:
      if (c.kind == K::Button || c.kind == K::SpeedButton || c.kind == K::CheckBox ||
          c.kind == K::RadioButton) {
        form_.Click(name);
        if (window_ != nullptr && index < natives_.size())
          RefreshControl(index);
      }
      break;
    case BN_SETFOCUS:
      if (form_.Focused() != name)
        form_.SetFocus(name);
      break;
    case EN_CHANGE:
      if (refreshing_ == 0 && c.kind == K::Edit && !form_.TypeText(name, WindowText(control)))
        RefreshControl(index);  // refused: the control shows the model's text again
      break;
    case EN_SETFOCUS:
      if (c.imeClosed)
        CloseInputMethod(control);
      if (form_.Focused() != name)
        form_.SetFocus(name);
      break;
    default:
      break;
  }
}

LRESULT MainWindowView::OnNotify(const NMHDR& header) {
  const std::size_t index = IndexOf(header.hwndFrom);
  if (index >= natives_.size())
    return 0;
  const Control& c = form_.Controls()[index];
  if (c.kind == K::PageControl && header.code == TCN_SELCHANGE) {
    const auto page = static_cast<std::size_t>(SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0));
    if (page < pages_.size())
      form_.Click(form_.Controls()[pages_[page]].name);
    RefreshControl(index);  // the page the model shows, whatever happened
    return 0;
  }
  if (c.kind == K::UpDown && header.code == UDN_DELTAPOS) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    if (change.iDelta != 0) {
      form_.ClickUpDown(c.name, change.iDelta > 0 ? UpDownButton::Up : UpDownButton::Down);
      RefreshControl(index);
    }
    return TRUE;  // the model moved the position; the control must not move it again
  }
  return 0;
}

bool MainWindowView::OnKeyPress(HWND edit, wchar_t key) {
  const std::size_t index = IndexOf(edit);
  if (index >= natives_.size() || key >= 0x80)
    return false;
  return form_.KeyPress(form_.Controls()[index].name, static_cast<char>(key));
}

void MainWindowView::OnMoved() {
  if (natives_.empty() || IsIconic(window_) || refreshing_ > 0)
    return;
  RECT r;
  GetWindowRect(window_, &r);
  if (r.left != form_.Left() || r.top != form_.Top())
    form_.MoveTo(r.left, r.top);
}

// ---------------------------------------------------------------------------------------------
// The window procedure

LRESULT CALLBACK MainWindowView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<MainWindowView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr || view->window_ == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  // Nothing may unwind through the system's call: an error is shown and the window goes on.
  if (!RunGuarded(view->form_.State().platform(),
                  [&] { result = view->Handle(message, wParam, lParam); }))
    return 0;
  return result;
}

LRESULT MainWindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case kKeyPressMessage:
      return OnKeyPress(reinterpret_cast<HWND>(lParam), static_cast<wchar_t>(wParam)) ? 1 : 0;
    case WM_MOVE:
      OnMoved();
      return 0;
    case WM_ACTIVATE:
      // Keep the focused control across deactivation (the CAD comes to the front for every
      // command).
      if (LOWORD(wParam) == WA_INACTIVE) {
        lastFocus_ = GetFocus();
      } else if (lastFocus_ != nullptr && IsChild(window_, lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_ENDSESSION:
      // Windows is ending the session and will end the program without a WM_CLOSE: the run
      // ends here, settings saved.
      if (wParam == FALSE)
        break;
      [[fallthrough]];
    case WM_CLOSE:
      if (closeHandler_)
        closeHandler_();
      else
        Destroy();
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = nullptr;
      natives_.clear();
      items_.clear();
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace trivane::app::win32
