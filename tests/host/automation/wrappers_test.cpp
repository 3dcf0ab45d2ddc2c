// The typed wrappers: the value types they send and the conversions of what comes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cad/objects.h"

namespace trivane::cad {
namespace {

// Records each call and answers with a fixed value, writing out arguments like a CAD would.
class Recorder : public Object {
 public:
  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    Call c{std::string(member), kind, {}};
    for (Arg& a : args) {
      c.args.push_back(a.value);
      if (a.out)
        a.value = out;
    }
    calls.push_back(std::move(c));
    return answer;
  }
  struct Call {
    std::string member;
    InvokeKind kind;
    std::vector<Value> args;
  };
  std::vector<Call> calls;
  Value answer;
  Value out;
};

TEST(Wrappers, SendTheValueTypesTheCadExpects) {
  auto rec = std::make_shared<Recorder>();
  SelectionSet ss(rec);
  ss.Select(kSelectCrossing, {1, 2, 3}, {4, 5, 6}, SelectionFilter::EntityType("TEXT"));
  ss.Select(kSelectLast);
  Entity(rec).SetXdata({1001, 1010}, {Value::Text("LT_TRIVANE"), Value::Doubles({1, 2, 3})});
  Document(rec).SetVariable("SNAPMODE", Value::Int16(0));
  rec->answer = Value::Ref(std::make_shared<Recorder>());
  Document(rec).ObjectIdToObject(std::int64_t{1} << 40);

  ASSERT_EQ(rec->calls.size(), 5u);
  EXPECT_EQ(rec->calls[0].member, "Select");
  EXPECT_EQ(rec->calls[0].args, (std::vector<Value>{Value::Int32(1), Value::Doubles({1, 2, 3}),
                                                    Value::Doubles({4, 5, 6}), Value::Int16s({0}),
                                                    Value::Array({Value::Text("TEXT")})}));
  // No filter and no points: empty values in their places.
  EXPECT_EQ(rec->calls[1].args,
            (std::vector<Value>{Value::Int32(4), Value(), Value(), Value(), Value()}));
  EXPECT_EQ(rec->calls[2].args[0], Value::Int16s({1001, 1010}));
  EXPECT_EQ(rec->calls[2].args[1].type(), Value::Type::VariantArray);
  EXPECT_EQ(rec->calls[3].args[1], Value::Int16(0));
  EXPECT_EQ(rec->calls[4].args[0], Value::Int64(std::int64_t{1} << 40));
}

TEST(Wrappers, ReadOutArgumentsAndRefuseMalformedPoints) {
  auto rec = std::make_shared<Recorder>();
  rec->out = Value::Doubles({7, 8, 9});
  const XdataValues x = Entity(rec).GetXdata("LT_TRIVANE");
  EXPECT_EQ(x.types, Value::Doubles({7, 8, 9}));  // left raw for the reader to check
  EXPECT_EQ(rec->calls[0].args[1], Value());

  rec->answer = Value::Doubles({1, 2});
  try {
    Line(rec).StartPoint();
    ADD_FAILURE() << "a point of two doubles was taken";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "StartPoint");
  }
  rec->answer = Value::Text("x");
  try {
    Text(rec).Rotation();
    ADD_FAILURE() << "a text was taken as a number";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "Rotation");
    EXPECT_EQ(e.code(), kErrorTypeMismatch);
  }
  try {
    Entity().EntityName();
    ADD_FAILURE() << "an empty wrapper was called";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "EntityName");
  }
}

}  // namespace
}  // namespace trivane::cad
