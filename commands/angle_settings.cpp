#include "commands/angle_settings.h"

#include <cstdint>

#include "geometry/angle.h"

namespace trivane::commands {
namespace {

bool IsAngleUnit(std::int64_t aunits) {
  return aunits >= 0 && aunits <= 4;
}

}  // namespace

annotate::AngleSettings ReadAngleSettings(const cad::Document& document) {
  const std::int64_t aunits = document.GetVariable("AUNITS").ToInteger();
  document.SetVariable("AUNITS", cad::Value::Int16(0));
  const auto restore = [&] {
    if (IsAngleUnit(aunits))
      document.SetVariable("AUNITS", cad::Value::Int16(static_cast<std::int16_t>(aunits)));
  };
  annotate::AngleSettings angles;
  try {
    angles.base = DegreesToRadians(document.GetVariable("ANGBASE").ToDouble());
    angles.direction = static_cast<int>(document.GetVariable("ANGDIR").ToInteger());
  } catch (...) {
    try {
      restore();
    } catch (...) {
    }
    throw;
  }
  restore();
  return angles;
}

}  // namespace trivane::commands
