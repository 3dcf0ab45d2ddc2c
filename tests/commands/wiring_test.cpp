// The area commands run from the tool window's buttons, as the program wires them.
#include <gtest/gtest.h>

#include "app/application.h"
#include "command_fixture.h"

namespace trivane::commands {
namespace {

using host::UserAnswer;

class Wiring : public ::testing::Test {
 protected:
  Wiring() {
    os.Run(app::kDefaultProgId, host->Application(), host->hwnd());
    host->CreateEntity(
        host::PolylineShape{{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, true, 0.0, {}});
    host->drawing().vars.VIEWSIZE = 100.0;
  }

  std::size_t Count(std::string_view text) {
    std::size_t n = 0;
    for (const auto& [id, e] : host->drawing().entities) {
      if (const auto* t = std::get_if<host::TextShape>(&e.shape); t && t->string == text)
        ++n;
    }
    return n;
  }

  std::shared_ptr<host::Host> host =
      host::CreateHostWithCommandLine({.progId = std::string(app::kDefaultProgId)});
  host::sim::SimPlatform os;
  testing::TempFolder folder;
  app::Application program{os, folder.path() / "trivane.exe"};
};

TEST_F(Wiring, AutoNumbersBaseLineEnablesReversalSplitDisablesIt) {
  app::TForm1& form = program.Form();
  host->user().Push(UserAnswer::Point({5, 5, 0}));
  ASSERT_TRUE(form.Click("Button10"));
  EXPECT_EQ(Count("1"), 1u);
  EXPECT_EQ(Count("2"), 1u);
  EXPECT_EQ(form.Text("Edit16"), "3");

  // A base line of 10000 units: the default sides 8.0 and 10.0 times 1000.
  host->CreateEntity(host::LineShape{{0, -20000, 0}, {10000, -20000, 0}});
  host->user().Push(UserAnswer::Pick({2000, -20000, 0}));
  host->user().Push(UserAnswer::Point({5000, -25000, 0}));
  ASSERT_TRUE(form.Click("Button1"));
  EXPECT_TRUE(form.Enabled("Button9"));
  EXPECT_EQ(Count("3"), 1u);

  ASSERT_TRUE(form.Click("Button9"));
  EXPECT_EQ(Count("3"), 1u) << "the rebuilt triangle keeps its number";
  EXPECT_EQ(form.Text("Edit16"), "4");

  host->user().Push(UserAnswer::Point({50, 50, 0}));  // outside: the boundary message
  ASSERT_TRUE(form.Click("Button12"));
  EXPECT_FALSE(form.Enabled("Button9"));
}

}  // namespace
}  // namespace trivane::commands
