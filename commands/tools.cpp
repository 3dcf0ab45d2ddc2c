#include "commands/tools.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/angle_settings.h"
#include "commands/common.h"
#include "geometry/angle.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

constexpr std::string_view kRotatePrompt = "回転するTEXTを選択 : ";
constexpr std::string_view kTextEntity = "AcDbText";
constexpr std::string_view kCircleEntity = "AcDbCircle";
constexpr std::uint32_t kMoveWaitMs = 200;

// The marker the user selected: its circle's centre and radius before the move.
struct Marker {
  TAcadPoint centre;
  double radius = 0.0;
};

// Exactly one text and one circle, in either order; anything else is no marker.
std::optional<Marker> SelectMarker(const cad::Document& document) {
  const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
  set->Clear();
  set->SelectOnScreen(cad::SelectionFilter::EntityType("TEXT,CIRCLE"));
  if (set->Count() != 2)
    return std::nullopt;
  const cad::Entity first = set->Item(0);
  const cad::Entity second = set->Item(1);
  const std::string firstName = first.EntityName();
  const std::string secondName = second.EntityName();
  const cad::Entity* circle = nullptr;
  if (firstName == kTextEntity && secondName == kCircleEntity)
    circle = &second;
  else if (firstName == kCircleEntity && secondName == kTextEntity)
    circle = &first;
  if (circle == nullptr)
    return std::nullopt;
  const cad::Circle c(circle->object());
  return Marker{c.Center(), c.Radius()};
}

std::string PlanPoint(const TAcadPoint& p, int digits) {
  return FormatFixed(p.x, digits) + "," + FormatFixed(p.y, digits);
}

// The leader settings of the drawing, to be written back after the leader.
struct LeaderSettings {
  double arrowSize = 0.0;
  std::string arrowBlock;  // quotes removed; "." (closed filled) when that leaves nothing
};

void WriteLeaderSettings(const cad::Document& document, const LeaderSettings& s) {
  document.SetVariable("DIMASZ", cad::Value::Double(s.arrowSize));
  document.SetVariable("DIMLDRBLK", cad::Value::Text(s.arrowBlock));
}

}  // namespace

void Button2Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    // The body's own error (a cancelled pick) ends the command silently; SNAPMODE is back.
    cad::WithSnapOff(document, [&] {
      const cad::PickedEntity picked = document.Utility().GetEntity(kRotatePrompt);
      if (picked.entity.EntityName() != kTextEntity) {
        ShowRefusal(c, kNotTextText, kNotTextCaption);
        return;
      }
      const cad::Text text(picked.entity.object());
      const TAcadPoint base = text.Alignment() == cad::kAlignmentLeft ? text.InsertionPoint()
                                                                      : text.TextAlignmentPoint();
      const double degrees = ParseDecimal(c.window.Text("Edit13")).value_or(0.0);
      text.Rotate(base, DegreesToRadians(degrees));
    });
  });
}

std::string MoveMarkerCommand(const TAcadPoint& base) {
  return "MOVE\rPRE\r\r" + PlanPoint(base, 3) + "," + FormatFixed(base.z, 3) + "\r";
}

std::string MarkerLeaderCommand(const TAcadPoint& arrow, const TAcadPoint& end) {
  return "_LEADER\r" + PlanPoint(arrow, 4) + " " + PlanPoint(end, 4) + "\r\r\rN\r";
}

void Button5Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    const std::optional<Marker> marker = SelectMarker(document);
    if (!marker)
      return;
    const TAcadPoint centre = marker->centre;

    document.SendCommand(MoveMarkerCommand(centre));
    cad::WaitCadIdle(c.link, CadApplication(c), kMoveWaitMs);
    const TAcadPoint moved = cad::PointFromValue(document.GetVariable("LASTPOINT"), "LASTPOINT");

    LeaderSettings saved;
    saved.arrowSize = document.GetVariable("DIMASZ").ToDouble();
    saved.arrowBlock = document.GetVariable("DIMLDRBLK").GetText();
    std::erase(saved.arrowBlock, '"');
    if (saved.arrowBlock.empty())
      saved.arrowBlock = ".";
    double dimScale = document.GetVariable("DIMSCALE").ToDouble();
    if (dimScale == 0.0)
      dimScale = 1.0;

    // The point of the moved circle that faces the old centre.
    const TAcadPoint facing = PolarPoint(moved, LineAngle(moved, centre), marker->radius);

    if (!c.window.Checked("CheckBox3")) {
      document.ModelSpace().AddLine(centre, facing).Update();
      return;
    }
    const double arrowSize = ReadDecimal(c.window, "Edit14") / dimScale;
    // From here on the user's leader settings go back whatever happens.
    try {
      WriteLeaderSettings(document, {arrowSize, "."});
      document.SendCommand(MarkerLeaderCommand(centre, facing));
      cad::WaitCadIdle(c.link, CadApplication(c), kMoveWaitMs);
    } catch (...) {
      RunSilently([&] { WriteLeaderSettings(document, saved); });
      throw;
    }
    WriteLeaderSettings(document, saved);
  });
}

}  // namespace trivane::commands
