#include "commands/length.h"

#include <optional>

#include "annotate/writers.h"
#include "cad/connection.h"
#include "cad/database.h"
#include "cad/segment_picking.h"
#include "commands/angle_settings.h"
#include "commands/common.h"

namespace trivane::commands {
void Button11Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    // The body's own error ends the command silently; SNAPMODE is back.
    cad::WithSnapOff(document, [&] {
      const std::optional<TAcadLine> side = PickSide(document, kLengthSidePrompt);
      if (!side)
        return;
      const double h = ReadDecimal(c.window, "Edit3");
      const double scale = ReadDecimal(c.window, "Edit8");
      const annotate::AngleSettings angles = ReadAngleSettings(document);
      const std::string layer = c.window.Text("Edit12");
      cad::EnsureLayer(document, layer);
      annotate::PutLabelText(WriterFor(c, document, angles), side->st, side->ed,
                             LabelFormatOf(c, h, scale), annotate::IfPresent::kSkip, layer);
    });
  });
}

}  // namespace trivane::commands
