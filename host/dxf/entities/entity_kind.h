// An entity kind the host models, described once: its type, its subclass, and a table of its
// groups {group code, member of its data, default}. Reading a record, updating one in place and
// writing a new one (host/dxf/model.h: AsX, Update, NewEntity) all follow the table, so that a
// new kind is one table in a file of its own (entities/line.h, circle.h, insert.h, ...). What a
// flat table cannot say (a kind's repeated groups, a pair of codes read as one value) is a routine
// beside the table in the kind's file, working with the tools of entities/groups.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "geometry/point.h"

namespace trivane::dxf::entities {

// What a group whose value is its default does: stays out of a new record, and out of one that
// lacks it, or is written all the same.
enum class AtDefault { kLeftOut, kWritten };

// One group of a kind: a text, a number (integer, flag as 0/1, real), or a point (the code of
// its x; y and z follow at +10 and +20, z written as it is and left out when it is 0 and absent).
template <typename Data>
struct Field {
  using Member = std::variant<std::string Data::*, double Data::*, int Data::*, bool Data::*,
                              TAcadPoint Data::*>;

  // A group that is always written; a missing one reads as 0 (or empty).
  Field(int code, Member member) : code(code), member(member) {}
  // A number with a default: a missing one reads as the default. Left out, a record that lacks
  // it goes on lacking it while the value stays the default, and a new record leaves it out.
  Field(int code, Member member, double fallback, AtDefault at = AtDefault::kLeftOut)
      : code(code), member(member), fallback(fallback), leftOut(at == AtDefault::kLeftOut) {}
  // A text with a default for a missing group; always written.
  Field(int code, std::string Data::*member, std::string_view text)
      : code(code), member(member), textFallback(text) {}

  int code;
  Member member;
  std::optional<double> fallback;
  std::string_view textFallback;
  bool leftOut = false;  // with `fallback`: AtDefault::kLeftOut
};

template <typename Data>
struct Kind {
  std::string_view type;      // the record's type: "INSERT"
  std::string_view subclass;  // its subclass marker from R13 on: "AcDbBlockReference"
  // The codes of the subclass in file order: where a group the record lacks is put.
  std::vector<int> order;
  // The groups the data holds, in the order a new record gets them and updating sets them.
  std::vector<Field<Data>> fields;
};

}  // namespace trivane::dxf::entities
