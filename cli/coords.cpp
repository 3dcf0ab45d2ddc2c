#include "cli/coords.h"

#include "cad/connection.h"
#include "cad/objects.h"
#include "cli/errors.h"
#include "cli/session.h"
#include "commands/common.h"
#include "commands/split.h"
#include "geometry/numbers.h"

namespace trivane::cli {

std::optional<CoordinateTableText> SessionCoordinateTable(Session& session, const TAcadPoint& at,
                                                          ParcelBy by) {
  commands::CommandContext c = session.program().State().Context(session.form());
  try {
    // As a command starts: attached to the CAD, its window in front.
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::Application application = commands::CadApplication(c);
    const commands::AreaTableInputs inputs =
        commands::ReadAreaTableInputs(session.form(), commands::TableColumns::kHeron);
    std::vector<TAcadPoint> boundary;
    if (by == ParcelBy::kPolylinePick) {
      session.host().user().Push(host::UserAnswer::Pick(at));
      try {
        boundary = commands::PickClosedPolyline(c, document);
      } catch (const cad::AutomationError&) {
        // Nothing there to pick.
        commands::ShowMessage(c, commands::kNotClosedPolylineText, commands::kCoordinateCaption);
        return std::nullopt;
      }
    } else {
      boundary = commands::TraceBoundary(c, application, document, at);
    }
    if (boundary.empty())
      return std::nullopt;
    const std::optional<commands::RegionSurvey> survey =
        commands::SurveyRegion(document, boundary, inputs.scale);
    if (!survey) {
      commands::ShowMessage(c, commands::kNoCoordinateAreaText, commands::kCoordinateCaption);
      return std::nullopt;
    }
    const commands::TableLayout layout =
        commands::LayoutCoordinateTable(inputs, c.numbers, survey->area, c.NextPointNumber);
    return CoordinateTableText{AreaTableRows(layout, inputs.widths.size()), survey->coverage};
  } catch (const commands::AreaTableInputError& e) {
    throw UsageError(std::string("the settings make no coordinate table: ") + e.what());
  } catch (const NumberConversionError& e) {
    throw UsageError(std::string("the settings or a triangle record hold no number: ") + e.what());
  } catch (const cad::AutomationError& e) {
    throw UsageError("the drawing cannot be read (a damaged triangle record?): " + e.reason());
  }
}

}  // namespace trivane::cli
