// The program-wide state of one run: the target CAD and the link to it, the decimals and
// rounding modes, the creation list, the selection buffers, the last base-line triangle and the
// message filter. One instance, owned by the Application; nothing else is program-wide.
#pragma once

#include <filesystem>
#include <memory>

#include "annotate/creation_list.h"
#include "cad/link.h"
#include "cad/message_filter.h"
#include "cad/platform.h"
#include "commands/context.h"
#include "geometry/point.h"
#include "geometry/selection_buffers.h"

namespace trivane::app {

// The built-in target CAD, used until the settings file or the target-CAD dialog names another.
// ProgId and CadName name the same product: the caption shows CadName while every command
// attaches by ProgId, so a mismatched pair would show one CAD and drive another.
inline constexpr std::string_view kDefaultProgId = "ZWCAD.Application";
inline constexpr std::string_view kDefaultCadName = "ZWCAD";

// The files beside the program.
inline constexpr std::string_view kTargetCadListFileName = "TargetCAD_APIVersion.txt";

struct ProgramState {
  ProgramState(cad::Platform& platform, std::filesystem::path programFile)
      : link(platform), programFile(std::move(programFile)) {}
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

  cad::CadLink link;  // ProgId, CadName, CadApplication, the platform
  commands::NumberSettings numbers;
  annotate::CreationList creation;
  SelectionBuffers buffers;
  TAcadTriangle LastBaseTriangle;
  int NextPointNumber = 1;             // the next corner name of the coordinate table
  commands::CommandFailures failures;  // what failed or was refused, for the command line
  commands::NumberingState numbering;  // where the last numbering command left the number
  std::filesystem::path programFile;   // the program's own full path

  // The COM message filter: created and registered by FormCreate for the whole run, revoked by
  // FormDestroy.
  std::shared_ptr<cad::TMessageFilter> messageFilter;

  cad::Platform& platform() const { return *link.platform; }
  std::filesystem::path ProgramFolder() const { return programFile.parent_path(); }
  // The program's path with ".ini" in place of its extension.
  std::filesystem::path SettingsPath() const {
    std::filesystem::path p = programFile;
    p.replace_extension(".ini");
    return p;
  }
  std::filesystem::path TargetCadListPath() const {
    return ProgramFolder() / kTargetCadListFileName;
  }

  // What a command works with, built afresh for every command.
  commands::CommandContext Context(commands::ToolWindow& window) {
    return commands::CommandContext{link,     window,           numbers,         creation,
                                    buffers,  LastBaseTriangle, ProgramFolder(), NextPointNumber,
                                    failures, numbering};
  }
};

}  // namespace trivane::app
