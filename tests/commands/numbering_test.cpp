// "最大" and the read-back of triangle records from the number texts.
#include "commands/numbering.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/commands/tools_fixture.h"

namespace trivane::commands::testing {
namespace {

using cad::Value;

// --- The record shapes, against stand-in automation objects --------------------------------------

// A text answering TextString and GetXdata with the values it was given.
class XdataText final : public cad::Object {
 public:
  XdataText(std::string text, Value types, Value values)
      : text_(std::move(text)), types_(std::move(types)), values_(std::move(values)) {}
  Value Invoke(std::string_view member, cad::InvokeKind, std::span<cad::Arg> args) override {
    if (member == "TextString")
      return Value::Text(text_);
    if (member == "GetXdata") {
      args[1].value = types_;
      args[2].value = values_;
      return Value();
    }
    throw cad::AutomationError(std::string(member), "unknown", cad::kErrorUnknownMember);
  }

 private:
  std::string text_;
  Value types_, values_;
};

// A selection set holding the given entities.
class ListSet final : public cad::Object {
 public:
  std::vector<cad::ObjectRef> items;
  Value Invoke(std::string_view member, cad::InvokeKind, std::span<cad::Arg> args) override {
    if (member == "Count")
      return Value::Int32(static_cast<std::int32_t>(items.size()));
    if (member == "Item")
      return Value::Ref(items.at(static_cast<std::size_t>(args[0].value.ToInteger())));
    throw cad::AutomationError(std::string(member), "unknown", cad::kErrorUnknownMember);
  }
};

Value Codes() {
  return Value::Int16s({1001, 1010});
}
Value Record(Value sides) {
  return Value::Array({Value::Text("LT_TRIVANE"), std::move(sides)});
}

struct ShapeCase {
  const char* name;
  Value types;
  Value values;
  enum { kRecord, kSkipped, kError } outcome;
  const char* record = "";
};

TEST(ReadTriangleRecords, AcceptsOnlyThreeSideLengthsAndStopsAtDamagedRecords) {
  const ShapeCase cases[] = {
      {"point as doubles", Codes(), Record(Value::Doubles({3000, 4000, 5000})), ShapeCase::kRecord,
       "12,3000.00000000,4000.00000000,5000.00000000"},
      {"point as variants", Codes(),
       Record(Value::Array({Value::Double(1.0 / 3), Value::Int32(2), Value::Double(2.5e-9)})),
       ShapeCase::kRecord, "12,0.33333333,2.00000000,0.00000000"},
      {"no extended data", Value(), Value(), ShapeCase::kSkipped},
      {"types not 16-bit", Value::Array({Value::Int16(1001), Value::Int16(1010)}),
       Record(Value::Doubles({1, 2, 3})), ShapeCase::kSkipped},
      {"values not variants", Codes(), Value::Doubles({1, 2, 3}), ShapeCase::kSkipped},
      {"two lengths", Codes(), Record(Value::Doubles({1, 2})), ShapeCase::kSkipped},
      {"four lengths", Codes(), Record(Value::Doubles({1, 2, 3, 4})), ShapeCase::kSkipped},
      {"no second item", Codes(), Value::Array({Value::Text("LT_TRIVANE")}), ShapeCase::kError},
      {"second item a text", Codes(), Record(Value::Text("3000")), ShapeCase::kError},
  };
  for (const ShapeCase& k : cases) {
    SCOPED_TRACE(k.name);
    auto set = std::make_shared<ListSet>();
    set->items.push_back(std::make_shared<XdataText>("12", k.types, k.values));
    TriangleRecords records{"1,1.00000000,1.00000000,1.00000000"};
    if (k.outcome == ShapeCase::kError) {
      EXPECT_THROW(ReadTriangleRecords(cad::SelectionSet(set), records), cad::AutomationError);
      continue;
    }
    ReadTriangleRecords(cad::SelectionSet(set), records);
    if (k.outcome == ShapeCase::kRecord)
      EXPECT_EQ(records, (TriangleRecords{"1,1.00000000,1.00000000,1.00000000", k.record}));
    else
      EXPECT_EQ(records.size(), 1u);
  }
}

TEST(SortRecordsByNumber, ExchangesIntoPlaceInTheSystemsOrder) {
  // Keys: "A" and "" count as 0. Equal keys are not exchanged with each other, yet the two 2s end
  // swapped by the exchanges with the 1s.
  TriangleRecords r{"2,a", "1,x", "10,t", "2,b", "1,y", "A,z", ",e"};
  SortRecordsByNumber(r);
  EXPECT_EQ(r, (TriangleRecords{"A,z", ",e", "1,x", "1,y", "2,b", "2,a", "10,t"}));
  EXPECT_EQ(RecordNumberKey("12,1,2,3"), 12);
  EXPECT_EQ(RecordNumberKey(" 7 ,1"), 7);
  EXPECT_EQ(RecordNumberKey("7a,1"), 0);
}

// --- "最大"
// ---------------------------------------------------------------------------------------

struct MaximumCase {
  std::vector<std::string> numbers;  // number texts carrying a record
  int expected;
};

TEST_F(ToolsTest, MaximumSetsOneMoreThanTheHighestNumberInTheDrawing) {
  const MaximumCase cases[] = {
      {{"3", "12", "7", "12"}, 13},  // numeric order, not text order; duplicates do not matter
      {{"A"}, 1},
      {{}, 1},
      {{"999"}, 1000},
      {{"1000"}, 1001},         // numbers run on past 1000
      {{"2147483647"}, 32767},  // the field's top; no overflow on the way
  };
  for (const MaximumCase& k : cases) {
    SCOPED_TRACE(::testing::PrintToString(k.numbers));
    drawing().entities.clear();
    for (const std::string& n : k.numbers)
      AddNumberText(n, 3000, 4000, 5000);
    AddText("99", {50, 50});  // a text without a record does not count
    form().SetPosition("UpDown4", 5);
    Click("Button4");
    EXPECT_EQ(form().Position("UpDown4"), k.expected);
    EXPECT_EQ(form().Text("Edit16"), std::to_string(k.expected));
    EXPECT_TRUE(AllSelectionSetsDeleted());
  }
}

TEST_F(ToolsTest, MaximumEndsAtADamagedRecordWithTheNumberAtOne) {
  AddNumberText("5", 3000, 4000, 5000);
  const host::ObjectId damaged = AddNumberText("8", 3000, 4000, 5000);
  Get(damaged).xdata[0].items = {{std::int16_t{1000}, std::string("3000")}};
  form().SetPosition("UpDown4", 20);
  Click("Button4");
  EXPECT_EQ(form().Position("UpDown4"), 1);
  EXPECT_TRUE(AllSelectionSetsDeleted());
}

TEST_F(ToolsTest, MaximumWithoutTheCadRunningStillResetsTheNumber) {
  os.Quit(app::kDefaultProgId);
  form().SetPosition("UpDown4", 20);
  Click("Button4");
  EXPECT_EQ(form().Position("UpDown4"), 1);
}

}  // namespace
}  // namespace trivane::commands::testing
