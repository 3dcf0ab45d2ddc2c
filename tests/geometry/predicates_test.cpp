#include "geometry/predicates.h"

#include <gtest/gtest.h>

#include <cmath>

namespace trivane {
namespace {

TEST(Orient, SignOfTheExactDeterminant) {
  struct Case {
    const char* name;
    TAcadPoint a, b, c;
    Orientation expected;
  };
  const double x = 12.0;
  const double up = std::nextafter(24.0, 100.0);
  const Case cases[] = {
      {"left turn", {0, 0}, {10, 0}, {10, 10}, Orientation::kCounterClockwise},
      {"right turn", {0, 0}, {10, 0}, {10, -10}, Orientation::kClockwise},
      {"on the line", {0.5, 0.5}, {x, x}, {24, 24}, Orientation::kCollinear},
      // One unit in the last place off the line: the quick evaluation cannot tell, the exact
      // one can.
      {"one ulp left", {0.5, 0.5}, {x, x}, {24, up}, Orientation::kCounterClockwise},
      {"one ulp right", {0.5, 0.5}, {x, x}, {up, 24}, Orientation::kClockwise},
      // Survey coordinates far from the origin, in millimetres.
      {"far from the origin, on the line",
       {-45123456.125, 12345678.5},
       {-45123456.125 + 3, 12345678.5 + 7},
       {-45123456.125 + 6, 12345678.5 + 14},
       Orientation::kCollinear},
      {"far from the origin, a hair off",
       {-45123456.125, 12345678.5},
       {-45123456.125 + 3, 12345678.5 + 7},
       {-45123456.125 + 6, 12345678.5 + 14.000000001862645},
       Orientation::kCounterClockwise},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Orient(c.a, c.b, c.c), c.expected);
    // The answer does not depend on which point the turn is read from.
    EXPECT_EQ(Orient(c.b, c.c, c.a), c.expected);
    EXPECT_EQ(Orient(c.c, c.a, c.b), c.expected);
  }
}

}  // namespace
}  // namespace trivane
