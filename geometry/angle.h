// Angles between degrees, as the CAD's settings, DXF files and typed answers give them, and
// radians, as the geometry works in. Every conversion of the system goes through these two.
#pragma once

#include "geometry/plan.h"

namespace trivane {

inline constexpr double kRadiansPerDegree = kPi / 180;  // 0.017453292519943295
inline constexpr double kDegreesPerRadian = 180 / kPi;  // 57.29577951308232

constexpr double DegreesToRadians(double degrees) {
  return degrees * kRadiansPerDegree;
}

constexpr double RadiansToDegrees(double radians) {
  return radians * kDegreesPerRadian;
}

}  // namespace trivane
