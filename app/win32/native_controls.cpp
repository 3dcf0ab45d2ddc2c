#include "app/win32/native_controls.h"

#include <commctrl.h>
#include <imm.h>

#include "app/win32/wide_text.h"

namespace trivane::app::win32 {

namespace {

// Passes the notifications of a container's controls on to the top-level window, where the view
// handles them all.
bool ForwardsToRoot(UINT message) {
  return message == WM_COMMAND || message == WM_NOTIFY || message == kKeyPressMessage;
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ForwardsToRoot(message))
    return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
  if (ForwardsToRoot(message))
    return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  if (message == WM_ERASEBKGND) {
    // A group box paints only its frame and caption; as the container of its controls it must
    // paint the face between them too.
    RECT area;
    GetClientRect(window, &area);
    FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  if (message == WM_NCDESTROY)
    RemoveWindowSubclass(window, GroupBoxProc, 0);
  return DefSubclassProc(window, message, wParam, lParam);
}

// A flat button never keeps the focus: a click hands it back to the control that had it.
constexpr wchar_t kFocusBeforeProperty[] = L"TrivaneFocusBefore";

LRESULT CALLBACK FlatButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
  switch (message) {
    case WM_SETFOCUS:
      SetPropW(window, kFocusBeforeProperty, reinterpret_cast<HANDLE>(wParam));
      break;
    case WM_LBUTTONUP: {
      // The click (and whatever it starts) runs inside the default handling.
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      auto before = static_cast<HWND>(GetPropW(window, kFocusBeforeProperty));
      if (GetFocus() == window && before != nullptr && IsWindow(before) &&
          IsWindowVisible(before) && IsWindowEnabled(before))
        SetFocus(before);
      return result;
    }
    case WM_NCDESTROY:
      RemovePropW(window, kFocusBeforeProperty);
      RemoveWindowSubclass(window, FlatButtonProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK KeyPressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter goes to the edit (and so to its key handler), not to a default button.
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
      break;
    }
    case WM_CHAR:
      if (SendMessageW(GetAncestor(window, GA_ROOT), kKeyPressMessage, wParam,
                       reinterpret_cast<LPARAM>(window)) != 0)
        return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, KeyPressProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
      return true;
    default:
      return false;
  }
}

struct Styles {
  DWORD style = 0;
  DWORD exStyle = 0;
};

Styles KindStyles(const Control& c) {
  using K = ControlKind;
  switch (c.kind) {
    case K::PageControl:  // clicking a tab does not take the focus from a control
      return {TCS_MULTILINE | WS_CLIPCHILDREN | (c.tabStop ? 0u : TCS_FOCUSNEVER), 0};
    case K::Page:
      return {WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case K::GroupBox:
    case K::RadioGroup:
      return {BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case K::Button:
      return {BS_PUSHBUTTON | BS_NOTIFY, 0};
    case K::SpeedButton:
      return {BS_PUSHBUTTON | BS_FLAT, 0};
    case K::Edit:
      return {ES_AUTOHSCROLL | (c.readOnly ? ES_READONLY : 0u), WS_EX_CLIENTEDGE};
    case K::UpDown:
      return {UDS_SETBUDDYINT | UDS_ARROWKEYS | (c.thousands ? 0u : UDS_NOTHOUSANDS), 0};
    case K::Label:
      return {SS_LEFT | SS_NOPREFIX, 0};
    case K::RadioButton:
      return {BS_RADIOBUTTON | BS_NOTIFY, 0};
    case K::CheckBox:
      return {BS_CHECKBOX | BS_NOTIFY, 0};
    case K::Image:
      return {SS_ICON, 0};
    case K::ListBox:  // the TAB between a name and its ProgID lines up as a column
      return {LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | WS_VSCROLL, WS_EX_CLIENTEDGE};
  }
  return {};
}

}  // namespace

void InitNativeControls(HINSTANCE instance) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES |
                                             ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);

  WNDCLASSEXW page{};
  page.cbSize = sizeof page;
  page.lpfnWndProc = PageProc;
  page.hInstance = instance;
  page.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  page.lpszClassName = kPageClass;
  RegisterClassExW(&page);  // fails harmlessly when already registered
}

const wchar_t* NativeClassName(ControlKind kind) {
  using K = ControlKind;
  switch (kind) {
    case K::PageControl:
      return WC_TABCONTROLW;
    case K::Page:
      return kPageClass;
    case K::GroupBox:
    case K::RadioGroup:
    case K::Button:
    case K::SpeedButton:
    case K::RadioButton:
    case K::CheckBox:
      return WC_BUTTONW;
    case K::Edit:
      return WC_EDITW;
    case K::UpDown:
      return UPDOWN_CLASSW;
    case K::Label:
    case K::Image:
      return WC_STATICW;
    case K::ListBox:
      return WC_LISTBOXW;
  }
  return WC_STATICW;
}

HWND CreateNativeControl(const Control& c, HWND parent, int id, HINSTANCE instance) {
  const Styles s = KindStyles(c);
  DWORD style = WS_CHILD | s.style;
  if (c.visible)
    style |= WS_VISIBLE;
  if (!c.enabled)
    style |= WS_DISABLED;
  if (c.tabStop && TakesFocus(c.kind))
    style |= WS_TABSTOP;
  const bool hasText = c.kind != ControlKind::Image && c.kind != ControlKind::UpDown &&
                       c.kind != ControlKind::ListBox && c.kind != ControlKind::PageControl;
  const std::wstring text = hasText ? Widen(c.text) : std::wstring();
  HWND control =
      CreateWindowExW(s.exStyle, NativeClassName(c.kind), text.c_str(), style, c.bounds.left,
                      c.bounds.top, c.bounds.width, c.bounds.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control == nullptr)
    return nullptr;
  if (c.kind == ControlKind::GroupBox || c.kind == ControlKind::RadioGroup)
    SetWindowSubclass(control, GroupBoxProc, 0, 0);
  if (c.kind == ControlKind::SpeedButton)
    SetWindowSubclass(control, FlatButtonProc, 0, 0);
  if (c.kind == ControlKind::UpDown) {
    SendMessageW(control, UDM_SETRANGE32, static_cast<WPARAM>(c.min), static_cast<LPARAM>(c.max));
    SendMessageW(control, UDM_SETPOS32, 0, static_cast<LPARAM>(c.position));
  }
  return control;
}

void ReportKeyPresses(HWND edit) {
  SetWindowSubclass(edit, KeyPressProc, 0, 0);
}

void CloseInputMethod(HWND edit) {
  if (HIMC context = ImmGetContext(edit)) {
    ImmSetOpenStatus(context, FALSE);
    ImmReleaseContext(edit, context);
  }
}

HFONT FontSet::Get(int height, bool bold) {
  auto [it, added] = fonts_.try_emplace({height, bold});
  if (added) {
    LOGFONTW f{};
    f.lfHeight = -height;
    f.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    f.lfCharSet = charset_;
    f.lfOutPrecision = OUT_DEFAULT_PRECIS;
    f.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(f.lfFaceName, face_.c_str(), LF_FACESIZE);
    it->second.reset(CreateFontIndirectW(&f));
  }
  return it->second.get();
}

HICON ProgramIcon(HINSTANCE instance) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, 32, 32, LR_SHARED));
}

}  // namespace trivane::app::win32
