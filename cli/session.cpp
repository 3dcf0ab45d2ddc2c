#include "cli/session.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <variant>

#include "app/settings.h"
#include "cad/objects.h"
#include "cli/settings_file.h"
#include "geometry/numbers.h"
#include "host/bridge/dxf_bridge.h"
#include "host/command_line/command_line.h"
#include "host/model/shapes.h"

namespace trivane::cli {

// --- Pieces of the session ---

// The simulated platform, with every message box also written to the transcript where it
// happens among the prompts.
class Session::TranscriptPlatform final : public cad::ForwardingPlatform {
 public:
  TranscriptPlatform(host::sim::SimPlatform& sim, Session& session)
      : cad::ForwardingPlatform(sim), sim_(sim), session_(session) {}

  void MessageBox(std::string_view text, std::string_view caption) override {
    sim_.MessageBox(text, caption);
    session_.FlushLog();
    session_.out_ << "[" << caption << "] " << text << "\n";
  }

 private:
  host::sim::SimPlatform& sim_;
  Session& session_;
};

// The program's folder for one session: a fresh temporary folder, removed with everything in it.
class Session::TemporaryFolder {
 public:
  TemporaryFolder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path candidate = base / ("trivane-session-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) {
        path_ = std::move(candidate);
        return;
      }
    }
    throw std::runtime_error("cannot make a temporary folder in " + PathText(base));
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

namespace {

// The settings a session starts from: the user's file read as the program reads it (decoded by
// ReadSettingsFile), or nothing (the built-in defaults). What the program writes at its end stays
// here: a session leaves the user's settings file as it was.
class SessionSettings final : public app::SettingsStore {
 public:
  SessionSettings(std::filesystem::path path, std::optional<app::IniDocument> file)
      : path_(std::move(path)), file_(std::move(file)) {}

  const std::filesystem::path& Path() const override { return path_; }
  bool Exists() const override { return file_.has_value(); }
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const override {
    return file_ ? file_->ReadString(section, key, fallback) : std::string(fallback);
  }
  void WriteString(std::string_view, std::string_view, std::string_view) override {}
  void Flush() override {}

