#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>

#include "cli/coords.h"
#include "cli/demo.h"
#include "cli/errors.h"
#include "cli/output.h"
#include "cli/script.h"
#include "cli/session.h"
#include "cli/table.h"
#include "commands/common.h"

namespace trivane::cli {
namespace {

namespace fs = std::filesystem;

// "parcel.dxf" -> "parcel.out.dxf", beside it.
fs::path DefaultOutput(const fs::path& drawing) {
  fs::path out = drawing;
  out.replace_filename(drawing.stem().concat(".out.dxf"));
  return out;
}

struct RunArgs {
  std::string drawing;
  std::string script;
  std::optional<std::string> out;
  std::optional<std::string> svg;
  std::optional<std::string> png;
  std::optional<std::string> pdf;
  std::string paper = "A4";
  std::optional<int> scale;
  std::optional<std::string> settings;
  std::optional<std::string> progId;
  bool calls = false;
};

SessionOptions OptionsOf(const std::optional<std::string>& settings,
                         const std::optional<std::string>& progId) {
  SessionOptions options;
  if (settings)
    options.settingsFile = fs::path(*settings);
  options.progId = progId;
  return options;
}

// Tells the user, on the error stream, what reading the drawing had to put right.
void ReportRepairs(const dxf::Repairs& repairs, const std::string& drawing, std::ostream& err) {
  for (const dxf::Repair& r : repairs)
    err << "trivane: " << dxf::Describe(r, drawing) << "\n";
}

int Run(const RunArgs& a, std::ostream& out, std::ostream& err) {
  // Everything is checked before anything is played or written.
  const Script script = ReadScriptFile(a.script);
  if (a.png && !PngAvailable())
    throw UsageError("--png: this build writes no PNG (librsvg and cairo were not found)");
  if (a.pdf && !PdfAvailable())
    throw UsageError("--pdf: this build writes no PDF (librsvg and cairo were not found)");
  Session session(OptionsOf(a.settings, a.progId), out);
  ReportRepairs(session.LoadDrawing(a.drawing), a.drawing, err);
  const fs::path output = a.out ? fs::path(*a.out) : DefaultOutput(a.drawing);
  // A target that cannot take a file is refused before the session runs, so that nothing at all
  // is written.
  OutputTarget(output);
  if (a.svg)
    OutputTarget(*a.svg);
  if (a.png)
    OutputTarget(*a.png);
  if (a.pdf)
    OutputTarget(*a.pdf);

  // The calls of the script's commands, not those of starting the program and loading the drawing.
  session.host().ResetCallCounts();
  session.Play(script);
  out << session.Summarise().Describe() << "\n";
  if (a.svg || a.png || a.pdf)
    CheckPicture(session.drawing());
  // The print is laid out before anything is written: a drawing that does not fit writes nothing.
  std::optional<host::PrintLayout> page;
  if (a.pdf)
    page = LayOutPdf(session.drawing(), {*host::PaperByName(a.paper), a.scale});
  WriteDxf(session.drawing(), output);
  out << "wrote " << PathText(output) << "\n";
  if (a.svg) {
    WriteSvg(session.drawing(), *a.svg);
    out << "wrote " << PathText(*a.svg) << "\n";
  }
  if (a.png) {
    WritePng(session.drawing(), *a.png);
    out << "wrote " << PathText(*a.png) << "\n";
  }
  if (page) {
    WritePdf(session.drawing(), *a.pdf, *page);
    out << "wrote " << PathText(*a.pdf) << " (" << DescribeLayout(*page) << ")\n";
  }
  if (a.calls) {
    out.flush();
    std::int64_t total = 0;
    for (const auto& [member, count] : session.host().CallCounts()) {
      err << "calls: " << member << " " << count << "\n";
      total += count;
    }
    err << "calls: total " << total << "\n";
  }
  // The drawing is written as the session left it; a batch still learns that a command failed.
  if (!session.failures().empty()) {
    out.flush();
    for (const FailedCommand& f : session.failures())
      err << "trivane: " << f.Describe() << "\n";
    return kSomeCommandFailed;
  }
  return 0;
}

int Table(const std::string& drawing, const std::optional<std::string>& settings, bool csv,
          std::ostream& out, std::ostream& err) {
  std::ostream quiet(nullptr);  // reading the records asks nothing and shows nothing
  Session session(OptionsOf(settings, std::nullopt), quiet);
  ReportRepairs(session.LoadDrawing(drawing), drawing, err);
  const commands::TriangleRecords records = DrawingTriangleRecords(session);
  if (records.empty()) {
    err << "[" << commands::kNoAreaDataCaption << "] " << commands::kNoAreaDataText << "\n";
    return 1;
  }
  const AreaTableText table = SessionAreaTable(session, records);
  out << (csv ? FormatCsv(table) : FormatAligned(table));
  // Below an aligned table; beside a CSV one, which a spreadsheet reads whole.
  std::ostream& checkOut = csv ? err : out;
  for (const std::string& line : table.check)
    checkOut << (csv ? "trivane: " : "") << line << "\n";
  return 0;
}

struct CoordsArgs {
  std::string drawing;
  std::optional<std::string> at;
  std::optional<std::string> polyline;
  std::optional<std::string> settings;
  bool csv = false;
};

int Coords(const CoordsArgs& a, std::ostream& out, std::ostream& err) {
  if (!a.at && !a.polyline)
    throw UsageError("coords: give the parcel by --at X,Y or --polyline X,Y");
  const std::string& where = a.at ? *a.at : *a.polyline;
  const std::optional<TAcadPoint> point = ParsePoint(where);
  if (!point)
    throw UsageError(std::string(a.at ? "--at" : "--polyline") + ": not a point X,Y: " + where);
  // The command's own lines are no output; its messages go to the error stream.
  std::ostringstream transcript;
  Session session(OptionsOf(a.settings, std::nullopt), transcript);
  session.LoadDrawing(a.drawing);
  const std::optional<CoordinateTableText> coords = SessionCoordinateTable(
      session, *point, a.at ? ParcelBy::kPointInside : ParcelBy::kPolylinePick);
  if (!coords) {
    std::istringstream lines(transcript.str());
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("["))
        err << line << "\n";
    }
    return 1;
  }
  const bool csv = a.csv;
  out << (csv ? FormatCsv(coords->table) : FormatAligned(coords->table));
  if (coords->coverage) {
    if (csv) {
      const commands::CoverageTexts t = commands::CoverageTextsOf(*coords->coverage);
      AreaTableText figures;
      figures.rows = {{"三角形の合計", t.triangles},
                      {"座標面積", t.coordinate},
                      {"差", t.difference},
                      {"差 (%)", t.percent},
                      {"三角形の番号", t.numbers}};
      if (!t.twice.empty())
        figures.rows.push_back({"重複", t.twice});
      out << "\r\n" << FormatCsv(figures);
    } else {
      out << "\n" << commands::CoverageMessage(*coords->coverage) << "\n";
    }
  }
  return 0;
}

