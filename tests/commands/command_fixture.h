// What the command tests share: a tool window with the built-in defaults, a host drawing running
// as the target CAD on the simulated platform with its command line, and the program state a
// command sees.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "annotate/creation_list.h"
#include "cad/link.h"
#include "commands/context.h"
#include "geometry/numbers.h"
#include "geometry/split.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "host/sim/sim_platform.h"
#include "tests/test_folder.h"

namespace trivane::commands::testing {

// The controls the commands read, with the window's defaults. An unknown name is a
// std::logic_error, as with the real window.
class FakeWindow final : public ToolWindow {
 public:
  struct UpDown {
    int min, max, position;
    std::string edit;
  };

  std::map<std::string, std::string, std::less<>> texts{
      {"Edit1", "8.0"}, {"Edit2", "10.0"},  {"Edit3", "300"},      {"Edit5", "400"},
      {"Edit6", "500"}, {"Edit8", "1000"},  {"Edit12", "H_TEXT"},  {"Edit15", "H_HEN"},
      {"Edit16", "1"},  {"Edit17", "1000"}, {"Edit19", "H_TAKASA"}};
  std::map<std::string, UpDown, std::less<>> upDowns{{"UpDown4", {1, 1000, 1, "Edit16"}}};
  std::map<std::string, int, std::less<>> radioGroups{{"RadioGroup1", 0}};
  std::map<std::string, bool, std::less<>> checks{{"CheckBox2", true}, {"CheckBox5", false}};
  std::map<std::string, bool, std::less<>> enabled{{"Button9", false}};

  std::string Text(std::string_view control) const override { return Find(texts, control); }
  int Position(std::string_view upDown) const override { return Find(upDowns, upDown).position; }
  void SetPosition(std::string_view upDown, int position) override {
    UpDown& u = FindMutable(upDowns, upDown);
    u.position = std::clamp(position, u.min, u.max);
    texts[u.edit] = std::to_string(u.position);
  }
  bool Checked(std::string_view checkBox) const override { return Find(checks, checkBox); }
  int ItemIndex(std::string_view radioGroup) const override {
    return Find(radioGroups, radioGroup);
  }
  void SetEnabled(std::string_view control, bool on) override {
    FindMutable(enabled, control) = on;
  }

 private:
  template <typename Map>
  static const typename Map::mapped_type& Find(const Map& m, std::string_view name) {
    const auto it = m.find(name);
    if (it == m.end())
      throw std::logic_error("no control " + std::string(name));
    return it->second;
  }
  template <typename Map>
  static typename Map::mapped_type& FindMutable(Map& m, std::string_view name) {
    const auto it = m.find(name);
    if (it == m.end())
      throw std::logic_error("no control " + std::string(name));
    return it->second;
  }
};

// The host's own command line, keeping every text the commands send it.
class RecordingCommandLine final : public host::CommandInterpreter {
 public:
  void Run(host::Host& host, std::string_view text) override {
    commands.emplace_back(text);
    inner_.Run(host, text);
  }

  std::vector<std::string> commands;

 private:
  host::CadCommandLine inner_;
};

// The program folder of a test.
using TempFolder = trivane::testing::TestFolder;

// A label or number text as the tests compare it: where it stands and what it reads.
struct TextAt {
  TAcadPoint at;
  std::string text;
};

class CommandTest : public ::testing::Test {
 protected:
  CommandTest() {
    host = host::CreateHostWithCommandLine({.progId = "ZWCAD.Application"});
    auto recorder = std::make_unique<RecordingCommandLine>();
    commandLine = recorder.get();
    host->SetInterpreter(std::move(recorder));
    UseProduct("ZWCAD.Application");
    drawing().vars.VIEWSIZE = 100.0;  // pick box 0.5 either side; split rays of 1000
    window.texts["Edit8"] = "1";      // scale 1: labels show drawing units
  }

  // The target CAD runs under this ProgID (the host answers its idle query).
  void UseProduct(const std::string& progId) {
    host->SetProgId(progId);
    os.Run(progId, host->Application(), host->hwnd());
    link.ProgId = progId;
  }
  host::Drawing& drawing() { return host->drawing(); }
  host::ScriptedUser& user() { return host->user(); }
  const host::Entity& Get(host::ObjectId id) { return *drawing().FindEntity(id); }

  host::ObjectId AddLine(const TAcadPoint& a, const TAcadPoint& b) {
    return host->CreateEntity(host::LineShape{a, b});
  }
  host::ObjectId AddPolyline(std::vector<TAcadPoint> vertices, bool closed) {
    host::PolylineShape p;
    p.vertices = std::move(vertices);
    p.closed = closed;
    return host->CreateEntity(p);
  }

  template <typename Shape>
  std::vector<host::ObjectId> All() {
    std::vector<host::ObjectId> ids;
    for (const auto& [id, e] : drawing().entities) {
      if (e.owner == drawing().ModelSpaceId() && std::holds_alternative<Shape>(e.shape))
        ids.push_back(id);
    }
    return ids;
  }
  template <typename Shape>
  const Shape& ShapeOf(host::ObjectId id) {
    return std::get<Shape>(Get(id).shape);
  }

  // Length labels (bottom centre) and number texts (middle centre), in the order written.
  std::vector<TextAt> TextsAligned(int alignment) {
    std::vector<TextAt> out;
    for (host::ObjectId id : All<host::TextShape>()) {
      const host::TextShape& t = ShapeOf<host::TextShape>(id);
      if (t.alignment == alignment)
        out.push_back({t.alignmentPoint, t.string});
    }
    return out;
  }
  std::vector<TextAt> Labels() { return TextsAligned(13); }
  std::vector<TextAt> Numbers() { return TextsAligned(10); }

  // The record on the number text that reads `number`: its three values.
  std::vector<double> RecordOf(std::string_view number) {
    for (host::ObjectId id : All<host::TextShape>()) {
      const host::Entity& e = Get(id);
      if (std::get<host::TextShape>(e.shape).string != number || e.xdata.empty())
        continue;
      const auto p = std::get<TAcadPoint>(e.xdata.at(0).items.at(0).value);
      return {p.x, p.y, p.z};
    }
    return {};
  }

  std::vector<host::sim::Event> Messages() {
    return os.EventsOf(host::sim::EventKind::MessageShown);
  }

  std::shared_ptr<host::Host> host;
  host::sim::SimPlatform os;
  cad::CadLink link{os};
  RecordingCommandLine* commandLine = nullptr;
  FakeWindow window;
  NumberSettings numbers;
  annotate::CreationList creation;
  SelectionBuffers buffers;
  TAcadTriangle lastBase;
  TempFolder folder;
  int nextPointNumber = 1;
  CommandFailures failures;
  NumberingState numbering;
  CommandContext c{link,     window,        numbers,         creation, buffers,
                   lastBase, folder.path(), nextPointNumber, failures, numbering};
};

// Text positions compare within this distance.
inline constexpr double kAt = 1e-9;

// The texts expected, in order, each at its point within `tol`.
inline void ExpectTexts(const std::vector<TextAt>& actual, const std::vector<TextAt>& expected,
                        double tol = kAt) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].text, expected[i].text);
    EXPECT_NEAR(actual[i].at.x, expected[i].at.x, tol);
    EXPECT_NEAR(actual[i].at.y, expected[i].at.y, tol);
  }
}

}  // namespace trivane::commands::testing
