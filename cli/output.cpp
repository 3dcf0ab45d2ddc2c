#include "cli/output.h"

#include "cli/errors.h"
#include "host/bridge/dxf_bridge.h"

namespace trivane::cli {

namespace fs = std::filesystem;

fs::path OutputTarget(const fs::path& path) {
  constexpr int kMaxLinks = 40;  // as many as the system follows in one path
  fs::path at = path;
  for (int links = 0;; ++links) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(at, ec);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular)
      return at;
    if (ec)
      throw OutputError(PathText(path) + ": cannot write: " + ec.message());
    if (status.type() != fs::file_type::symlink)
      throw OutputError(
          PathText(path) + ": cannot write: " +
          (status.type() == fs::file_type::directory ? "a folder" : "not a regular file") +
          (at == path ? "" : " (" + PathText(at) + ")"));
    if (links == kMaxLinks)
      throw OutputError(PathText(path) + ": cannot write: too many symbolic links");
    const fs::path next = fs::read_symlink(at, ec);
    if (ec)
      throw OutputError(PathText(path) + ": cannot write: " + ec.message());
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
}

void WriteDxf(const host::Drawing& drawing, const std::filesystem::path& requested) {
  const fs::path path = OutputTarget(requested);
  try {
    host::WriteDrawingFile(drawing, PathText(path));
  } catch (const dxf::Error& e) {
    throw OutputError(PathText(path) + ": cannot write the drawing: " + e.what());
  }
}

void WriteSvg(const host::Drawing& drawing, const std::filesystem::path& requested) {
  const fs::path path = OutputTarget(requested);
  try {
    host::WriteSvgFile(drawing, PathText(path));
  } catch (const host::PictureError& e) {
    throw OutputError(e.what());
  }
}

void CheckPicture(const host::Drawing& drawing) {
  try {
    host::CheckPictureSize(drawing);
  } catch (const host::PictureError& e) {
    throw OutputError(std::string("cannot draw the picture: ") + e.what());
  }
}

bool PngAvailable() {
  return host::PngAvailable();
}

void WritePng(const host::Drawing& drawing, const std::filesystem::path& requested) {
  const fs::path path = OutputTarget(requested);
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

void WritePdf(const host::Drawing& drawing, const std::filesystem::path& requested,
              const host::PrintLayout& layout) {
  const fs::path path = OutputTarget(requested);
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
