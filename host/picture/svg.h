// What the SVG painter gives the PNG and PDF writers (png.cpp), which draw its pictures again, and
// how the picture's files are written.
#pragma once

#include <string>

#include "host/model/drawing.h"
#include "host/picture/picture.h"

namespace trivane::host {

// The SVG of a print's page, in millimetres of paper.
std::string PageSvg(const Drawing& drawing, const PrintLayout& layout);

// Writes the bytes through a temporary file beside the target, renamed over it once complete.
// Throws PictureError when that fails; the target is then untouched.
void WriteAtomically(const std::string& path, const std::string& bytes);

}  // namespace trivane::host
