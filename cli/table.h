// The area table ("求積表") as text: the rows "作成" draws, for a terminal or a spreadsheet.
//
// The numbers come from the one layout the command draws (commands::LayoutAreaTable); this module
// only reads its texts back into rows, so the printed table and the drawn one cannot differ.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "commands/area_table.h"
#include "commands/numbering.h"

namespace trivane::cli {

class Session;

// Rows top to bottom, each with one cell per column: the header, one row per triangle, then the
// closing rows ("合計", for base and height "1/2", "面積"), whose label and value stand in the
// last two columns with the cells before them empty. Cells hold the drawn texts exactly (the
// final area keeps the blanks that align it with the areas above).
struct AreaTableText {
  std::vector<std::vector<std::string>> rows;
  std::size_t triangles = 0;  // rows 1 .. triangles are the triangles' rows
  // Where the areas from the printed values are not the land's: the lines "作成" shows in its
  // message (commands::PrintCheckLines); empty when the table adds up.
  std::vector<std::string> check;
};

// The rows of a laid-out table with `columns` columns: its texts grouped by the row they stand
// in, left to right.
AreaTableText AreaTableRows(const commands::AreaTableLayout& layout, std::size_t columns);

// The triangle records of the drawing as "作成" reads them with "全ﾃﾞｰﾀｰ" checked: every text of
// the drawing, sorted by number. UsageError for a damaged data record.
commands::TriangleRecords DrawingTriangleRecords(Session& session);

// The table "作成" would build in the session's drawing with the window's settings now.
// UsageError when the settings cannot make a table (column widths, heights, scale).
AreaTableText SessionAreaTable(Session& session, const commands::TriangleRecords& records);

// Columns separated by two blanks, each cell right-aligned to its column's width on a terminal
// (East Asian wide characters take two places); the closing rows are set off by a rule.
std::string FormatAligned(const AreaTableText& table);
// RFC 4180: cells separated by ",", a cell holding ",", a quote or a line break quoted with its
// quotes doubled; CR LF after every row.
std::string FormatCsv(const AreaTableText& table);

// How many places a text takes on a terminal.
std::size_t DisplayWidth(std::string_view text);

}  // namespace trivane::cli
