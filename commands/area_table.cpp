#include "commands/area_table.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <utility>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

constexpr std::uint32_t kInsertWaitMs = 200;
constexpr std::size_t kHeronColumns = 5;
constexpr std::size_t kBaseHeightColumns = 4;

// Points of the table. Rows lie below the origin; 0.0 - d keeps the top rule at +0.
TAcadPoint At(double x, double depth) {
  return TAcadPoint{x, 0.0 - depth, 0.0};
}

// The fields of a record: the number text (which may itself hold ",") and the three lengths.
struct RecordFields {
  std::string number;
  std::string a, b, c;
};

RecordFields SplitRecord(std::string_view record) {
  std::vector<std::string> f = SplitCommaList(record);
  if (f.size() < 4)
    throw AreaTableInputError("not a triangle record: " + std::string(record));
  RecordFields r;
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

// The three lengths must be numbers above 0 that make a triangle (each shorter than the other two
// together); anything else comes from a damaged record and would print as an area of 0 or less.
void CheckSides(const RecordFields& f, std::string_view record) {
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
  if (!(side[0] + side[1] > side[2]))
    throw DamagedRecordError(std::string(record), "sides that cannot form a triangle");
}

// Deletes the table's block definition when the command leaves, whichever way it leaves.
class TemporaryBlock {
 public:
  TemporaryBlock(const cad::Document& document, std::string name)
      : document_(document), name_(std::move(name)) {}
  ~TemporaryBlock() { cad::DeleteBlockDefinition(document_, name_); }
  TemporaryBlock(const TemporaryBlock&) = delete;
  TemporaryBlock& operator=(const TemporaryBlock&) = delete;

 private:
  const cad::Document& document_;
  std::string name_;
};

}  // namespace

