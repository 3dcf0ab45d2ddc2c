// Whole commands over real late binding: the built-in host's drawing served by com_host_server in
// a second process, found by ProgID in the running object table, and the tool's commands clicked
// in its window model on the Windows platform. Every call crosses the process boundary through
// COM marshalling (names, VARIANT types, by-reference out parameters, errors). The same session run
// in-process against a host of this process must leave the same drawing, to the byte of its DXF.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "app/application.h"
#include "cad/automation.h"
#include "cad/com/com_object.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "cad/objects.h"
#include "host/dxf_bridge.h"
#include "host/host.h"
#include "host/sim/sim_platform.h"
#include "tests/app/app_fixture.h"
#include "tests/com/com_fixture.h"
#include "tests/com/host_server_fixture.h"

namespace trivane::cad::com::testing {
namespace {

// A parcel of six corners as a survey gives them, a point inside it, and where the area table
// goes.
const std::vector<TAcadPoint> kParcel = {{100.0, 100.0, 0.0},     {183.504, 97.201, 0.0},
                                         {264.808, 98.853, 0.0},  {271.559, 162.105, 0.0},
                                         {196.156, 199.601, 0.0}, {103.859, 174.803, 0.0}};
constexpr TAcadPoint kInside{180.0, 140.0, 0.0};
constexpr TAcadPoint kTableCorner{300.0, 200.0, 0.0};

// The user's answers of the session: the point in the region ("自動"), then the table's corner
// ("作成").
const std::vector<TAcadPoint> kAnswers = {kInside, kTableCorner};

void DrawParcel(const cad::Application& application) {
  const cad::Block modelSpace = application.ActiveDocument().ModelSpace();
  for (std::size_t i = 0; i < kParcel.size(); ++i)
    modelSpace.AddLine(kParcel[i], kParcel[(i + 1) % kParcel.size()]);
}

// The platform under test with its message boxes recorded instead of shown.
class RecordingBoxes final : public cad::ForwardingPlatform {
 public:
  using cad::ForwardingPlatform::ForwardingPlatform;
  void MessageBox(std::string_view text, std::string_view caption) override {
    boxes.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::vector<std::string> boxes;
};

// Clicks "自動" and "作成" in a fresh tool window targeting `progId`.
void RunSession(cad::Platform& platform, const std::filesystem::path& folder,
                const std::string& progId) {
  std::filesystem::create_directories(folder);
  app::Application program(platform, folder / "trivane.exe");
  program.State().link.ProgId = progId;
  program.Form().Click("Button10");  // 自動
  program.Form().Click("Button3");   // 作成
  program.Close();
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The same session in this process, on the simulated platform: the drawing it leaves, as DXF.
std::string InProcessDrawing(const std::filesystem::path& folder, const std::string& progId,
                             std::vector<std::string>& boxes) {
  host::sim::SimPlatform sim;
  RecordingBoxes platform(sim);
  const std::shared_ptr<host::Host> host = host::Host::Create({.progId = progId});
  DrawParcel(cad::Application(host->Application()));
  for (const TAcadPoint& p : kAnswers)
    host->user().Push(host::UserAnswer::Point(p));
  sim.Run(progId, host->Application(), host->hwnd());
  RunSession(platform, folder, progId);
  boxes = platform.boxes;
  const std::filesystem::path file = folder / "in-process.dxf";
  host::WriteDrawingFile(host->drawing(), WideToUtf8(file.wstring()));
  return ReadBytes(file);
}

// ProgIDs of three kinds: a CAD answering GetAcadState, a "ZWCAD"-like one answering
// GetZcadState, and a "PCAD"-like one that takes its markers as DXF files.
class HostOverCom : public ComTest, public ::testing::WithParamInterface<const wchar_t*> {
 protected:
  HostServer server_{GetParam()};
  app::testing::TestFolder folder_;
};

TEST_P(HostOverCom, SplitAndAreaTableLeaveTheSameDrawingAsInProcess) {
  ASSERT_TRUE(server_.ready()) << server_.error();
  {
    const ObjectRef served = server_.Application();
    ASSERT_NE(served, nullptr);
    ASSERT_NE(dynamic_cast<ComObject*>(served.get()), nullptr);  // a proxy, not our own object
    DrawParcel(cad::Application(served));
  }
  for (const TAcadPoint& p : kAnswers)
    server_.Answer(p);

  Win32Platform system;
  RecordingBoxes platform(system);
  RunSession(platform, folder_.path() / "over-com", server_.progId());
  const std::string log = server_.Log();
  EXPECT_EQ(server_.Remaining(), 0) << log;
  EXPECT_TRUE(platform.boxes.empty()) << platform.boxes.front();
  // A "PCAD"-like CAD takes each marker as a DXF file the tool writes and it inserts.
  const bool markersFromFiles = server_.progId().find("PCAD") != std::string::npos;
  EXPECT_EQ(log.find(".dxf\"") != std::string::npos, markersFromFiles) << log;

  const std::filesystem::path served = folder_.path() / "served.dxf";
  const host::Drawing drawing = server_.Drawing(served);
  std::vector<std::string> localBoxes;
  const std::string inProcess =
      InProcessDrawing(folder_.path() / "in-process", server_.progId(), localBoxes);
  EXPECT_EQ(platform.boxes, localBoxes);

  // The session did its work: the hexagon's four triangles, each numbered, and the table.
  EXPECT_EQ(NumberTexts(drawing), 4);
  EXPECT_EQ(ReadBytes(served), inProcess);
}

INSTANTIATE_TEST_SUITE_P(Cads, HostOverCom,
                         ::testing::Values(L"HostCad", L"ZWCAD.HostCad", L"PCAD.HostCad"),
                         [](const auto& info) {
                           const std::wstring name = info.param;
                           return name == L"HostCad"           ? std::string("Acad")
                                  : name.starts_with(L"ZWCAD") ? std::string("Zwcad")
                                                               : std::string("Pcad");
                         });

}  // namespace
}  // namespace trivane::cad::com::testing
