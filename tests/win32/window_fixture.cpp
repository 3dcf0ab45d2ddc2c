#include "tests/win32/window_fixture.h"

#include "cad/com/win.h"

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "app/win32/native_controls.h"

namespace trivane::app::win32::testing {

WindowTest::WindowTest() {
  InitNativeControls(instance_);
  Start();
}

WindowTest::~WindowTest() {
  Stop();
}

void WindowTest::Start() {
  ApplicationOptions options;
  options.screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  options.openSettings = [](const std::filesystem::path& path) {
    return std::make_unique<PrivateProfileStore>(path);
  };
  app_ = std::make_unique<Application>(platform_, folder_ / "trivane.exe", std::move(options));
  view_ = std::make_unique<MainWindowView>(instance_, app_->Form());
  platform_.SetOwnerWindow(view_->Window());
  view_->Show(SW_SHOWNORMAL);
  SetForegroundWindow(view_->Window());
  Pump();
}

void WindowTest::Stop() {
  platform_.SetOwnerWindow(nullptr);
  view_.reset();
  if (app_)
    app_->Close();
  app_.reset();
  Pump();
}

HWND WindowTest::Native(std::string_view name) const {
  HWND h = view_->ControlWindow(name);
  EXPECT_NE(h, nullptr) << name;
  return h;
}

void WindowTest::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (view_ && view_->PreTranslate(msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void WindowTest::PressKey(HWND control, UINT virtualKey) {
  PostMessageW(control, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(control, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
  Pump();
}

void WindowTest::ClickAt(HWND window, POINT client) {
  const LPARAM at = MAKELPARAM(client.x, client.y);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(window, WM_LBUTTONUP, 0, at);
  Pump();
}

void WindowTest::ClickButton(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
  Pump();
}

void WindowTest::Type(HWND control, std::wstring_view text) {
  for (wchar_t c : text)
    SendMessageW(control, WM_CHAR, c, 1);
  Pump();
}

void WindowTest::ShowPage(int page) {
  HWND tabs = Native("PageControl1");
  RECT tab{};
  ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(page),
                           reinterpret_cast<LPARAM>(&tab)));
  ClickAt(tabs, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

bool SaveWindowPicture(HWND window, const std::filesystem::path& bmp) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int stride = (width * 3 + 3) & ~3;

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files keep their rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(stride * height);

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
  bool ok = picture != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, picture);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(bmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(static_cast<const char*>(bits), info.biSizeImage);
    ok = static_cast<bool>(out);
  }
  if (picture)
    DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::filesystem::path PictureFolder() {
  const wchar_t* folder = _wgetenv(L"TRIVANE_SCREENSHOT_DIR");
  return folder != nullptr && *folder != L'\0' ? std::filesystem::path(folder)
                                               : std::filesystem::path();
}

}  // namespace trivane::app::win32::testing
