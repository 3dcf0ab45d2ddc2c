// One session of the program on the built-in host: the tool window model with every command,
// a host drawing running as the target CAD on the simulated platform, and a transcript of what a
// user would see (the CAD's command line and the tool window's message boxes).
//
//   cli::Session session({.settingsFile = "trivane.ini"}, std::cout);
//   session.LoadDrawing("parcel.dxf");
//   session.Play(cli::ReadScriptFile("split.txt"));
//   std::cout << session.Summarise().Describe() << "\n";
//   host::WriteDrawingFile(session.drawing(), "parcel.out.dxf");
//
// The session never writes the settings file it read: settings changed by a script last for the
// session only. Files the commands write beside the program (the marker DXF of the "PCAD"
// products) go to a temporary program folder that the session removes.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "cli/script.h"
#include "host/dxf/io.h"
#include "host/model/host.h"
#include "host/sim/sim_platform.h"

namespace trivane::cli {

struct SessionOptions {
  // The settings file the window starts from; the built-in defaults when absent. A file that
  // does not exist, cannot be read or does not decode is a UsageError (ReadSettingsFile).
  std::optional<std::filesystem::path> settingsFile;
  // The ProgID the host runs as and the program targets (--as); when absent, the target the
  // window starts with (the settings file's ProgId, else the built-in default).
  std::optional<std::string> progId;
};

// The end of a session in numbers.
struct SessionSummary {
  int labelled = 0;        // number texts with a triangle record added by the session (net)
  int inDrawing = 0;       // number texts with a triangle record in the drawing now
  std::string nextNumber;  // Edit16
  // "3 triangles labelled (5 in the drawing), next number 6"
  std::string Describe() const;
};

// The number texts of the drawing's model space that carry a triangle data record.
int CountTriangleRecords(const host::Drawing& drawing);

// A command of the script that failed or refused its work: where it was clicked, the button,
// and the message it showed.
struct FailedCommand {
  SourceLine where;
  std::string button;
  std::string message;
  // "split.txt:3: 自動: 分割に失敗しました．"
  std::string Describe() const;
};

class Session {
 public:
  // Starts the program (FormCreate with the settings) and the host as the running target CAD,
  // with an empty drawing. Output goes to `transcript`.
  Session(SessionOptions options, std::ostream& transcript);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Replaces the host's drawing and looks at all of it: VIEWSIZE and VIEWCTR frame the extents
  // of model space with a margin, as a user would zoom to a drawing just opened.
  void SetDrawing(host::Drawing drawing);
  // Reads a DXF file into the host, putting right the structural faults other programs leave
  // (the repairs made are returned, one per kind). UsageError naming the file (and the line) when
  // it is missing or cannot be read even so; the drawing is unchanged then.
  dxf::Repairs LoadDrawing(const std::filesystem::path& dxf);

  // Plays every step in order. UsageError ("file:line: what") at the first step that cannot be
  // played: a value a setting or variable does not take, a control or button that is disabled at
  // that moment, an unknown variable, or answers left over after a click.
  void Play(const Script& script);
  void PlayStep(const Step& step);

  SessionSummary Summarise() const;
  // The clicks whose command failed or was refused, in the order played.
  const std::vector<FailedCommand>& failures() const { return failures_; }

  app::Application& program() { return *program_; }
  app::TForm1& form() { return program_->Form(); }
  host::Host& host() { return *host_; }
  host::Drawing& drawing() { return host_->drawing(); }
  const host::Drawing& drawing() const { return host_->drawing(); }
  const std::string& progId() const { return progId_; }
  std::ostream& transcript() { return out_; }

 private:
  class TranscriptPlatform;
  class TemporaryFolder;

  void ApplySetting(const SourceLine& where, const SetAction& set);
  void SetSystemVariable(const SourceLine& where, const SysvarAction& var);
  void Click(const SourceLine& where, const ClickAction& click);
  // Writes the command-line lines not yet shown to the transcript.
  void FlushLog();

  std::ostream& out_;
  std::unique_ptr<TemporaryFolder> folder_;
  host::sim::SimPlatform sim_;
  std::unique_ptr<TranscriptPlatform> platform_;
  std::unique_ptr<app::Application> program_;
  std::string progId_;
  std::shared_ptr<host::Host> host_;
  std::size_t logLinesShown_ = 0;
  int recordsAtStart_ = 0;
  std::vector<FailedCommand> failures_;
};

}  // namespace trivane::cli
