// The Windows program from start to end.
//
// Start: the user-interface thread joins a single-threaded apartment; the application (window
// model) is created, which loads the settings file (the program's path with ".ini", through the
// private-profile functions), shows the caption "■ [ <CAD> ]" and registers the COM message
// filter; the tool window is built from it and the target-CAD dialog is created hidden; then the
// message loop runs. End: closing the tool window saves the settings and revokes the filter
// (Application::Close); after the loop the reference to the CAD is released with the
// application, and the apartment is left last.
#pragma once

#include "cad/com/win.h"

#include <filesystem>

namespace trivane::app::win32 {

// Runs the program; the result is the exit code.
int RunProgram(HINSTANCE instance, int showCommand);

// The program file's own full path.
std::filesystem::path ProgramFilePath();

}  // namespace trivane::app::win32
