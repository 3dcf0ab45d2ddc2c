#include "geometry/point.h"

#include <gtest/gtest.h>

namespace trivane {
namespace {

TEST(PointRecords, CompareByValue) {
  const TAcadPoint a{1, 2, 3};
  EXPECT_EQ(a, (TAcadPoint{1, 2, 3}));
  EXPECT_NE(a, (TAcadPoint{1, 2, 4}));
}

}  // namespace
}  // namespace trivane
