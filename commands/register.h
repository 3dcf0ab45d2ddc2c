// The command handlers by the names the tool window's buttons raise ("Button10Click" for Button12,
// Button10 and Button6, ...). The window registers them all at start:
//
//   commands::RegisterCommands(form);  // form.RegisterCommand(name, handler) for each
#pragma once

#include <span>
#include <string_view>

#include "commands/context.h"

namespace trivane::commands {

// A command handler; `sender` names the button clicked.
using CommandFunction = void (*)(CommandContext& c, std::string_view sender);

struct NamedCommand {
  std::string_view handlerName;
  CommandFunction run;
};

// Every command handler of this library, once each.
std::span<const NamedCommand> CommandTable();

// Registers every handler of CommandTable with registry.RegisterCommand(name, handler).
template <typename Registry>
void RegisterCommands(Registry& registry) {
  for (const NamedCommand& command : CommandTable())
    registry.RegisterCommand(command.handlerName, command.run);
}

}  // namespace trivane::commands
