#include "commands/coordinate_table.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "commands/split.h"
#include "geometry/numbers.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

// Coordinates and their differences: metres to the millimetre, as they are measured.
constexpr int kCoordinateDecimals = 3;
// The check's figures: as many decimals as the numbers print, so that no difference hides.
constexpr int kCoverageDecimals = kMaxDigits;
constexpr int kPercentDecimals = 4;

std::string Metres(std::int64_t millimetres) {
  return FormatRounded(static_cast<double>(millimetres) / 1e3, kCoordinateDecimals,
                       RoundingMode::kRoundHalfUp);
}

// A number text stands where it is justified: a left-aligned text on its insertion point, any
// other on its alignment point (a marker's text on its circle's centre).
TAcadPoint JustificationPoint(const cad::Text& text) {
  return text.Alignment() == cad::kAlignmentLeft ? text.InsertionPoint()
                                                 : text.TextAlignmentPoint();
}

std::vector<TAcadPoint> DrawingCorners(const CoordinateArea& area) {
  std::vector<TAcadPoint> corners;
  for (const SurveyCorner& c : area.corners)
    corners.push_back(c.drawing);
  return corners;
}

// Writes the corners' names outside the parcel on the text layer, numbered from the next point
// number, which then steps past them.
void PutCornerNames(CommandContext& c, const cad::Document& document, const CoordinateArea& area,
                    double height, std::string_view layer) {
  cad::EnsureLayer(document, layer);
  const cad::Block modelSpace = document.ModelSpace();
  const std::size_t n = area.corners.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TAcadPoint at =
        OutsideCorner(area.corners[(i + n - 1) % n].drawing, area.corners[i].drawing,
                      area.corners[(i + 1) % n].drawing, height);
    const cad::Text text =
        modelSpace.AddText(PointName(c.NextPointNumber + static_cast<int>(i)), at, height);
    text.Layer(layer);
    text.Alignment(cad::kAlignmentMiddleCenter);
    text.TextAlignmentPoint(at);
    text.Update();
  }
  c.NextPointNumber += static_cast<int>(n);
}

}  // namespace

std::vector<TAcadPoint> PickClosedPolyline(CommandContext& c, const cad::Document& document) {
  const cad::PickedEntity picked = document.Utility().GetEntity(kClosedPolylinePrompt);
  if (picked.entity.EntityName() == kPolylineEntity) {
    const cad::Polyline polyline(picked.entity.object());
    if (polyline.Closed()) {
      const std::vector<double> xy = polyline.Coordinates();
      std::vector<TAcadPoint> corners;
      for (std::size_t k = 0; k + 1 < xy.size(); k += 2)
        corners.push_back({xy[k], xy[k + 1], 0.0});
      return corners;
    }
  }
  ShowRefusal(c, kNotClosedPolylineText, kCoordinateCaption);
  return {};
}

std::string PointName(int number) {
  return "P" + std::to_string(number);
}

TableLayout LayoutCoordinateTable(const AreaTableInputs& in, const NumberSettings& numbers,
                                  const CoordinateArea& area, int firstNumber) {
  const std::vector<std::string> header{"点名", "X", "Y", "Yn+1-Yn-1", "Xn×(Yn+1-Yn-1)"};
  std::vector<std::vector<std::string>> body;
  int number = firstNumber;
  for (const SurveyCorner& corner : area.corners) {
    body.push_back(
        {PointName(number++), Metres(corner.x), Metres(corner.y), Metres(corner.dy),
         FormatRounded(static_cast<double>(corner.product) / 1e6, numbers.Keta2, numbers.Menseki)});
  }
  const std::vector<ClosingRow> closing{
      {"倍面積", FormatRounded(area.DoubleAreaM2(), numbers.Keta2, numbers.Menseki)},
      {"面積", FormatRounded(area.AreaM2(), numbers.Keta2, numbers.Menseki)},
      // The registry's figure: cut, never rounded up.
      {"地積",
       FormatRounded(area.AreaM2(), numbers.Keta3, RoundingMode::kTruncate) + FinalPad(numbers)},
  };
  return LayoutRuledTable(in.widths, in.rowHeight, header, std::move(body), closing);
}

