// The words the host server's control object and its tests share for the user's answers
// (the control's Answer member: Answer(kind, p1, p2)).
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

}  // namespace trivane::cad::com::testing
