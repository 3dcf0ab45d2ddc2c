#include "host/dxf/number_format.h"

#include <cmath>

#include "geometry/numbers.h"
#include "host/dxf/tags.h"

namespace trivane::dxf::detail {

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) {
    throw Error("a DXF file cannot hold the number " +
                std::string(std::isnan(value) ? "NaN" : "infinity"));
  }
  return trivane::FormatGeneral(value);
}

}  // namespace trivane::dxf::detail
