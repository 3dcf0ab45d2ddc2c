// The host's command line: runs the texts Document.SendCommand sends, as the command line of a CAD
// of the AutoCAD family would.
//
//   auto host = host::CreateHostWithCommandLine({.progId = "ZWCAD.Application"});
//   doc.SendCommand("_-BOUNDARY A O P \r5.0000,5.0000\r\r");         // a closed polyline
//
// Typing. The text is split into answers: an answer ends at CR, LF (CR LF counts once) or a
// blank, so "A O P \r" is the four answers "A", "O", "P" and "" (Enter). Inside double quotes a
// blank does not end the answer and the quotes are dropped ("\"*C:\\a b.dxf\"\r" is the one
// answer *C:\a b.dxf). An answer beginning with "(" is an AutoLISP expression, read to its
// closing parenthesis (and any expressions right after it): (command "NAME" "S" 1 ...) types its
// arguments as answers (strings as they are, numbers as written, the symbol pause hands that
// prompt to the user), (princ) and (princ "text") print; any other function is an error. Text
// after the last CR or blank is not entered yet: it waits on the line for the next text.
//
// Prompts. Each prompt of a command takes the next typed answer. When none is left, the prompt
// goes to the scripted user (Host::AskPoint, AskSelection): a point, or a selection, which then
// also ends the selection; at a prompt that wants a word or a number the user can only cancel.
// As for every prompt of the host, a user with no answer left cancels ("*Cancel*"); the command
// then ends with nothing done, and the rest of the typed text is dropped, as Esc drops what was
// typed ahead. A command that fails (an unknown block, a file that cannot be read) writes why on
// the log and drops the rest of the text too. Prompts answered by typed text are not written to
// the log (the echo of the text shows them); prompts put to the user, and the messages, are.
//
// Waiting for input (only with CommandLineOptions::waitForInput, for tests of a CAD that is
// mid-command): a prompt that finds no typed answer and no scripted answer writes its prompt and
// leaves the command waiting. While it waits the host is not quiescent. Esc (Cancel, or the
// platform's Esc hook through EscapeHandler) cancels it: "*Cancel*" ends the prompt's line and
// the host is quiescent again. New text sent meanwhile, or Continue with new scripted answers,
// answers it and the command runs on. Commands change the drawing only once every answer is in,
// so a waiting or cancelled command has changed nothing (a point the user gave has become
// LASTPOINT, as in a CAD).
//
// Commands (names fold ASCII case; leading "_" and "." are dropped; the dialog forms run as
// their command-line forms):
// - BOUNDARY / -BOUNDARY: "Specify internal point or [Advanced options]: " takes points until
//   Enter, then makes a closed lightweight polyline around each (trace.h: anticlockwise from
//   the lowest-then-leftmost vertex, a vertex wherever another line meets it, arcs as bulges) on
//   the current layer, from the boundary set of the view the command starts in (boundary.h). A
//   point in no closed region makes nothing ("Valid boundary not found."). The advanced options
//   take Object type Polyline and Island detection Yes/No (islands are never traced); the internal
//   point does not become LASTPOINT.
// - INSERT / -INSERT: a block of the drawing, or a DXF file (a name with a folder or the ".dxf"
//   extension, or NAME=file), placed at the insertion point ("Specify insertion point: ", with
//   the options S scale and R rotation before it), then the scale (one factor for an exploded
//   insert, X and Y otherwise) and the rotation in degrees unless given already. A leading "*"
//   explodes the insert: the block's entities are added to model space, placed, in its stead. A
//   file becomes (or redefines) the block named after the file (its name without folder and
//   extension, ASCII upper case) with the file's $INSBASE as base point and the file's entities
//   with their extended data; the block definition stays. Files whose header names no code page
//   are read in CommandLineOptions::dxfCodePage.
// - MOVE: "Select objects: " (PRE/P previous selection, L last, ALL, a point picks, Enter ends),
//   the base point (or Enter/D and a displacement), then "Specify second point: " (Enter: the base
//   point is the displacement). The entities move; the second point becomes LASTPOINT; the moved
//   entities become the previous selection.
// - LEADER: start point (the arrowhead), next points until Enter (or A), Format options (Arrow,
//   None, STraight), Undo; then Enter at the annotation text and None as annotation option: a
//   leader with arrow size DIMASZ x DIMSCALE (DIMSCALE 0 counts as 1) and the arrow block of
//   DIMLDRBLK, on the current layer. Annotation texts, copies, blocks, tolerances and multiline
//   texts are not modelled and fail the command.
// - Anything else: "Unknown command \"NAME\"." on the log; nothing changes. An Enter at the
//   command prompt does nothing (it does not repeat the last command).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/command_line/boundary.h"
#include "host/model/host.h"

