// What the tests of the numbering, area-table, tool and length commands share: the program as it
// runs (the tool window with its defaults and every command registered), a host drawing running
// as the target CAD on the simulated platform, and helpers to put number markers with their data
// records into the drawing and read the result back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/application.h"
#include "app/program_state.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "host/model/shapes.h"
#include "host/sim/sim_platform.h"
#include "tests/test_folder.h"

namespace trivane::commands::testing {

// The program folder of one test, removed afterwards.
using ProgramFolder = trivane::testing::TestFolder;

// A text of the drawing as the tests compare it: what it reads, the point it is justified on,
// its alignment code.
struct PlacedText {
  std::string text;
  TAcadPoint at;
  int alignment = 0;
};

class ToolsTest : public ::testing::Test {
 protected:
  // Every host comes with its command line, which runs the insert, move and leader commands.
  ToolsTest() { os.Run(app::kDefaultProgId, host->Application(), host->hwnd()); }

  app::TForm1& form() { return program.Form(); }
  app::ProgramState& state() { return program.State(); }
  host::Drawing& drawing() { return host->drawing(); }
  host::ScriptedUser& user() { return host->user(); }
  host::Entity& Get(host::ObjectId id) { return *drawing().FindEntity(id); }
  template <typename Shape>
  Shape& ShapeOf(host::ObjectId id) {
    return std::get<Shape>(Get(id).shape);
  }

  // Clicks a button of the tool window; its command runs to its end.
  void Click(std::string_view button) { ASSERT_TRUE(form().Click(button)) << button; }

  // A single-line text justified on `at` (left texts: on their insertion point).
  host::ObjectId AddText(std::string_view text, const TAcadPoint& at, int alignment = 10,
                         double height = 4.0) {
    host::TextShape t;
    t.string = std::string(text);
    t.height = height;
    t.alignment = alignment;
    t.alignmentPoint = at;
    t.insertion = alignment == 0 ? at : host::InsertionFromAnchor(t, at);
    return host->CreateEntity(t);
  }
  // A number text carrying the triangle data record (the three side lengths).
  host::ObjectId AddNumberText(std::string_view number, double a, double b, double c,
                               const TAcadPoint& at = {}) {
    const host::ObjectId id = AddText(number, at);
    Get(id).xdata = {{"LT_TRIVANE", {{std::int16_t{1010}, TAcadPoint{a, b, c}}}}};
    return id;
  }
  host::ObjectId AddCircle(const TAcadPoint& centre, double radius) {
    return host->CreateEntity(host::CircleShape{centre, radius});
  }
  host::ObjectId AddLine(const TAcadPoint& a, const TAcadPoint& b) {
    return host->CreateEntity(host::LineShape{a, b});
  }

  // Model-space entities of one shape added after `after` (an ID; 0 for all), in the order added.
  template <typename Shape>
  std::vector<host::ObjectId> All(host::ObjectId after = 0) {
    std::vector<host::ObjectId> ids;
    for (const auto& [id, e] : drawing().entities) {
      if (id > after && e.owner == drawing().ModelSpaceId() &&
          std::holds_alternative<Shape>(e.shape))
        ids.push_back(id);
    }
    return ids;
  }
  std::vector<PlacedText> TextsAfter(host::ObjectId after) {
    std::vector<PlacedText> out;
    for (host::ObjectId id : All<host::TextShape>(after)) {
      const host::TextShape& t = ShapeOf<host::TextShape>(id);
      out.push_back({t.string, t.alignmentPoint, t.alignment});
    }
    return out;
  }
  // The newest ID in the drawing so far (entities added later have larger IDs).
  host::ObjectId Mark() {
    return drawing().entities.empty() ? 0 : drawing().entities.rbegin()->first;
  }

  // The command line shows these lines one after the other (a sent text is echoed line by line).
  bool Logged(const std::vector<std::string>& lines) {
    const std::vector<std::string> log = host->log().Lines();
    return std::search(log.begin(), log.end(), lines.begin(), lines.end()) != log.end();
  }

  bool AllSelectionSetsDeleted() {
    return std::all_of(host->selectionSets().begin(), host->selectionSets().end(),
                       [](const auto& s) { return s->deleted; });
  }
  std::vector<host::sim::Event> Messages() {
    return os.EventsOf(host::sim::EventKind::MessageShown);
  }

  ProgramFolder folder;
  host::sim::SimPlatform os;
  std::shared_ptr<host::Host> host =
      host::CreateHostWithCommandLine({.progId = std::string(app::kDefaultProgId)});
  app::Application program{os, folder.path() / "trivane.exe"};
};

}  // namespace trivane::commands::testing
