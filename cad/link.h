// The link to the running CAD: which CAD is the target, the application object of the last
// attach, and the operating-system services used to reach it.
//
// The operations (IsCadRunning, BeginCadCommand, FrontCadWindow, WaitCadIdle, the snap bracket)
// are declared next to their implementation in cad/connection.h.
#pragma once

#include <string>

#include "cad/automation.h"
#include "cad/platform.h"

namespace trivane::cad {

struct CadLink {
  explicit CadLink(Platform& p) : platform(&p) {}

  Platform* platform;        // never null; outlives the link
  std::string ProgId;        // automation ProgID of the target CAD
  std::string CadName;       // display name, shown in the window caption
  ObjectRef CadApplication;  // application object of the last attach; kept between commands
};

}  // namespace trivane::cad
