// The target-CAD dialog on screen: a native window with the dialog's controls, bound to
// TTargetCADForm both ways, shown modally over the tool window.
//
//   TargetCadDialogView dialog(instance, app.TargetCadForm(), platform, view.Window());
//   app.Form().SetModalRunner([&](TTargetCADForm&) { dialog.RunModal(); });
//
// The window: caption "ターゲット CAD", client area 315 x 307, dialog frame, centred on the screen
// each time it is shown, font Tahoma 11 pixels (list box and edits 13, labels 12). "OK" and
// "取り消し" are the dialog's OK and Cancel (Enter outside the edits, Esc, the close box).
#pragma once

#include "cad/com/win.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/target_cad_form.h"
#include "app/win32/native_controls.h"
#include "cad/platform.h"

namespace trivane::app::win32 {

class TargetCadDialogView {
 public:
  static constexpr int kFirstControlId = 1000;
  static constexpr wchar_t kFontName[] = L"Tahoma";
  static constexpr int kFontHeight = 11;

  // Builds the dialog, hidden, owned by `owner` (the tool window); `platform` shows errors.
  TargetCadDialogView(HINSTANCE instance, TTargetCADForm& form, cad::Platform& platform,
                      HWND owner);
  ~TargetCadDialogView();
  TargetCadDialogView(const TargetCadDialogView&) = delete;
  TargetCadDialogView& operator=(const TargetCadDialogView&) = delete;

  HWND Window() const { return window_; }
  // The native control of a dialog control ("ListBox1", "Edit1", "Button1"...); nullptr if none.
  HWND ControlWindow(std::string_view name) const;

  // Shows the dialog (the model has been shown) with the owner disabled, and runs its messages
  // until the model closes it. A WM_QUIT met meanwhile is posted again for the outer loop.
  void RunModal();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void Build();
  void Refresh();
  void OnCommand(int id, int code, HWND control);
  std::size_t IndexOf(HWND control) const;

  HINSTANCE instance_;
  TTargetCADForm& form_;
  cad::Platform& platform_;
  HWND owner_;
  HWND window_ = nullptr;
  FontSet fonts_;
  std::vector<Control> controls_;
  std::vector<HWND> natives_;
  std::vector<std::string> shownItems_;  // what the list box holds
  int refreshing_ = 0;
};

}  // namespace trivane::app::win32
