// The automation object the COM tests serve: it echoes values of every type, keeps a property,
// fills out arguments, fails on request and hands out child objects. Backend-independent: the
// tests reach it through ComObject over DispatchServer, in this process or in the test server.
#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "cad/automation.h"

namespace trivane::cad::com::testing {

inline constexpr char kFailReason[] = "わざと失敗しました";

class EchoObject : public Object {
 public:
  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    const InvokeKind previous = std::exchange(lastKind_, kind);
    auto need = [&](std::size_t n) {
      if (args.size() != n)
        throw AutomationError(
            std::string(member),
            "expected " + std::to_string(n) + " arguments, got " + std::to_string(args.size()),
            kErrorBadArgCount);
    };
    if (member == "Echo") {  // the first argument as it came
      need(1);
      return args[0].value;
    }
    if (member == "Args") {  // all arguments in the order they came
      Value::Variants all;
      for (const Arg& a : args)
        all.push_back(a.value);
      return Value::Array(std::move(all));
    }
    if (member == "Value") {  // a read-write property of any type
      if (kind == InvokeKind::Put) {
        need(1);
        value_ = args[0].value;
        return Value();
      }
      need(0);
      return value_;
    }
    if (member == "LastKind") {  // how the call before this one came
      lastKind_ = previous;
      return Value::Text(previous == InvokeKind::Get   ? "Get"
                         : previous == InvokeKind::Put ? "Put"
                                                       : "Call");
    }
    if (member == "Copy") {  // (in, out): out = in
      need(2);
      if (!args[1].out)
        throw AutomationError("Copy", "argument 2 must be passed by reference", kErrorInvalidArg);
      args[1].value = args[0].value;
      return Value::Text("copied");
    }
    if (member == "Increment") {  // (in/out integer): adds one
      need(1);
      if (!args[0].out)
        throw AutomationError("Increment", "argument 1 must be passed by reference",
                              kErrorInvalidArg);
      args[0].value = Value::Int32(static_cast<std::int32_t>(args[0].value.ToInteger() + 1));
      return Value();
    }
    if (member == "Fail")
      throw AutomationError("Fail", kFailReason, kErrorInvalidArg);
    if (member == "Cancel")
      throw AutomationError("Cancel", "input cancelled", kErrorCancelled);
    if (member == "Throw")
      throw std::runtime_error("not an automation error");
    if (member == "Child")
      return Value::Ref(std::make_shared<EchoObject>());
    if (member == "IsSelf") {  // whether the argument is this very object
      need(1);
      return Value::Bool(args[0].value.GetObject().get() == this);
    }
    throw AutomationError(std::string(member), "unknown member", kErrorUnknownMember);
  }

 private:
  Value value_;
  InvokeKind lastKind_ = InvokeKind::Call;
};

}  // namespace trivane::cad::com::testing
