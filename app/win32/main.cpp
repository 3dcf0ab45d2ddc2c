// trivane.exe: the tool window for land-area calculation beside a running CAD.
#include "app/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return trivane::app::win32::RunProgram(instance, showCommand);
}
