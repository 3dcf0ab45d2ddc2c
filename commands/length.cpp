#include "commands/length.h"

#include <optional>

#include "annotate/writers.h"
#include "cad/connection.h"
#include "cad/database.h"
#include "cad/segment_picking.h"
#include "commands/angle_settings.h"
#include "commands/common.h"

namespace trivane::commands {
namespace {

// The picked side: a line as drawn, or the picked segment of a lightweight polyline.
std::optional<TAcadLine> PickedSide(const cad::Document& document) {
  const cad::PickedEntity picked = document.Utility().GetEntity(kLengthSidePrompt);
  const std::string name = picked.entity.EntityName();
  if (name == kLineEntity) {
    const cad::Line line(picked.entity.object());
    return TAcadLine{line.StartPoint(), line.EndPoint()};
  }
  if (name == kPolylineEntity) {
    const std::optional<cad::SegmentPick> segment =
        cad::PickedSegment(document, cad::Polyline(picked.entity.object()), picked.point);
    if (segment)
      return TAcadLine{segment->start, segment->end};
  }
  return std::nullopt;
}

}  // namespace

void Button11Click(CommandContext& c) {
  if (!cad::IsCadRunning(c.link))
    return;
  ResetCreationList(c);
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    // The body's own error ends the command silently; SNAPMODE is back.
    cad::WithSnapOff(document, [&] {
      const std::optional<TAcadLine> side = PickedSide(document);
      if (!side)
        return;
      const double h = ReadDecimal(c.window, "Edit3");
      const double scale = ReadDecimal(c.window, "Edit8");
      const annotate::AngleSettings angles = ReadAngleSettings(document);
      const std::string layer = c.window.Text("Edit12");
      cad::EnsureLayer(document, layer);
      annotate::PutLabelText(WriterFor(c, document, angles), side->st, side->ed,
                             LabelFormatOf(c, h, scale), true, layer);
    });
  });
}

}  // namespace trivane::commands
