#include "app/win32/target_cad_dialog_view.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/support.h"
#include "app/win32/wide_text.h"

namespace trivane::app::win32 {

namespace {

using K = ControlKind;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kProgIdColumn = 100;  // pixels from the list's left edge

}  // namespace

TargetCadDialogView::TargetCadDialogView(HINSTANCE instance, TTargetCADForm& form,
                                         cad::Platform& platform, HWND owner)
    : instance_(instance),
      form_(form),
      platform_(platform),
      owner_(owner),
      fonts_(kFontName, DEFAULT_CHARSET),
      controls_(TargetCadDialogControls()) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kTargetCadDialogClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered

  RECT frame{0, 0, TTargetCADForm::kClientWidth, TTargetCADForm::kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  window_ =
      CreateWindowExW(kExStyle, kTargetCadDialogClass, Widen(TTargetCADForm::kCaption).c_str(),
                      kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                      frame.bottom - frame.top, owner, nullptr, instance, this);
  if (window_ == nullptr)
    throw std::runtime_error("the target-CAD dialog cannot be created");
  try {
    Build();
  } catch (...) {
    DestroyWindow(window_);
    throw;
  }
  form_.SetObserver([this] { Refresh(); });
}

TargetCadDialogView::~TargetCadDialogView() {
  form_.SetObserver({});
  if (window_ != nullptr)
    DestroyWindow(window_);
}

HWND TargetCadDialogView::ControlWindow(std::string_view name) const {
  for (std::size_t i = 0; i < controls_.size() && i < natives_.size(); ++i) {
    if (controls_[i].name == name)
      return natives_[i];
  }
  return nullptr;
}

std::size_t TargetCadDialogView::IndexOf(HWND control) const {
  for (std::size_t i = 0; i < natives_.size(); ++i) {
    if (natives_[i] == control)
      return i;
  }
  return natives_.size();
}

void TargetCadDialogView::Build() {
  natives_.assign(controls_.size(), nullptr);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const Control& c = controls_[i];
    HWND parent = c.parent.empty() ? window_ : ControlWindow(c.parent);
    if (parent == nullptr)
      throw std::logic_error("control " + c.name + " comes before its parent");
    // OK and 取り消し are the dialog's own OK and Cancel, for Enter and Esc.
    int id = kFirstControlId + static_cast<int>(i);
    if (c.name == "Button1")
      id = IDOK;
    else if (c.name == "Button2")
      id = IDCANCEL;
    HWND h = CreateNativeControl(c, parent, id, instance_);
    if (h == nullptr)
      throw std::runtime_error("the control " + c.name + " cannot be created");
    natives_[i] = h;
    SendMessageW(
        h, WM_SETFONT,
        reinterpret_cast<WPARAM>(fonts_.Get(c.fontHeight > 0 ? c.fontHeight : kFontHeight, c.bold)),
        FALSE);
    if (id == IDOK)
      SendMessageW(h, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    if (c.kind == K::ListBox) {
      // The ProgIDs start in a column a third of the way across (tab stops count in dialog
      // units, a quarter of the dialog base width each).
      const int baseWidth = LOWORD(GetDialogBaseUnits());
      INT stop = baseWidth > 0 ? kProgIdColumn * 4 / baseWidth : 32;
      SendMessageW(h, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
    }
    if (c.kind == K::Edit && !c.onKeyPress.empty())
      ReportKeyPresses(h);
  }
  Refresh();
}

void TargetCadDialogView::Refresh() {
  if (window_ == nullptr || natives_.empty())
    return;
  ++refreshing_;
  HWND list = ControlWindow("ListBox1");
  if (shownItems_ != form_.Items()) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : form_.Items())
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    shownItems_ = form_.Items();
  }
  if (SendMessageW(list, LB_GETCURSEL, 0, 0) != form_.ItemIndex())
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(form_.ItemIndex()), 0);
  for (auto [name, text] :
       {std::pair{"Edit1", &form_.Edit1Text()}, std::pair{"Edit2", &form_.Edit2Text()}}) {
    HWND edit = ControlWindow(name);
    if (WindowText(edit) != *text)
      SetWindowTextW(edit, Widen(*text).c_str());
  }
  --refreshing_;
}

void TargetCadDialogView::RunModal() {
  if (window_ == nullptr)
    return;
  Refresh();
  // Centred on the screen at every showing.
  RECT r;
  GetWindowRect(window_, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  SetWindowPos(window_, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE);

  const bool ownerWasEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
  if (ownerWasEnabled)
    EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  SetActiveWindow(window_);
  SetFocus(ControlWindow("ListBox1"));

  MSG msg;
  while (form_.Visible()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0)
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      form_.Button2Click();
      break;
    }
    if (!IsDialogMessageW(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner is enabled before the dialog hides, so that the system activates it again.
  if (ownerWasEnabled)
    EnableWindow(owner_, TRUE);
  ShowWindow(window_, SW_HIDE);
  if (owner_ != nullptr)
    SetActiveWindow(owner_);
}

void TargetCadDialogView::OnCommand(int id, int code, HWND control) {
  if (id == IDOK || id == IDCANCEL) {
    if (code == BN_CLICKED) {
      if (id == IDOK)
        form_.Button1Click();
      else
        form_.Button2Click();
    }
    return;
  }
  const std::size_t index = IndexOf(control);
  if (index >= controls_.size())
    return;
  const Control& c = controls_[index];
  if (c.kind == K::ListBox && code == LBN_SELCHANGE) {
    form_.ListBox1Click(static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
  } else if (c.kind == K::Edit && code == EN_SETFOCUS && c.imeClosed) {
    CloseInputMethod(control);
  } else if (c.kind == K::Edit && code == EN_CHANGE && refreshing_ == 0) {
    if (c.name == "Edit1")
      form_.SetEdit1Text(WindowText(control));
    else if (c.name == "Edit2")
      form_.SetEdit2Text(WindowText(control));
  } else if (c.kind == K::SpeedButton && code == BN_CLICKED) {
    if (c.onClick == "SpeedButton1Click")
      form_.SpeedButton1Click();
    else if (c.onClick == "SpeedButton2Click")
      form_.SpeedButton2Click();
    else if (c.onClick == "SpeedButton3Click")
      form_.SpeedButton3Click();
  }
}

LRESULT CALLBACK TargetCadDialogView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<TargetCadDialogView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr || view->window_ == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  // Nothing may unwind through the system's call: an error is shown and the dialog goes on.
  if (!RunGuarded(view->platform_, [&] { result = view->Handle(message, wParam, lParam); }))
    return 0;
  return result;
}

LRESULT TargetCadDialogView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case kKeyPressMessage: {
      const auto key = static_cast<wchar_t>(wParam);
      return key < 0x80 && form_.Edit1KeyPress(static_cast<char>(key)) ? 1 : 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
      form_.Button2Click();
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = nullptr;
      natives_.clear();
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace trivane::app::win32
