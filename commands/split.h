// "分割" (Button12), "自動" (Button10) and "１点指示" (Button6): the user picks one point inside a
// closed region; the CAD's boundary command traces it, the polygon is split into triangles with
// every cut drawn as a line, and ("自動", "１点指示") every triangle is labelled and numbered.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "annotate/writers.h"
#include "cad/objects.h"
#include "commands/context.h"
#include "geometry/point.h"

namespace trivane::commands {

// The handler of Button12, Button10 and Button6; `sender` names the button clicked. Only
// "Button12" splits without labelling.
void Button10Click(CommandContext& c, std::string_view sender);

// All the work after the pick: the boundary around p (erased again once read), the split with its
// cut lines on the side-line layer, then, with `annotate`, the labelling pass.
void SplitRegionAtPoint(CommandContext& c, const cad::Application& application, const TAcadPoint& p,
                        bool annotate);

// The labelling pass over triangles in order: length labels (three sides in "ﾍﾛﾝ"; base and
// height in "三斜", with the height line on the height layer), each side shared by triangles of
// this pass labelled once; then the numbered marker; then the number steps up. h and scale are
// the label height and the scale divisor the command read.
void LabelTriangles(CommandContext& c, const cad::Document& document,
                    std::span<const TAcadTriangle> triangles, double h, double scale,
                    const annotate::AngleSettings& angles);

// The prompt for the point inside a region, and what the command line says once it is given.
inline constexpr std::string_view kRegionPrompt = "領域内の１点を指示 : ";
inline constexpr std::string_view kPointTaken = "\r\n点が指示されました.\r\n";

// Traces the boundary around p with the CAD's boundary command, reads its corners and erases it.
// Empty when the command made nothing (after the message "境界を作成できません．") or made
// something other than a lightweight polyline (no message; that entity stays).
std::vector<TAcadPoint> TraceBoundary(CommandContext& c, const cad::Application& application,
                                      const cad::Document& document, const TAcadPoint& p);

// The text the boundary command is sent as: "_-BOUNDARY A O P \r", the point as "%.4f,%.4f",
// then "\r\r".
std::string BoundaryCommand(const TAcadPoint& p);

}  // namespace trivane::commands
