// Number text written by this library. Private to host/dxf until the geometry layer's shared
// formatter is available.
#pragma once

#include <string>

namespace trivane::dxf::detail {

// The general format: the shortest form with at most 15 significant digits, "." as the decimal
// point, in exponent notation ("1.5E-6", "1E15") only below 1e-5 or from 1e15 up in magnitude.
// Throws dxf::Error for infinities and NaN, which a DXF file cannot hold.
std::string FormatGeneral(double value);

}  // namespace trivane::dxf::detail
