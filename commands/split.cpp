#include "commands/split.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "commands/numbered_land.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"
#include "geometry/print_error.h"
#include "geometry/print_stable.h"
#include "geometry/split.h"

namespace trivane::commands {
namespace {

constexpr std::uint32_t kBoundaryWaitMs = 200;

// The boundary the command traced, read from the newest entity, which is erased once read.
// Empty (no message) when the newest entity is not a lightweight polyline; it then stays.
std::vector<TAcadPoint> TakeBoundary(const cad::Document& document, std::int64_t id) {
  const cad::Entity entity = document.ObjectIdToObject(id);
  if (entity.EntityName() != kPolylineEntity)
    return {};
  const cad::Polyline polyline(entity.object());
  const std::vector<double> c = polyline.Coordinates();
  std::vector<TAcadPoint> boundary;
  for (std::size_t k = 0; k + 1 < c.size(); k += 2)
    boundary.push_back({c[k], c[k + 1], 0.0});
  polyline.Erase();
  return boundary;
}

// The print-stable triangulation of the region's corners (a vertex repeating the one before it
// within the tolerance dropped, as the split drops it), its diagonals the cuts, checked to tile
// the region like any split. A region that is no simple polygon (a boundary that touches itself)
// takes the split that finishes a stall by its constrained Delaunay triangulation instead.
std::optional<ContinuedSplit> PrintStableSplit(const std::vector<TAcadPoint>& boundary,
                                               double viewHeight, const PrintRules& rules,
                                               std::vector<TAcadLine>& cuts) {
  const std::vector<TAcadPoint> corners = DropRepeatedVertices(boundary);
  if (const std::optional<StableTriangulation> stable = PrintStableTriangulation(corners, rules)) {
    if (!TrianglesTilePolygon(corners, stable->triangles))
      return std::nullopt;
    cuts = stable->diagonals;
    return ContinuedSplit{stable->triangles, 0};
  }
  return SplitPolygon(
      boundary, viewHeight,
      [&](const TAcadPoint& from, const TAcadPoint& to) {
        cuts.push_back({from, to});
      },
      WhenStalled::kTriangulateTheRest, Slivers::kAvoided);
}

}  // namespace

std::string BoundaryCommand(const TAcadPoint& p) {
  return "_-BOUNDARY A O P \r" + FormatFixed(p.x, 4) + "," + FormatFixed(p.y, 4) + "\r\r";
}

std::vector<TAcadPoint> TraceBoundary(CommandContext& c, const cad::Application& application,
                                      const cad::Document& document, const TAcadPoint& p) {
  const std::int64_t before = cad::LastEntityId(document);
  document.SendCommand(BoundaryCommand(p));
  cad::WaitCadIdle(c.link, application, kBoundaryWaitMs);
  const std::int64_t after = cad::LastEntityId(document);
  if (after == before) {
    ShowRefusal(c, kNoBoundaryText, kNoBoundaryCaption);
    return {};
  }
  return TakeBoundary(document, after);
}

void Button10Click(CommandContext& c, std::string_view sender) {
  const bool annotate = sender != "Button12";
  RunDrawingCommand(c, [&](const cad::Document& document) {
    const TAcadPoint p = document.Utility().GetPoint(std::nullopt, kRegionPrompt);
    document.Utility().Prompt(kPointTaken);
    SplitRegionAtPoint(c, CadApplication(c), p, annotate);
    document.Regen(0);
  });
}

void SplitRegionAtPoint(CommandContext& c, const cad::Application& application, const TAcadPoint& p,
                        bool annotate) {
  const double h = ReadDecimal(c.window, "Edit3");
  const double scale = ReadDecimal(c.window, "Edit8");

  const cad::Document document = application.ActiveDocument();
  const CommandLayers layers = ReadLayers(c.window);
  cad::EnsureLayer(document, layers.text);
  cad::EnsureLayer(document, layers.side);
  cad::EnsureLayer(document, layers.height);

  const annotate::AngleSettings angles = ReadAngleSettings(document);
  const double viewHeight = document.GetVariable("VIEWSIZE").ToDouble();

  const std::vector<TAcadPoint> boundary = TraceBoundary(c, application, document, p);

  // A polygon of n corners makes at most n - 2 triangles; refused before the first cut is drawn.
  if (!boundary.empty() && annotate &&
      !NumbersFreeFor(c, document, std::max<std::size_t>(boundary.size(), 3) - 2))
    return;
  if (!boundary.empty()) {
    // The cuts are drawn once the split is known to be sound and to number no land twice: a
    // split that fails or is refused leaves the drawing as it found it, so a second click is the
    // same attempt.
    std::vector<TAcadLine> cuts;
    // "Well shaped" (細長い三角形を避ける): the triangulation whose areas survive printing best
    // for the method, decimals and rounding in force; off, the 60-degree passes alone.
    const bool wellShaped = c.window.Checked("CheckBox5");
    const PrintRules rules{
        BaseHeightMethod(c.window) ? AreaMethod::kBaseHeight : AreaMethod::kHeron, c.numbers.Keta1,
        c.numbers.Nagasa, scale};
    const std::optional<ContinuedSplit> split =
        wellShaped ? PrintStableSplit(boundary, viewHeight, rules, cuts)
                   : SplitPolygon(
                         boundary, viewHeight,
                         [&](const TAcadPoint& from, const TAcadPoint& to) {
                           cuts.push_back({from, to});
                         },
                         WhenStalled::kFail, Slivers::kAllowed);
    if (!split) {
      ShowRefusal(c, kSplitFailedText, kSplitFailedCaption);
    } else if (!RefuseNumberedLand(c, document, split->triangles)) {
      const cad::Block modelSpace = document.ModelSpace();
      for (const TAcadLine& cut : cuts) {
        const cad::Line line = modelSpace.AddLine(cut.st, cut.ed);
        line.Layer(layers.side);
        line.Update();
      }
      if (annotate)
        LabelTriangles(c, document, split->triangles, h, scale, angles);
      if (split->continued > 0)
        ShowMessage(c, FillIn(kSplitContinuedText, {std::to_string(split->continued)}),
                    kSplitFailedCaption);
    }
  }
  BringCadToFront(c);
}

void LabelTriangles(CommandContext& c, const cad::Document& document,
                    std::span<const TAcadTriangle> triangles, double h, double scale,
                    const annotate::AngleSettings& angles) {
  constexpr double kSameSide = kNearTolerance;
  const annotate::WriterContext w = WriterFor(c, document, angles);
  const annotate::LabelFormat format = LabelFormatOf(c, h, scale);
  std::vector<TAcadLine> labelled;

  for (const TAcadTriangle& t : triangles) {
    const std::string textLayer = c.window.Text("Edit12");
    if (BaseHeightMethod(c.window)) {
      const BaseHeight bh = BaseAndHeight(t);
      const TAcadPoint foot = annotate::HeightFoot(bh);
      // The texts the area table will print for this triangle's record.
      const BaseHeightText printed = annotate::PrintedBaseHeightOf(t, format);
      if (!SegmentInList(bh.start, bh.end, labelled, kSameSide)) {
        annotate::PutLabelText(w, bh.start, bh.end, printed.base, format.height,
                               annotate::IfPresent::kWrite, textLayer);
        labelled.push_back({bh.start, bh.end});
      }
      annotate::PutLabelText(w, bh.apex, foot, printed.height, format.height,
                             annotate::IfPresent::kWrite, textLayer);
      const cad::Line height = document.ModelSpace().AddLine(bh.apex, foot);
      height.Layer(c.window.Text("Edit19"));
      height.Update();
      annotate::PutBaseHeightMarker(w, t, bh, ReadMarkerStyle(c));
    } else {
      for (const TAcadLine& side :
           {TAcadLine{t.p1, t.p2}, TAcadLine{t.p2, t.p3}, TAcadLine{t.p3, t.p1}}) {
        if (SegmentInList(side.st, side.ed, labelled, kSameSide))
          continue;
        annotate::PutLabelText(w, side.st, side.ed, format, annotate::IfPresent::kWrite, textLayer);
        labelled.push_back(side);
      }
      annotate::PutThreeSideMarker(w, t, ReadMarkerStyle(c));
    }
    StepTriangleNumber(c);
  }
}

}  // namespace trivane::commands
