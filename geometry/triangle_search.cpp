#include "geometry/triangle_search.h"

#include <cstddef>

#include "geometry/plan.h"
#include "geometry/split.h"

namespace trivane {

void PolylinesToLines(SelectionBuffers& buffers) {
  const std::vector<TLwpEle>& vertices = buffers.VertexRecords;
  std::size_t scan = 0;  // where the next polyline's vertex run is looked for
  for (const TLwpBlk& polyline : buffers.PolylineRecords) {
    std::vector<TAcadPoint> points;
    for (std::size_t k = scan; k < vertices.size(); ++k) {
      if (vertices[k].ihand == polyline.ihand) {
        points.push_back(vertices[k].code10);
      } else if (!points.empty()) {
        scan = k;
        break;
      }
    }
    if ((polyline.code70 & 1) != 0 && !points.empty())
      points.push_back(points.front());

    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
      TAcadLineBlk line;
      line.bname = polyline.bname;
      line.layer = polyline.layer;
      line.ltype = polyline.ltype;
      line.color = polyline.color;
      line.code67 = polyline.code67;
      line.code210 = polyline.code210;
      line.st = points[k];
      line.ed = points[k + 1];
      line.lwpflag = true;
      buffers.LineRecords.push_back(std::move(line));
    }
  }
}

std::vector<TAcadTriangle> FindTriangles(std::span<const TAcadLine> segments) {
  std::vector<TAcadTriangle> triangles;
  const std::size_t n = segments.size();
  if (n < 3)
    return triangles;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    const TAcadLine& a = segments[i];
    for (std::size_t j = i + 1; j + 1 < n; ++j) {
      const TAcadLine& b = segments[j];
      // Shared end v; p and q are the other ends of a and b. The last matching pair decides.
      bool joined = false;
      TAcadPoint v, p, q;
      const auto join = [&](const TAcadPoint& av, const TAcadPoint& bv, const TAcadPoint& ap,
                            const TAcadPoint& bq) {
        if (Distance(av, bv) < kNearTolerance) {
          joined = true;
          v = av, p = ap, q = bq;
        }
      };
      join(a.st, b.st, a.ed, b.ed);
      join(a.st, b.ed, a.ed, b.st);
      join(a.ed, b.st, a.st, b.ed);
      join(a.ed, b.ed, a.st, b.st);
      if (!joined)
        continue;
      for (std::size_t k = j + 1; k < n; ++k) {
        const TAcadLine& c = segments[k];
        if ((NearPoint(p, c.st, kNearTolerance) && NearPoint(q, c.ed, kNearTolerance)) ||
            (NearPoint(p, c.ed, kNearTolerance) && NearPoint(q, c.st, kNearTolerance))) {
          triangles.push_back({v, p, q});
        }
      }
    }
  }
  return triangles;
}

}  // namespace trivane
