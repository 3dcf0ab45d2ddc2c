// A host drawing running as the target CAD on the simulated platform, and what the writers need
// to write into it: the document, a creation list and a program folder of their own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "annotate/creation_list.h"
#include "annotate/writers.h"
#include "cad/link.h"
#include "cad/objects.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "host/sim/sim_platform.h"
#include "tests/test_folder.h"

namespace trivane::annotate::testing {

using TempFolder = trivane::testing::TestFolder;

class WriterTest : public ::testing::Test {
 protected:
  explicit WriterTest(std::string progId = "ZWCAD.Application") {
    host = host::CreateHostWithCommandLine({.progId = progId});
    os.Run(progId, host->Application(), host->hwnd());
    link.ProgId = progId;
    link.CadApplication = host->Application();
    doc = cad::Application(host->Application()).ActiveDocument();
  }

  WriterContext Writer(AngleSettings angles = {}) {
    return WriterContext{doc, angles, creation, link, folder.path()};
  }

  host::Drawing& drawing() { return host->drawing(); }
  const host::Entity& Get(host::ObjectId id) { return *drawing().FindEntity(id); }

  // The IDs of the model-space entities of one shape, in the order added.
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

  std::shared_ptr<host::Host> host;
  host::sim::SimPlatform os;
  cad::CadLink link{os};
  cad::Document doc;
  CreationList creation;
  TempFolder folder;
};

}  // namespace trivane::annotate::testing
