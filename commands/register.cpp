#include "commands/register.h"

#include <array>

#include "commands/area_table.h"
#include "commands/base_line.h"
#include "commands/coordinate_table.h"
#include "commands/length.h"
#include "commands/line_group.h"
#include "commands/numbering.h"
#include "commands/split.h"
#include "commands/tools.h"
#include "commands/two_sides.h"

namespace trivane::commands {
namespace {

// Handlers that do not care which button raised them.
template <void (*Handler)(CommandContext&)>
void IgnoringSender(CommandContext& c, std::string_view) {
  Handler(c);
}

constexpr std::array kCommands{
    NamedCommand{"Button10Click", &Button10Click},
    NamedCommand{"Button13Click", &IgnoringSender<&Button13Click>},
    NamedCommand{"Button8Click", &IgnoringSender<&Button8Click>},
    NamedCommand{"Button1Click", &IgnoringSender<&Button1Click>},
    NamedCommand{"Button9Click", &IgnoringSender<&Button9Click>},
    NamedCommand{"Button4Click", &IgnoringSender<&Button4Click>},
    NamedCommand{"Button3Click", &IgnoringSender<&Button3Click>},
    NamedCommand{"Button2Click", &IgnoringSender<&Button2Click>},
    NamedCommand{"Button5Click", &IgnoringSender<&Button5Click>},
    NamedCommand{"Button11Click", &IgnoringSender<&Button11Click>},
    NamedCommand{"Button15Click", &Button15Click},
};

}  // namespace

std::span<const NamedCommand> CommandTable() {
  return kCommands;
}

}  // namespace trivane::commands
