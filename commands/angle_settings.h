// The drawing's angle settings, read the same way by every command that writes labels or
// markers.
#pragma once

#include "annotate/writers.h"
#include "cad/objects.h"

namespace trivane::commands {

// Remembers AUNITS, sets it to 0 (decimal degrees) so that ANGBASE comes in degrees, reads ANGBASE
// (converted to radians) and ANGDIR (as an integer), then writes the remembered AUNITS back when it
// is one of 0..4; any other value is not written back. When reading ANGBASE or ANGDIR fails, the
// remembered AUNITS is still written back before the error passes on, so that the user's angle
// units never stay switched to degrees.
annotate::AngleSettings ReadAngleSettings(const cad::Document& document);

}  // namespace trivane::commands
