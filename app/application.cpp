#include "app/application.h"

#include "app/support.h"
#include "commands/register.h"

namespace trivane::app {

namespace {

std::unique_ptr<SettingsStore> OpenSettings(const ApplicationOptions& options,
                                            const std::filesystem::path& path) {
  if (options.openSettings)
    return options.openSettings(path);
  return std::make_unique<IniFileStore>(path);
}

}  // namespace

Application::Application(cad::Platform& platform, std::filesystem::path programFile,
                         ApplicationOptions options)
    : state_(platform, std::move(programFile)),
      settings_(OpenSettings(options, state_.SettingsPath())),
      form_(state_, *settings_, options.screen),
      dialog_(state_.link, state_.TargetCadListPath(),
              [this](std::string caption) { form_.SetCaption(std::move(caption)); }) {
  form_.FormCreate();
  form_.SetTargetCadForm(&dialog_);
  commands::RegisterCommands(form_);
}

Application::~Application() {
  Close();
}

void Application::Close() {
  if (closed_)
    return;
  closed_ = true;
  RunGuarded(state_.platform(), [&] { form_.FormDestroy(); });
}

}  // namespace trivane::app
