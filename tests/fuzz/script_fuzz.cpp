// Fuzz target: a session script, parsed and, when it parses, played on a small parcel. Every
// failure must be a UsageError naming the line; nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "cli/errors.h"
#include "cli/script.h"
#include "cli/session.h"
#include "host/model/shapes.h"

namespace {

trivane::host::Drawing Parcel() {
  using namespace trivane;
  host::Drawing d;
  const TAcadPoint corners[] = {{0, 0, 0}, {10000, 0, 0}, {12000, 8000, 0}, {0, 9000, 0}};
  for (std::size_t i = 0; i < 4; ++i) {
    host::Entity e;
    e.shape = host::LineShape{corners[i], corners[(i + 1) % 4]};
    d.AddEntity(std::move(e));
  }
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trivane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  cli::Script script;
  try {
    script = cli::ParseScript(text, "fuzz.txt");
  } catch (const cli::UsageError&) {
    return 0;
  }
  // Long scripts only repeat what short ones find, much more slowly.
  if (script.steps.size() > 12)
    return 0;
  std::ostringstream transcript;
  cli::Session session({}, transcript);
  session.SetDrawing(Parcel());
  try {
    session.Play(script);
  } catch (const cli::UsageError&) {
  }
  return 0;
}
