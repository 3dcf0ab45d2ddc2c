// The coordinate area table as text: the rows "座標求積" draws for the region around a point, and
// the check of the numbered triangles inside it, for a terminal or a spreadsheet.
//
// The numbers come from the same layout the command draws (commands::LayoutCoordinateTable).
#pragma once

#include <optional>
#include <string>

#include "cli/table.h"
#include "commands/coordinate_table.h"
#include "geometry/point.h"

namespace trivane::cli {

class Session;

struct CoordinateTableText {
  AreaTableText table;                         // the table's rows, as the area table's
  std::optional<commands::Coverage> coverage;  // when numbered triangles stand inside
};

// How the parcel is given: the region around a point, as "座標求積" traces it, or the closed
// polyline picked at a point, as "ﾎﾟﾘ選択" takes it.
enum class ParcelBy { kPointInside, kPolylinePick };

// The table the command would build for the parcel at `at` in the session's drawing, with the
// window's settings now, corners named from the session's next point number. Nothing is drawn
// (a traced boundary is erased again). Empty, after the command's message (in the session's
// transcript), when there is no parcel there. UsageError when the settings make no table.
std::optional<CoordinateTableText> SessionCoordinateTable(Session& session, const TAcadPoint& at,
                                                          ParcelBy by);

}  // namespace trivane::cli
