#include "annotate/marker_dxf.h"

#include "geometry/numbers.h"
#include "geometry/plan.h"

namespace trivane::annotate {
namespace {

constexpr std::string_view kEol = "\r\n";

// One group: its code right-aligned in three characters (wider codes as they are), then the
// value, each on its own line.
void Group(std::string& out, int code, std::string_view value) {
  const std::string digits = std::to_string(code);
  if (digits.size() < 3)
    out.append(3 - digits.size(), ' ');
  out += digits;
  out += kEol;
  out += value;
  out += kEol;
}

void Group(std::string& out, int code, double value) {
  Group(out, code, FormatGeneral(value));
}

}  // namespace

TriangleRecord RecordOf(const TAcadTriangle& t) {
  return {Distance(t.p1, t.p2), Distance(t.p2, t.p3), Distance(t.p3, t.p1)};
}

std::string BuildMarkerDxf(const MarkerDxfText& text) {
  std::string out;
  Group(out, 0, "SECTION");
  Group(out, 2, "HEADER");
  Group(out, 9, "$ACADVER");
  Group(out, 1, "AC1009");
  Group(out, 0, "ENDSEC");

  Group(out, 0, "SECTION");
  Group(out, 2, "TABLES");
  Group(out, 0, "TABLE");
  Group(out, 2, "APPID");
  Group(out, 0, "APPID");
  Group(out, 2, "LT_TRIVANE");
  Group(out, 70, "0");
  Group(out, 0, "ENDTAB");
  Group(out, 0, "ENDSEC");

  Group(out, 0, "SECTION");
  Group(out, 2, "ENTITIES");
  Group(out, 0, "TEXT");
  Group(out, 8, text.layer);
  Group(out, 6, "BYLAYER");
  Group(out, 62, "256");
  Group(out, 48, "1.0");
  Group(out, 10, text.centre.x);
  Group(out, 20, text.centre.y);
  Group(out, 11, text.centre.x);
  Group(out, 21, text.centre.y);
  Group(out, 1, std::to_string(text.number));
  Group(out, 40, text.height);
  Group(out, 41, "1.0");
  Group(out, 50, text.rotationDegrees);
  Group(out, 72, "1");
  Group(out, 73, "2");
  Group(out, 1001, "LT_TRIVANE");
  Group(out, 1010, text.record.a);
  Group(out, 1020, text.record.b);
  Group(out, 1030, text.record.c);
  Group(out, 0, "ENDSEC");

  Group(out, 0, "EOF");
  return out;
}

}  // namespace trivane::annotate
