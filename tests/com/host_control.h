// The words the host server's control object and its tests share: the user's answers (the
// control's Answer member: Answer(kind, p1, p2)) and the faults (Fault(kind, member, count, ms)).
#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "host/model/scripted_user.h"

namespace trivane::cad::com::testing {

inline constexpr std::pair<host::UserAnswer::Kind, std::string_view> kAnswerKinds[] = {
    {host::UserAnswer::Kind::Point, "point"},       {host::UserAnswer::Kind::Pick, "pick"},
    {host::UserAnswer::Kind::All, "all"},           {host::UserAnswer::Kind::Window, "window"},
    {host::UserAnswer::Kind::Crossing, "crossing"}, {host::UserAnswer::Kind::Cancel, "cancel"},
};

inline std::string_view AnswerKindName(host::UserAnswer::Kind kind) {
  for (const auto& [k, name] : kAnswerKinds) {
    if (k == kind)
      return name;
  }
  return "cancel";
}

inline std::optional<host::UserAnswer::Kind> AnswerKindNamed(std::string_view name) {
  for (const auto& [k, n] : kAnswerKinds) {
    if (n == name)
      return k;
  }
  return std::nullopt;
}

// What the CAD does at the call a fault is armed for: its process ends there and then, as a crash
// ends it; it stops answering for a while; it refuses calls for a while, as a busy CAD does.
enum class FaultKind { Exit, Hang, Reject };

inline constexpr std::pair<FaultKind, std::string_view> kFaultKinds[] = {
    {FaultKind::Exit, "exit"}, {FaultKind::Hang, "hang"}, {FaultKind::Reject, "reject"}};

inline std::string_view FaultKindName(FaultKind kind) {
  for (const auto& [k, name] : kFaultKinds) {
    if (k == kind)
      return name;
  }
  return "exit";
}

inline std::optional<FaultKind> FaultKindNamed(std::string_view name) {
  for (const auto& [k, n] : kFaultKinds) {
    if (n == name)
      return k;
  }
  return std::nullopt;
}

// The exit code of a server that a fault ended.
inline constexpr unsigned kCrashExitCode = 86;

}  // namespace trivane::cad::com::testing
