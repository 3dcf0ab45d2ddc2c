// "基準線から三角形を作成": "基準線" (Button1) builds a triangle on a drawn base line from the side
// lengths a (Edit1) and b (Edit2) times the multiplier (Edit17); "a-b反転" (Button9) rebuilds the
// last one with a and b exchanged. These are the only commands that switch the creation list on:
// after a build it holds exactly the entities of that triangle, which the reversal deletes.
#pragma once

#include "annotate/writers.h"
#include "cad/objects.h"
#include "commands/context.h"
#include "geometry/numbers.h"
#include "geometry/point.h"

namespace trivane::commands {

// Picks the base (a line, or the picked segment of a polyline) and builds on it. The point Q that
// tells which end side a starts from is the foot of the perpendicular from the pick point when
// it lies on the base, else the pick point.
void Button1Click(CommandContext& c);

// Side a is laid from the base end nearer to q (from s on a tie). Lengths that form no triangle
// show "三角が作成できません．" before any prompt. The user then points to the side of the base the
// triangle stands on (the apex nearer that point is taken). The triangle (s, e, apex) becomes
// LastBaseTriangle, the creation list is emptied and switched on, "a-b反転" is enabled, and the
// triangle is drawn by AnnotateTriangle. A build that stops earlier changes none of that state.
void BuildTriangleOnBase(CommandContext& c, const cad::Document& document, const TAcadPoint& q,
                         const TAcadPoint& s, const TAcadPoint& e);

// Exchanges a and b on LastBaseTriangle: deletes the entities of the creation list, sets the number
// back by one, and draws the mirrored triangle in their place. A deletion that fails leaves
// recording off, so the rebuilt triangle is not listed.
void Button9Click(CommandContext& c);

// Draws and labels the triangle whose base p1-p2 is already drawn and whose apex p3 is new: the
// two new sides (skipped where a line already passes), then the labels and the marker of the
// method (threeSides: "ﾍﾛﾝ", else "三斜" with its height line on the height layer); the number
// steps up. The layers are made sure of before anything is written on them. The marker settings
// (Edit5, Edit6) are read before the first entity is drawn.
void AnnotateTriangle(CommandContext& c, const cad::Document& document, const TAcadPoint& p1,
                      const TAcadPoint& p2, const TAcadPoint& p3, double h, int decimals,
                      RoundingMode mode, double scale, const annotate::AngleSettings& angles,
                      bool threeSides);

}  // namespace trivane::commands
