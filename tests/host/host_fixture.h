// A host with its automation objects reached through the typed wrappers, as commands see them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "cad/automation.h"
#include "cad/objects.h"
#include "host/model/host.h"

namespace trivane::host::testing {

class HostFixture : public ::testing::Test {
 protected:
  explicit HostFixture(HostOptions options = {})
      : host(Host::Create(std::move(options))),
        app(host->Application()),
        doc(app.ActiveDocument()),
        ms(doc.ModelSpace()) {}

  std::shared_ptr<Host> host;
  cad::Application app;
  cad::Document doc;
  cad::Block ms;
};

// Runs `call`, which must fail with an AutomationError naming `member` with `code`.
inline void ExpectAutomationError(const std::function<void()>& call, const std::string& member,
                                  std::int32_t code) {
  try {
    call();
    ADD_FAILURE() << "expected an error from " << member;
  } catch (const cad::AutomationError& e) {
    EXPECT_EQ(e.member(), member) << e.what();
    EXPECT_EQ(e.code(), code) << e.what();
  }
}

}  // namespace trivane::host::testing
