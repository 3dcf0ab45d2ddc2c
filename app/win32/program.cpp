#include "app/win32/program.h"

#include <exception>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/support.h"
#include "app/win32/list_file_encoding.h"
#include "app/win32/main_window_view.h"
#include "app/win32/native_controls.h"
#include "app/win32/private_profile_store.h"
#include "app/win32/program_platform.h"
#include "app/win32/target_cad_dialog_view.h"
#include "cad/com/raii.h"

namespace trivane::app::win32 {

std::filesystem::path ProgramFilePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0)
      return {};
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try a longer buffer
  }
}

int RunProgram(HINSTANCE instance, int showCommand) {
  ProgramPlatform platform;
  try {
    // COM for the automation calls and the message filter: this thread is a single-threaded
    // apartment for the whole run, and is left after everything that holds COM objects.
    cad::com::StaScope apartment;
    InitNativeControls(instance);

    ApplicationOptions options;
    options.screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    options.openSettings = [](const std::filesystem::path& path) {
      return std::make_unique<PrivateProfileStore>(path);
    };
    // Form1: defaults, settings, caption "■ [ <CAD> ]", message filter, first page.
    Application app(platform, ProgramFilePath(), std::move(options));
    app.TargetCadForm().SetListFileEncoding(SystemCodePageListEncoding());

    MainWindowView view(instance, app.Form());
    platform.SetOwnerWindow(view.Window());
    TargetCadDialogView dialog(instance, app.TargetCadForm(), platform, view.Window());
    app.Form().SetModalRunner([&dialog](TTargetCADForm&) { dialog.RunModal(); });
    view.SetCloseHandler([&] {
      app.Close();  // saves the settings and revokes the message filter
      view.Destroy();
      PostQuitMessage(0);
    });
    view.Show(showCommand);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (!view.PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    platform.SetOwnerWindow(nullptr);
    return static_cast<int>(msg.wParam);
  } catch (const std::exception& e) {
    platform.SetOwnerWindow(nullptr);
    ShowDefaultErrorBox(platform, e.what());
  } catch (...) {
    platform.SetOwnerWindow(nullptr);
    ShowDefaultErrorBox(platform, "不明なエラーです");
  }
  return 1;
}

}  // namespace trivane::app::win32
