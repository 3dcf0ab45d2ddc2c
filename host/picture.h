// A picture of the host's drawing for a person to look at: SVG always, PNG where the build found
// librsvg and cairo.
//
//   host::WriteSvgFile(host->drawing(), "result.svg");
//   if (host::PngAvailable()) host::WritePngFile(host->drawing(), "result.png");
//
// Every model-space entity is drawn (block references with their block's entities placed), fitted
// to the drawing's extents with a margin; drawing y runs up, picture y down. Lines, polylines (arcs
// of bulged segments included), circles, texts at their alignment point with their rotation and
// width factor, leaders with a closed filled arrowhead; from the file the drawing was loaded from,
// also the arcs and multiline texts of model space, which the host does not model.
//
// Colours: the entity's own (group 62 or 420 of its passthrough) or its layer's, on a white
// background (colour 7 draws black); entities of layers that are off are left out. Texts use a
// Japanese-capable font family, so Japanese stays readable.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/drawing.h"

namespace trivane::host {

class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PictureOptions {
  double width = 1600.0;  // pixels of the longer side of the drawing's extents
  double margin = 24.0;   // pixels around them
  double strokeWidth = 1.2;
};

// Nested block references can make a small file expand to more parts than a picture can show.
inline constexpr std::int64_t kMaxPictureParts = 1'000'000;
// Throws PictureError when drawing the picture would take more than kMaxPictureParts parts. Counts
// each block definition once: cheap whatever the nesting.
void CheckPictureSize(const Drawing& drawing);

// The SVG document. An empty drawing gives an empty picture of the margins' size. Throws
// PictureError past kMaxPictureParts (CheckPictureSize).
std::string DrawingToSvg(const Drawing& drawing, const PictureOptions& options = {});

// Writes the SVG (or PNG) through a temporary file beside the target that replaces it only when
// complete. Throws PictureError naming the file on failure; the target is then untouched.
void WriteSvgFile(const Drawing& drawing, const std::string& path,
                  const PictureOptions& options = {});

// True when this build can write PNG (librsvg and cairo were found).
bool PngAvailable();
// The SVG rendered to PNG. Throws PictureError when PNG is not available or rendering fails.
void WritePngFile(const Drawing& drawing, const std::string& path,
                  const PictureOptions& options = {});

}  // namespace trivane::host
