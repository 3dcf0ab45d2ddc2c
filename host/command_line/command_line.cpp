#include "host/command_line/command_line.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <variant>

#include "host/bridge/dxf_bridge.h"
#include "host/command_line/prompts.h"
#include "host/dxf/io.h"
#include "host/dxf/tags.h"
#include "host/model/selection.h"
#include "host/model/shapes.h"

namespace trivane::host {

using namespace command_line;

namespace {

// --- U ---------------------------------------------------------------------------------------
// Takes back the newest undo step (a command's work between its undo marks).
void Undo(Session& s) {
  s.Message(s.host.UndoLastStep() ? "GROUP" : "Everything has been undone");
}

// Command names: leading "_" (the English name) and "." (the built-in command) dropped, ASCII
// letters folded.
std::string CommandName(std::string_view typed) {
  while (!typed.empty() && (typed.front() == '_' || typed.front() == '.'))
    typed.remove_prefix(1);
  return FoldName(typed);
}

using CommandFunction = void (*)(Session&);
CommandFunction FindCommand(std::string_view name) {
  static constexpr std::pair<std::string_view, CommandFunction> kCommands[] = {
      {"BOUNDARY", &Boundary}, {"-BOUNDARY", &Boundary}, {"INSERT", &Insert}, {"-INSERT", &Insert},
      {"MOVE", &Move},         {"LEADER", &Leader},      {"U", &Undo},
  };
  for (const auto& [n, f] : kCommands) {
    if (n == name)
      return f;
  }
  return nullptr;
}

}  // namespace

// --- The command line ----------------------------------------------------------------------------

CadCommandLine::CadCommandLine(CommandLineOptions options) : options_(std::move(options)) {}
CadCommandLine::~CadCommandLine() = default;

bool CadCommandLine::waiting() const {
  return waiting_ != nullptr;
}

void CadCommandLine::Run(Host& host, std::string_view text) {
  for (TypedAnswer& a : SplitAnswers(text, unfinished_))
    queue_.push_back(std::move(a));
  Drive(host);
}

void CadCommandLine::Drive(Host& host) {
  if (waiting_) {
    Waiting resumed = std::move(*waiting_);
    waiting_.reset();
    RunCommand(host, std::move(resumed));
    if (waiting_)
      return;
  }
  while (!queue_.empty()) {
    TypedAnswer a = std::move(queue_.front());
    queue_.pop_front();
    if (a.kind == TypedAnswer::Kind::Pause)
      continue;
    if (a.kind == TypedAnswer::Kind::Lisp) {
      std::string printed;
      try {
        std::vector<TypedAnswer> answers = EvaluateLisp(a.text, printed);
        queue_.insert(queue_.begin(), answers.begin(), answers.end());
      } catch (const std::runtime_error& e) {
        printed += e.what();
        queue_.clear();
      }
      if (!printed.empty()) {
        host.log().Write(printed);
        host.log().EndLine();
      }
      continue;
    }
    const std::string name = CommandName(a.text);
    if (name.empty())
      continue;
    RunCommand(host, Waiting{name, {}, false, std::nullopt});
    if (waiting_)
      return;
  }
}

void CadCommandLine::RunCommand(Host& host, Waiting state) {
  const CommandFunction command = FindCommand(state.command);
  if (!command) {
    host.log().Write("Unknown command \"" + state.command + "\".");
    host.log().EndLine();
    return;
  }
  const auto message = [&](std::string_view text) {
    host.log().Write(text);
    host.log().EndLine();
  };
  try {
    Session session(host, queue_, options_, state, boundaryIndex_);
    command(session);
  } catch (const NeedInput&) {
    if (!state.savedBusyPolls) {
      state.savedBusyPolls = host.busyPolls();
      host.SetBusyPolls(kWaitingBusyPolls);
    }
    waiting_ = std::make_unique<Waiting>(std::move(state));
    return;
  } catch (const AutomationError& e) {
    // A cancel has written "*Cancel*" already; the text typed ahead goes with the command.
    if (!e.cancelled())
      message(e.reason());
    queue_.clear();
  } catch (const std::exception& e) {
    message(e.what());
    queue_.clear();
  }
  if (state.savedBusyPolls)
    host.SetBusyPolls(*state.savedBusyPolls);
}

bool CadCommandLine::Cancel(Host& host) {
  if (!waiting_)
    return false;
  host.log().Write("*Cancel*");
  host.log().EndLine();
  if (waiting_->savedBusyPolls)
    host.SetBusyPolls(*waiting_->savedBusyPolls);
  waiting_.reset();
  queue_.clear();
  unfinished_.clear();
  return true;
}

void CadCommandLine::Continue(Host& host) {
  if (waiting_)
    Drive(host);
}

void InstallCommandLine(Host& host, CommandLineOptions options) {
  host.SetInterpreter(std::make_unique<CadCommandLine>(std::move(options)));
}

std::shared_ptr<Host> CreateHostWithCommandLine(HostOptions options,
                                                CommandLineOptions commandLine) {
  std::shared_ptr<Host> host = Host::Create(std::move(options));
  InstallCommandLine(*host, std::move(commandLine));
  return host;
}

CadCommandLine* CommandLineOf(Host& host) {
  return dynamic_cast<CadCommandLine*>(host.interpreter());
}

std::function<void()> EscapeHandler(const std::shared_ptr<Host>& host) {
  std::weak_ptr<Host> weak = host;
  return [weak] {
    if (const std::shared_ptr<Host> h = weak.lock()) {
      if (CadCommandLine* line = CommandLineOf(*h))
        line->Cancel(*h);
    }
  };
}

}  // namespace trivane::host
