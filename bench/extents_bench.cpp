// The drawing's extents for blocks nested ever deeper, four references to the block below in each
// (the shape of a small hostile file): measured from each definition's outline (Extents) against
// expanding every reference into its parts (Primitives, the way extents were once found). Prints
// the time of each and their ratio, side by side.
//
//   cmake --build build/release --target extents_bench && build/release/bench/extents_bench
#include <chrono>
#include <cstdio>
#include <string>

#include "host/model/shapes.h"

namespace {

using namespace trivane;

host::Drawing NestedBlocks(int depth) {
  host::Drawing d;
  host::Entity line;
  line.shape = host::LineShape{{0, 0, 0}, {1, 1, 0}};
  d.AddEntity(line, d.AddBlock("L0").id);
  for (int k = 1; k <= depth; ++k) {
    const host::ObjectId b = d.AddBlock("L" + std::to_string(k)).id;
    for (int i = 0; i < 4; ++i) {
      host::Entity ref;
      ref.shape = host::InsertShape{"L" + std::to_string(k - 1), {i * 2.0, 0, 0}, 1, 1, 1, 0.1 * i};
      d.AddEntity(ref, b);
    }
  }
  host::Entity top;
  top.shape = host::InsertShape{"L" + std::to_string(depth), {0, 0, 0}};
  d.AddEntity(top);
  return d;
}

template <typename F>
double Milliseconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  std::printf("%6s %12s %14s %14s %10s\n", "depth", "parts", "outline ms", "expanded ms", "ratio");
  for (int depth = 4; depth <= 8; ++depth) {
    const host::Drawing d = NestedBlocks(depth);
    const host::Entity& top = d.entities.rbegin()->second;
    std::size_t parts = 0;
    const double expanded = Milliseconds([&] { parts = host::Primitives(d, top).size(); });
    const double outline = Milliseconds([&] { (void)host::Extents(d); });
    std::printf("%6d %12zu %14.3f %14.3f %9.0fx\n", depth, parts, outline, expanded,
                expanded / outline);
  }
  // Past the expansion's bound only the outline answers.
  const host::Drawing deep = NestedBlocks(30);
  std::printf("%6d %12s %14.3f %14s %10s\n", 30, "4^30",
              Milliseconds([&] { (void)host::Extents(deep); }), "refused", "-");
  return 0;
}