AreaTableInputs ReadAreaTableInputs(const ToolWindow& window) {
  AreaTableInputs in;
  in.baseHeight = BaseHeightMethod(window);
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

AreaTableLayout LayoutAreaTable(const AreaTableInputs& in, const NumberSettings& numbers,
                                const TriangleRecords& records) {
  const std::vector<double>& w = in.widths;
  const std::size_t m = w.size();
  const std::size_t n = records.size();
  const double h = in.rowHeight;
  const std::size_t rows = n + (in.baseHeight ? 4 : 3);  // header, triangles, closing rows

  // x[j]: the left rule of column j; x[m] is the table's width.
  std::vector<double> x(m + 1, 0.0);
  std::partial_sum(w.begin(), w.end(), x.begin() + 1);
  const double width = x[m];
  const double labelX = x[m - 1] - h / 2;
  const double valueX = width - h / 2;

  AreaTableLayout t;
  for (std::size_t r = 0; r <= rows; ++r)
    t.rules.push_back({At(0.0, r * h), At(width, r * h)});
  for (std::size_t j = 0; j <= m; ++j) {
    const bool full = j == 0 || j + 1 == m || j == m;
    t.rules.push_back({At(x[j], 0.0), At(x[j], (full ? rows : n + 1) * h)});
  }

  const std::vector<std::string> header =
      SplitCommaList(in.baseHeight ? "No.,底辺,高さ,面積" : "No.,a,b,c,面積");
  for (std::size_t j = 0; j < m; ++j)
    t.texts.push_back({header[j], At(x[j] + w[j] / 2, h / 2), cad::kAlignmentMiddleCenter});

  const auto rightAligned = [&](std::string text, double cellRight, double depth) {
    t.texts.push_back({std::move(text), At(cellRight - h / 2, depth), cad::kAlignmentMiddleRight});
  };

  // The total adds the areas as printed, so that the table adds up for its reader.
  double total = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const RecordFields f = SplitRecord(records[k]);
    CheckSides(f, records[k]);
    const double depth = (static_cast<double>(k) + 1.5) * h;
    std::vector<std::string> cells{f.number};
    if (in.baseHeight) {
      const BaseHeightText bh =
          BaseHeightTexts(f.a, f.b, f.c, numbers.Keta1, numbers.Nagasa, in.scale);
      cells.push_back(bh.base);
      cells.push_back(bh.height);
      cells.push_back(
          FormatRounded(ToDecimal(bh.base) * ToDecimal(bh.height), numbers.Keta2, numbers.Menseki));
    } else {
      for (const std::string* side : {&f.a, &f.b, &f.c})
        cells.push_back(FormatRounded(ToDecimal(*side) / in.scale, numbers.Keta1, numbers.Nagasa));
      // The area from the lengths as printed, not from the exact ones.
      const double area =
          AreaFromSides(ToDecimal(cells[1]), ToDecimal(cells[2]), ToDecimal(cells[3]));
      cells.push_back(FormatRounded(area, numbers.Keta2, numbers.Menseki));
    }
    total += ToDecimal(cells.back());
    for (std::size_t j = 0; j < m; ++j)
      rightAligned(std::move(cells[j]), x[j + 1], depth);
  }

  const std::string pad(numbers.Keta2 > numbers.Keta3 ? numbers.Keta2 - numbers.Keta3 : 0, ' ');
  const double finalArea = in.baseHeight ? total / 2 : total;
  std::vector<std::pair<std::string, std::string>> closing{
      {"合計", FormatRounded(total, numbers.Keta2, numbers.Menseki)}};
  if (in.baseHeight)
    closing.push_back({"1/2", FormatRounded(finalArea, numbers.Keta2, numbers.Menseki)});
  closing.push_back({"面積", FormatRounded(finalArea, numbers.Keta3, numbers.Goukei) + pad});
  for (std::size_t i = 0; i < closing.size(); ++i) {
    const double depth = (static_cast<double>(n + i) + 1.5) * h;
    t.texts.push_back({closing[i].first, At(labelX, depth), cad::kAlignmentMiddleRight});
    t.texts.push_back({closing[i].second, At(valueX, depth), cad::kAlignmentMiddleRight});
  }
  // Sizes past the largest number would put every row at infinity, one on top of the other.
  const auto finite = [](const TAcadPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
  const bool rulesFinite = std::all_of(t.rules.begin(), t.rules.end(), [&](const TableRule& r) {
    return finite(r.start) && finite(r.end);
  });
  const bool textsFinite = std::all_of(t.texts.begin(), t.texts.end(),
                                       [&](const TableText& text) { return finite(text.point); });
  if (!rulesFinite || !textsFinite)
    throw AreaTableInputError("the row height and column widths make a table too large to draw");
  return t;
}

std::string AreaTableInsertCommand(std::string_view blockName) {
  return "(command \"_-INSERT\" \"" + std::string(blockName) + "\" \"S\" 1 \"R\" 0)(princ)\r";
}

void BuildAreaTable(CommandContext& c, const cad::Document& document,
                    const TriangleRecords& records) {
  const AreaTableInputs in = ReadAreaTableInputs(c.window);
  const AreaTableLayout layout = LayoutAreaTable(in, c.numbers, records);

  const cad::NumberedBlock table = cad::AddNumberedBlock(document, kAreaTableBlockPrefix);
  const TemporaryBlock removeAtEnd(document, table.name);
  cad::EnsureLayer(document, in.layer);
  for (const TableRule& rule : layout.rules)
    table.block.AddLine(rule.start, rule.end).Layer(in.layer);
  for (const TableText& t : layout.texts) {
    const cad::Text text = table.block.AddText(t.text, t.point, in.textHeight);
    text.Layer(in.layer);
    text.Rotation(0.0);
    text.Alignment(t.alignment);
    text.TextAlignmentPoint(t.point);
  }

  // The user places the table; a reference added by the insert becomes plain lines and texts.
  const std::int64_t before = cad::LastEntityId(document);
  document.SendCommand(AreaTableInsertCommand(table.name));
  cad::WaitCadIdle(c.link, CadApplication(c), kInsertWaitMs);
  if (cad::LastEntityId(document) != before)
    cad::ExplodeLastInsert(document, table.name);
}

void Button3Click(CommandContext& c) {
  if (!cad::IsCadRunning(c.link))
    return;
  ResetCreationList(c);
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
    set->Clear();
    const cad::SelectionFilter texts = cad::SelectionFilter::EntityType("TEXT");
    if (c.window.Checked("CheckBox2"))
      set->Select(cad::kSelectAll, texts);
    else
      set->SelectOnScreen(texts);
    if (set->Count() == 0)
      return;
    TriangleRecords records;
    ReadTriangleRecords(*set, records);
    if (records.empty())
      ShowMessage(c, kNoAreaDataText, kNoAreaDataCaption);
    else
      BuildAreaTable(c, document, records);
  });
}

}  // namespace trivane::commands
