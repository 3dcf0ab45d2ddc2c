// The link to the running CAD: which CAD is the target, the application object of the last
// attach, and the operating-system services used to reach it.
//
// The operations (IsCadRunning, BeginCadCommand, FrontCadWindow, WaitCadIdle, the snap bracket)
// are declared next to their implementation in cad/connection.h.
#pragma once

#include <optional>
#include <string>

#include "cad/automation.h"
#include "cad/platform.h"

namespace trivane::cad {

// Which idle-state query a CAD answers. None: the CAD answers none of them.
enum class IdleQuery { GetAcadState, GetGcadState, GetZcadState, None };

// The idle-state query a CAD was found to answer, and the ProgID it was found for.
struct LearnedIdleQuery {
  std::string progId;
  IdleQuery query = IdleQuery::None;
};

struct CadLink {
  explicit CadLink(Platform& p) : platform(&p) {}

  Platform* platform;        // never null; outlives the link
  std::string ProgId;        // automation ProgID of the target CAD
  std::string CadName;       // display name, shown in the window caption
  ObjectRef CadApplication;  // application object of the last attach; kept between commands
  // The idle-state query that answered (WaitCadIdle), kept for the session; asked anew when the
  // target ProgID changes.
  std::optional<LearnedIdleQuery> idleQuery;
};

}  // namespace trivane::cad
