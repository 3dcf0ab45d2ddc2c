#include "cli/demo.h"

#include "cli/output.h"
#include "cli/script.h"

namespace trivane::cli {

std::vector<TAcadPoint> DemoParcelCorners() {
  // Coordinates as a survey gives them, to the millimetre.
  return {
      {10000.000, 10000.000, 0.0}, {18350.420, 9720.115, 0.0},  {26480.760, 9885.330, 0.0},
      {39120.305, 10410.880, 0.0}, {39655.940, 16210.455, 0.0}, {40240.115, 22950.720, 0.0},
      {34380.670, 26105.390, 0.0}, {29940.225, 24370.640, 0.0}, {23615.580, 29960.115, 0.0},
      {14890.345, 29415.780, 0.0}, {10385.910, 24480.255, 0.0}, {9620.470, 17105.665, 0.0},
  };
}

host::Drawing DemoParcelDrawing() {
  host::Drawing drawing;
  drawing.AddLayer(kDemoParcelLayer);
  const std::vector<TAcadPoint> corners = DemoParcelCorners();
  for (std::size_t i = 0; i < corners.size(); ++i) {
    host::Entity side;
    side.shape = host::LineShape{corners[i], corners[(i + 1) % corners.size()]};
    side.layer = std::string(kDemoParcelLayer);
    drawing.AddEntity(std::move(side));
  }
  return drawing;
}

std::string DemoScript() {
  return "# Split the parcel into triangles, label and number them\n"
         "click 自動\n"
         "point 25000,18000\n"
         "# The area table, its top-left corner beside the parcel\n"
         "click 作成\n"
         "point 44000,30000\n";
}

DemoResult RunDemo(const std::filesystem::path& folder, std::ostream& transcript) {
  Session session({}, transcript);
  session.SetDrawing(DemoParcelDrawing());
  session.Play(ParseScript(DemoScript(), "demo"));

  DemoResult result;
  result.summary = session.Summarise();
  result.table = SessionAreaTable(session, DrawingTriangleRecords(session));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  result.dxf = folder / "demo.dxf";
  result.svg = folder / "demo.svg";
  WriteDxf(session.drawing(), result.dxf);
  WriteSvg(session.drawing(), result.svg);
  if (PngAvailable()) {
    result.png = folder / "demo.png";
    WritePng(session.drawing(), *result.png);
  }
  if (PdfAvailable()) {
    result.page = LayOutPdf(session.drawing(), {});
    result.pdf = folder / "demo.pdf";
    WritePdf(session.drawing(), *result.pdf, result.page);
  }
  return result;
}

}  // namespace trivane::cli
