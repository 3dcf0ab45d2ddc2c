// A CAD that dies, hangs or is busy in the middle of a command: the host server (com_host_server)
// is told to end its process, stop answering or refuse calls at one call of the command, by member
// name, and the tool's commands are clicked in its window model on the Windows platform.
//
// One table over (fault x phase): the phases of "自動" (the pick, the idle wait after the boundary
// command, the labelling) and of "作成" (the block built for the table, its insert). A CAD that
// dies ends the command with one message and no reference kept to it, and the next click after
// the CAD is started again works on the new instance's drawing; a CAD that hangs is waited for and
// the command does its whole work; a CAD that refuses calls ends the command with one message.
// After each, the settings are written when the window closes, the target-CAD list is as it was,
// and no marker file is left beside the program but the one the DXF route keeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ios>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "cad/automation.h"
#include "cad/com/text.h"
#include "cad/com/win32_platform.h"
#include "cad/connection.h"
#include "cad/objects.h"
#include "host/model/scripted_user.h"
#include "tests/app/app_fixture.h"
#include "tests/com/com_fixture.h"
#include "tests/com/host_server_fixture.h"

namespace trivane::cad::com::testing {
namespace {

using host::UserAnswer;

// A parcel of six corners, split at a point inside it by "自動" into four numbered triangles.
const std::vector<TAcadPoint> kParcel = {{100.0, 100.0, 0.0},     {183.504, 97.201, 0.0},
                                         {264.808, 98.853, 0.0},  {271.559, 162.105, 0.0},
                                         {196.156, 199.601, 0.0}, {103.859, 174.803, 0.0}};
constexpr int kTriangles = 4;
const UserAnswer kInside = UserAnswer::Point({180.0, 140.0, 0.0});
const UserAnswer kTablePlace = UserAnswer::Point({300.0, 200.0, 0.0});

void DrawParcel(HostServer& server) {
  const cad::Block modelSpace =
      cad::Application(server.Application()).ActiveDocument().ModelSpace();
  for (std::size_t i = 0; i < kParcel.size(); ++i)
    modelSpace.AddLine(kParcel[i], kParcel[(i + 1) % kParcel.size()]);
}

// Which command a phase belongs to.
enum class Command { Split, Table };

// A phase of a long command: the call at which the fault is set off.
struct Phase {
  const char* name;
  Command command;
  const char* member;
};

constexpr Phase kPhases[] = {
    {"SplitPick", Command::Split, "GetPoint"},          // "領域内の１点を指示"
    {"SplitIdleWait", Command::Split, "GetAcadState"},  // after the boundary command
    {"SplitLabelling", Command::Split, "AddText"},      // the first length label
    {"TableBlock", Command::Table, "AddLine"},          // the first rule of the table block
    {"TableInsert", Command::Table, "SendCommand"},     // the insert sent as text
};

struct FaultCase {
  FaultKind fault;
  Phase phase;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << FaultKindName(c.fault) << " at " << c.phase.name;
}

// How long a hang or a rejection lasts. A rejection outlasts the command: it ends on the first
// refused call.
constexpr int kHangMs = 1500;
constexpr int kRejectMs = 60000;

// The files beside the program other than those the run starts with.
std::vector<std::string> MarkerFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = WideToUtf8(entry.path().filename().wstring());
    if (name != "trivane.ini" && name != "TargetCAD_APIVersion.txt")
      names.push_back(name);
  }
  return names;
}

// The Windows platform with its message boxes recorded instead of shown.
class RecordingBoxes final : public cad::ForwardingPlatform {
 public:
  using cad::ForwardingPlatform::ForwardingPlatform;
  struct Box {
    std::string text;
    std::string caption;
  };
  void MessageBox(std::string_view text, std::string_view caption) override {
    boxes.push_back({std::string(text), std::string(caption)});
  }
  std::vector<Box> boxes;
};

class CadGoesAway : public ComTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  // A "PCAD"-like CAD: its markers come as DXF files the tool writes beside itself.
  HostServer server_{L"PCAD.FaultCad"};
  app::testing::TestFolder folder_;
};

