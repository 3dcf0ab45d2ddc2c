#include "cad/connection.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "cad/names.h"

namespace trivane::cad {
namespace {

State QueryState(const Application& application, IdleQuery query) {
  switch (query) {
    case IdleQuery::GetGcadState:
      return application.GetGcadState();
    case IdleQuery::GetZcadState:
      return application.GetZcadState();
    case IdleQuery::GetAcadState:
    case IdleQuery::None:
      break;
  }
  return application.GetAcadState();
}

// The first answer of the idle-state query, finding the query on the first wait for this ProgID:
// the one the ProgID chooses, then the others in their order. nullopt: the CAD knows none of them
// (learned too, so that each later wait goes straight to the fixed waits).
std::optional<bool> FirstIdleAnswer(CadLink& link, const Application& application) {
  if (link.idleQuery && link.idleQuery->progId == link.ProgId) {
    if (link.idleQuery->query == IdleQuery::None)
      return std::nullopt;
    return QueryState(application, link.idleQuery->query).IsQuiescent();
  }
  const IdleQuery chosen = IdleQueryFor(link.ProgId);
  const IdleQuery candidates[] = {chosen, IdleQuery::GetAcadState, IdleQuery::GetGcadState,
                                  IdleQuery::GetZcadState};
  for (std::size_t i = 0; i < std::size(candidates); ++i) {
    const IdleQuery query = candidates[i];
    if (i > 0 && query == chosen)
      continue;
    State state;
    try {
      state = QueryState(application, query);
    } catch (const AutomationError& e) {
      if (e.code() == kErrorUnknownMember)
        continue;
      throw;
    }
    link.idleQuery = LearnedIdleQuery{link.ProgId, query};
    return state.IsQuiescent();
  }
  link.idleQuery = LearnedIdleQuery{link.ProgId, IdleQuery::None};
  link.platform->MessageBox(kNoIdleQueryMessage, kNoIdleQueryCaption);
  return std::nullopt;
}

}  // namespace

bool IsCadRunning(CadLink& link) {
  Platform& platform = *link.platform;
  if (!platform.IsProgIdRegistered(link.ProgId))
    return false;
  return platform.GetActiveObject(link.ProgId) != nullptr;
}

Document BeginCadCommand(CadLink& link) {
  ObjectRef application = link.platform->GetActiveObject(link.ProgId);
  if (!application)
    throw AutomationError("GetActiveObject", "no running instance of \"" + link.ProgId + "\"",
                          kErrorNotRunning);
  link.CadApplication = std::move(application);
  FrontCadWindow(link);
  return Application(link.CadApplication).ActiveDocument();
}

void FrontCadWindow(CadLink& link) {
  Platform& platform = *link.platform;
  const Application application(link.CadApplication);
  if (platform.IsIconic(application.HWND())) {
    platform.OpenIcon(application.HWND());
    platform.Sleep(kRestoreWaitMs);
  }
  platform.SetForegroundWindow(application.HWND());
  if (platform.GetForegroundWindow() == application.HWND()) {
    platform.KeybdEvent(kVirtualKeyEscape, 0);
    platform.Sleep(kEscHoldMs);
    platform.KeybdEvent(kVirtualKeyEscape, kKeyEventKeyUp);
    platform.Sleep(kEscSettleMs);
  }
}

std::exception_ptr WithSnapOff(const Document& document, const std::function<void()>& body) {
  // The value goes back exactly as the CAD gave it; reading it as an integer checks its type.
  const Value snapMode = document.GetVariable("SNAPMODE");
  try {
    snapMode.ToInteger();
  } catch (const AutomationError& e) {
    throw AutomationError("GetVariable", "SNAPMODE: " + e.reason(), e.code());
  }
  document.SetVariable("SNAPMODE", Value::Int16(0));
  std::exception_ptr error;
  try {
    body();
  } catch (...) {
    error = std::current_exception();
  }
  document.SetVariable("SNAPMODE", snapMode);
  return error;
}

CadFault CadFaultOf(std::int32_t code) {
  switch (static_cast<std::uint32_t>(code)) {
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
    case 0x800706BEu:  // RPC_S_CALL_FAILED
    case 0x800706BFu:  // RPC_S_CALL_FAILED_DNE
    case 0x80010007u:  // RPC_E_SERVER_DIED
    case 0x80010012u:  // RPC_E_SERVER_DIED_DNE
    case 0x80010108u:  // RPC_E_DISCONNECTED
    case 0x800401FDu:  // CO_E_OBJNOTCONNECTED
      return CadFault::Gone;
    case static_cast<std::uint32_t>(kErrorCallRejected):
      return CadFault::Busy;
    default:
      return CadFault::None;
  }
}

void EndCommandOnCadFault(CadLink& link, CadFault fault) {
  switch (fault) {
    case CadFault::Gone:
      link.CadApplication.reset();
      link.platform->MessageBox(kCadGoneMessage, kCadFaultCaption);
      break;
    case CadFault::Busy:
      link.platform->MessageBox(kCadBusyMessage, kCadFaultCaption);
      break;
    case CadFault::None:
      break;
  }
}

IdleQuery IdleQueryFor(std::string_view progId) {
  const std::string p = FoldAsciiUpper(progId);
  if (p.find("GCAD") != std::string::npos)
    return ProgIdVersion(p) < 24 ? IdleQuery::GetGcadState : IdleQuery::GetAcadState;
  if (p.find("ZWCAD") != std::string::npos)
    return IdleQuery::GetZcadState;
  return IdleQuery::GetAcadState;
}

void WaitCadIdle(CadLink& link, const Application& application, std::uint32_t delayMs) {
  Platform& platform = *link.platform;
  // Counted in polls, not read from a clock: the waits between polls alone reach the limit, so
  // the real time spent is never shorter. A delay of 0 still counts each poll as 1 ms.
  const std::uint64_t maxBusyPolls = kIdleWaitLimitMs / std::max<std::uint32_t>(delayMs, 1);
  platform.Sleep(delayMs);
  const std::optional<bool> first = FirstIdleAnswer(link, application);
  if (first && !*first) {
    const IdleQuery query = link.idleQuery->query;
    std::uint64_t busyPolls = 0;
    do {
      if (++busyPolls > maxBusyPolls)
        throw AutomationError("IsQuiescent", "the CAD did not become idle within 30 minutes",
                              kErrorFailed);
      platform.Sleep(delayMs);
    } while (!QueryState(application, query).IsQuiescent());
  }
  platform.Sleep(delayMs);
}

}  // namespace trivane::cad
