#include "host/model/scripted_user.h"

#include <charconv>

namespace trivane::host {
namespace {

std::string FormatNumber(double v) {
  if (v == 0.0)
    v = 0.0;  // no "-0"
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string FormatPoint(const TAcadPoint& p) {
  std::string s = FormatNumber(p.x) + "," + FormatNumber(p.y);
  if (p.z != 0.0)
    s += "," + FormatNumber(p.z);
  return s;
}

std::string UserAnswer::Describe() const {
  switch (kind) {
    case Kind::Point:
    case Kind::Pick:
      return FormatPoint(p1);
    case Kind::All:
      return "ALL";
    case Kind::Window:
      return "W " + FormatPoint(p1) + " " + FormatPoint(p2);
    case Kind::Crossing:
      return "C " + FormatPoint(p1) + " " + FormatPoint(p2);
    case Kind::Cancel:
      break;
  }
  return "*Cancel*";
}

std::optional<UserAnswer> ScriptedUser::Next() {
  if (answers_.empty())
    return std::nullopt;
  UserAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

}  // namespace trivane::host
