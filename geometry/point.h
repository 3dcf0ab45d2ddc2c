// Plain value records of plan geometry: points, segments and triangles in drawing units of the
// CAD's world coordinate system. Copied by value; nothing owns them.
#pragma once

namespace trivane {

struct TAcadPoint {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  friend bool operator==(const TAcadPoint&, const TAcadPoint&) = default;
};

struct TAcadLine {
  TAcadPoint st;
  TAcadPoint ed;
  friend bool operator==(const TAcadLine&, const TAcadLine&) = default;
};

// Points in the order the triangle was found or built; BaseAndHeight breaks ties by this order.
struct TAcadTriangle {
  TAcadPoint p1;
  TAcadPoint p2;
  TAcadPoint p3;
  friend bool operator==(const TAcadTriangle&, const TAcadTriangle&) = default;
};

}  // namespace trivane
