// "長さ記入" (Button11): writes the length label of one drawn side, a line or the picked segment
// of a lightweight polyline.
#pragma once

#include <string_view>

#include "commands/context.h"

namespace trivane::commands {

inline constexpr std::string_view kLengthSidePrompt = "長さ記入の1辺を選択 : ";

// With SNAPMODE at 0 (written back in every case) the user picks the side; its label (length /
// Edit8, rounded by Keta1/Nagasa, text height Edit3) stands upright on its midpoint on the text
// layer (Edit12, added when missing), unless a text already stands beside the side. Anything
// else picked, a polyline pick that finds no segment, a cancel, a height or scale that is not a
// number, or an error: nothing written, no message. Nothing goes into the creation list.
void Button11Click(CommandContext& c);

}  // namespace trivane::commands
