// The writers that mark triangles in the drawing: side lines, length labels, and the numbered
// marker (a circle with the triangle number in it) whose number text carries the triangle data
// record.
//
// Shared habits:
// - The caller reads the settings (layers, heights, decimals, the triangle number) at the moment
//   it writes and passes them in; the writers keep nothing between calls.
// - Every entity goes into model space and, once updated, has its ObjectID logged into the
//   creation list (which keeps it only while recording is switched on), in creation order.
// - Automation errors pass to the caller; what was already written stays. Temporary selection
//   sets are deleted before a writer returns, also after an error.
//
// Units: drawing units for points, heights, radii; angles in radians, anticlockwise from +x.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "annotate/ansi.h"
#include "annotate/creation_list.h"
#include "annotate/marker_dxf.h"
#include "cad/link.h"
#include "cad/objects.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"
#include "geometry/point.h"

namespace trivane::annotate {

// The drawing's angle settings as the command read them before writing: ANGBASE in radians and
// ANGDIR (1: angles run clockwise, anything else anticlockwise).
struct AngleSettings {
  double base = 0.0;
  int direction = 0;
};

// What every writer works with: the drawing, the command's angle settings, the creation list,
// and, for the marker of the "PCAD" products, the link (ProgId, idle wait), the program folder
// the marker DXF files go into and the code page of those files.
struct WriterContext {
  cad::Document document;
  AngleSettings angles;
  CreationList& creation;
  cad::CadLink& link;
  std::filesystem::path programFolder;
  AnsiEncoder encodeAnsi = ToAnsiCodePage;
};

// How a length label reads: text height h, and the shown value length / scale rounded to
// `decimals` by `mode` (FormatRounded).
struct LabelFormat {
  double height = 300.0;
  int decimals = 2;
  RoundingMode mode = RoundingMode::kRoundHalfUp;
  double scale = 1000.0;
};

// A numbered marker: the number (written in decimal), the circle's radius, the number text's
// height, and the text layer that takes the circle and the text.
struct MarkerStyle {
  int number = 1;
  double radius = 500.0;
  double numberHeight = 400.0;
  std::string textLayer = "H_TEXT";
};

// The application name of the triangle data record.
inline constexpr std::string_view kRecordApplication = "LT_TRIVANE";

// --- Pure parts, shared with the commands and the tests
// --------------------------------------------

// The reading angle of a side of direction theta (LineAngle, [0, 2*pi)): theta - pi when
// pi/2 < theta <= 3*pi/2, else theta. A side going left reads like the same side going right; a
// vertical side reads upwards (pi/2).
double UprightAngle(double theta);

// Rotation of a length label with reading angle thetaN: base - thetaN when the angles run
// clockwise (direction 1), else base + thetaN.
double LabelRotation(double thetaN, const AngleSettings& angles);

// Rotation of a number text: base when direction is 1, else -base.
double MarkerRotation(const AngleSettings& angles);

// The foot of the height; the apex itself when the base has no length (all three points
// coincide), so that a triangle of zero size still gets its height line of length 0.
TAcadPoint HeightFoot(const BaseHeight& bh);

// Centre of the base-and-height marker: the height V-F cuts the triangle into S-V-F and E-V-F;
// the marker goes to the incenter of the larger part, of E-V-F when both are equal. For a flat
// triangle (no height) both parts are 0 and Incenter gives the centroid of E, V, F, which lies on
// the triangle's segment.
TAcadPoint BaseHeightMarkerCentre(const BaseHeight& bh);

// --- Writers
// ---------------------------------------------------------------------------------------

// What a writer does when what it would write seems to stand there already.
enum class IfPresent {
  kSkip,   // look first, and write nothing when it is there
  kWrite,  // write without looking
};

// The length label of the side p-q: a text standing with its bottom centre on the side's
// midpoint, reading upright along it. With IfPresent::kSkip, nothing is written when a text crosses
// either of two windows one text height to both sides of the midpoint along the side and half a
// text height off it (each taken by the CAD as the axis-parallel rectangle of its two corners).
// It reads the side's length as printed (PrintedLength, by `format`).
void PutLabelText(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                  const LabelFormat& format, IfPresent ifPresent, std::string_view layer);
// The same label reading `value`, of text height `height`.
void PutLabelText(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                  std::string_view value, double height, IfPresent ifPresent,
                  std::string_view layer);

// The base and height a "三斜" triangle prints, from its record's sides (PrintedBaseHeight), as the
// area table prints them.
BaseHeightText PrintedBaseHeightOf(const TAcadTriangle& t, const LabelFormat& format);

// The labels of p1-p2, p2-p3 and p3-p1, each skipped when a text already stands there.
void PutSideLengths(const WriterContext& w, const TAcadTriangle& t, const LabelFormat& format,
                    std::string_view layer);

// The line p-q. With IfPresent::kSkip, nothing is drawn when an entity whose type name ends in LINE
// (a line or a polyline) passes through the midpoint of p-q.
void PutSideLine(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                 IfPresent ifPresent, std::string_view layer);

// The marker of a triangle labelled by base and height: the circle at BaseHeightMarkerCentre
// and the number text in it, middle centre, carrying the record of t (in t's point order).
// Makes sure of the text layer first. Logs the circle, then the text.
void PutBaseHeightMarker(const WriterContext& w, const TAcadTriangle& t, const BaseHeight& bh,
                         const MarkerStyle& marker);

// The marker of a triangle labelled by its three sides: the circle at the incenter (the
// centroid for a flat triangle, so the marker lands on its segment) and the number text with
// the record of t. Makes sure of the text layer first; the circle always goes through
// automation. When "PCAD" occurs in the link's ProgId (exact letters), the text is not made
// through automation: it is written into the marker DXF file
// programFolder / (NextBlockName(document, "TRIVANE_") + ".dxf"), which the CAD inserts exploded
// at 0,0 by a typed command; the block definition the insertion leaves is deleted, and the
// newest entity is logged as the text, unless the insertion added nothing.
void PutThreeSideMarker(const WriterContext& w, const TAcadTriangle& t, const MarkerStyle& marker);

// The typed insert command for the marker file: "_-INSERT", CR, "\"*" path "\"", CR,
// "0.0,0.0 1.0 0.0", CR (insert exploded at 0,0, scale 1, rotation 0).
std::string MarkerInsertCommand(const std::filesystem::path& file);

// True when the ProgID names a CAD that receives its markers through the DXF file.
bool MarkerViaDxf(std::string_view progId);

}  // namespace trivane::annotate
