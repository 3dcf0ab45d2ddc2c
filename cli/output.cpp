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

host::PrintLayout LayOutPdf(const host::Drawing& drawing, const host::PrintOptions& options) {
  try {
    return host::LayOutPrint(drawing, options);
  } catch (const host::PictureError& e) {
    throw UsageError(std::string("--pdf: ") + e.what());
  }
}

bool PdfAvailable() {
  return host::PdfAvailable();
}

void WritePdf(const host::Drawing& drawing, const std::filesystem::path& path,
              const host::PrintLayout& layout) {
  try {
    host::WritePdfFile(drawing, PathText(path), layout);
  } catch (const host::PictureError& e) {
    throw OutputError(e.what());
  }
}

std::string DescribeLayout(const host::PrintLayout& layout) {
  return "1/" + std::to_string(layout.scale) + ", " + std::string(host::PaperName(layout.paper)) +
         (layout.landscape ? " landscape" : " portrait");
}

}  // namespace trivane::cli
