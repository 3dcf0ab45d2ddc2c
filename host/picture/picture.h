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
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/model/drawing.h"

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

// ---- A print at true scale: a vector PDF of one A4 or A3 page, drawing units in millimetres.
//
//   const host::PrintLayout page = host::LayOutPrint(drawing, {host::Paper::A3, 250});
//   host::WritePdfFile(drawing, "parcel.pdf", page);
//
// The page is the picture above on another surface: the same drawing at exactly 1/scale (a
// length of L mm measures L/scale mm on paper), centred on the page, landscape when the drawing
// is wider than it is tall, with lines of a pen's width and texts as text (searchable, fonts
// embedded). A small caption in the bottom margin states the scale and the paper.

enum class Paper { A4, A3 };
// "A4", "A3"; nullopt for anything else (letters of either case).
std::optional<Paper> PaperByName(std::string_view name);
std::string_view PaperName(Paper paper);

// The scales tried, largest first, when none is asked for: 1/100, 1/200, ... 1/1000.
inline constexpr int kStandardScales[] = {100, 200, 250, 300, 500, 600, 1000};

struct PrintOptions {
  Paper paper = Paper::A4;
  std::optional<int> scale;  // N of 1/N; when absent, the largest standard scale that fits
};

struct PrintLayout {
  Paper paper = Paper::A4;
  bool landscape = false;
  int scale = 100;
  double widthMm = 210.0;  // of the page as printed
  double heightMm = 297.0;
  std::string Caption() const;  // "縮尺 1/250 A4"
};

// The drawing does not fit the paper at the scale asked (or at any standard scale). The message
// names a scale that fits; `fittingScale` is it.
class PrintFitError : public PictureError {
 public:
  PrintFitError(const std::string& what, int fittingScale)
      : PictureError(what), fittingScale_(fittingScale) {}
  int fittingScale() const { return fittingScale_; }

 private:
  int fittingScale_;
};

// Where the drawing goes on paper; throws PrintFitError when it does not fit inside the margins.
PrintLayout LayOutPrint(const Drawing& drawing, const PrintOptions& options = {});

// True when this build can write PDF (librsvg and cairo with its PDF surface were found).
bool PdfAvailable();
// Writes the page through a temporary file beside the target. Throws PictureError naming the
// file on failure (the target is then untouched), or when PDF is not available.
void WritePdfFile(const Drawing& drawing, const std::string& path, const PrintLayout& layout);

// True when this build can write PNG (librsvg and cairo were found).
bool PngAvailable();
// The SVG rendered to PNG. Throws PictureError when PNG is not available or rendering fails.
void WritePngFile(const Drawing& drawing, const std::string& path,
                  const PictureOptions& options = {});

}  // namespace trivane::host
