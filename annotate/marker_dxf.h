// The marker DXF file: a DXF R12 drawing holding one number text with the triangle data record,
// for the CAD that receives its markers by inserting a file instead of through automation.
//
// Layout, every line ended by CR LF (the last too), no byte-order mark:
//   header      0 SECTION / 2 HEADER / 9 $ACADVER / 1 AC1009 / 0 ENDSEC
//   tables      0 SECTION / 2 TABLES / 0 TABLE / 2 APPID / 0 APPID / 2 LT_TRIVANE / 70 0 /
//               0 ENDTAB / 0 ENDSEC           (no entry count after the table's name)
//   entities    0 SECTION / 2 ENTITIES / 0 TEXT / 8 layer / 6 BYLAYER / 62 256 / 48 1.0 /
//               10 x / 20 y / 11 x / 21 y / 1 number / 40 height / 41 1.0 / 50 rotation /
//               72 1 / 73 2 / 1001 LT_TRIVANE / 1010 a / 1020 b / 1030 c / 0 ENDSEC
//   end         0 EOF
// Group codes are right-aligned in three characters ("  0", " 70"); four-digit codes stand as
// they are. Numbers are in the general format (FormatGeneral: "." as decimal point, at most 15
// significant digits); the number in group 1 is a plain integer. The text has no z coordinates
// and is justified middle centre on its alignment point (72 = 1, 73 = 2).
#pragma once

#include <string>
#include <string_view>

#include "geometry/point.h"

namespace trivane::annotate {

// The three side lengths a triangle's number text carries: x = |p1 p2|, y = |p2 p3|,
// z = |p3 p1|, drawing units, unscaled and unrounded.
struct TriangleRecord {
  double a = 0.0;
  double b = 0.0;
  double c = 0.0;
  friend bool operator==(const TriangleRecord&, const TriangleRecord&) = default;
};

TriangleRecord RecordOf(const TAcadTriangle& t);

struct MarkerDxfText {
  std::string layer;  // the layer name as bytes of the file's code page, written verbatim
  TAcadPoint centre;  // insertion and alignment point (x and y only)
  int number = 0;
  double height = 0.0;           // drawing units
  double rotationDegrees = 0.0;  // anticlockwise from +x
  TriangleRecord record;
};

// The whole file, byte for byte.
std::string BuildMarkerDxf(const MarkerDxfText& text);

}  // namespace trivane::annotate
