#include "commands/base_line.h"

#include <optional>
#include <utility>

#include "cad/connection.h"
#include "cad/database.h"
#include "cad/segment_picking.h"
#include "commands/common.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

constexpr std::string_view kBasePrompt = "基準線を選択 : ";
constexpr std::string_view kSidePrompt = "作成側を指示 : ";

// Of the two apexes, the one nearer to `toward`; x1 on a tie. Empty unless there are two.
std::optional<TAcadPoint> NearerApex(const TriangleApexes& apexes, const TAcadPoint& toward) {
  if (apexes.result != ApexResult::kTwo)
    return std::nullopt;
  return Distance(apexes.x1, toward) > Distance(apexes.x2, toward) ? apexes.x2 : apexes.x1;
}

bool HeronMethod(const ToolWindow& window) {
  return window.ItemIndex("RadioGroup1") == 0;
}

}  // namespace

void Button1Click(CommandContext& c) {
  if (!cad::IsCadRunning(c.link))
    return;
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::UndoGroup undo(document);
    const cad::PickedEntity picked = document.Utility().GetEntity(kBasePrompt);
    const std::string name = picked.entity.EntityName();
    TAcadPoint q, s, e;
    if (name == kLineEntity) {
      const cad::Line line(picked.entity.object());
      s = line.StartPoint();
      e = line.EndPoint();
      q = PerpendicularFoot(picked.point, s, e, true).value_or(picked.point);
    } else if (name == kPolylineEntity) {
      const std::optional<cad::SegmentPick> segment =
          cad::PickedSegment(document, cad::Polyline(picked.entity.object()), picked.point);
      if (!segment)
        return;
      q = segment->foot;
      s = segment->start;
      e = segment->end;
    } else {
      return;
    }
    BuildTriangleOnBase(c, document, q, s, e);
  });
}

void BuildTriangleOnBase(CommandContext& c, const cad::Document& document, const TAcadPoint& q,
                         const TAcadPoint& s, const TAcadPoint& e) {
  const double h = ReadDecimal(c.window, "Edit3");
  const double scale = ReadDecimal(c.window, "Edit8");
  const double multiplier = ReadDecimal(c.window, "Edit17");
  if (!cad::IsCadRunning(c.link))
    return;

  const double base = Distance(s, e);
  double a = ReadDecimal(c.window, "Edit1") * multiplier;
  double b = ReadDecimal(c.window, "Edit2") * multiplier;
  if (Distance(q, s) > Distance(q, e))
    std::swap(a, b);
  if (!(AreaFromSides(base, a, b) > 0.0)) {
    ShowRefusal(c, kNoTriangleText, kNoTriangleCaption);
    return;
  }
  if (!NumbersFreeFor(c, document, 1))
    return;

  cad::FrontCadWindow(c.link);
  const TAcadPoint side = document.Utility().GetPoint(std::nullopt, kSidePrompt);
  const std::optional<TAcadPoint> apex = NearerApex(TriangleApex(s, a, e, b), side);
  if (!apex)
    return;
  const annotate::AngleSettings angles = ReadAngleSettings(document);

  // From here on the state belongs to this triangle: its points, its entities, its reversal.
  // The reversal is offered only once the triangle is built: a build that stops on the way (a
  // marker setting that is no number) leaves nothing to reverse, and reversing would step the
  // number back onto the previous triangle's.
  c.LastBaseTriangle = {s, e, *apex};
  c.creation.CreatedObjectIds.clear();
  c.creation.RecordCreatedObjects = true;
  c.window.SetEnabled("Button9", false);

  AnnotateTriangle(c, document, s, e, *apex, h, c.numbers.Keta1, c.numbers.Nagasa, scale, angles,
                   HeronMethod(c.window));
  c.window.SetEnabled("Button9", true);
  BringCadToFront(c);
  document.Regen(0);
}

