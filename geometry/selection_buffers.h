// The selection buffers: records of the drawing-exchange family filled by the line-group command
// from the user's selection and turned into segments by PolylinesToLines. Fields named codeNN
// carry the DXF group code NN (10 point, 42 bulge, 70 flags, 210 extrusion direction). Only st/ed,
// lwpflag, ihand, code70, code10 and code42 take part in the system; the rest stay empty or zero.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/point.h"

namespace trivane {

struct TAcadLineBlk {
  std::string bname, layer, ltype;
  std::int16_t color = 0;
  TAcadPoint st, ed;
  std::uint32_t PenColor = 0;
  std::int32_t PenStyle = 0;
  std::int16_t code67 = 0;
  TAcadPoint code210;
  std::int16_t layindex = 0;
  double atsumi = 0.0;
  std::int16_t convtype = 0;
  bool lwpflag = false;  // true on records made from a polyline
};

struct TLwpBlk {
  std::string bname, layer, ltype;
  std::int32_t ihand = 0;  // the polyline's identifier
  std::int16_t color = 0, code67 = 0;
  std::int16_t code70 = 0;  // flags; bit value 1 = closed
  std::int16_t code71 = 0, code72 = 0, code73 = 0, code74 = 0;
  TAcadPoint code210;
  std::uint32_t PenColor = 0;
  std::int32_t PenStyle = 0;
  std::int16_t layindex = 0;
  double atsumi = 0.0, Koudo = 0.0, atumi = 0.0;
  std::string hand;
  double code38 = 0.0, code39 = 0.0;
};

struct TLwpEle {
  std::int32_t ihand = 0;  // identifier of the owning polyline
  TAcadPoint code10;       // the vertex
  double code42 = 0.0;     // the bulge; always 0 from the line-group command
  std::string hand;
};

// Program-wide in the tool (one instance, owned by the program state); emptied and refilled by
// each line-group selection that holds at least one object.
struct SelectionBuffers {
  std::vector<TAcadLineBlk> LineRecords;
  std::vector<TLwpBlk> PolylineRecords;
  std::vector<TLwpEle> VertexRecords;

  void Clear() {
    LineRecords.clear();
    PolylineRecords.clear();
    VertexRecords.clear();
  }
};

}  // namespace trivane
