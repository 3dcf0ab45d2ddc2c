// The tool window `Form1` on screen: a native window with a native control for every control of
// the window model (TForm1), bound to it both ways. The view holds no state of its own: user
// input becomes the model's user actions (Click, TypeText, ClickUpDown, SelectItem, KeyPress) and
// every change the model reports is copied onto the native controls.
//
//   MainWindowView view(instance, app.Form());
//   view.SetCloseHandler([&] { app.Close(); view.Destroy(); PostQuitMessage(0); });
//   view.Show(SW_SHOWNORMAL);
//
// The window: always on top, caption with system menu and minimise box only, dialog frame, client
// area 185 x 266, at the model's position (moved onto the screen when no monitor shows it).
// Controls are created in the model's order, which is their Tab order; the control at index i of
// TForm1::Controls() has the ID ControlId(i), the items of a radio group at index i ItemId(i, k).
// Hints are tooltips.
#pragma once

#include "cad/com/win.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "app/win32/native_controls.h"

namespace trivane::app::win32 {

class MainWindowView {
 public:
  static constexpr int kFirstControlId = 1000;
  static constexpr int kFirstItemId = 5000;
  static constexpr int kItemsPerGroup = 16;
  static int ControlId(std::size_t index) { return kFirstControlId + static_cast<int>(index); }
  static int ItemId(std::size_t index, int item) {
    return kFirstItemId + kItemsPerGroup * static_cast<int>(index) + item;
  }

  // Builds the window, hidden, with every control of `form` in its current state, and starts
  // following the form. InitNativeControls must have run.
  MainWindowView(HINSTANCE instance, TForm1& form);
  ~MainWindowView();
  MainWindowView(const MainWindowView&) = delete;
  MainWindowView& operator=(const MainWindowView&) = delete;

  HWND Window() const { return window_; }
  // The native control of a model control; nullptr for an unknown name.
  HWND ControlWindow(std::string_view name) const;
  // The radio button of a radio group's item.
  HWND ItemWindow(std::string_view radioGroup, int item) const;
  HWND TooltipWindow() const { return tooltip_; }

  void Show(int showCommand);
  // Runs when the user closes the window (WM_CLOSE) or Windows ends the session
  // (WM_ENDSESSION); without one the window is destroyed.
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  // Destroys the window (the model stays).
  void Destroy();
  // For the message loop: handles Tab and arrow-key navigation for the window's controls.
  bool PreTranslate(MSG& msg);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void Build();
  void AddTooltip(HWND control, const std::string& hint);
  void LayOutPages();
  void KeepOnScreen();

  void Refresh(std::string_view name);
  void RefreshWindow();
  void RefreshControl(std::size_t index);
  void ShowPage(int page);

  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(const NMHDR& header);
  bool OnKeyPress(HWND edit, wchar_t key);
  void OnMoved();
  std::size_t IndexOf(HWND control) const;

  HINSTANCE instance_;
  TForm1& form_;
  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND lastFocus_ = nullptr;  // the focused control when the window was last deactivated
  FontSet fonts_;
  std::vector<HWND> natives_;             // by control index
  std::vector<std::vector<HWND>> items_;  // a radio group's items, by control index
  std::vector<std::size_t> pages_;        // control indexes of the pages, in tab order
  std::map<std::string, std::size_t, std::less<>> index_;
  int refreshing_ = 0;  // > 0 while the view copies the model onto the controls
  std::function<void()> closeHandler_;
};

}  // namespace trivane::app::win32
