// The built-in example: a surveyed parcel of twelve corners drawn as lines, split and numbered
// with "自動", and its area table built beside it with "作成".
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "cli/table.h"
#include "host/model/drawing.h"
#include "host/picture/picture.h"

namespace trivane::cli {

// The parcel's corners, anticlockwise, in millimetres (drawing units; the scale 1000 shows
// metres): an irregular lot of about 30 m by 20 m with one re-entrant corner.
std::vector<TAcadPoint> DemoParcelCorners();
// The layer the parcel's sides are drawn on.
inline constexpr std::string_view kDemoParcelLayer = "筆界";
// A new drawing holding the parcel's sides as LINE entities on kDemoParcelLayer.
host::Drawing DemoParcelDrawing();
// The session the demo plays in it: a point inside the parcel for "自動", the table's top-left
// corner beside the parcel for "作成".
std::string DemoScript();

struct DemoResult {
  std::filesystem::path dxf;
  std::filesystem::path svg;
  std::optional<std::filesystem::path> png;  // when this build writes PNG
  std::optional<std::filesystem::path> pdf;  // when this build writes PDF: an A4 print
  host::PrintLayout page;                    // of the PDF
  SessionSummary summary;
  AreaTableText table;
};

// Plays the demo with the built-in settings and writes `folder`/demo.dxf and `folder`/demo.svg,
// and `folder`/demo.png and `folder`/demo.pdf (A4, the largest standard scale that fits) where
// the build can (the folder is made when missing). The session's
// transcript goes to `transcript`.
DemoResult RunDemo(const std::filesystem::path& folder, std::ostream& transcript);

}  // namespace trivane::cli
