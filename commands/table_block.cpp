#include "commands/table_block.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/area_table.h"
#include "commands/common.h"

namespace trivane::commands {
namespace {

constexpr std::uint32_t kInsertWaitMs = 200;

// Points of the table. Rows lie below the origin; 0.0 - d keeps the top rule at +0.
TAcadPoint At(double x, double depth) {
  return TAcadPoint{x, 0.0 - depth, 0.0};
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

TableLayout LayoutRuledTable(const std::vector<double>& w, double h,
                             const std::vector<std::string>& header,
                             std::vector<std::vector<std::string>> body,
                             const std::vector<ClosingRow>& closing) {
  const std::size_t m = w.size();
  const std::size_t n = body.size();
  const std::size_t rows = 1 + n + closing.size();

  // x[j]: the left rule of column j; x[m] is the table's width.
  std::vector<double> x(m + 1, 0.0);
  std::partial_sum(w.begin(), w.end(), x.begin() + 1);
  const double width = x[m];
  const double labelX = x[m - 1] - h / 2;
  const double valueX = width - h / 2;

  TableLayout t;
  for (std::size_t r = 0; r <= rows; ++r)
    t.rules.push_back({At(0.0, r * h), At(width, r * h)});
  for (std::size_t j = 0; j <= m; ++j) {
    const bool full = j == 0 || j + 1 == m || j == m;
    t.rules.push_back({At(x[j], 0.0), At(x[j], (full ? rows : n + 1) * h)});
  }

  for (std::size_t j = 0; j < m; ++j)
    t.texts.push_back({header.at(j), At(x[j] + w[j] / 2, h / 2), cad::kAlignmentMiddleCenter});
  for (std::size_t k = 0; k < n; ++k) {
    const double depth = (static_cast<double>(k) + 1.5) * h;
    for (std::size_t j = 0; j < m; ++j)
      t.texts.push_back(
          {std::move(body[k].at(j)), At(x[j + 1] - h / 2, depth), cad::kAlignmentMiddleRight});
  }
  for (std::size_t i = 0; i < closing.size(); ++i) {
    const double depth = (static_cast<double>(n + i) + 1.5) * h;
    t.texts.push_back({closing[i].label, At(labelX, depth), cad::kAlignmentMiddleRight});
    t.texts.push_back({closing[i].value, At(valueX, depth), cad::kAlignmentMiddleRight});
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

std::string TableInsertCommand(std::string_view blockName) {
  return "(command \"_-INSERT\" \"" + std::string(blockName) + "\" \"S\" 1 \"R\" 0)(princ)\r";
}

bool InsertTableBlock(CommandContext& c, const cad::Document& document, const TableLayout& layout,
                      std::string_view layer, double textHeight) {
  const cad::NumberedBlock table = cad::AddNumberedBlock(document, kTableBlockPrefix);
  const TemporaryBlock removeAtEnd(document, table.name);
  cad::EnsureLayer(document, layer);
  for (const TableRule& rule : layout.rules)
    table.block.AddLine(rule.start, rule.end).Layer(layer);
  for (const TableText& t : layout.texts) {
    const cad::Text text = table.block.AddText(t.text, t.point, textHeight);
    text.Layer(layer);
    text.Rotation(0.0);
    text.Alignment(t.alignment);
    text.TextAlignmentPoint(t.point);
  }

  // The user places the table; a reference added by the insert becomes plain lines and texts.
  const std::int64_t before = cad::LastEntityId(document);
  document.SendCommand(TableInsertCommand(table.name));
  cad::WaitCadIdle(c.link, CadApplication(c), kInsertWaitMs);
  if (cad::LastEntityId(document) == before)
    return false;
  cad::ExplodeLastInsert(document, table.name);
  return true;
}

}  // namespace trivane::commands
