#include "cli/output.h"

#include "cli/errors.h"
#include "host/dxf_bridge.h"
#include "host/picture.h"

namespace trivane::cli {

void WriteDxf(const host::Drawing& drawing, const std::filesystem::path& path) {
  try {
    host::WriteDrawingFile(drawing, PathText(path));
  } catch (const dxf::Error& e) {
    throw OutputError(PathText(path) + ": cannot write the drawing: " + e.what());
  }
}

void WriteSvg(const host::Drawing& drawing, const std::filesystem::path& path) {
  try {
    host::WriteSvgFile(drawing, PathText(path));
  } catch (const host::PictureError& e) {
    throw OutputError(e.what());
  }
}

bool PngAvailable() {
  return host::PngAvailable();
}

void WritePng(const host::Drawing& drawing, const std::filesystem::path& path) {
  try {
    host::WritePngFile(drawing, PathText(path));
  } catch (const host::PictureError& e) {
    throw OutputError(e.what());
  }
}

}  // namespace trivane::cli
