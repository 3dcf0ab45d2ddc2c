// Shared pieces of the CAD link tests: a built-in host running under a ProgID on the simulated
// platform, the link that reaches it, and an object that forwards to another but fails chosen
// members.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "cad/automation.h"
#include "cad/link.h"
#include "cad/objects.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "host/sim/sim_platform.h"

namespace trivane::cad::testing {

// A host drawing running as the target CAD.
class LinkTest : public ::testing::Test {
 protected:
  // (Re)starts the host under `progId`: the host answers that product's idle-state query, the
  // platform runs it under the ProgID, and the link targets it.
  void Start(const std::string& progId) {
    host = host::CreateHostWithCommandLine({.progId = progId});
    os.Run(progId, host->Application(), host->hwnd());
    link.ProgId = progId;
    app = Application(host->Application());
    doc = app.ActiveDocument();
  }
  void SetUp() override { Start("ZWCAD.Application"); }

  std::shared_ptr<host::Host> host;
  host::sim::SimPlatform os;
  CadLink link{os};
  Application app;
  Document doc;
};

// Forwards every call to `inner` (nothing: every call fails) but fails the members named in
// `failing` with AutomationError(kErrorFailed); counts the calls by member name.
class FaultyObject final : public Object {
 public:
  FaultyObject(ObjectRef inner, std::set<std::string, std::less<>> failing)
      : inner_(std::move(inner)), failing_(std::move(failing)) {}

  Value Invoke(std::string_view member, InvokeKind kind, std::span<Arg> args) override {
    ++calls[std::string(member)];
    if (!inner_ || failing_.contains(member))
      throw AutomationError(std::string(member), "refused by the test", kErrorFailed);
    return inner_->Invoke(member, kind, args);
  }

  std::map<std::string, int, std::less<>> calls;

 private:
  ObjectRef inner_;
  std::set<std::string, std::less<>> failing_;
};

}  // namespace trivane::cad::testing