TEST_P(CadGoesAway, EndsTheCommandOnceAndLosesNothing) {
  const FaultCase& c = GetParam();
  ASSERT_TRUE(server_.ready()) << server_.error();
  DrawParcel(server_);

  const std::filesystem::path program = folder_.path() / "trivane.exe";
  const std::string list = "Host CAD\t" + server_.progId() + "\r\nOther\tOther.Application\r\n";
  app::testing::WriteBytes(folder_.path() / "TargetCAD_APIVersion.txt", list);

  Win32Platform system;
  RecordingBoxes platform(system);
  const std::vector<RecordingBoxes::Box>& boxes = platform.boxes;

  {
    app::Application tool(platform, program);
    tool.State().link.ProgId = server_.progId();
    cad::CadLink& link = tool.State().link;

    server_.Answer(kInside);
    if (c.phase.command == Command::Table) {
      ASSERT_TRUE(tool.Form().Click("Button10"));
      ASSERT_TRUE(boxes.empty()) << boxes.front().text;
      server_.Answer(kTablePlace);
    }
    server_.Fault(c.fault, c.phase.member, 1, c.fault == FaultKind::Hang ? kHangMs : kRejectMs);
    const char* button = c.phase.command == Command::Split ? "Button10" : "Button3";
    EXPECT_TRUE(tool.Form().Click(button));

    switch (c.fault) {
      case FaultKind::Exit: {
        ASSERT_EQ(boxes.size(), 1u) << boxes.back().text;
        EXPECT_EQ(boxes[0].text, kCadGoneMessage);
        EXPECT_EQ(boxes[0].caption, kCadFaultCaption);
        EXPECT_EQ(link.CadApplication, nullptr) << "a reference to the dead CAD is kept";
        ASSERT_TRUE(server_.Exited(10000));
        EXPECT_EQ(server_.ExitCode(), kCrashExitCode);

        // While it is gone a click finds nothing running and ends without a word.
        EXPECT_TRUE(tool.Form().Click("Button10"));
        EXPECT_EQ(boxes.size(), 1u) << boxes.back().text;

        // The CAD is started again: the next click finds the new instance and works on its
        // drawing, from the start of the command whose run was cut short.
        ASSERT_TRUE(server_.Restart()) << server_.error();
        DrawParcel(server_);
        server_.Answer(kInside);
        EXPECT_TRUE(tool.Form().Click("Button10"));
        if (c.phase.command == Command::Table) {
          server_.Answer(kTablePlace);
          EXPECT_TRUE(tool.Form().Click("Button3"));
        }
        EXPECT_EQ(boxes.size(), 1u) << boxes.back().text;
        EXPECT_EQ(server_.Remaining(), 0) << server_.Log();
        const host::Drawing drawing = server_.Drawing(folder_.path() / "restarted.dxf");
        EXPECT_EQ(NumberTexts(drawing), kTriangles) << server_.Log();
        if (c.phase.command == Command::Table) {
          EXPECT_NE(server_.Log().find("_-INSERT\" \"Trivane_"), std::string::npos)
              << server_.Log();
        }
        std::filesystem::remove(folder_.path() / "restarted.dxf");
        break;
      }
      case FaultKind::Hang: {
        // Waited for: the command does its whole work.
        EXPECT_TRUE(boxes.empty()) << boxes.front().text;
        EXPECT_NE(link.CadApplication, nullptr);
        EXPECT_EQ(server_.Remaining(), 0) << server_.Log();
        const host::Drawing drawing = server_.Drawing(folder_.path() / "served.dxf");
        EXPECT_EQ(NumberTexts(drawing), kTriangles) << server_.Log();
        std::filesystem::remove(folder_.path() / "served.dxf");
        break;
      }
      case FaultKind::Reject: {
        ASSERT_EQ(boxes.size(), 1u) << boxes.back().text;
        EXPECT_EQ(boxes[0].text, kCadBusyMessage);
        EXPECT_EQ(boxes[0].caption, kCadFaultCaption);
        EXPECT_NE(link.CadApplication, nullptr) << "a busy CAD is still there";
        EXPECT_FALSE(server_.Exited(0));
        break;
      }
    }
    EXPECT_FALSE(std::filesystem::exists(program.parent_path() / "trivane.ini"));
    tool.Close();
    EXPECT_EQ(boxes.size(), c.fault == FaultKind::Hang ? 0u : 1u);
  }

  // Nothing lost: the settings are written at the close, the list is as it was, and beside the
  // program stands at most the one marker file the DXF route keeps.
  const std::string settings = app::testing::ReadBytes(folder_.path() / "trivane.ini");
  EXPECT_NE(settings.find(server_.progId()), std::string::npos) << settings;
  EXPECT_EQ(app::testing::ReadBytes(folder_.path() / "TargetCAD_APIVersion.txt"), list);
  const std::vector<std::string> files = MarkerFiles(folder_.path());
  EXPECT_LE(files.size(), 1u) << files.front();
  for (const std::string& name : files)
    EXPECT_TRUE(name.starts_with("TRIVANE_") && name.ends_with(".dxf")) << name;
}

// The control's faults themselves: set off at the counted call of the member named (in any
// case), other members not counted; a refusal of 0 ms refuses that call alone; an end ends the
// process at the call, with the crash's exit code.
TEST(FaultControl, SetsOffAtTheCountedCallOfTheMemberNamed) {
  StaScope sta;
  HostServer server(L"FaultControl");
  ASSERT_TRUE(server.ready()) << server.error();
  const ObjectRef application = server.Application();
  ASSERT_NE(application, nullptr);
  const auto failure = [&](const char* member) -> std::optional<std::int32_t> {
    try {
      GetProperty(*application, member);
      return std::nullopt;
    } catch (const AutomationError& e) {
      return e.code();
    }
  };

  server.Fault(FaultKind::Reject, "activedocument", 2);
  EXPECT_EQ(failure("ActiveDocument"), std::nullopt);
  EXPECT_EQ(failure("HWND"), std::nullopt);
  EXPECT_EQ(failure("ActiveDocument"), kErrorCallRejected);
  EXPECT_EQ(failure("ActiveDocument"), std::nullopt);

  server.Fault(FaultKind::Exit, "HWND");
  const std::optional<std::int32_t> code = failure("HWND");
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(CadFaultOf(*code), cad::CadFault::Gone) << std::hex << *code;
  ASSERT_TRUE(server.Exited(10000));
  EXPECT_EQ(server.ExitCode(), kCrashExitCode);
}

std::vector<FaultCase> FaultCases() {
  std::vector<FaultCase> cases;
  for (const FaultKind fault : {FaultKind::Exit, FaultKind::Hang, FaultKind::Reject}) {
    for (const Phase& phase : kPhases)
      cases.push_back({fault, phase});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(FaultsByPhase, CadGoesAway, ::testing::ValuesIn(FaultCases()),
                         [](const auto& info) {
                           std::string name(FaultKindName(info.param.fault));
                           name[0] = static_cast<char>(name[0] - 'a' + 'A');
                           return name + "_" + info.param.phase.name;
                         });

}  // namespace
}  // namespace trivane::cad::com::testing
