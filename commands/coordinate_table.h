// "座標求積" (Button15) and "ﾎﾟﾘ選択" (Button16): the coordinate area table of a parcel, and a
// check of the numbered triangles inside it against that area.
//
// "座標求積" traces the region around a picked point as "自動" does; "ﾎﾟﾘ選択" takes a picked
// closed lightweight polyline as it stands. The command builds the table as "作成" builds the
// triangle table and has the user insert it; once it is placed, every corner gets its name
// ("P1", "P2", ... on the text layer, numbered on from the last run, outside the corner). Columns:
// 点名, X, Y, Yn+1-Yn-1 and Xn×(Yn+1-Yn-1); closing rows 倍面積 (the sum), 面積 (half of it) and
// 地積 (truncated, as the registry truncates). When number markers with triangle records stand
// inside the parcel, a message box then compares their areas with the parcel's.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cad/objects.h"
#include "commands/area_table.h"
#include "commands/context.h"
#include "commands/numbering.h"
#include "commands/table_block.h"
#include "geometry/coordinate_area.h"
#include "geometry/point.h"

namespace trivane::commands {

inline constexpr std::string_view kCoordinateCaption = "座標求積";
inline constexpr std::string_view kClosedPolylinePrompt = "閉じたポリラインを選択 : ";
inline constexpr std::string_view kNotClosedPolylineText = "閉じたポリラインではありません．";
inline constexpr std::string_view kNoCoordinateAreaText = "座標求積ができません．";

// The numbered triangles whose markers stand inside the parcel, against its coordinate area.
struct Coverage {
  std::vector<std::string> numbers;  // the markers' number texts, in number order
  double triangles = 0.0;            // m²: their areas from the records' full-precision sides
  double coordinate = 0.0;           // m²: the parcel's coordinate area
  double Difference() const { return triangles - coordinate; }  // excess above 0, shortfall below
  double Percent() const { return 100.0 * Difference() / coordinate; }
};

// A parcel measured: its coordinate area, and the triangles inside it when there are any.
struct RegionSurvey {
  CoordinateArea area;
  std::optional<Coverage> coverage;
};

// The name of corner number n: "P" and the number.
std::string PointName(int number);

// The table's texts: the corners in table order named from `firstNumber`; X, Y and Yn+1-Yn-1 in
// metres with 3 decimals; the products, 倍面積 and 面積 by the area decimals and rule
// (Keta2/Menseki); 地積 truncated to the final decimals (Keta3), followed by the blanks that line
// it up with the areas. Widths, row and text heights are those of the Heron's formula table.
TableLayout LayoutCoordinateTable(const AreaTableInputs& inputs, const NumberSettings& numbers,
                                  const CoordinateArea& area, int firstNumber);

// The records of the number texts in `set` whose justification point (the insertion point of a
// left-aligned text, else its alignment point: a marker's circle centre) lies inside `polygon`,
// sorted by number.
TriangleRecords RecordsInside(const cad::SelectionSet& set, std::span<const TAcadPoint> polygon);

// The check of `records` against the parcel: their areas by Heron's formula from the sides
// divided by `scale`. Empty when there are no records.
std::optional<Coverage> CoverageOf(const CoordinateArea& area, const TriangleRecords& records,
                                   double scale);

// The check's figures as printed: m² with 6 decimals, the per cent with 4, the numbers separated
// by ", ", and the numbers found more than once (empty when none is).
struct CoverageTexts {
  std::string triangles, coordinate, difference, percent;
  std::string numbers, twice;
};
CoverageTexts CoverageTextsOf(const Coverage& coverage);

// The message of the check: the triangles' sum, the coordinate area, the difference in m² and
// per cent, and the numbers (a number found twice is named again on a line of its own).
std::string CoverageMessage(const Coverage& coverage);

// The corners of the closed lightweight polyline the user picks ("閉じたポリラインを選択 : ");
// empty, after the message "閉じたポリラインではありません．", for anything else. The polyline
// stays.
std::vector<TAcadPoint> PickClosedPolyline(CommandContext& c, const cad::Document& document);

// Measures the parcel bounded by `boundary` (drawing units, divided by `scale`) and checks the
// number markers of the whole drawing that stand inside it. Empty when the boundary makes no
// parcel (fewer than three corners, no area). Draws nothing.
std::optional<RegionSurvey> SurveyRegion(const cad::Document& document,
                                         std::span<const TAcadPoint> boundary, double scale);

// The handler of Button15 and Button16; `sender` names the button clicked. Errors end the
// command silently, as the other commands do; a table block already made is deleted.
void Button15Click(CommandContext& c, std::string_view sender);

}  // namespace trivane::commands