int Demo(const std::string& folder, std::ostream& out) {
  const DemoResult demo = RunDemo(folder, out);
  out << "\n求積表\n" << FormatAligned(demo.table) << "\n";
  out << demo.summary.Describe() << "\n";
  out << "wrote " << PathText(demo.dxf) << "\n";
  out << "wrote " << PathText(demo.svg) << "\n";
  if (demo.png)
    out << "wrote " << PathText(*demo.png) << "\n";
  if (demo.pdf)
    out << "wrote " << PathText(*demo.pdf) << " (" << DescribeLayout(demo.page) << ")\n";
  return 0;
}

}  // namespace

std::string_view Version() {
  return TRIVANE_VERSION;
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Trivane: land-area triangles (求積) on DXF drawings, with the built-in drawing host",
      "trivane"};
  app.set_version_flag("--version", std::string(Version()));
  app.require_subcommand(1);

  std::string demoFolder = ".";
  CLI::App* demo = app.add_subcommand(
      "demo",
      "Split and number a sample parcel, build its area table, write demo.dxf and demo.svg (and "
      "demo.png and the A4 print demo.pdf where the build can)");
  demo->add_option("--out", demoFolder, "Folder for the demo's files")->capture_default_str();

  RunArgs run;
  CLI::App* runCommand =
      app.add_subcommand("run", "Play a session script on a DXF drawing and write the result");
  runCommand->add_option("DRAWING", run.drawing, "The drawing (DXF)")->required();
  runCommand->add_option("SCRIPT", run.script, "The session script")->required();
  runCommand->add_option("--out", run.out,
                         "The resulting drawing (default: DRAWING's name with .out.dxf)");
  runCommand->add_option("--svg", run.svg, "Also write a picture of the result");
  runCommand->add_option("--png", run.png, "Also write a picture as PNG (where the build can)");
  CLI::Option* pdf = runCommand->add_option(
      "--pdf", run.pdf, "Also write a print at true scale as vector PDF (where the build can)");
  runCommand->add_option("--paper", run.paper, "The PDF's paper: A4 or A3 (default A4)")
      ->check(CLI::IsMember({"A4", "A3"}, CLI::ignore_case))
      ->needs(pdf);
  runCommand
      ->add_option("--scale", run.scale,
                   "The PDF's scale 1/N, drawing units in millimetres (default: the largest of "
                   "1/100, 1/200, 1/250, 1/300, 1/500, 1/600, 1/1000 that fits)")
      ->check(CLI::Range(1, 1000000))
      ->needs(pdf);
  runCommand->add_option("--settings", run.settings,
                         "Settings file to start from (default: the built-in settings)");
  runCommand->add_option("--as", run.progId,
                         "ProgID the CAD runs as (default: the window's target CAD)");
  runCommand->add_flag("--calls", run.calls,
                       "After the session, the automation calls its commands made, per member and "
                       "in total, on the error stream");

  runCommand->footer(
      "SCRIPT: one action a line, # comments:\n"
      "  set KEY VALUE          a setting by its settings-file key (set Kyuuseki 1, set Keta2 3)\n"
      "  number N               the next triangle number\n"
      "  sysvar NAME VALUE      a CAD system variable (VIEWSIZE, ANGBASE, SNAPMODE, ...)\n"
      "  click BUTTON           分割 split, 自動 auto, １点指示 one-point, 群選択 group,\n"
      "                         ２辺指示 two-sides, 最大 max, 作成 table, 基準線 base, a-b反転 "
      "swap,\n"
      "                         文字回転 rotate, 番号と円移動 move-marker, 長さ記入 length,\n"
      "                         座標求積 coords, ﾎﾟﾘ選択 coords-polyline\n"
      "  then its answers:      point X,Y[,Z] | entity X,Y | select all |\n"
      "                         select window X1,Y1 X2,Y2 | select crossing X1,Y1 X2,Y2 | cancel\n"
      "  undo                   the CAD's U: takes the last command back");

  std::string tableDrawing;
  std::optional<std::string> tableSettings;
  bool csv = false;
  CLI::App* table = app.add_subcommand(
      "table", "Print the area table of the triangle records in a DXF drawing; writes nothing");
  table->add_option("DRAWING", tableDrawing, "The drawing (DXF)")->required();
  table->add_option("--settings", tableSettings, "Settings file (decimals, rounding, scale)");
  table->add_flag("--csv", csv, "Comma-separated values instead of aligned columns");

  CoordsArgs coordsArgs;
  CLI::App* coords = app.add_subcommand(
      "coords",
      "Print the coordinate area table of a parcel, and how the numbered triangles inside it add "
      "up against it; writes nothing");
  coords->add_option("DRAWING", coordsArgs.drawing, "The drawing (DXF)")->required();
  CLI::Option* at = coords->add_option(
      "--at", coordsArgs.at, "A point inside the region, X,Y (drawing units), traced as 自動 does");
  CLI::Option* polyline = coords->add_option("--polyline", coordsArgs.polyline,
                                             "A point on the parcel's closed polyline, X,Y");
  at->excludes(polyline);
  coords->add_option("--settings", coordsArgs.settings,
                     "Settings file (decimals, rounding, scale)");
  coords->add_flag("--csv", coordsArgs.csv, "Comma-separated values instead of aligned columns");

  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return status == 0 ? 0 : 2;
  }

  try {
    if (demo->parsed())
      return Demo(demoFolder, out);
    if (runCommand->parsed())
      return Run(run, out, err);
    if (coords->parsed())
      return Coords(coordsArgs, out, err);
    return Table(tableDrawing, tableSettings, csv, out, err);
  } catch (const UsageError& e) {
    out.flush();
    err << "trivane: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    out.flush();
    err << "trivane: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace trivane::cli
