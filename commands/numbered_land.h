// Land numbered before: the number texts that carry a triangle record, found where a command is
// about to number new triangles, so that no piece of land is numbered twice. A marker stands
// inside its own triangle, so a new triangle that holds one overlaps land already numbered.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cad/objects.h"
#include "commands/context.h"
#include "geometry/point.h"

namespace trivane::commands {

// What the look-up found: the new triangles (indexes, ascending) that hold a marker of the
// drawing, and the numbers of those markers, in the drawing's order, each once.
struct NumberedLand {
  std::vector<std::size_t> triangles;
  std::vector<std::string> numbers;
  bool empty() const { return triangles.empty(); }
};

// Finds the number texts with a triangle record that stand in any of the triangles: one
// crossing-window selection over the triangles' box (texts with extended data of the record's
// application only), then each text's position (its alignment point, or its insertion point when
// left-aligned) against the triangles.
NumberedLand FindNumberedLand(const cad::Document& document,
                              std::span<const TAcadTriangle> triangles);

// Refuses a command whose new triangles overlap numbered land: shows kLandNumberedText with the
// numbers found (a refusal, ShowRefusal) and gives true. False, with nothing shown, when none of
// the triangles holds a marker.
bool RefuseNumberedLand(CommandContext& c, const cad::Document& document,
                        std::span<const TAcadTriangle> triangles);

// The messages. {} is the list of numbers (NumberList), or the count and then the list.
inline constexpr std::string_view kLandNumberedText =
    "この土地には既に番号の付いた三角形があります（番号 {}）．"
    "二重に数えないよう，何もしませんでした．";
inline constexpr std::string_view kLandNumberedSkippedText =
    "既に番号の付いた三角形{}個を除きました（番号 {}）．";
inline constexpr std::string_view kLandNumberedCaption = "Trivane";

}  // namespace trivane::commands
