// The files a session writes: the drawing as DXF and its picture as SVG (or PNG). Each is written
// whole or not at all: the bytes go to a temporary file beside the target, which then takes its
// place.
#pragma once

#include <filesystem>
#include <stdexcept>

#include "host/model/drawing.h"
#include "host/picture/picture.h"

namespace trivane::cli {

// A file that could not be written; the target is as it was.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a write to `path` lands: the path itself, or for a symbolic link the file it leads to
// (through every link on the way), so that the link stays and its target is replaced. Throws
// OutputError when that is neither absent nor a regular file (a FIFO, a device, a folder) or the
// links go round in a circle: such a target is never replaced by a regular file.
std::filesystem::path OutputTarget(const std::filesystem::path& path);

// Each writes to OutputTarget(path).
void WriteDxf(const host::Drawing& drawing, const std::filesystem::path& path);
void WriteSvg(const host::Drawing& drawing, const std::filesystem::path& path);
// OutputError when the drawing is too large to draw (nested block references that expand past
// what a picture can show), checked before anything is written.
void CheckPicture(const host::Drawing& drawing);
// PNG needs a build with librsvg and cairo (PngAvailable); OutputError otherwise.
bool PngAvailable();
void WritePng(const host::Drawing& drawing, const std::filesystem::path& path);
// The page of a true-scale print: UsageError (naming a scale that fits) when the drawing does not
// fit the paper at the scale asked, or at any standard scale when none is asked.
host::PrintLayout LayOutPdf(const host::Drawing& drawing, const host::PrintOptions& options);
// PDF needs a build with librsvg and cairo's PDF surface (PdfAvailable); OutputError otherwise.
bool PdfAvailable();
void WritePdf(const host::Drawing& drawing, const std::filesystem::path& path,
              const host::PrintLayout& layout);
// "1/250, A4 landscape"
std::string DescribeLayout(const host::PrintLayout& layout);

}  // namespace trivane::cli
