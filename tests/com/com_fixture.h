// Shared pieces of the COM tests: an apartment per test, printing of values, and the table of
// values every round trip must carry unchanged.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "cad/automation.h"
#include "cad/com/raii.h"

namespace trivane::cad {

inline void PrintTo(const Value& v, std::ostream* os) {
  *os << v.Describe();
}

}  // namespace trivane::cad

namespace trivane::cad::com::testing {

// Every test runs in a single-threaded apartment, as the tool's user-interface thread does.
class ComTest : public ::testing::Test {
 protected:
  StaScope sta_;
};

struct NamedValue {
  const char* name;
  Value value;
};

// One value of every type without objects, with the edges that break conversions: the integer
// limits, a 64-bit ID beyond 32 bits, Japanese text, an embedded NUL, empty and nested arrays.
inline std::vector<NamedValue> RoundTripValues() {
  return {
      {"empty", Value()},
      {"true", Value::Bool(true)},
      {"false", Value::Bool(false)},
      {"int16 min", Value::Int16(std::numeric_limits<std::int16_t>::min())},
      {"int32 max", Value::Int32(std::numeric_limits<std::int32_t>::max())},
      {"int64 object id", Value::Int64(0x7FF6'1234'5678'9ABCLL)},
      {"int64 negative", Value::Int64(std::numeric_limits<std::int64_t>::min())},
      {"double", Value::Double(0.1)},
      {"double negative zero", Value::Double(-0.0)},
      {"text japanese", Value::Text("求積表 ﾍﾛﾝ 三斜 ①")},
      {"text empty", Value::Text("")},
      {"text embedded nul", Value::Text(std::string("a\0b", 3))},
      {"text outside the BMP", Value::Text("𠮷野家")},
      {"point", Value::Doubles({1.5, -2.25, 1e300})},
      {"doubles empty", Value::Doubles({})},
      {"int16s filter types", Value::Int16s({0, 8, -4, 1001, 1010})},
      {"variants filter values",
       Value::Array({Value::Text("TEXT,CIRCLE"), Value::Text("LT_TRIVANE"), Value::Int16(3)})},
      {"variants nested",
       Value::Array({Value::Doubles({1, 2, 3}), Value::Array({Value::Bool(true), Value()}),
                     Value::Int64(-7)})},
      {"variants empty", Value::Array({})},
  };
}

}  // namespace trivane::cad::com::testing
