// Whole commands over real late binding: the built-in host's drawing served by com_host_server in
// a second process, found by ProgID in the running object table, and the tool's commands clicked
// in its window model on the Windows platform. Every call crosses the process boundary through
// COM marshalling (names, VARIANT types, by-reference out parameters, errors). The same session run
// in-process against a host of this process must leave the same drawing, to the byte of its DXF.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "app/application.h"
#include "cad/automation.h"
#include "cad/com/com_object.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "cad/connection.h"
#include "cad/objects.h"
#include "host/bridge/dxf_bridge.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "host/sim/sim_platform.h"
#include "tests/app/app_fixture.h"
#include "tests/com/com_fixture.h"
#include "tests/com/host_server_fixture.h"

namespace trivane::cad::com::testing {
namespace {

using host::UserAnswer;

struct Line {
  TAcadPoint a, b;
};

// A session at the tool: the drawing the user starts from, the buttons clicked in turn, the
// user's answers at the CAD, and how many numbered triangles the drawing has at the end.
struct SessionCase {
  const char* name;
  std::vector<Line> lines;
  std::vector<const char*> buttons;
  std::vector<UserAnswer> answers;
  int numbered;
};

void PrintTo(const SessionCase& session, std::ostream* os) {
  *os << session.name;
}

// Closed outlines of the corners given.
std::vector<Line> Outline(const std::vector<TAcadPoint>& corners) {
  std::vector<Line> lines;
  for (std::size_t i = 0; i < corners.size(); ++i)
    lines.push_back({corners[i], corners[(i + 1) % corners.size()]});
  return lines;
}

std::vector<SessionCase> Sessions() {
  // A parcel of six corners as a survey gives them: split at a point inside it ("自動"), then
  // the area table ("作成").
  const std::vector<Line> parcel = Outline({{100.0, 100.0, 0.0},
                                            {183.504, 97.201, 0.0},
                                            {264.808, 98.853, 0.0},
                                            {271.559, 162.105, 0.0},
                                            {196.156, 199.601, 0.0},
                                            {103.859, 174.803, 0.0}});
  // A square with its diagonal, found as two triangles in the lines chosen by a window ("群選択"),
  // and two sides meeting at a corner, picked one after the other ("２辺指示"), then the table.
  std::vector<Line> drawn = Outline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}});
  drawn.push_back({{0, 10, 0}, {10, 0, 0}});
  // Far off: the labels of the square's sides stand 300 units high.
  drawn.push_back({{5000, 0, 0}, {5010, 0, 0}});
  drawn.push_back({{5000, 5, 0}, {5000, 0, 0}});
  return {
      {"Split",
       parcel,
       {"Button10", "Button3"},
       {UserAnswer::Point({180.0, 140.0, 0.0}), UserAnswer::Point({300.0, 200.0, 0.0})},
       4},
      {"FoundAndPicked",
       drawn,
       {"Button13", "Button8", "Button3"},
       {UserAnswer::Window({-1, -1, 0}, {11, 11, 0}), UserAnswer::Pick({5005, 0, 0}),
        UserAnswer::Pick({5000, 2.5, 0}), UserAnswer::Point({6000, 20, 0})},
       3},
  };
}