TriangleRecords RecordsInside(const cad::SelectionSet& set, std::span<const TAcadPoint> polygon) {
  TriangleRecords records;
  const std::int32_t count = set.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    const cad::Text text(set.Item(i).object());
    std::optional<std::string> record = TriangleRecordOf(text);
    if (record && InsidePolygon(JustificationPoint(text), polygon))
      records.push_back(std::move(*record));
  }
  SortRecordsByNumber(records);
  return records;
}

std::optional<Coverage> CoverageOf(const CoordinateArea& area, const TriangleRecords& records,
                                   double scale) {
  if (records.empty())
    return std::nullopt;
  Coverage coverage;
  coverage.coordinate = area.AreaM2();
  for (const std::string& record : records) {
    const TriangleRecordFields f = SplitTriangleRecord(record);
    coverage.numbers.push_back(f.number);
    coverage.triangles +=
        AreaFromSides(ToDecimal(f.a) / scale, ToDecimal(f.b) / scale, ToDecimal(f.c) / scale);
  }
  return coverage;
}

CoverageTexts CoverageTextsOf(const Coverage& coverage) {
  const auto m2 = [](double v) {
    return FormatRounded(v, kCoverageDecimals, RoundingMode::kRoundHalfUp);
  };
  CoverageTexts t;
  t.triangles = m2(coverage.triangles);
  t.coordinate = m2(coverage.coordinate);
  t.difference = m2(coverage.Difference());
  t.percent = FormatRounded(coverage.Percent(), kPercentDecimals, RoundingMode::kRoundHalfUp);
  const std::vector<std::string>& n = coverage.numbers;
  for (std::size_t i = 0; i < n.size(); ++i) {
    t.numbers += (i == 0 ? "" : ", ") + n[i];
    if (std::count(n.begin(), n.begin() + static_cast<std::ptrdiff_t>(i), n[i]) == 1)
      t.twice += (t.twice.empty() ? "" : ", ") + n[i];
  }
  return t;
}

std::string CoverageMessage(const Coverage& coverage) {
  const CoverageTexts t = CoverageTextsOf(coverage);
  std::string text = "三角形の合計 : " + t.triangles + " ㎡\n";
  text += "座標面積 : " + t.coordinate + " ㎡\n";
  text += "差 : " + t.difference + " ㎡ (" + t.percent + " %)\n";
  text += "三角形の番号 : " + t.numbers;
  if (!t.twice.empty())
    text += "\n重複 : " + t.twice;
  return text;
}

std::optional<RegionSurvey> SurveyRegion(const cad::Document& document,
                                         std::span<const TAcadPoint> boundary, double scale) {
  std::optional<CoordinateArea> area = CoordinateMethod(boundary, scale);
  if (!area)
    return std::nullopt;
  const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
  set->Clear();
  set->Select(cad::kSelectAll, cad::SelectionFilter::EntityType("TEXT"));
  const TriangleRecords inside = RecordsInside(*set, DrawingCorners(*area));
  RegionSurvey survey{std::move(*area), std::nullopt};
  survey.coverage = CoverageOf(survey.area, inside, scale);
  return survey;
}

void Button15Click(CommandContext& c, std::string_view sender) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    std::vector<TAcadPoint> boundary;
    if (sender == "Button16") {
      boundary = PickClosedPolyline(c, document);
    } else {
      const TAcadPoint p = document.Utility().GetPoint(std::nullopt, kRegionPrompt);
      document.Utility().Prompt(kPointTaken);
      boundary = TraceBoundary(c, CadApplication(c), document, p);
    }
    if (boundary.empty())
      return;

    // Everything is read and computed before anything is drawn.
    const AreaTableInputs in = ReadAreaTableInputs(c.window, TableColumns::kHeron);
    const double nameHeight = ReadDecimal(c.window, "Edit3");
    const std::optional<RegionSurvey> survey = SurveyRegion(document, boundary, in.scale);
    if (!survey) {
      ShowRefusal(c, kNoCoordinateAreaText, kCoordinateCaption);
      return;
    }
    const TableLayout layout =
        LayoutCoordinateTable(in, c.numbers, survey->area, c.NextPointNumber);

    // The names go with the table: a cancelled insert leaves the drawing and the numbers as
    // they were.
    if (!InsertTableBlock(c, document, layout, in.layer, in.textHeight))
      return;
    PutCornerNames(c, document, survey->area, nameHeight, in.layer);
    if (survey->coverage)
      ShowMessage(c, CoverageMessage(*survey->coverage), kCoordinateCaption);
  });
}

}  // namespace trivane::commands
