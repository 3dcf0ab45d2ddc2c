// Entities, layers and blocks of the host: extended data, layer and block rules, text
// justification, explode, and the type checks of the members.
#include <cmath>
#include <numbers>

#include "host/bridge/dxf_bridge.h"
#include "host/dxf/io.h"
#include "host/model/shapes.h"
#include "tests/host/host_fixture.h"

namespace trivane::host::testing {
namespace {

using cad::Value;

constexpr double kPi = std::numbers::pi;

void ExpectNear(const TAcadPoint& a, const TAcadPoint& b, double tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

class Xdata : public HostFixture {
 protected:
  cad::Text text = ms.AddText("12", {1, 1, 0}, 400);
};

TEST_F(Xdata, RoundTripKeepsCodesAndValueTypes) {
  text.SetXdata({1001, 1010, 1000, 1040, 1070, 1071},
                {Value::Text("LT_TRIVANE"), Value::Doubles({4, 5, 3}), Value::Text("メモ"),
                 Value::Double(2.5), Value::Int16(7), Value::Int32(70000)});
  const cad::XdataValues got = text.GetXdata("lt_trivane");
  EXPECT_EQ(got.types, Value::Int16s({1001, 1010, 1000, 1040, 1070, 1071}));
  EXPECT_EQ(got.values,
            Value::Array({Value::Text("LT_TRIVANE"), Value::Doubles({4, 5, 3}), Value::Text("メモ"),
                          Value::Double(2.5), Value::Int16(7), Value::Int32(70000)}));
  // Another application's data, or none: both out values come back empty.
  const cad::XdataValues none = text.GetXdata("OTHER");
  EXPECT_TRUE(none.types.IsEmpty());
  EXPECT_TRUE(none.values.IsEmpty());
  EXPECT_TRUE(ms.AddCircle({}, 1).GetXdata("LT_TRIVANE").values.IsEmpty());
}

TEST_F(Xdata, SettingAnApplicationAgainReplacesOnlyItsData) {
  text.SetXdata({1001, 1000}, {Value::Text("A"), Value::Text("a")});
  text.SetXdata({1001, 1000}, {Value::Text("B"), Value::Text("b")});
  text.SetXdata({1001, 1000}, {Value::Text("A"), Value::Text("a2")});
  EXPECT_EQ(text.GetXdata("A").values, Value::Array({Value::Text("A"), Value::Text("a2")}));
  EXPECT_EQ(text.GetXdata("").types, Value::Int16s({1001, 1000, 1001, 1000}));
  EXPECT_TRUE(host->drawing().FindEntity(text.ObjectID())->modified);
}

TEST_F(Xdata, WrongTypesAreRefusedAndTheOldDataStays) {
  text.SetXdata({1001, 1010}, {Value::Text("LT_TRIVANE"), Value::Doubles({4, 5, 3})});
  const Value app = Value::Text("LT_TRIVANE");
  struct Case {
    const char* name;
    Value types, values;
    std::int32_t code;
  } cases[] = {
      {"types not 16-bit integers", Value::Doubles({1001, 1010}),
       Value::Array({app, Value::Doubles({1, 2, 3})}), cad::kErrorTypeMismatch},
      {"values not variants", Value::Int16s({1001, 1010}), Value::Doubles({1, 2}),
       cad::kErrorTypeMismatch},
      {"lengths differ", Value::Int16s({1001, 1010}), Value::Array({app}), cad::kErrorInvalidArg},
      {"no application first", Value::Int16s({1010}), Value::Array({Value::Doubles({1, 2, 3})}),
       cad::kErrorInvalidArg},
      {"point of two doubles", Value::Int16s({1001, 1010}),
       Value::Array({app, Value::Doubles({1, 2})}), cad::kErrorInvalidArg},
      {"point as a text", Value::Int16s({1001, 1010}), Value::Array({app, Value::Text("1,2,3")}),
       cad::kErrorTypeMismatch},
      {"point as variants", Value::Int16s({1001, 1010}),
       Value::Array({app, Value::Array({Value::Double(1), Value::Double(2), Value::Double(3)})}),
       cad::kErrorTypeMismatch},
      {"real as a text", Value::Int16s({1001, 1040}), Value::Array({app, Value::Text("2.5")}),
       cad::kErrorTypeMismatch},
      {"16-bit integer as a double", Value::Int16s({1001, 1070}),
       Value::Array({app, Value::Double(1)}), cad::kErrorTypeMismatch},
      {"16-bit integer out of range", Value::Int16s({1001, 1070}),
       Value::Array({app, Value::Int32(40000)}), cad::kErrorInvalidArg},
      {"application name as a number", Value::Int16s({1001}), Value::Array({Value::Int16(1)}),
       cad::kErrorTypeMismatch},
      {"not an extended data code", Value::Int16s({1001, 1099}),
       Value::Array({app, Value::Text("x")}), cad::kErrorInvalidArg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectAutomationError(
        [&] {
          cad::CallMethod(*text.object(), "SetXdata", {c.types, c.values});
        },
        "SetXdata", c.code);
  }
  EXPECT_EQ(text.GetXdata("LT_TRIVANE").values,
            Value::Array({Value::Text("LT_TRIVANE"), Value::Doubles({4, 5, 3})}));
}

TEST_F(Xdata, GetXdataWritesOnlyThroughReferences) {
  text.SetXdata({1001, 1000}, {Value::Text("A"), Value::Text("a")});
  cad::Arg args[3] = {cad::Arg::In(Value::Text("A")), cad::Arg::In(Value()), cad::Arg::In(Value())};
  ExpectAutomationError([&] { cad::CallMethod(*text.object(), "GetXdata", args); }, "GetXdata",
                        cad::kErrorTypeMismatch);
}

class Tables : public HostFixture {};

TEST_F(Tables, SettingALayerThatDoesNotExistFails) {
  cad::Line line = ms.AddLine({}, {1, 0, 0});
  EXPECT_EQ(line.Layer(), "0");
  ExpectAutomationError([&] { line.Layer("H_HEN"); }, "Layer", cad::kErrorFailed);
  EXPECT_EQ(line.Layer(), "0");

  cad::Layers layers = doc.Layers();
  layers.Add("H_HEN");
  // Names compare with only a-z folded: the same layer, not a new one.
  EXPECT_EQ(layers.Add("h_hen").Name(), "H_HEN");
  EXPECT_EQ(layers.Count(), 2);
  line.Layer("h_hen");
  EXPECT_EQ(line.Layer(), "H_HEN");
  // A full-width letter is a different name.
  layers.Add("Ｈ_HEN");
  EXPECT_EQ(layers.Count(), 3);
  ExpectAutomationError([&] { layers.Add("A*B"); }, "Add", cad::kErrorInvalidArg);
}

// A name the host let through once came back only at save, as "invalid layer name", and the whole
// session's result was lost. The collection refuses it where a CAD does, and the drawing saves.
TEST_F(Tables, NamesADrawingFileCannotKeepAreRefusedByAdd) {
  const std::string refused[] = {"a\tb",
                                 "a\x01"
                                 "b",
                                 "\x1F",
                                 "a\x7F",
                                 "a<b>c",
                                 " a",
                                 "a ",
                                 ""};
  cad::Layers layers = doc.Layers();
  cad::Blocks blocks = doc.Blocks();
  for (const std::string& name : refused) {
    ExpectAutomationError([&] { layers.Add(name); }, "Add", cad::kErrorInvalidArg);
    ExpectAutomationError([&] { blocks.Add({}, name); }, "Add", cad::kErrorInvalidArg);
  }
  EXPECT_EQ(layers.Count(), 1);
  EXPECT_NO_THROW(dxf::Write(ToDocument(host->drawing())));
  EXPECT_EQ(host->lastError().value_or(""), "Add: invalid block name \"\"");
}

TEST_F(Tables, ABlockIsDeletedOnlyWhileNothingReferencesIt) {
  cad::Blocks blocks = doc.Blocks();
  EXPECT_EQ(blocks.Item(0).Name(), "*Model_Space");
  EXPECT_EQ(blocks.Item(1).Name(), "*Paper_Space");
  cad::Block table = blocks.Add({}, "Trivane_1");
  table.AddLine({0, 0, 0}, {10, 0, 0});
  cad::BlockReference insert = ms.InsertBlock({5, 5, 0}, "TRIVANE_1", 1, 1, 1, 0);
  EXPECT_EQ(insert.Name(), "Trivane_1");

  ExpectAutomationError([&] { table.Delete(); }, "Delete", cad::kErrorFailed);
  ExpectAutomationError([&] { blocks.Item(0).Delete(); }, "Delete", cad::kErrorFailed);
  ExpectAutomationError([&] { ms.InsertBlock({}, "NONE", 1, 1, 1, 0); }, "InsertBlock",
                        cad::kErrorFailed);
  insert.Delete();
  table.Delete();
  EXPECT_EQ(blocks.Count(), 2);
  EXPECT_TRUE(host->drawing().entities.empty());
}

TEST_F(Tables, ExplodePlacesCopiesByTheReferenceAndKeepsTheirData) {
  cad::Block def = doc.Blocks().Add({1, 0, 0}, "MARK");
  cad::Text part = def.AddText("7", {2, 0, 0}, 1.0);
  part.Alignment(cad::kAlignmentMiddleCenter);
  part.TextAlignmentPoint({2, 0, 0});
  part.SetXdata({1001, 1010}, {Value::Text("LT_TRIVANE"), Value::Doubles({3, 4, 5})});
  def.AddCircle({2, 0, 0}, 0.5);
  Entity& stored = *host->drawing().FindEntity(part.ObjectID());
  stored.handle = "2A";
  stored.passthrough = Passthrough{{62, "1"}, {330, "1F"}};

  // At (100, 200), scale 2, a quarter turn: block point (2,0) lies 1 from the origin (1,0).
  cad::BlockReference ref = ms.InsertBlock({100, 200, 0}, "MARK", 2, 2, 2, kPi / 2);
  const std::vector<cad::Entity> parts = ref.Explode();
  ASSERT_EQ(parts.size(), 2u);
  cad::Text text(parts[0].object());
  EXPECT_EQ(text.TextString(), "7");
  ExpectNear(text.TextAlignmentPoint(), {100, 202, 0}, 1e-9);
  EXPECT_NEAR(text.Height(), 2.0, 1e-12);
  EXPECT_NEAR(text.Rotation(), kPi / 2, 1e-12);
  EXPECT_EQ(text.GetXdata("LT_TRIVANE").values,
            Value::Array({Value::Text("LT_TRIVANE"), Value::Doubles({3, 4, 5})}));
  // The copy keeps its colour, not the part's handle or owner.
  const Entity& copy = *host->drawing().FindEntity(text.ObjectID());
  EXPECT_EQ(copy.handle, "");
  EXPECT_EQ(copy.passthrough.Groups(), (std::vector<RawTag>{{62, "1"}}));
  cad::Circle circle(parts[1].object());
  ExpectNear(circle.Center(), {100, 202, 0}, 1e-9);
  EXPECT_NEAR(circle.Radius(), 1.0, 1e-12);

  // The parts are the newest entities; the reference stays until it is deleted.
  cad::SelectionSet ss = doc.SelectionSets().Add("S");
  ss.Select(cad::kSelectLast);
  EXPECT_EQ(ss.Item(0).ObjectID(), circle.ObjectID());
  EXPECT_EQ(ref.EntityName(), "AcDbBlockReference");
}

class Texts : public HostFixture {};

TEST_F(Texts, JustificationKeepsTheAlignmentPointWhileTheTextChanges) {
  // "0.01" is 4 x 0.8 x 300 = 960 wide.
  cad::Text t = ms.AddText("0.01", {5, 0, 0}, 300);
  EXPECT_EQ(t.Alignment(), cad::kAlignmentLeft);
  ExpectAutomationError(
      [&] {
        t.TextAlignmentPoint({5, 0, 0});
      },
      "TextAlignmentPoint", cad::kErrorFailed);
  t.Rotation(kPi / 2);
  t.Alignment(cad::kAlignmentBottomCenter);
  t.TextAlignmentPoint({5, 0, 0});
  ExpectNear(t.InsertionPoint(), {5, -480, 0}, 1e-9);
  t.Rotation(0);
  ExpectNear(t.TextAlignmentPoint(), {5, 0, 0}, 1e-9);
  ExpectNear(t.InsertionPoint(), {-475, 0, 0}, 1e-9);
  t.Alignment(cad::kAlignmentMiddleCenter);  // stays in place: the point moves to the middle
  ExpectNear(t.TextAlignmentPoint(), {5, 150, 0}, 1e-9);
  ExpectNear(t.InsertionPoint(), {-475, 0, 0}, 1e-9);
}

TEST_F(Texts, RotateTurnsAboutTheBasePoint) {
  cad::Text t = ms.AddText("12", {0, 0, 0}, 400);
  t.Alignment(cad::kAlignmentMiddleCenter);
  t.TextAlignmentPoint({100, 100, 0});
  t.Rotate({100, 100, 0}, kPi);
  ExpectNear(t.TextAlignmentPoint(), {100, 100, 0}, 1e-9);
  EXPECT_NEAR(t.Rotation(), kPi, 1e-12);
  cad::Text left = ms.AddText("A", {10, 0, 0}, 1);
  left.Rotate({0, 0, 0}, kPi / 2);
  ExpectNear(left.InsertionPoint(), {0, 10, 0}, 1e-9);
}

class Members : public HostFixture {};

TEST_F(Members, ValuesOfTheWrongTypeFailNamingTheMember) {
  const Value p = cad::PointToValue({1, 2, 0});
  cad::Object& space = *ms.object();
  struct Case {
    const char* member;
    std::vector<Value> args;
    std::int32_t code;
  } cases[] = {
      {"AddLine", {Value::Doubles({1, 2}), p}, cad::kErrorInvalidArg},
      {"AddLine",
       {Value::Array({Value::Double(1), Value::Double(2), Value::Double(0)}), p},
       cad::kErrorTypeMismatch},
      {"AddLine", {p}, cad::kErrorBadArgCount},
      {"AddText", {Value::Double(12), p, Value::Double(1)}, cad::kErrorTypeMismatch},
      {"AddText", {Value::Text("12"), p, Value::Text("300")}, cad::kErrorTypeMismatch},
      {"AddText", {Value::Text("12"), p, Value::Double(0)}, cad::kErrorInvalidArg},
      {"AddCircle", {p, Value::Double(-1)}, cad::kErrorInvalidArg},
      {"AddArc", {p, Value::Double(1)}, cad::kErrorUnknownMember},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    ExpectAutomationError([&] { cad::CallMethod(space, c.member, c.args); }, c.member, c.code);
  }
  EXPECT_TRUE(host->drawing().entities.empty());

  cad::Line line = ms.AddLine({}, {1, 0, 0});
  ExpectAutomationError([&] { cad::PutProperty(*line.object(), "EntityName", Value::Text("x")); },
                        "EntityName", cad::kErrorUnknownMember);
  ExpectAutomationError([&] { cad::GetProperty(*line.object(), "Radius"); }, "Radius",
                        cad::kErrorUnknownMember);
}

TEST_F(Members, NamesCompareWithoutCaseAsLateBindingDoes) {
  Drawing& d = host->drawing();
  PolylineShape p;
  p.vertices = {{0, 0, 0}, {10, 0, 0}};
  const ObjectId id = d.AddEntity(Entity{.shape = p});
  cad::Entity e = doc.ObjectIdToObject(id);
  EXPECT_EQ(cad::GetProperty(*e.object(), "coordinates"), Value::Doubles({0, 0, 10, 0}));
  EXPECT_EQ(host->CallCount("coordinates"), 1);
}

TEST_F(Members, AnErasedObjectFailsAndItsIdIsNoLongerFound) {
  cad::Line line = ms.AddLine({}, {1, 0, 0});
  const std::int64_t id = line.ObjectID();
  line.Erase();
  ExpectAutomationError([&] { line.StartPoint(); }, "StartPoint", cad::kErrorFailed);
  ExpectAutomationError([&] { doc.ObjectIdToObject(id); }, "ObjectIdToObject",
                        cad::kErrorInvalidArg);
  ExpectAutomationError([&] { doc.ObjectIdToObject(12345); }, "ObjectIdToObject",
                        cad::kErrorInvalidArg);
}

}  // namespace
}  // namespace trivane::host::testing