namespace trivane::host {

struct CommandLineOptions {
  // The code page of a DXF file up to AC1018 whose header names none ($DWGCODEPAGE missing): the
  // ANSI code page of the system that wrote it. The program writes its marker file in the
  // system's ANSI code page, Japanese by default.
  std::string dxfCodePage = "ANSI_932";
  // A prompt with neither typed nor scripted answer waits (true) instead of cancelling (false).
  bool waitForInput = false;
};

// One answer as typed: a word, an AutoLISP expression still to evaluate, or the AutoLISP pause.
struct TypedAnswer {
  enum class Kind { Text, Lisp, Pause };
  Kind kind = Kind::Text;
  std::string text;
  friend bool operator==(const TypedAnswer&, const TypedAnswer&) = default;
};

// Splits typed text into answers by the rules above. `unfinished` is the text not yet ended by a
// CR or blank; it is put in front of `text` and receives what is left over.
std::vector<TypedAnswer> SplitAnswers(std::string_view text, std::string& unfinished);

// Evaluates AutoLISP text: the answers its (command ...) calls type, in order. Text printed by
// princ goes to `printed`. Throws std::runtime_error with the AutoLISP error message ("; error:
// ...") for what it cannot evaluate.
std::vector<TypedAnswer> EvaluateLisp(std::string_view text, std::string& printed);

class CadCommandLine final : public CommandInterpreter {
 public:
  explicit CadCommandLine(CommandLineOptions options = {});
  ~CadCommandLine() override;

  void Run(Host& host, std::string_view text) override;

  const CommandLineOptions& options() const { return options_; }
  // A command waits for input (only with waitForInput).
  bool waiting() const;
  // Esc: cancels the waiting command and drops the text typed ahead. False when none waited.
  bool Cancel(Host& host);
  // Offers the waiting command the scripted user's answers again.
  void Continue(Host& host);

  // A command's progress through its prompts (defined in the implementation).
  struct Waiting;

 private:
  void Drive(Host& host);
  void RunCommand(Host& host, Waiting state);

  CommandLineOptions options_;
  std::string unfinished_;
  std::deque<TypedAnswer> queue_;
  std::unique_ptr<Waiting> waiting_;
  // The drawing's boundary objects, kept from one BOUNDARY to the next.
  BoundaryIndex boundaryIndex_;
};

// Installs a command line with these options as the host's interpreter.
void InstallCommandLine(Host& host, CommandLineOptions options = {});
// A host whose SendCommand runs this command line, as a CAD's does.
std::shared_ptr<Host> CreateHostWithCommandLine(HostOptions options = {},
                                                CommandLineOptions commandLine = {});
// The host's command line, or null when its interpreter is another.
CadCommandLine* CommandLineOf(Host& host);
// What Esc reaching the CAD's window does: cancels the command waiting on the host's command line.
// Holds the host weakly. For sim::SimPlatform::SetEscapeHook(host->hwnd(), ...).
std::function<void()> EscapeHandler(const std::shared_ptr<Host>& host);

}  // namespace trivane::host