 private:
  std::filesystem::path path_;
  std::optional<app::IniDocument> file_;
};

bool SameAscii(std::string_view a, std::string_view b) {
  return host::NamesEqual(a, b);
}

const app::SettingsKey& FindKey(std::string_view key) {
  static const std::vector<app::SettingsKey> keys = app::SettingsKeys();
  for (const app::SettingsKey& k : keys) {
    if (SameAscii(k.key, key))
      return k;
  }
  throw std::logic_error("unknown settings key " + std::string(key));
}

std::string Quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

// A setting's value as a whole number in [lo, hi].
int IntegerValue(const SourceLine& where, const SetAction& set, int lo, int hi,
                 std::string_view meaning = {}) {
  const std::optional<int> v = ParseInteger(set.value);
  if (!v || *v < lo || *v > hi)
    throw LineError(where, set.key + " takes a whole number from " + std::to_string(lo) + " to " +
                               std::to_string(hi) + std::string(meaning) + ", got " +
                               Quoted(set.value));
  return *v;
}

}  // namespace

// --- Summary ---

std::string FailedCommand::Describe() const {
  return where.file + ":" + std::to_string(where.line) + ": " + button + ": " + message;
}

std::string SessionSummary::Describe() const {
  return std::to_string(labelled) + (labelled == 1 || labelled == -1 ? " triangle" : " triangles") +
         " labelled (" + std::to_string(inDrawing) + " in the drawing), next number " + nextNumber;
}

int CountTriangleRecords(const host::Drawing& drawing) {
  int count = 0;
  const host::ObjectId modelSpace = drawing.ModelSpaceId();
  for (const auto& [id, e] : drawing.entities) {
    if (e.owner != modelSpace || !std::holds_alternative<host::TextShape>(e.shape))
      continue;
    count += std::any_of(e.xdata.begin(), e.xdata.end(), [](const host::XdataApp& a) {
      return host::NamesEqual(a.application, "LT_TRIVANE");
    });
  }
  return count;
}

// --- Session ---

Session::Session(SessionOptions options, std::ostream& transcript)
    : out_(transcript), folder_(std::make_unique<TemporaryFolder>()) {
  std::optional<app::IniDocument> settings;
  std::filesystem::path settingsPath;
  if (options.settingsFile) {
    settings = ReadSettingsFile(*options.settingsFile);
    settingsPath = *options.settingsFile;
  }
  platform_ = std::make_unique<TranscriptPlatform>(sim_, *this);
  app::ApplicationOptions appOptions;
  appOptions.openSettings = [settings, settingsPath](const std::filesystem::path& path) {
    return std::make_unique<SessionSettings>(settingsPath.empty() ? path : settingsPath, settings);
  };
  program_ =
      std::make_unique<app::Application>(*platform_, folder_->path() / "trivane.exe", appOptions);

  cad::CadLink& link = program_->State().link;
  if (options.progId)
    link.ProgId = *options.progId;
  progId_ = link.ProgId;
  if (progId_.empty())
    throw UsageError("the target CAD needs a ProgID");
  host_ = host::CreateHostWithCommandLine({.progId = progId_});
  sim_.Run(progId_, host_->Application(), host_->hwnd());
  sim_.SetEscapeHook(host_->hwnd(), host::EscapeHandler(host_));
}

Session::~Session() {
  // The program ends first: it lets go of the CAD before the CAD goes.
  program_.reset();
}

void Session::SetDrawing(host::Drawing drawing) {
  host_->drawing() = std::move(drawing);
  host::SystemVariables& vars = host_->drawing().vars;
  const auto [low, high] = host::Extents(host_->drawing());
  if (low.x <= high.x && low.y <= high.y) {
    // Halves first: the span of the largest coordinates is past the largest double, and a view
    // of infinite size could not be saved. The view stops at 1e308, which a drawing file holds
    // exactly as written (the largest double itself would be written rounded up, past it).
    constexpr double kLargest = 1e308;
    const double halfSide = std::max(high.x / 2 - low.x / 2, high.y / 2 - low.y / 2);
    const double size = halfSide < kLargest / 2.2 ? halfSide * 2.2 : kLargest;
    // A view that does not show all of the drawing (smaller than it, or elsewhere) is widened to
    // all of it, with a margin: the boundary set is what the view shows.
    const double half = vars.VIEWSIZE / 2.0;
    const bool showsAll = low.x >= vars.VIEWCTR.x - half && high.x <= vars.VIEWCTR.x + half &&
                          low.y >= vars.VIEWCTR.y - half && high.y <= vars.VIEWCTR.y + half;
    if (!showsAll) {
      vars.VIEWSIZE = std::max(size, vars.VIEWSIZE);
      vars.VIEWCTR = TAcadPoint{low.x / 2 + high.x / 2, low.y / 2 + high.y / 2, 0.0};
    }
  }
  recordsAtStart_ = CountTriangleRecords(host_->drawing());
}

dxf::Repairs Session::LoadDrawing(const std::filesystem::path& dxf) {
  std::error_code ec;
  switch (std::filesystem::status(dxf, ec).type()) {
    case std::filesystem::file_type::regular:
      break;
    case std::filesystem::file_type::not_found:
      throw UsageError(PathText(dxf) + ": no such drawing");
    case std::filesystem::file_type::directory:
      throw UsageError(PathText(dxf) + ": the drawing is a folder, not a file");
    case std::filesystem::file_type::none:
      throw UsageError(PathText(dxf) + ": cannot read the drawing: " + ec.message());
    default:
      throw UsageError(PathText(dxf) + ": the drawing is not a regular file");
  }
  dxf::Repairs repairs;
  try {
    SetDrawing(host::ReadDrawingFile(PathText(dxf), {}, repairs));
  } catch (const dxf::Error& e) {
    throw UsageError(e.what());
  }
  return repairs;
}

void Session::Play(const Script& script) {
  for (const Step& step : script.steps)
    PlayStep(step);
  FlushLog();
}

void Session::PlayStep(const Step& step) {
  FlushLog();
  out_ << "> " << step.text << "\n";
  std::visit(
      [&](const auto& action) {
        using A = std::decay_t<decltype(action)>;
        if constexpr (std::is_same_v<A, SetAction>) {
          ApplySetting(step.where, action);
        } else if constexpr (std::is_same_v<A, NumberAction>) {
          if (!form().TypeText("Edit16", std::to_string(action.number)))
            throw LineError(step.where, "the number field (Edit16) takes no input now");
        } else if constexpr (std::is_same_v<A, SysvarAction>) {
          SetSystemVariable(step.where, action);
        } else if constexpr (std::is_same_v<A, UndoAction>) {
          host().SendCommand("_U\r");
        } else {
          Click(step.where, action);
        }
      },
      step.action);
  FlushLog();
}

void Session::ApplySetting(const SourceLine& where, const SetAction& set) {
  const app::SettingsKey& key = FindKey(set.key);
  app::TForm1& f = form();
  const std::string control(key.control);
  const auto refused = [&](std::string_view why) {
    return LineError(where, set.key + ": " + control + " " + std::string(why));
  };
  switch (key.slot) {
    case app::SettingSlot::Top:
      f.MoveTo(f.Left(), IntegerValue(where, set, std::numeric_limits<int>::min(),
                                      std::numeric_limits<int>::max()));
      break;
    case app::SettingSlot::Left:
      f.MoveTo(IntegerValue(where, set, std::numeric_limits<int>::min(),
                            std::numeric_limits<int>::max()),
               f.Top());
      break;
    case app::SettingSlot::Edit:
      if (set.value.find_first_of("\r\n") != std::string::npos)
        throw LineError(where, set.key + " takes one line of text");
      if (!f.TypeText(control, set.value))
        throw refused("is disabled at this point (see the settings it depends on)");
      break;
    case app::SettingSlot::CheckBox: {
      const bool wanted = IntegerValue(where, set, 0, 1, " (0 off, 1 on)") == 1;
      if (f.Checked(control) != wanted && !f.Click(control))
        throw refused("is disabled: it cannot be changed in the window");
      break;
    }
    case app::SettingSlot::RadioGroup: {
      const int last = static_cast<int>(f.Find(control).items.size()) - 1;
      const int item = IntegerValue(where, set, 0, last, " (0 ﾍﾛﾝ, 1 三斜)");
      if (f.ItemIndex(control) != item && !f.SelectItem(control, item))
        throw refused("is disabled at this point");
      break;
    }
    case app::SettingSlot::UpDown: {
      const app::Control& c = f.Find(control);
      const int target = IntegerValue(where, set, c.min, c.max);
      while (f.Position(control) != target) {
        const bool up = f.Position(control) < target;
        if (!f.ClickUpDown(control, up ? app::UpDownButton::Up : app::UpDownButton::Down))
          throw refused("is disabled at this point");
      }
      break;
    }
    case app::SettingSlot::Rounding: {
      const int mode = IntegerValue(where, set, 0, 2, " (0 切捨, 1 四捨, 2 切上)");
      const std::string prefix = "RadioButton";
      const int first = std::stoi(control.substr(prefix.size()));
      const std::string button = prefix + std::to_string(first + mode);
      if (!f.Click(button))
        throw LineError(where, set.key + ": " + button + " is disabled at this point");
      break;
    }
    case app::SettingSlot::ProgId:
    case app::SettingSlot::CadName:
      throw LineError(where,
                      set.key + " is not set in a session: the target CAD is chosen with --as");
  }
}

void Session::SetSystemVariable(const SourceLine& where, const SysvarAction& var) {
  host::SystemVariables& vars = drawing().vars;
  const auto bad = [&](std::string_view expected) {
    return LineError(where,
                     var.name + " takes " + std::string(expected) + ", got " + Quoted(var.value));
  };
  // The view is the user's to change (by zooming); the automation interface only reads it.
  if (var.name == "VIEWSIZE") {
    const std::optional<double> v = ParseDecimal(var.value);
    if (!v || !(*v > 0.0))
      throw bad("a view height above 0");
    vars.VIEWSIZE = *v;
    return;
  }
  if (var.name == "VIEWCTR") {
    const std::optional<TAcadPoint> p = ParsePoint(var.value);
    if (!p)
      throw bad("a point X,Y");
    vars.VIEWCTR = *p;
    return;
  }
  if (var.name == "EXTMIN" || var.name == "EXTMAX")
    throw LineError(where, var.name + " is computed from the drawing and cannot be set");

  const cad::Document document = cad::Application(host_->Application()).ActiveDocument();
  cad::Value current;
  try {
    current = document.GetVariable(var.name);
  } catch (const cad::AutomationError&) {
    throw LineError(where, "unknown system variable " + var.name +
                               " (AUNITS, ANGBASE, ANGDIR, SNAPMODE, SNAPUNIT, SNAPBASE, VIEWSIZE, "
                               "VIEWCTR, LASTPOINT, DIMASZ, DIMLDRBLK, DIMSCALE, CLAYER)");
  }
  cad::Value value;
  switch (current.type()) {
    case cad::Value::Type::Int16: {
      const std::optional<int> i = ParseInteger(var.value);
      if (!i || *i < std::numeric_limits<std::int16_t>::min() ||
          *i > std::numeric_limits<std::int16_t>::max())
        throw bad("a whole number");
      value = cad::Value::Int16(static_cast<std::int16_t>(*i));
      break;
    }
    case cad::Value::Type::Double: {
      const std::optional<double> d = ParseDecimal(var.value);
      if (!d)
        throw bad("a number");
      value = cad::Value::Double(*d);
      break;
    }
    case cad::Value::Type::DoubleArray: {
      const std::optional<TAcadPoint> p = ParsePoint(var.value);
      if (!p)
        throw bad("a point X,Y");
      value = current.GetDoubles().size() == 2 ? cad::Value::Doubles({p->x, p->y})
                                               : cad::Value::Doubles({p->x, p->y, p->z});
      break;
    }
    default:
      value = cad::Value::Text(var.value);
      break;
  }
  try {
    document.SetVariable(var.name, value);
  } catch (const cad::AutomationError& e) {
    throw LineError(where, "the CAD refuses " + var.name + " " + var.value + ": " + e.reason());
  }
}

void Session::Click(const SourceLine& where, const ClickAction& click) {
  host::ScriptedUser& user = host_->user();
  user.Clear();
  for (const ScriptAnswer& a : click.answers)
    user.Push(a.answer);
  const std::string control(click.button->control);
  host_->ClearLastError();
  const std::vector<std::string>& failed = program().State().failures.messages;
  const std::size_t failedBefore = failed.size();
  if (!form().Click(control)) {
    user.Clear();
    throw LineError(
        where, std::string(click.button->caption) + " (" + control + ") is disabled at this point");
  }
  FlushLog();
  for (std::size_t k = failedBefore; k < failed.size(); ++k)
    failures_.push_back({where, std::string(click.button->caption), failed[k]});
  const std::size_t left = user.Remaining();
  user.Clear();
  if (left > 0) {
    const ScriptAnswer& first = click.answers[click.answers.size() - left];
    const std::size_t used = click.answers.size() - left;
    // A command ends silently at an error of the CAD; the answers it did not reach are not the
    // script's fault then.
    if (const std::optional<std::string>& error = host_->lastError())
      throw LineError(first.where,
                      std::string(click.button->caption) +
                          " ended at an error of the CAD before this answer: " + *error);
    throw LineError(first.where, "answer left over: " + std::string(click.button->caption) +
                                     " asked for " + std::to_string(used) + " of the " +
                                     std::to_string(click.answers.size()) + " answers below it");
  }
}

void Session::FlushLog() {
  if (!host_)
    return;
  const host::CommandLog& log = host_->log();
  for (const std::string& line : log.Lines(logLinesShown_))
    out_ << line << "\n";
  logLinesShown_ = log.LineCount();
}

SessionSummary Session::Summarise() const {
  SessionSummary s;
  s.inDrawing = CountTriangleRecords(drawing());
  s.labelled = s.inDrawing - recordsAtStart_;
  s.nextNumber = program_->Form().Text("Edit16");
  return s;
}

}  // namespace trivane::cli
