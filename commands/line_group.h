// "群選択" (Button13): the user selects the lines and polylines of a region already divided into
// triangles; every triangle they form is labelled and numbered as the automatic split does.
#pragma once

#include "cad/objects.h"
#include "commands/context.h"

namespace trivane::commands {

// Selection on screen without a filter. When it holds at least one object, the selection buffers
// are emptied and refilled, in selection order, from its lines (one line record each) and its
// lightweight polylines (one polyline record with its index in the selection and its closed flag,
// and one vertex record per vertex); other objects contribute nothing. When a line or polyline
// was taken, TrianglesFromLineGroup runs. The temporary selection set is deleted at the end.
void Button13Click(CommandContext& c);

// The run on the filled buffers: polylines become segments, the triangles among the segments
// are found and labelled (LabelTriangles). No segment at all: the message
// "線分またはポリラインではありません．."; fewer than three, or no triangle: nothing, silently.
void TrianglesFromLineGroup(CommandContext& c, const cad::Application& application);

}  // namespace trivane::commands
