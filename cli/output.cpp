#include "cli/output.h"

#include "cli/errors.h"
#include "host/dxf_bridge.h"

namespace trivane::cli {

void WriteDxf(const host::Drawing& drawing, const std::filesystem::path& path) {
  try {
    host::WriteDrawingFile(drawing, PathText(path));
  } catch (const dxf::Error& e) {
    throw OutputError(PathText(path) + ": cannot write the drawing: " + e.what());
  }
}

void WriteSvg(const host::Drawing&, const std::filesystem::path& path) {
  throw OutputError(PathText(path) + ": no picture writer yet");
}

}  // namespace trivane::cli
