#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <optional>

#include "cli/demo.h"
#include "cli/errors.h"
#include "cli/output.h"
#include "cli/script.h"
#include "cli/session.h"
#include "cli/table.h"

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
  std::optional<std::string> settings;
  std::optional<std::string> progId;
};

SessionOptions OptionsOf(const std::optional<std::string>& settings,
                         const std::optional<std::string>& progId) {
  SessionOptions options;
  if (settings)
    options.settingsFile = fs::path(*settings);
  options.progId = progId;
  return options;
}

int Run(const RunArgs& a, std::ostream& out) {
  // Everything is checked before anything is played or written.
  const Script script = ReadScriptFile(a.script);
  if (a.png && !PngAvailable())
    throw UsageError("--png: this build writes no PNG (librsvg and cairo were not found)");
  Session session(OptionsOf(a.settings, a.progId), out);
  session.LoadDrawing(a.drawing);
  const fs::path output = a.out ? fs::path(*a.out) : DefaultOutput(a.drawing);
  // A target that cannot take a file is refused before the session runs, so that nothing at all
  // is written.
  OutputTarget(output);
  if (a.svg)
    OutputTarget(*a.svg);
  if (a.png)
    OutputTarget(*a.png);

  session.Play(script);
  out << session.Summarise().Describe() << "\n";
  if (a.svg || a.png)
    CheckPicture(session.drawing());
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
  return 0;
}

int Table(const std::string& drawing, const std::optional<std::string>& settings, bool csv,
          std::ostream& out, std::ostream& err) {
  std::ostream quiet(nullptr);  // reading the records asks nothing and shows nothing
  Session session(OptionsOf(settings, std::nullopt), quiet);
  session.LoadDrawing(drawing);
  const commands::TriangleRecords records = DrawingTriangleRecords(session);
  if (records.empty()) {
    err << "[" << commands::kNoAreaDataCaption << "] " << commands::kNoAreaDataText << "\n";
    return 1;
  }
  const AreaTableText table = SessionAreaTable(session, records);
  out << (csv ? FormatCsv(table) : FormatAligned(table));
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
      "demo.png where the build can)");
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
  runCommand->add_option("--settings", run.settings,
                         "Settings file to start from (default: the built-in settings)");
  runCommand->add_option("--as", run.progId,
                         "ProgID the CAD runs as (default: the window's target CAD)");

  runCommand->footer(
      "SCRIPT: one action a line, # comments:\n"
      "  set KEY VALUE          a setting by its settings-file key (set Kyuuseki 1, set Keta2 3)\n"
      "  number N               the next triangle number\n"
      "  sysvar NAME VALUE      a CAD system variable (VIEWSIZE, ANGBASE, SNAPMODE, ...)\n"
      "  click BUTTON           分割 split, 自動 auto, １点指示 one-point, 群選択 group,\n"
      "                         ２辺指示 two-sides, 最大 max, 作成 table, 基準線 base, a-b反転 "
      "swap,\n"
      "                         文字回転 rotate, 番号と円移動 move-marker, 長さ記入 length\n"
      "  then its answers:      point X,Y[,Z] | entity X,Y | select all |\n"
      "                         select window X1,Y1 X2,Y2 | select crossing X1,Y1 X2,Y2 | cancel");

  std::string tableDrawing;
  std::optional<std::string> tableSettings;
  bool csv = false;
  CLI::App* table = app.add_subcommand(
      "table", "Print the area table of the triangle records in a DXF drawing; writes nothing");
  table->add_option("DRAWING", tableDrawing, "The drawing (DXF)")->required();
  table->add_option("--settings", tableSettings, "Settings file (decimals, rounding, scale)");
  table->add_flag("--csv", csv, "Comma-separated values instead of aligned columns");

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
      return Run(run, out);
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
