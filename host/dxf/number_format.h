// Number text written by this library.
#pragma once

#include <string>

namespace trivane::dxf::detail {

// The system's general format (geometry's FormatGeneral: shortest form with at most 15
// significant digits, "." as the decimal point, exponent notation such as "1.5E-6" or "1E15" only
// below 1e-5 or from 1e15 up in magnitude). Throws dxf::Error for infinities and NaN, which a
// DXF file cannot hold.
std::string FormatGeneral(double value);

}  // namespace trivane::dxf::detail
