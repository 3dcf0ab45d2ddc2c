// What the command-line tests share: a scratch folder, drawings made in the test and written as
// DXF, the command line run in-process, and the written drawing read back with the host's loader.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/cli.h"
#include "host/bridge/dxf_bridge.h"
#include "host/model/drawing.h"
#include "host/model/shapes.h"

namespace trivane::cli::testing {

namespace fs = std::filesystem;

// The scratch folder of one test, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("trivane-cli-") + info->test_suite_name() + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// --- Drawings made in the tests ------------------------------------------------------------------

inline host::ObjectId AddLine(host::Drawing& d, const TAcadPoint& a, const TAcadPoint& b,
                              std::string layer = "0") {
  host::Entity e;
  e.shape = host::LineShape{a, b};
  e.layer = std::move(layer);
  return d.AddEntity(std::move(e));
}

// Closed outline of lines through the points, in order.
inline host::Drawing Outline(const std::vector<TAcadPoint>& corners) {
  host::Drawing d;
  for (std::size_t i = 0; i < corners.size(); ++i)
    AddLine(d, corners[i], corners[(i + 1) % corners.size()]);
  return d;
}

// A middle-centred text justified on `at`.
inline host::ObjectId AddText(host::Drawing& d, std::string_view text, const TAcadPoint& at,
                              double height = 400.0) {
  host::TextShape t;
  t.string = std::string(text);
  t.height = height;
  t.alignment = 10;
  t.alignmentPoint = at;
  t.insertion = host::InsertionFromAnchor(t, at);
  host::Entity e;
  e.shape = t;
  return d.AddEntity(std::move(e));
}

// A number text carrying a triangle data record (its three side lengths).
inline host::ObjectId AddNumberText(host::Drawing& d, std::string_view number, double a, double b,
                                    double c, const TAcadPoint& at = {}) {
  const host::ObjectId id = AddText(d, number, at);
  d.FindEntity(id)->xdata = {{"LT_TRIVANE", {{std::int16_t{1010}, TAcadPoint{a, b, c}}}}};
  return id;
}

// --- Reading a drawing back ----------------------------------------------------------------------

template <typename Shape>
std::vector<Shape> ShapesOf(const host::Drawing& d, std::string_view layer = {}) {
  std::vector<Shape> out;
  for (const auto& [id, e] : d.entities) {
    if (e.owner != d.ModelSpaceId() || !std::holds_alternative<Shape>(e.shape))
      continue;
    if (layer.empty() || host::NamesEqual(e.layer, layer))
      out.push_back(std::get<Shape>(e.shape));
  }
  return out;
}

// The number texts with a triangle data record, in drawing order.
inline std::vector<host::TextShape> RecordTexts(const host::Drawing& d) {
  std::vector<host::TextShape> out;
  for (const auto& [id, e] : d.entities) {
    if (e.owner != d.ModelSpaceId() || !std::holds_alternative<host::TextShape>(e.shape))
      continue;
    if (std::any_of(e.xdata.begin(), e.xdata.end(),
                    [](const host::XdataApp& a) { return a.application == "LT_TRIVANE"; }))
      out.push_back(std::get<host::TextShape>(e.shape));
  }
  return out;
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class CliTest : public ::testing::Test {
 protected:
  fs::path Dir() const { return scratch.path(); }

  fs::path WriteDrawing(const std::string& name, const host::Drawing& d) {
    const fs::path p = Dir() / name;
    host::WriteDrawingFile(d, p.string());
    return p;
  }
  fs::path WriteText(const std::string& name, std::string_view text) {
    const fs::path p = Dir() / name;
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }

  CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), "trivane");
    std::ostringstream out, err;
    CliResult r;
    r.status = Main(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  host::Drawing ReadBack(const fs::path& p) { return host::ReadDrawingFile(p.string()); }

  ScratchFolder scratch;
};

}  // namespace trivane::cli::testing
