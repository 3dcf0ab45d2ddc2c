#include "annotate/writers.h"

#include <cstdint>
#include <vector>

#include "base/file.h"
#include "cad/connection.h"
#include "cad/database.h"
#include "geometry/angle.h"

namespace trivane::annotate {
namespace {

constexpr std::int16_t kXdataApplication = 1001;
constexpr std::int16_t kXdataPoint = 1010;
constexpr std::uint32_t kMarkerInsertWaitMs = 100;
constexpr std::string_view kMarkerFilePrefix = "TRIVANE_";

std::string PathText(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

// The number text of a marker: middle centre on `centre`, carrying the record.
void AddNumberText(const WriterContext& w, const TAcadPoint& centre, const TriangleRecord& record,
                   const MarkerStyle& marker) {
  const cad::Text text =
      w.document.ModelSpace().AddText(std::to_string(marker.number), centre, marker.numberHeight);
  text.Rotation(MarkerRotation(w.angles));
  text.Alignment(cad::kAlignmentMiddleCenter);
  text.TextAlignmentPoint(centre);
  text.Layer(marker.textLayer);
  text.SetXdata({kXdataApplication, kXdataPoint},
                {cad::Value::Text(std::string(kRecordApplication)),
                 cad::Value::Doubles({record.a, record.b, record.c})});
  text.Update();
  w.creation.Log(text.ObjectID());
}

std::int64_t AddMarkerCircle(const WriterContext& w, const TAcadPoint& centre,
                             const MarkerStyle& marker) {
  const cad::Circle circle = w.document.ModelSpace().AddCircle(centre, marker.radius);
  circle.Layer(marker.textLayer);
  circle.Update();
  const std::int64_t id = circle.ObjectID();
  w.creation.Log(id);
  return id;
}

}  // namespace

double UprightAngle(double theta) {
  return (theta > kHalfPi && theta <= kThreeHalfPi) ? theta - kPi : theta;
}

double LabelRotation(double thetaN, const AngleSettings& angles) {
  return angles.direction == 1 ? angles.base - thetaN : angles.base + thetaN;
}

double MarkerRotation(const AngleSettings& angles) {
  return angles.direction == 1 ? angles.base : -angles.base;
}

TAcadPoint HeightFoot(const BaseHeight& bh) {
  return bh.foot.value_or(bh.apex);
}

TAcadPoint BaseHeightMarkerCentre(const BaseHeight& bh) {
  const TAcadPoint& s = bh.start;
  const TAcadPoint& e = bh.end;
  const TAcadPoint& v = bh.apex;
  const TAcadPoint f = HeightFoot(bh);
  const double vf = Distance(v, f);
  const double a1 = AreaFromSides(vf, Distance(s, v), Distance(s, f));
  const double a2 = AreaFromSides(vf, Distance(e, v), Distance(e, f));
  return a1 > a2 ? Incenter(s, v, f) : Incenter(e, v, f);
}

void PutLabelText(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                  const LabelFormat& format, IfPresent ifPresent, std::string_view layer) {
  PutLabelText(w, p, q, PrintedLength(Distance(p, q), format.decimals, format.mode, format.scale),
               format.height, ifPresent, layer);
}

void PutLabelText(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                  std::string_view value, double height, IfPresent ifPresent,
                  std::string_view layer) {
  const TAcadPoint m = Midpoint(p, q);
  const double thetaN = UprightAngle(LineAngle(p, q));
  const double h = height;

  if (ifPresent == IfPresent::kSkip) {
    const TAcadPoint a = PolarPoint(m, thetaN, h);
    const TAcadPoint b = PolarPoint(m, thetaN, -h);
    const double across = thetaN + kHalfPi;
    const cad::SelectionFilter texts = cad::SelectionFilter::EntityType("TEXT");
    cad::ScopedSelectionSet set(cad::NewTempSelectionSet(w.document));
    set->Clear();
    set->Select(cad::kSelectCrossing, PolarPoint(a, across, h / 2), PolarPoint(b, across, h / 2),
                texts);
    const std::int32_t count1 = set->Count();
    set->Clear();
    set->Select(cad::kSelectCrossing, PolarPoint(a, across, -h / 2), PolarPoint(b, across, -h / 2),
                texts);
    const std::int32_t count2 = set->Count();
    if (count1 + count2 != 0)
      return;
  }

  const cad::Text text = w.document.ModelSpace().AddText(value, m, h);
  text.Rotation(LabelRotation(thetaN, w.angles));
  text.Alignment(cad::kAlignmentBottomCenter);
  text.TextAlignmentPoint(m);
  text.Layer(layer);
  text.Update();
  w.creation.Log(text.ObjectID());
}

BaseHeightText PrintedBaseHeightOf(const TAcadTriangle& t, const LabelFormat& format) {
  const TriangleRecord r = RecordOf(t);
  return PrintedBaseHeight(r.a, r.b, r.c, format.decimals, format.mode, format.scale);
}

void PutSideLengths(const WriterContext& w, const TAcadTriangle& t, const LabelFormat& format,
                    std::string_view layer) {
  PutLabelText(w, t.p1, t.p2, format, IfPresent::kSkip, layer);
  PutLabelText(w, t.p2, t.p3, format, IfPresent::kSkip, layer);
  PutLabelText(w, t.p3, t.p1, format, IfPresent::kSkip, layer);
}

void PutSideLine(const WriterContext& w, const TAcadPoint& p, const TAcadPoint& q,
                 IfPresent ifPresent, std::string_view layer) {
  if (ifPresent == IfPresent::kSkip) {
    cad::ScopedSelectionSet set(cad::NewTempSelectionSet(w.document));
    set->Clear();
    cad::SelectAtWorldPoint(w.document, *set, Midpoint(p, q),
                            cad::SelectionFilter::EntityType("*LINE"));
    const std::int32_t count = set->Count();
    set->Clear();
    if (count != 0)
      return;
  }
  const cad::Line line = w.document.ModelSpace().AddLine(p, q);
  line.Layer(layer);
  line.Update();
  w.creation.Log(line.ObjectID());
}

void PutBaseHeightMarker(const WriterContext& w, const TAcadTriangle& t, const BaseHeight& bh,
                         const MarkerStyle& marker) {
  const TriangleRecord record = RecordOf(t);
  const TAcadPoint centre = BaseHeightMarkerCentre(bh);
  cad::EnsureLayer(w.document, marker.textLayer);
  AddMarkerCircle(w, centre, marker);
  AddNumberText(w, centre, record, marker);
}

bool MarkerViaDxf(std::string_view progId) {
  return progId.find("PCAD") != std::string_view::npos;
}

std::string MarkerInsertCommand(const std::filesystem::path& file) {
  return "_-INSERT\r\"*" + PathText(file) + "\"\r0.0,0.0 1.0 0.0\r";
}

void PutThreeSideMarker(const WriterContext& w, const TAcadTriangle& t, const MarkerStyle& marker) {
  const TriangleRecord record = RecordOf(t);
  const TAcadPoint centre = Incenter(t.p1, t.p2, t.p3);
  const bool viaDxf = MarkerViaDxf(w.link.ProgId);

  cad::EnsureLayer(w.document, marker.textLayer);
  const std::int64_t circleId = AddMarkerCircle(w, centre, marker);
  if (!viaDxf) {
    AddNumberText(w, centre, record, marker);
    return;
  }

  const AnsiEncoder& encode = w.encodeAnsi ? w.encodeAnsi : AnsiEncoder(ToAnsiCodePage);
  MarkerDxfText dxf;
  dxf.layer = encode(marker.textLayer);
  dxf.centre = centre;
  dxf.number = marker.number;
  dxf.height = marker.numberHeight;
  dxf.rotationDegrees = RadiansToDegrees(MarkerRotation(w.angles));
  dxf.record = record;

  const std::string name = cad::NextBlockName(w.document, kMarkerFilePrefix);
  const std::filesystem::path file = w.programFolder / (name + ".dxf");
  WriteFileReplacing(file, BuildMarkerDxf(dxf));

  w.document.SendCommand(MarkerInsertCommand(file));
  const cad::Application application(w.link.CadApplication);
  cad::WaitCadIdle(w.link, application, kMarkerInsertWaitMs);
  cad::DeleteBlockDefinition(w.document, name);
  // The exploded text is now the newest entity. When the insertion added nothing, the newest is
  // still the circle, which is listed already: listing it twice would make "a-b反転" fail on the
  // second deletion and drop the rebuilt triangle from the list.
  const std::int64_t id = cad::LastEntityId(w.document);
  if (id != 0 && id != circleId)
    w.creation.Log(id);
}

}  // namespace trivane::annotate
