// The built-in drawing host: an in-memory drawing that answers the automation members of a CAD of
// the AutoCAD family by name, with the value types such a CAD checks.
//
//   auto host = host::Host::Create({.progId = "ZWCAD.Application"});  // no command line
//   host->user().Push(host::UserAnswer::Point({10, 20, 0}));  // the user's next answer
//   cad::Application app(host->Application());                // what the commands are given
//   ... commands run against app ...
//   host->log().Lines();                                      // prompts and answers
//   host->drawing().entities;                                 // the result, as plain data
//
// The Host owns the drawing, the scripted user, the command log, the selection sets, the previous
// selection, the call counters and the command interpreter. Automation objects it hands out keep
// it alive.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cad/automation.h"
#include "cad/platform.h"
#include "host/model/command_log.h"
#include "host/model/drawing.h"
#include "host/model/scripted_user.h"
#include "host/model/selection.h"

namespace trivane::host {

class Host;

// The interpreter of the host's command line: runs the texts that SendCommand sends (the boundary,
// insert, move and leader commands). It works on the host's drawing and asks the user through the
// host's Ask functions. An AutomationError it lets out, a cancelled prompt included, ends the
// command: the host writes it to the log, and SendCommand still returns normally, as a CAD's does.
// The host owns its interpreter; an interpreter that kept automation objects of the host would keep
// the host alive through them, so it works on the Host it is given instead.
class CommandInterpreter {
 public:
  virtual ~CommandInterpreter() = default;
  virtual void Run(Host& host, std::string_view text) = 0;
};

// Which idle-state query the product answers.
enum class StateQuery { Acad, Gcad, Zcad };
// From the ProgID, letters compared in upper case: one containing "GCAD" answers GetGcadState when
// its version number (cad::ProgIdVersion) is below 24 or missing, else GetAcadState; one containing
// "ZWCAD" answers GetZcadState; any other answers GetAcadState.
StateQuery StateQueryFor(std::string_view progId);

struct HostOptions {
  std::string progId = "AutoCAD.Application";
  cad::WindowHandle hwnd = 0x000A0B0C;
};

// A selection set's contents (the automation object SelectionSet shows it).
struct SelectionSetData {
  std::string name;
  std::vector<ObjectId> items;
  bool deleted = false;
};

// What the user picked at an entity prompt.
struct PickResult {
  ObjectId entity = 0;
  TAcadPoint point;
};

class Host : public std::enable_shared_from_this<Host> {
 public:
  // A host without a command line: SendCommand only echoes the text until SetInterpreter gives it
  // one (host/command_line/command_line.h: CreateHostWithCommandLine makes a host with the CAD's).
  static std::shared_ptr<Host> Create(HostOptions options = {});

  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The automation application object; every object reached from it calls back into this host.
  // Defined with the automation objects (host/automation, library trivane_automation).
  cad::ObjectRef Application();

  Drawing& drawing() { return drawing_; }
  const Drawing& drawing() const { return drawing_; }
  ScriptedUser& user() { return user_; }
  CommandLog& log() { return log_; }
  const CommandLog& log() const { return log_; }

  const std::string& progId() const { return options_.progId; }
  void SetProgId(std::string progId) { options_.progId = std::move(progId); }
  cad::WindowHandle hwnd() const { return options_.hwnd; }

  // --- Idle state --------------------------------------------------------------------------------
  // The next `polls` reads of IsQuiescent report busy (false); later reads report idle.
  void SetBusyPolls(int polls) { busyPolls_ = polls; }
  // One read of IsQuiescent.
  bool PollQuiescent();
  int busyPolls() const { return busyPolls_; }

  // --- Call counters -----------------------------------------------------------------------------
  // Every automation call on any of this host's objects counts once under its member name, as the
  // caller spelled it, failed calls included.
  void CountCall(std::string_view member);
  std::int64_t CallCount(std::string_view member) const;
  std::int64_t TotalCalls() const;
  const std::map<std::string, std::int64_t, std::less<>>& CallCounts() const { return calls_; }
  void ResetCallCounts() { calls_.clear(); }

  // --- Errors raised -----------------------------------------------------------------------------
  // The last automation error any of this host's objects raised ("Add: invalid layer name ..."),
  // until cleared; the user's cancels are not errors. A CAD shows its caller nothing more, but
  // whoever plays a session can say why a command ended early.
  void NoteError(const cad::AutomationError& e) {
    if (!e.cancelled())
      lastError_ = e.what();
  }
  const std::optional<std::string>& lastError() const { return lastError_; }
  void ClearLastError() { lastError_.reset(); }

  // --- The user's input --------------------------------------------------------------------------
  // Each writes the prompt to the log, takes the next scripted answer and writes it after the
  // prompt. No answer left, or a Cancel, writes "*Cancel*" and throws AutomationError(member,
  // ..., kErrorCancelled). An answer of the wrong kind throws AutomationError(member, ...,
  // kErrorFailed). Picked points snap to the grid while SNAPMODE is 1 and become LASTPOINT.
  TAcadPoint AskPoint(std::string_view member, std::string_view prompt);
  // The entity under the pick box at the picked point; nothing there throws kErrorFailed.
  PickResult AskEntity(std::string_view member, std::string_view prompt);
  // A selection by the user ("Select objects: "): all, a window, a crossing window or a single
  // pick, through the filter. It becomes the previous selection.
  std::vector<ObjectId> AskSelection(std::string_view member, const EntityFilter& filter);

  // The previous selection (selection mode 3, the "PRE" answer of a command).
  const std::vector<ObjectId>& previousSelection() const { return previous_; }
  void SetPreviousSelection(std::vector<ObjectId> ids) { previous_ = std::move(ids); }

  // --- Drawing operations the automation objects and the interpreter share
  // ------------------------- Adds an entity made in the session: on the current layer (CLAYER),
  // marked modified.
  ObjectId CreateEntity(Shape shape, ObjectId owner = 0);

  // --- Command line ------------------------------------------------------------------------------
  void SetInterpreter(std::unique_ptr<CommandInterpreter> interpreter) {
    interpreter_ = std::move(interpreter);
  }
  CommandInterpreter* interpreter() const { return interpreter_.get(); }
  // What Document.SendCommand does: echoes the text to the log (each CR ends a line) and hands it
  // to the interpreter, if any.
  void SendCommand(std::string_view text);

  // --- Undo --------------------------------------------------------------------------------------
  // Document.StartUndoMark / EndUndoMark: the work between the outermost pair is one undo step
  // of the drawing (nested marks count as one). Work outside any mark is not a step of its own:
  // every command of Trivane brackets its work.
  void StartUndoMark();
  void EndUndoMark();
  // The CAD's U command: takes the newest step back; false when there is none.
  bool UndoLastStep();

  // --- Selection sets ----------------------------------------------------------------------------
  std::vector<std::shared_ptr<SelectionSetData>>& selectionSets() { return selectionSets_; }

 protected:
  explicit Host(HostOptions options) : options_(std::move(options)) {}

 private:
  HostOptions options_;
  Drawing drawing_;
  ScriptedUser user_;
  CommandLog log_;
  std::map<std::string, std::int64_t, std::less<>> calls_;
  std::optional<std::string> lastError_;
  int busyPolls_ = 0;
  std::vector<ObjectId> previous_;
  std::vector<std::shared_ptr<SelectionSetData>> selectionSets_;
  std::unique_ptr<CommandInterpreter> interpreter_;
  int undoDepth_ = 0;
};

}  // namespace trivane::host
