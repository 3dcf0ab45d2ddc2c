// Point comparison helpers for the geometry tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "geometry/point.h"

namespace trivane {

inline void PrintTo(const TAcadPoint& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

inline void PrintTo(const TAcadTriangle& t, std::ostream* os) {
  *os << "{";
  PrintTo(t.p1, os);
  PrintTo(t.p2, os);
  PrintTo(t.p3, os);
  *os << "}";
}

inline ::testing::AssertionResult PointNear(const TAcadPoint& actual, const TAcadPoint& expected,
                                            double tol) {
  if (std::fabs(actual.x - expected.x) <= tol && std::fabs(actual.y - expected.y) <= tol &&
      std::fabs(actual.z - expected.z) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not within " << tol
         << " of (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

}  // namespace trivane
