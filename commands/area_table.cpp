#include "commands/area_table.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"
#include "geometry/print_error.h"

namespace trivane::commands {
namespace {

constexpr std::size_t kHeronColumns = 5;
constexpr std::size_t kBaseHeightColumns = 4;

}  // namespace

TriangleRecordFields SplitTriangleRecord(std::string_view record) {
  std::vector<std::string> f = SplitCommaList(record);
  if (f.size() < 4)
    throw AreaTableInputError("not a triangle record: " + std::string(record));
  TriangleRecordFields r;
  r.c = std::move(f.back());
  f.pop_back();
  r.b = std::move(f.back());
  f.pop_back();
  r.a = std::move(f.back());
  f.pop_back();
  for (std::size_t i = 0; i < f.size(); ++i)
    r.number += (i == 0 ? "" : ",") + f[i];
  return r;
}

namespace {

// The three lengths must be numbers above 0 that make a triangle (none longer than the other two
// together); anything else comes from a damaged record and would print as an area of 0 or less.
void CheckSides(const TriangleRecordFields& f, std::string_view record) {
  double side[3] = {};
  const std::string* texts[3] = {&f.a, &f.b, &f.c};
  for (std::size_t i = 0; i < 3; ++i) {
    try {
      side[i] = ToDecimal(*texts[i]);
    } catch (const NumberConversionError&) {
      throw DamagedRecordError(std::string(record), "a side that is not a number");
    }
    if (!std::isfinite(side[i]) || !(side[i] > 0.0))
      throw DamagedRecordError(std::string(record), "a side that is not above 0");
  }
  std::sort(std::begin(side), std::end(side));
  // A sliver from a split can have sides that add up exactly once the record rounds them to eight
  // decimals: a flat triangle is a triangle of no area. Only sides that fall short beyond that
  // rounding cannot form one.
  if (side[0] + side[1] < side[2] - 1e-6 * std::max(1.0, side[2]))
    throw DamagedRecordError(std::string(record), "sides that cannot form a triangle");
}

}  // namespace

AreaTableInputs ReadAreaTableInputs(const ToolWindow& window) {
  return ReadAreaTableInputs(
      window, BaseHeightMethod(window) ? TableColumns::kBaseHeight : TableColumns::kHeron);
}

AreaTableInputs ReadAreaTableInputs(const ToolWindow& window, TableColumns columnsOf) {
  AreaTableInputs in;
  in.baseHeight = columnsOf == TableColumns::kBaseHeight;
  in.textHeight = ReadDecimal(window, "Edit9");
  in.rowHeight = ReadDecimal(window, "Edit10");
  for (const std::string& w : SplitCommaList(window.Text(in.baseHeight ? "Edit20" : "Edit11")))
    in.widths.push_back(ToDecimal(w));
  in.scale = ReadDecimal(window, "Edit8");
  in.layer = window.Text("Edit12");
  const std::size_t columns = in.baseHeight ? kBaseHeightColumns : kHeronColumns;
  if (in.widths.size() != columns)
    throw AreaTableInputError("the table needs " + std::to_string(columns) + " column widths");
  if (!(in.textHeight > 0.0))
    throw AreaTableInputError("the text height of the table must be above 0");
  if (!(in.scale > 0.0))
    throw AreaTableInputError("the scale must be above 0");
  return in;
}

namespace {

// One triangle's row as the table prints it, and the area it stands for.
struct AreaRow {
  std::vector<std::string> cells;
  double printedArea = 0.0;  // from the printed values (base x height halved)
  double trueArea = 0.0;     // from the record's sides at full precision, in printed units
  double allowance = 0.0;    // what the rounding of its printed values moves a well-shaped area
};

// The triangles' rows, in record order. Every value printed comes from the record's sides by the
// routines the labels use (PrintedLength, BaseHeightTexts), so that a row holds what the drawing
// shows.
std::vector<AreaRow> AreaRows(const AreaTableInputs& in, const NumberSettings& numbers,
                              const TriangleRecords& records) {
  std::vector<AreaRow> rows;
  const double tolerance = PrintedLengthTolerance(numbers.Keta1, numbers.Nagasa);
  for (const std::string& record : records) {
    const TriangleRecordFields f = SplitTriangleRecord(record);
    CheckSides(f, record);
    AreaRow row;
    row.cells.push_back(f.number);
    row.trueArea =
        AreaFromSides(ToDecimal(f.a), ToDecimal(f.b), ToDecimal(f.c)) / (in.scale * in.scale);
    if (in.baseHeight) {
      const BaseHeightText bh =
          BaseHeightTexts(f.a, f.b, f.c, numbers.Keta1, numbers.Nagasa, in.scale);
      row.cells.push_back(bh.base);
      row.cells.push_back(bh.height);
      row.cells.push_back(
          FormatRounded(ToDecimal(bh.base) * ToDecimal(bh.height), numbers.Keta2, numbers.Menseki));
      row.printedArea = ToDecimal(row.cells.back()) / 2;
      row.allowance = tolerance * (ToDecimal(bh.base) + ToDecimal(bh.height)) / 2;
    } else {
      for (const std::string* side : {&f.a, &f.b, &f.c})
        row.cells.push_back(
            PrintedLength(ToDecimal(*side), numbers.Keta1, numbers.Nagasa, in.scale));
      // The area from the lengths as printed, not from the exact ones.
      const double area =
          AreaFromSides(ToDecimal(row.cells[1]), ToDecimal(row.cells[2]), ToDecimal(row.cells[3]));
      row.cells.push_back(FormatRounded(area, numbers.Keta2, numbers.Menseki));
      row.printedArea = ToDecimal(row.cells.back());
      row.allowance =
          tolerance *
          (ToDecimal(row.cells[1]) + ToDecimal(row.cells[2]) + ToDecimal(row.cells[3])) / 2;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

AreaTableLayout LayoutAreaTable(const AreaTableInputs& in, const NumberSettings& numbers,
                                const TriangleRecords& records) {
  const std::vector<std::string> header =
      SplitCommaList(in.baseHeight ? "No.,底辺,高さ,面積" : "No.,a,b,c,面積");

  // The total adds the areas as printed, so that the table adds up for its reader.
  double total = 0.0;
  std::vector<std::vector<std::string>> body;
  for (AreaRow& row : AreaRows(in, numbers, records)) {
    total += ToDecimal(row.cells.back());
    body.push_back(std::move(row.cells));
  }

  const double finalArea = in.baseHeight ? total / 2 : total;
  std::vector<ClosingRow> closing{{"合計", FormatRounded(total, numbers.Keta2, numbers.Menseki)}};
  if (in.baseHeight)
    closing.push_back({"1/2", FormatRounded(finalArea, numbers.Keta2, numbers.Menseki)});
  closing.push_back(
      {"面積", FormatRounded(finalArea, numbers.Keta3, numbers.Goukei) + FinalPad(numbers)});
  return LayoutRuledTable(in.widths, in.rowHeight, header, std::move(body), closing);
}

bool PrintedAreaIsOff(double printed, double trueArea, int areaDecimals, double allowance) {
  const double off = std::fabs(printed - trueArea);
  return off > kPrintedAreaShare * std::fabs(trueArea) &&
         off > std::pow(10.0, -std::clamp(areaDecimals, 0, 6)) && off > allowance;
}

PrintCheck CheckPrintedAreas(const AreaTableInputs& in, const NumberSettings& numbers,
                             const TriangleRecords& records) {
  PrintCheck check;
  double printedTotal = 0.0;
  double trueTotal = 0.0;
  for (const AreaRow& row : AreaRows(in, numbers, records)) {
    printedTotal += row.printedArea;
    trueTotal += row.trueArea;
    if (PrintedAreaIsOff(row.printedArea, row.trueArea, numbers.Keta2, row.allowance))
      check.triangles.push_back({row.cells.front(),
                                 FormatRounded(row.printedArea, numbers.Keta2, numbers.Menseki),
                                 FormatRounded(row.trueArea, numbers.Keta2, numbers.Menseki)});
  }
  check.printedTotal = FormatRounded(printedTotal, numbers.Keta2, numbers.Menseki);
  check.trueTotal = FormatRounded(trueTotal, numbers.Keta2, numbers.Menseki);
  return check;
}

std::vector<std::string> PrintCheckLines(const PrintCheck& check) {
  std::vector<std::string> lines{std::string(kPrintCheckHeading)};
  for (const MisprintedArea& t : check.triangles)
    lines.push_back(FillIn(kPrintCheckRow, {t.number, t.printed, t.trueArea}));
  lines.push_back(FillIn(kPrintCheckTotal, {check.printedTotal, check.trueTotal}));
  lines.push_back(std::string(kPrintCheckAdvice));
  return lines;
}

std::string FinalPad(const NumberSettings& numbers) {
  return std::string(numbers.Keta2 > numbers.Keta3 ? numbers.Keta2 - numbers.Keta3 : 0, ' ');
}

void BuildAreaTable(CommandContext& c, const cad::Document& document,
                    const TriangleRecords& records) {
  const AreaTableInputs in = ReadAreaTableInputs(c.window);
  const AreaTableLayout layout = LayoutAreaTable(in, c.numbers, records);
  const PrintCheck check = CheckPrintedAreas(in, c.numbers, records);
  if (!InsertTableBlock(c, document, layout, in.layer, in.textHeight))
    return;  // cancelled: nothing to do
  // The table shows what the printed values give; where that is not the land, it says so.
  if (!check.empty()) {
    std::string text;
    for (const std::string& line : PrintCheckLines(check))
      text += (text.empty() ? "" : "\n") + line;
    ShowMessage(c, text, kPrintCheckCaption);
  }
}

void Button3Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
    set->Clear();
    const cad::SelectionFilter texts = cad::SelectionFilter::EntityType("TEXT");
    if (c.window.Checked("CheckBox2"))
      set->Select(cad::kSelectAll, texts);
    else
      set->SelectOnScreen(texts);
    // Nothing selected on screen is the user's choice; a drawing with no text at all has
    // nothing to table.
    if (set->Count() == 0) {
      if (c.window.Checked("CheckBox2"))
        ShowRefusal(c, kNoAreaDataText, kNoAreaDataCaption);
      return;
    }
    TriangleRecords records;
    ReadTriangleRecords(*set, records);
    if (records.empty()) {
      ShowRefusal(c, kNoAreaDataText, kNoAreaDataCaption);
      return;
    }
    try {
      BuildAreaTable(c, document, records);
    } catch (const DamagedRecordError& e) {
      ShowRefusal(c, FillIn(kDamagedRecordText, {e.record()}), kNoAreaDataCaption);
    }
  });
}

}  // namespace trivane::commands
