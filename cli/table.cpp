#include "cli/table.h"

#include <algorithm>

#include "cad/database.h"
#include "cad/objects.h"
#include "cli/errors.h"
#include "cli/session.h"
#include "geometry/numbers.h"
#include "host/model/utf8.h"

namespace trivane::cli {
namespace {

// East Asian wide and fullwidth characters, which a terminal shows two places wide.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

std::string CsvCell(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos)
    return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    quoted += c;
    if (c == '"')
      quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (char32_t c : host::DecodeUtf8(text))
    width += IsWide(c) ? 2 : 1;
  return width;
}

AreaTableText AreaTableRows(const commands::AreaTableLayout& layout, std::size_t columns) {
  AreaTableText table;
  // The layout lists its texts row by row, left to right; a row's texts share one baseline.
  std::optional<double> rowY;
  for (const commands::TableText& t : layout.texts) {
    if (!rowY || t.point.y != *rowY) {
      table.rows.emplace_back();
      rowY = t.point.y;
    }
    table.rows.back().push_back(t.text);
  }
  std::size_t closing = 0;
  for (std::vector<std::string>& row : table.rows) {
    if (row.size() < columns) {
      // A closing row: its label and value stand in the last columns.
      row.insert(row.begin(), columns - row.size(), std::string());
      ++closing;
    }
  }
  table.triangles = table.rows.empty() ? 0 : table.rows.size() - 1 - closing;
  return table;
}

commands::TriangleRecords DrawingTriangleRecords(Session& session) {
  const cad::Document document = cad::Application(session.host().Application()).ActiveDocument();
  commands::TriangleRecords records;
  try {
    const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
    set->Select(cad::kSelectAll, cad::SelectionFilter::EntityType("TEXT"));
    commands::ReadTriangleRecords(*set, records);
  } catch (const cad::AutomationError& e) {
    throw UsageError("a damaged triangle record in the drawing: " + e.reason());
  }
  return records;
}

AreaTableText SessionAreaTable(Session& session, const commands::TriangleRecords& records) {
  try {
    const commands::AreaTableInputs inputs = commands::ReadAreaTableInputs(session.form());
    const commands::NumberSettings& numbers = session.program().State().numbers;
    AreaTableText table =
        AreaTableRows(commands::LayoutAreaTable(inputs, numbers, records), inputs.widths.size());
    const commands::PrintCheck check = commands::CheckPrintedAreas(inputs, numbers, records);
    if (!check.empty())
      table.check = commands::PrintCheckLines(check);
    return table;
  } catch (const commands::DamagedRecordError& e) {
    throw UsageError(std::string(e.what()) + " in the drawing");
  } catch (const commands::AreaTableInputError& e) {
    throw UsageError(std::string("the settings make no area table: ") + e.what());
  } catch (const NumberConversionError& e) {
    throw UsageError(std::string("the settings or a triangle record hold no number: ") + e.what());
  }
}

std::string FormatAligned(const AreaTableText& table) {
  std::vector<std::size_t> widths;
  for (const auto& row : table.rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t j = 0; j < row.size(); ++j)
      widths[j] = std::max(widths[j], DisplayWidth(row[j]));
  }
  std::size_t lineWidth = 0;
  for (std::size_t w : widths)
    lineWidth += w + (lineWidth == 0 ? 0 : 2);
  const std::string rule = std::string(lineWidth, '-') + "\n";

  std::string out;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    if (r == 1 || r == table.triangles + 1)
      out += rule;
    std::string line;
    const auto& row = table.rows[r];
    for (std::size_t j = 0; j < row.size(); ++j) {
      if (j > 0)
        line += "  ";
      line += std::string(widths[j] - DisplayWidth(row[j]), ' ') + row[j];
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

std::string FormatCsv(const AreaTableText& table) {
  std::string out;
  for (const auto& row : table.rows) {
    for (std::size_t j = 0; j < row.size(); ++j)
      out += (j > 0 ? "," : "") + CsvCell(row[j]);
    out += "\r\n";
  }
  return out;
}

}  // namespace trivane::cli
