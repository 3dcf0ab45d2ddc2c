// One run of the program: the program state, the settings store, the tool window and the
// target-CAD dialog, created in start-up order and ended by Close.
//
//   Application app(platform, "/path/to/trivane.exe");
//   app.Form().Click("Button10");
//   app.Close();  // saves the settings; an error is shown in the default error box
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/program_state.h"
#include "app/settings.h"
#include "app/target_cad_form.h"
#include "cad/platform.h"

namespace trivane::app {

struct ApplicationOptions {
  ScreenSize screen;  // the default position centres the window on it
  // The settings store for the settings path; IniFileStore when empty. (The Windows build passes
  // its private-profile store.)
  std::function<std::unique_ptr<SettingsStore>(const std::filesystem::path&)> openSettings;
};

class Application {
 public:
  // Starts the run: Form1 is created (FormCreate: defaults, settings, caption, message filter,
  // first page), then the hidden target-CAD dialog; every command of the commands library is
  // registered with the window's buttons.
  Application(cad::Platform& platform, std::filesystem::path programFile,
              ApplicationOptions options = {});
  // Closes the run if Close has not.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  ProgramState& State() { return state_; }
  TForm1& Form() { return form_; }
  TTargetCADForm& TargetCadForm() { return dialog_; }
  SettingsStore& Settings() { return *settings_; }

  // The main window is closed: FormDestroy (save the settings, revoke the message filter). An
  // error is shown in the default error box and the run ends all the same. Runs once.
  void Close();
  bool Closed() const { return closed_; }

 private:
  ProgramState state_;
  std::unique_ptr<SettingsStore> settings_;
  TForm1 form_;
  TTargetCADForm dialog_;
  bool closed_ = false;
};

}  // namespace trivane::app
