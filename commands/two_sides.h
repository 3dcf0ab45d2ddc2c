// "２辺指示" (Button8): the user picks two drawn sides that meet at a corner; the third side is
// drawn between their far ends and the triangle is labelled and numbered.
#pragma once

#include "cad/objects.h"
#include "commands/context.h"
#include "geometry/point.h"

namespace trivane::commands {

// Segments whose ends lie within this distance of the lines' meeting point count as joined there.
inline constexpr double kJoinTolerance = 0.01;

// Picks the two sides (a line, or the picked segment of a polyline) with SNAPMODE at 0 for the
// picks only: it is set back to 1 afterwards when it was 1, also after a cancelled pick. Then
// TriangleFromTwoSides. At the end, whatever happened, the CAD window is asked to the front and,
// when it holds the foreground, gets one Esc; unlike FrontCadWindow this neither restores a
// minimised window nor waits after the key.
void Button8Click(CommandContext& c);

// The first picked segment a1-a2 and the second b1-b2 (each from start to end). Their lines meet
// at X; each segment must have an end within kJoinTolerance of X, else the message
// "2 線分の端点がつながっていません．" (also for parallel lines). The triangle is (X, far end of
// the first, far end of the second): the third side is drawn between the far ends, then the labels
// (the height label before the base label in "三斜", the height line on the side-line layer) and
// the marker; the number steps up.
void TriangleFromTwoSides(CommandContext& c, const cad::Document& document, const TAcadPoint& a1,
                          const TAcadPoint& a2, const TAcadPoint& b1, const TAcadPoint& b2);

}  // namespace trivane::commands
