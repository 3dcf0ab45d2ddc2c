// The host as a session: the scripted user and the command log, snapping, the idle-state query
// per product, system variables, call counters and the command interpreter hook.
#include <cctype>
#include <cmath>
#include <numbers>

#include "tests/host/host_fixture.h"

namespace trivane::host::testing {
namespace {

using cad::Value;

constexpr double kPi = std::numbers::pi;

class Session : public HostFixture {};

TEST_F(Session, PromptsAndAnswersGoToTheLog) {
  host->user().Push(UserAnswer::Point({1234.5, -5.5, 0}));
  cad::Utility u = doc.Utility();
  const TAcadPoint p = u.GetPoint(std::nullopt, "領域内の１点を指示 : ");
  EXPECT_EQ(p, (TAcadPoint{1234.5, -5.5, 0}));
  u.Prompt("\r\n点が指示されました.\r\n");
  EXPECT_EQ(host->log().Lines(), (std::vector<std::string>{"領域内の１点を指示 : 1234.5,-5.5", "",
                                                           "点が指示されました."}));
  EXPECT_EQ(doc.GetVariable("LASTPOINT"), Value::Doubles({1234.5, -5.5, 0}));
}

TEST_F(Session, APromptWithoutAnswerIsACancel) {
  cad::Utility u = doc.Utility();
  host->user().Push(UserAnswer::Cancel());
  ExpectAutomationError([&] { u.GetPoint(std::nullopt, "作成側を指示 : "); }, "GetPoint",
                        cad::kErrorCancelled);
  ExpectAutomationError([&] { u.GetEntity("基準線を選択 : "); }, "GetEntity", cad::kErrorCancelled);
  EXPECT_EQ(host->log().Lines(),
            (std::vector<std::string>{"作成側を指示 : *Cancel*", "基準線を選択 : *Cancel*"}));
  try {
    u.GetPoint(std::nullopt, "");
  } catch (const cad::AutomationError& e) {
    EXPECT_TRUE(e.cancelled());
  }
}

TEST_F(Session, PickingEmptySpaceFailsWithoutCancelling) {
  ms.AddLine({0, 0, 0}, {10, 0, 0});
  host->user().Push(UserAnswer::Pick({5, 50, 0}));
  host->user().Push(UserAnswer::Pick({5, 0.2, 0}));
  cad::Utility u = doc.Utility();
  ExpectAutomationError([&] { u.GetEntity("三角形の1辺を選択 : "); }, "GetEntity",
                        cad::kErrorFailed);
  const cad::PickedEntity picked = u.GetEntity("三角形の1辺を選択 : ");
  EXPECT_EQ(picked.entity.EntityName(), "AcDbLine");
  EXPECT_EQ(picked.point, (TAcadPoint{5, 0.2, 0}));
  // An answer of the wrong kind is a script fault, not a cancel.
  host->user().Push(UserAnswer::All());
  ExpectAutomationError([&] { u.GetPoint(std::nullopt, "p: "); }, "GetPoint", cad::kErrorFailed);
}

TEST_F(Session, PicksSnapToTheGridWhileSnapModeIsOne) {
  host->drawing().vars.VIEWSIZE = 100.0;  // pick box 0.5 either side
  ms.AddLine({0, 3, 0}, {20, 3, 0});
  doc.SetVariable("SNAPUNIT", Value::Doubles({10, 10}));
  doc.SetVariable("SNAPMODE", Value::Int16(1));
  cad::Utility u = doc.Utility();
  host->user().Push(UserAnswer::Point({12.4, 17.6, 1}));
  EXPECT_EQ(u.GetPoint(std::nullopt, ""), (TAcadPoint{10, 20, 1}));
  // The snapped pick lands at (10, 0), away from the line picked at (12, 3).
  host->user().Push(UserAnswer::Pick({12, 3, 0}));
  ExpectAutomationError([&] { u.GetEntity(""); }, "GetEntity", cad::kErrorFailed);

  doc.SetVariable("SNAPMODE", Value::Int16(0));
  host->user().Push(UserAnswer::Point({12.4, 17.6, 0}));
  EXPECT_EQ(u.GetPoint(std::nullopt, ""), (TAcadPoint{12.4, 17.6, 0}));
  host->user().Push(UserAnswer::Pick({12, 3, 0}));
  EXPECT_EQ(u.GetEntity("").entity.EntityName(), "AcDbLine");
}

struct StateCase {
  const char* progId;
  const char* answered;  // the one query the product answers
};

class IdleState : public ::testing::TestWithParam<StateCase> {};

TEST_P(IdleState, OnlyTheProductsOwnQueryIsAnswered) {
  auto host = Host::Create({.progId = GetParam().progId});
  cad::Application app(host->Application());
  const std::string queries[] = {"GetAcadState", "GetGcadState", "GetZcadState"};
  for (const std::string& q : queries) {
    if (q == GetParam().answered) {
      const Value state = cad::CallMethod(*app.object(), q);
      EXPECT_EQ(cad::GetProperty(*state.GetObject(), "IsQuiescent"), Value::Bool(true));
    } else {
      ExpectAutomationError([&] { cad::CallMethod(*app.object(), q); }, q,
                            cad::kErrorUnknownMember);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Host, IdleState,
                         ::testing::Values(StateCase{"AutoCAD.Application", "GetAcadState"},
                                           StateCase{"BricscadApp.AcadApplication", "GetAcadState"},
                                           StateCase{"ZWCAD.Application", "GetZcadState"},
                                           StateCase{"zwcad.Application.2024", "GetZcadState"},
                                           StateCase{"GCAD.Application", "GetGcadState"},
                                           StateCase{"Gcad.Application.23", "GetGcadState"},
                                           StateCase{"GCAD.Application.24", "GetAcadState"},
                                           StateCase{"GCAD.Application.x24", "GetGcadState"}),
                         // The ProgID as the name, so that the test log reads at a glance.
                         [](const ::testing::TestParamInfo<StateCase>& info) {
                           std::string name;
                           for (const char ch : std::string(info.param.progId))
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name;
                         });

TEST_F(Session, BusyPollsReportNotQuiescentThenIdle) {
  host->SetBusyPolls(2);
  EXPECT_FALSE(app.GetAcadState().IsQuiescent());
  cad::State state = app.GetAcadState();
  EXPECT_FALSE(state.IsQuiescent());
  EXPECT_TRUE(state.IsQuiescent());
  EXPECT_EQ(host->CallCount("IsQuiescent"), 3);
}

TEST_F(Session, AngleBaseIsGivenInTheAngleUnits) {
  doc.SetVariable("AUNITS", Value::Int16(0));
  doc.SetVariable("ANGBASE", Value::Double(90.0));
  EXPECT_NEAR(host->drawing().vars.ANGBASE, kPi / 2, 1e-15);
  EXPECT_EQ(doc.GetVariable("ANGBASE"), Value::Double(90.0));
  doc.SetVariable("AUNITS", Value::Int16(3));
  EXPECT_NEAR(doc.GetVariable("ANGBASE").ToDouble(), kPi / 2, 1e-15);
  doc.SetVariable("AUNITS", Value::Int16(2));
  EXPECT_NEAR(doc.GetVariable("ANGBASE").ToDouble(), 100.0, 1e-12);
  EXPECT_EQ(doc.GetVariable("AUNITS"), Value::Int16(2));
  EXPECT_EQ(doc.GetVariable("ANGDIR"), Value::Int16(0));
}

TEST_F(Session, SetVariableTakesOnlyTheVariablesOwnType) {
  struct Case {
    const char* name;
    Value value;
    bool accepted;
  } cases[] = {
      {"SNAPMODE", Value::Int16(1), true},
      {"SNAPMODE", Value::Int32(1), false},
      {"SNAPMODE", Value::Int16(2), false},
      {"AUNITS", Value::Double(0), false},
      {"ANGBASE", Value::Int16(0), false},
      {"DIMASZ", Value::Double(4), true},
      {"DIMASZ", Value::Text("4"), false},
      {"DIMSCALE", Value::Double(100), true},
      {"DIMLDRBLK", Value::Text("."), true},
      {"DIMLDRBLK", Value::Double(0), false},
      {"LASTPOINT", Value::Doubles({1, 2, 3}), true},
      {"LASTPOINT", Value::Doubles({1, 2}), false},
      {"VIEWSIZE", Value::Double(10), false},
      {"EXTMAX", Value::Doubles({1, 2, 3}), false},
      {"NOSUCHVAR", Value::Int16(0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value.Describe());
    if (c.accepted)
      EXPECT_NO_THROW(doc.SetVariable(c.name, c.value));
    else
      ExpectAutomationError([&] { doc.SetVariable(c.name, c.value); }, "SetVariable",
                            cad::kErrorInvalidArg);
  }
  EXPECT_EQ(doc.GetVariable("DIMLDRBLK"), Value::Text(""));
  ExpectAutomationError([&] { doc.GetVariable("NOSUCHVAR"); }, "GetVariable",
                        cad::kErrorInvalidArg);
}

TEST_F(Session, ExtentsFollowTheModelSpaceEntities) {
  EXPECT_EQ(doc.GetVariable("EXTMIN"), Value::Doubles({1e20, 1e20, 1e20}));
  ms.AddLine({-5, 2, 0}, {10, 4, 0});
  ms.AddCircle({20, 0, 0}, 3);
  doc.Blocks().Add({}, "FAR").AddLine({1000, 1000, 0}, {2000, 2000, 0});
  EXPECT_EQ(doc.GetVariable("EXTMIN"), Value::Doubles({-5, -3, 0}));
  EXPECT_EQ(doc.GetVariable("EXTMAX"), Value::Doubles({23, 4, 0}));
}

TEST_F(Session, CallsAreCountedPerMember) {
  cad::Text t = ms.AddText("1", {}, 1);
  t.Alignment(10);
  t.TextAlignmentPoint({1, 1, 0});
  t.Update();
  t.Update();
  doc.Regen(0);
  EXPECT_EQ(host->CallCount("AddText"), 1);
  EXPECT_EQ(host->CallCount("Update"), 2);
  EXPECT_EQ(host->CallCount("Regen"), 1);
  // ActiveDocument, ModelSpace, AddText, Alignment, TextAlignmentPoint, 2 x Update, Regen.
  EXPECT_EQ(host->TotalCalls(), 8);
  host->ResetCallCounts();
  EXPECT_EQ(host->TotalCalls(), 0);
}

// An interpreter standing in for the host's command line: moves the previous selection by a
// displacement it asks for.
class MovePrevious : public CommandInterpreter {
 public:
  void Run(Host& host, std::string_view text) override {
    texts.emplace_back(text);
    const TAcadPoint base{0, 0, 0};
    const TAcadPoint to = host.AskPoint("SendCommand", "Specify second point: ");
    for (ObjectId id : host.previousSelection()) {
      if (Entity* e = host.drawing().FindEntity(id))
        ApplyPlacement(*e, Placement::Move(base, to));
    }
    host.SetBusyPolls(1);
  }
  std::vector<std::string> texts;
};

TEST_F(Session, SendCommandEchoesAndHandsTheTextToTheInterpreter) {
  auto interpreter = std::make_unique<MovePrevious>();
  MovePrevious* seen = interpreter.get();
  host->SetInterpreter(std::move(interpreter));
  cad::Circle circle = ms.AddCircle({1, 1, 0}, 1);
  host->user().Push(UserAnswer::Pick({2, 1, 0}));
  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  ss.SelectOnScreen(cad::SelectionFilter::EntityType("CIRCLE"));
  ss.Delete();

  host->user().Push(UserAnswer::Point({10, 20, 0}));
  doc.SendCommand("MOVE\rPRE\r\r0.000,0.000,0.000\r");
  EXPECT_EQ(seen->texts, std::vector<std::string>{"MOVE\rPRE\r\r0.000,0.000,0.000\r"});
  EXPECT_EQ(circle.Center(), (TAcadPoint{11, 21, 0}));
  EXPECT_TRUE(host->drawing().FindEntity(circle.ObjectID())->modified);
  EXPECT_EQ(doc.GetVariable("LASTPOINT"), Value::Doubles({10, 20, 0}));
  EXPECT_FALSE(app.GetAcadState().IsQuiescent());

  // A cancelled prompt ends the command; SendCommand itself succeeds.
  EXPECT_NO_THROW(doc.SendCommand("MOVE\rPRE\r\r"));
  const std::vector<std::string> lines = host->log().Lines();
  EXPECT_EQ(lines.back(), "Specify second point: *Cancel*");
  EXPECT_EQ(circle.Center(), (TAcadPoint{11, 21, 0}));
}

}  // namespace
}  // namespace trivane::host::testing
