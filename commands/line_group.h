// "群選択" (Button13): the user selects the lines and polylines of a region already divided into
// triangles; every triangle they form is labelled and numbered as the automatic split does.
#pragma once

#include <string_view>

#include "cad/objects.h"
#include "commands/context.h"

namespace trivane::commands {

// Selection on screen without a filter. When it holds at least one object, the selection buffers
// are emptied and refilled, in selection order, from its lines (one line record each) and its
// lightweight polylines (one polyline record with its index in the selection and its closed flag,
// and one vertex record per vertex); other objects contribute nothing. When a line or polyline
// was taken, TrianglesFromLineGroup runs. The temporary selection set is deleted at the end.
void Button13Click(CommandContext& c);

// The run on the filled buffers: polylines become segments, and the land they divide the plane
// into (FindLandPieces) is taken piece by piece: the triangles are labelled (LabelTriangles), but
// not those that hold the marker of a triangle numbered before (FindNumberedLand; one message
// says how many were left); pieces that are not triangles are numbered not at all and reported
// in one message with their count and area. No segment at all: the message
// "線分またはポリラインではありません．."; fewer than three: nothing, silently; no land at all:
// kNoLandText.
void TrianglesFromLineGroup(CommandContext& c, const cad::Application& application);

// The messages of the land the lines draw. kLandNotTriangleText: {} the number of pieces that are
// not triangles, {} their area at the area decimals (drawing units over the scale, squared).
inline constexpr std::string_view kLandNotTriangleText =
    "三角形でない区画が{}個あります（面積 計{}）．番号は付けていません．";
inline constexpr std::string_view kNoLandText = "選択した線は土地を囲んでいません．";
inline constexpr std::string_view kLinesNotSortedText =
    "線の交わりを整理できませんでした．数え落としがないか確かめてください．";

}  // namespace trivane::commands
