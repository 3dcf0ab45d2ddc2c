// The tool window on screen for a test: a single-threaded apartment, a fresh program folder, the
// Windows program's platform, the application (window model) with the private-profile store, and
// the native window built from it, shown and in front. Helpers drive the native controls the way
// the user does (mouse messages, typed characters) and pump the messages that follow.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/application.h"
#include "app/win32/main_window_view.h"
#include "app/win32/private_profile_store.h"
#include "app/win32/program_platform.h"
#include "cad/com/raii.h"
#include "tests/app/app_fixture.h"

namespace trivane::app::win32::testing {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Starts the program's model and window (the fixture does it once; a test may stop and start
  // again with other files in the folder).
  void Start();
  void Stop();

  TForm1& Form() { return app_->Form(); }
  HWND Window() const { return view_->Window(); }
  HWND Native(std::string_view name) const;

  // Handles every message waiting for this thread, through the window's keyboard navigation as
  // the program's message loop does.
  void Pump();
  // A left click at a point of the window's client area.
  void ClickAt(HWND window, POINT client);
  // A button clicked as the user does (BM_CLICK: press and release).
  void ClickButton(HWND button);
  // Characters typed into a control, one WM_CHAR each.
  void Type(HWND control, std::wstring_view text);
  // A key pressed and released in the focused control (through the message queue).
  void PressKey(HWND control, UINT virtualKey);
  // The page's tab clicked.
  void ShowPage(int page);

  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  cad::com::StaScope apartment_;
  app::testing::TestFolder folder_;
  ProgramPlatform platform_;
  std::unique_ptr<Application> app_;
  std::unique_ptr<MainWindowView> view_;
};

// The class name of a window.
std::wstring ClassName(HWND window);

// A picture of a top-level window as the screen shows it, frame included, written as a 24-bit
// BMP file. False when the screen could not be read.
bool SaveWindowPicture(HWND window, const std::filesystem::path& bmp);

// The folder pictures go to (TRIVANE_SCREENSHOT_DIR), or empty when pictures are not wanted.
std::filesystem::path PictureFolder();

}  // namespace trivane::app::win32::testing
