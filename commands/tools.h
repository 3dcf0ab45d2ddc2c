// The text and marker tools of the page " ﾂｰﾙ": turn a text about its own alignment point, and
// move a triangle's number marker (text and circle) with a leader or a line back to where it was.
#pragma once

#include <string>
#include <string_view>

#include "commands/context.h"
#include "geometry/point.h"

namespace trivane::commands {

inline constexpr std::string_view kNotTextText = "TEXTではありません．";
inline constexpr std::string_view kNotTextCaption = "IJcad_Trivane";

// "文字回転" (Button2): with SNAPMODE at 0 (written back in every case) the user picks a text,
// which turns by Edit13 degrees (0 when Edit13 is not a number), anticlockwise, about its
// InsertionPoint when it is left aligned, else about its TextAlignmentPoint, so that a justified
// text keeps its place. Any other entity: the message "TEXTではありません．" (caption
// "IJcad_Trivane"), then the CAD to the front. Errors end the command silently.
void Button2Click(CommandContext& c);

// The CAD's move of the previous selection from `base`; the user gives the second point.
std::string MoveMarkerCommand(const TAcadPoint& base);
// The CAD's leader from `arrow` (where the arrowhead sits) to `end`, without annotation.
std::string MarkerLeaderCommand(const TAcadPoint& arrow, const TAcadPoint& end);

// "番号と円移動" (Button5): the user selects the number text and its circle (exactly one of
// each, else nothing happens); the CAD's move takes them to the point the user gives (LASTPOINT).
// Then the old centre C is linked to the point of the moved circle facing it, P = the point at
// the radius from the new centre towards C: with "矢印" (CheckBox3) by a leader whose arrowhead
// sits at C, drawn with DIMASZ = Edit14 / DIMSCALE and DIMLDRBLK = "." (closed filled), both
// written back afterwards, also when the leader fails (an empty DIMLDRBLK goes back as "."); a
// non-numeric Edit14 ends the command after the move with nothing changed. Without "矢印", a line
// C-P in model space on the current layer. A DIMSCALE of 0 counts as 1. Errors end the command
// silently; the temporary selection set is deleted in every case.
void Button5Click(CommandContext& c);

}  // namespace trivane::commands
