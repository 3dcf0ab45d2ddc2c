#include "commands/line_group.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "commands/numbered_land.h"
#include "commands/split.h"
#include "geometry/land_pieces.h"
#include "geometry/numbers.h"
#include "geometry/triangle_search.h"

namespace trivane::commands {
namespace {

// Appends what one selected object contributes to the buffers; true for a line or a polyline.
bool TakeObject(SelectionBuffers& buffers, const cad::Entity& entity, std::int32_t index) {
  const std::string name = entity.EntityName();
  if (name == kLineEntity) {
    const cad::Line line(entity.object());
    TAcadLineBlk record;
    record.st = line.StartPoint();
    record.ed = line.EndPoint();
    buffers.LineRecords.push_back(record);
    return true;
  }
  if (name == kPolylineEntity) {
    const cad::Polyline polyline(entity.object());
    TLwpBlk record;
    record.ihand = index;
    record.code70 = polyline.Closed() ? 1 : 0;
    const std::vector<double> c = polyline.Coordinates();
    buffers.PolylineRecords.push_back(record);
    for (std::size_t k = 0; k + 1 < c.size(); k += 2) {
      TLwpEle vertex;
      vertex.ihand = index;
      vertex.code10 = {c[k], c[k + 1], 0.0};
      vertex.code42 = 0.0;
      buffers.VertexRecords.push_back(vertex);
    }
    return true;
  }
  return false;
}

}  // namespace

void Button13Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
    set->SelectOnScreen();
    bool taken = false;
    const std::int32_t count = set->Count();
    if (count > 0) {
      c.buffers.Clear();
      for (std::int32_t i = 0; i < count; ++i)
        taken = TakeObject(c.buffers, set->Item(i), i) || taken;
    }
    if (taken)
      TrianglesFromLineGroup(c, CadApplication(c));
  });
}

void TrianglesFromLineGroup(CommandContext& c, const cad::Application& application) {
  const double h = ReadDecimal(c.window, "Edit3");
  const double scale = ReadDecimal(c.window, "Edit8");
  if (!cad::IsCadRunning(c.link))
    return;

  const cad::Document document = application.ActiveDocument();
  const CommandLayers layers = ReadLayers(c.window);
  cad::EnsureLayer(document, layers.text);
  cad::EnsureLayer(document, layers.side);
  cad::EnsureLayer(document, layers.height);
  const annotate::AngleSettings angles = ReadAngleSettings(document);

  if (!c.buffers.PolylineRecords.empty())
    PolylinesToLines(c.buffers);
  const std::size_t n = c.buffers.LineRecords.size();
  if (n == 0) {
    ShowRefusal(c, kNoSegmentsText, kNoSegmentsCaption);
    return;
  }
  if (n < 3)
    return;
  std::vector<TAcadLine> segments;
  segments.reserve(n);
  for (const TAcadLineBlk& record : c.buffers.LineRecords)
    segments.push_back({record.st, record.ed});
  // Each piece of land once: the faces of the network the lines draw. Those that are triangles are
  // numbered; the others are counted and reported, so that no land goes missing without a word.
  const LandPieces pieces = FindLandPieces(segments);
  std::vector<TAcadTriangle> triangles = pieces.triangles;
  const auto reportOthers = [&] {
    if (!pieces.complete)
      ShowRefusal(c, kLinesNotSortedText, kNoSegmentsCaption);
    if (pieces.others.empty())
      return;
    const double area = pieces.otherArea / (scale * scale);
    ShowRefusal(
        c,
        FillIn(kLandNotTriangleText, {std::to_string(pieces.others.size()),
                                      FormatRounded(area, c.numbers.Keta2, c.numbers.Menseki)}),
        kNoSegmentsCaption);
  };
  if (triangles.empty() && pieces.others.empty() && pieces.complete) {
    ShowRefusal(c, kNoLandText, kNoSegmentsCaption);
    return;
  }
  // A selection often reaches into lots numbered before: their triangles are left as they are.
  const NumberedLand numbered = FindNumberedLand(document, triangles);
  for (auto k = numbered.triangles.rbegin(); k != numbered.triangles.rend(); ++k)
    triangles.erase(triangles.begin() + static_cast<std::ptrdiff_t>(*k));
  if (!numbered.empty() && triangles.empty()) {
    ShowRefusal(c, FillIn(kLandNumberedText, {NumberList(numbered.numbers)}), kLandNumberedCaption);
    reportOthers();
    return;
  }
  if (triangles.empty()) {
    reportOthers();
    return;
  }
  if (!NumbersFreeFor(c, document, triangles.size()))
    return;

  LabelTriangles(c, document, triangles, h, scale, angles);
  if (!numbered.empty())
    ShowMessage(c,
                FillIn(kLandNumberedSkippedText,
                       {std::to_string(numbered.triangles.size()), NumberList(numbered.numbers)}),
                kLandNumberedCaption);
  reportOthers();
  BringCadToFront(c);
  document.Regen(0);
}

}  // namespace trivane::commands
