// The scripted user: answers the host's prompts in order, as a person at the CAD would.
//
// Each prompt takes the next answer. A prompt that finds no answer left is a cancel (Esc).
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "geometry/point.h"

namespace trivane::host {

struct UserAnswer {
  enum class Kind {
    Point,     // a point typed or clicked (point prompts; at an entity prompt: a pick there)
    Pick,      // an entity picked by clicking at `p1` (entity and selection prompts; also a point)
    All,       // selection: every entity ("ALL")
    Window,    // selection: entities wholly inside the window p1-p2
    Crossing,  // selection: entities inside or crossing the window p1-p2
    Cancel,    // Esc
  };
  Kind kind = Kind::Cancel;
  TAcadPoint p1;
  TAcadPoint p2;

  static UserAnswer Point(const TAcadPoint& p) { return {Kind::Point, p, {}}; }
  static UserAnswer Pick(const TAcadPoint& p) { return {Kind::Pick, p, {}}; }
  static UserAnswer All() { return {Kind::All, {}, {}}; }
  static UserAnswer Window(const TAcadPoint& a, const TAcadPoint& b) {
    return {Kind::Window, a, b};
  }
  static UserAnswer Crossing(const TAcadPoint& a, const TAcadPoint& b) {
    return {Kind::Crossing, a, b};
  }
  static UserAnswer Cancel() { return {}; }

  // As the command line shows it: "12.5,3", "ALL", "W 0,0 10,10", "C 0,0 10,10", "*Cancel*".
  std::string Describe() const;
};

class ScriptedUser {
 public:
  void Push(const UserAnswer& a) { answers_.push_back(a); }
  // The next answer, taken from the queue; nullopt when none is left.
  std::optional<UserAnswer> Next();
  std::size_t Remaining() const { return answers_.size(); }
  void Clear() { answers_.clear(); }

 private:
  std::deque<UserAnswer> answers_;
};

// A point as the command line shows it: x,y with the shortest exact decimal form of each, and z
// only when it is not 0.
std::string FormatPoint(const TAcadPoint& p);

}  // namespace trivane::host
