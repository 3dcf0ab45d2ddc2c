// A ruled table drawn into the CAD as the area commands draw it: laid out in table coordinates,
// built as a block whose origin is the table's top-left corner, placed by the user with the CAD's
// insert command, exploded into plain lines and texts, and the block definition removed.
//
// Table coordinates: origin at the top-left corner, x to the right, y upwards (rows lie at
// negative y), z = 0; drawing units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/objects.h"
#include "commands/context.h"
#include "geometry/point.h"

namespace trivane::commands {

// Block names of the tables: this prefix and the next free number.
inline constexpr std::string_view kTableBlockPrefix = "Trivane_";

struct TableRule {
  TAcadPoint start;
  TAcadPoint end;
};

// A text of the table, justified (middle centre or middle right) on `point`.
struct TableText {
  std::string text;
  TAcadPoint point;
  std::int32_t alignment = 0;
};

struct TableLayout {
  std::vector<TableRule> rules;  // horizontal top to bottom, then vertical left to right
  std::vector<TableText> texts;  // header, body rows left to right, closing rows
};

// A closing row: its label spans every column but the last, its value stands in the last.
struct ClosingRow {
  std::string label;
  std::string value;
};

// The ruled table of the area commands. Columns of `widths` (left to right, at least two); every
// row is `rowHeight` high: the header (middle centre in its cell), the body rows (one text a
// column, middle right half a row height left of the cell's right rule), then the closing rows
// (label and value middle right, half a row height left of the last two rules). Interior vertical
// rules stop below the last body row. Each body row holds one text per column.
TableLayout LayoutRuledTable(const std::vector<double>& widths, double rowHeight,
                             const std::vector<std::string>& header,
                             std::vector<std::vector<std::string>> body,
                             const std::vector<ClosingRow>& closing);

// The typed insert of a table block: scale 1 and rotation 0 answered, the insertion point left
// to the user.
std::string TableInsertCommand(std::string_view blockName);

// Builds `layout` as a new block (every rule and text on `layer`, texts `textHeight` high), has
// the user insert it, explodes the inserted reference and deletes the block definition. Once the
// block exists it is deleted on every way out (unless the CAD refuses because a reference that
// could not be exploded still uses it). A cancelled insert adds nothing: false.
bool InsertTableBlock(CommandContext& c, const cad::Document& document, const TableLayout& layout,
                      std::string_view layer, double textHeight);

}  // namespace trivane::commands