void Draw(const cad::Application& application, const std::vector<Line>& lines) {
  const cad::Block modelSpace = application.ActiveDocument().ModelSpace();
  for (const Line& l : lines)
    modelSpace.AddLine(l.a, l.b);
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

// Clicks the session's buttons in a fresh tool window targeting `progId`.
void RunSession(cad::Platform& platform, const std::filesystem::path& folder,
                const std::string& progId, const SessionCase& session) {
  std::filesystem::create_directories(folder);
  app::Application program(platform, folder / "trivane.exe");
  program.State().link.ProgId = progId;
  for (const char* button : session.buttons)
    EXPECT_TRUE(program.Form().Click(button)) << button;
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
                             const std::string& hostProgId, const SessionCase& session,
                             std::vector<std::string>& boxes) {
  host::sim::SimPlatform sim;
  RecordingBoxes platform(sim);
  const std::shared_ptr<host::Host> host =
      host::CreateHostWithCommandLine({.progId = hostProgId.empty() ? progId : hostProgId});
  Draw(cad::Application(host->Application()), session.lines);
  for (const UserAnswer& a : session.answers)
    host->user().Push(a);
  sim.Run(progId, host->Application(), host->hwnd());
  RunSession(platform, folder, progId, session);
  boxes = platform.boxes;
  const std::filesystem::path file = folder / "in-process.dxf";
  host::WriteDrawingFile(host->drawing(), WideToUtf8(file.wstring()));
  return ReadBytes(file);
}

// A CAD the sessions run against: the stem of its ProgID, and the product the host is (empty: the
// one its ProgID names).
struct CadCase {
  const char* name;
  const wchar_t* stem;
  const wchar_t* hostProgId;
};

// Each session against CADs of four kinds: one answering GetAcadState, a "ZWCAD"-like one
// answering GetZcadState, a "PCAD"-like one that takes its markers as DXF files, and a "GCAD"
// clone whose ProgID's version sends the tool to GetAcadState while it answers only GetGcadState.
class HostOverCom : public ComTest,
                    public ::testing::WithParamInterface<std::tuple<CadCase, SessionCase>> {
 protected:
  const CadCase& cad_ = std::get<0>(GetParam());
  HostServer server_{cad_.stem, L"com_host_server.exe", cad_.hostProgId};
  app::testing::TestFolder folder_;
};

TEST_P(HostOverCom, LeavesTheSameDrawingAsInProcess) {
  const SessionCase& session = std::get<1>(GetParam());
  ASSERT_TRUE(server_.ready()) << server_.error();
  {
    const ObjectRef served = server_.Application();
    ASSERT_NE(served, nullptr);
    ASSERT_NE(dynamic_cast<ComObject*>(served.get()), nullptr);  // a proxy, not our own object
    Draw(cad::Application(served), session.lines);
  }
  for (const UserAnswer& a : session.answers)
    server_.Answer(a);

  Win32Platform system;
  RecordingBoxes platform(system);
  RunSession(platform, folder_.path() / "over-com", server_.progId(), session);
  const std::string log = server_.Log();
  EXPECT_EQ(server_.Remaining(), 0) << log;
  EXPECT_TRUE(platform.boxes.empty()) << platform.boxes.front();
  // A "PCAD"-like CAD takes each marker as a DXF file the tool writes and it inserts.
  const bool markersFromFiles = server_.progId().find("PCAD") != std::string::npos;
  EXPECT_EQ(log.find(".dxf\"") != std::string::npos, markersFromFiles) << log;

  const std::filesystem::path served = folder_.path() / "served.dxf";
  const host::Drawing drawing = server_.Drawing(served);
  EXPECT_EQ(NumberTexts(drawing), session.numbered) << log;

  std::vector<std::string> localBoxes;
  const std::string inProcess = InProcessDrawing(folder_.path() / "in-process", server_.progId(),
                                                 WideToUtf8(cad_.hostProgId), session, localBoxes);
  EXPECT_EQ(platform.boxes, localBoxes);
  EXPECT_EQ(ReadBytes(served), inProcess);
}

INSTANTIATE_TEST_SUITE_P(
    Cads, HostOverCom,
    ::testing::Combine(::testing::Values(CadCase{"Acad", L"HostCad", L""},
                                         CadCase{"Zwcad", L"ZWCAD.HostCad", L""},
                                         CadCase{"Pcad", L"PCAD.HostCad", L""},
                                         CadCase{"GcadClone", L"GCAD.Clone", L"GCAD.Application"}),
                       ::testing::ValuesIn(Sessions())),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

TEST(HostOverComCases, TheClonesProgIdSendsTheToolToAnotherIdleQueryFirst) {
  // The test ProgIDs end in the process ID, which for a program is far above 24: the rule
  // takes the clone's ProgID to GetAcadState.
  EXPECT_EQ(IdleQueryFor(WideToUtf8(UniqueProgId(L"GCAD.Clone"))), IdleQuery::GetAcadState);
}

}  // namespace
}  // namespace trivane::cad::com::testing
