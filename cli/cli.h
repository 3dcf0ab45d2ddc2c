// The `trivane` command line, callable in-process:
//
//   trivane demo [--out DIR]
//   trivane run DRAWING.dxf SCRIPT [--out OUT.dxf] [--svg OUT.svg] [--png OUT.png]
//                                  [--settings FILE.ini] [--as PROGID] [--calls]
//   trivane table DRAWING.dxf [--settings FILE.ini] [--csv]
//   trivane --help | --version
//
// Exit status: 0 success; 1 a file could not be written, or `table` found no triangle record;
// 2 a bad command line or script, a missing or malformed drawing or settings file, an unknown
// key, button or variable (the message names the file, the line and what is wrong); 3 `run`
// wrote its files, but a command of the script failed or was refused (each listed on `err`).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace trivane::cli {

// `run`'s status when the session played to its end and its files were written, but some click
// failed or was refused (a split that failed, land already numbered, ...).
inline constexpr int kSomeCommandFailed = 3;

// The program's version (the project's version).
std::string_view Version();

// Runs the command line `args` (args[0] is the program's name). Normal output goes to `out`,
// messages about errors to `err`. Returns the exit status.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trivane::cli
