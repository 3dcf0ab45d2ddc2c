// The cell of a uniform grid a coordinate falls in, for the grids the split and the
// triangulation keep over a region.
#pragma once

#include <cstddef>

namespace trivane {

// Cell of v along one axis of `count` cells of `size` from `origin`: clamped to the grid, so a
// coordinate outside it (or NaN) falls in the nearest end cell.
inline std::size_t GridCell(double v, double origin, double size, std::size_t count) {
  if (count == 1)
    return 0;
  const double q = (v - origin) / size;
  if (!(q >= 0))  // NaN too
    return 0;
  if (q >= static_cast<double>(count - 1))
    return count - 1;
  return static_cast<std::size_t>(q);
}

}  // namespace trivane