void Button9Click(CommandContext& c) {
  if (!cad::IsCadRunning(c.link))
    return;
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::UndoGroup undo(document);
    const double h = ReadDecimal(c.window, "Edit3");
    const double scale = ReadDecimal(c.window, "Edit8");
    const bool threeSides = HeronMethod(c.window);
    const annotate::AngleSettings angles = ReadAngleSettings(document);

    const TAcadPoint p1 = c.LastBaseTriangle.p1;
    const TAcadPoint p2 = c.LastBaseTriangle.p2;
    const TAcadPoint p3 = c.LastBaseTriangle.p3;
    const double da = Distance(p1, p3);
    const double db = Distance(p2, p3);
    const std::optional<TAcadPoint> same = NearerApex(TriangleApex(p1, da, p2, db), p3);
    const std::optional<TAcadPoint> exchanged = NearerApex(TriangleApex(p1, db, p2, da), p3);
    if (!same || !exchanged)
      return;
    const TAcadPoint apex = Distance(*same, p3) > Distance(*exchanged, p3) ? *same : *exchanged;
    c.LastBaseTriangle.p3 = apex;

    // As for the build: enabled again only once the reversed triangle is built.
    c.window.SetEnabled("Button9", false);
    c.window.SetPosition("UpDown4", c.window.Position("UpDown4") - 1);
    bool deletionFailed = false;
    if (c.creation.RecordCreatedObjects) {
      for (const std::int64_t id : c.creation.CreatedObjectIds) {
        try {
          document.ObjectIdToObject(id).Delete();
        } catch (const std::exception&) {
          deletionFailed = true;
        }
      }
    }
    c.creation.RecordCreatedObjects = !deletionFailed;
    c.creation.CreatedObjectIds.clear();

    AnnotateTriangle(c, document, p1, p2, apex, h, c.numbers.Keta1, c.numbers.Nagasa, scale, angles,
                     threeSides);
    c.window.SetEnabled("Button9", true);
    document.Regen(0);
    BringCadToFront(c);
  });
}

void AnnotateTriangle(CommandContext& c, const cad::Document& document, const TAcadPoint& p1,
                      const TAcadPoint& p2, const TAcadPoint& p3, double h, int decimals,
                      RoundingMode mode, double scale, const annotate::AngleSettings& angles,
                      bool threeSides) {
  const CommandLayers layers = ReadLayers(c.window);
  const annotate::MarkerStyle marker = ReadMarkerStyle(c);
  const annotate::LabelFormat format{h, decimals, mode, scale};
  const annotate::WriterContext w = WriterFor(c, document, angles);
  const TAcadTriangle t{p1, p2, p3};

  cad::EnsureLayer(document, layers.side);
  annotate::PutSideLine(w, p1, p3, annotate::IfPresent::kSkip, layers.side);
  annotate::PutSideLine(w, p2, p3, annotate::IfPresent::kSkip, layers.side);
  // The labels go on the text layer, which a drawing need not have yet.
  cad::EnsureLayer(document, layers.text);
  if (threeSides) {
    annotate::PutSideLengths(w, t, format, layers.text);
    annotate::PutThreeSideMarker(w, t, marker);
  } else {
    const BaseHeight bh = BaseAndHeight(t);
    const TAcadPoint foot = annotate::HeightFoot(bh);
    const BaseHeightText printed = annotate::PrintedBaseHeightOf(t, format);
    annotate::PutLabelText(w, bh.start, bh.end, printed.base, format.height,
                           annotate::IfPresent::kSkip, layers.text);
    annotate::PutLabelText(w, bh.apex, foot, printed.height, format.height,
                           annotate::IfPresent::kSkip, layers.text);
    cad::EnsureLayer(document, layers.height);
    annotate::PutSideLine(w, bh.apex, foot, annotate::IfPresent::kWrite, layers.height);
    annotate::PutBaseHeightMarker(w, t, bh, marker);
  }
  StepTriangleNumber(c);
}

}  // namespace trivane::commands
