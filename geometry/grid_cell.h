// The cell of a uniform grid a coordinate falls in, for the grids the split and the
// triangulation keep over a region, and the key of a cell of the hashed grids of the searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

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

// A cell of an unbounded grid, for the hashed grids the searches keep over drawn lines: column
// and row, with a hash for std::unordered_map.
struct CellKey {
  std::int64_t x, y;
  friend bool operator==(const CellKey&, const CellKey&) = default;
};
struct CellKeyHash {
  std::size_t operator()(const CellKey& k) const {
    return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(k.x) * 0x9E3779B97F4A7C15ull ^
                                      static_cast<std::uint64_t>(k.y));
  }
};

// Calls f with the cell c and its eight neighbours: with cells no smaller than a tolerance, every
// point within the tolerance of a point in c lies in one of them.
template <typename F>
void ForCellsAround(const CellKey& c, F&& f) {
  for (std::int64_t dx = -1; dx <= 1; ++dx) {
    for (std::int64_t dy = -1; dy <= 1; ++dy)
      f(CellKey{c.x + dx, c.y + dy});
  }
}

}  // namespace trivane
