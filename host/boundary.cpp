#include "host/boundary.h"

#include <geos_c.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>

namespace trivane::host {

namespace {

// A GEOS context of its own for each trace (the reentrant API), keeping its last error message.
class Geos {
 public:
  Geos() : ctx_(GEOS_init_r()) {
    if (!ctx_)
      throw std::runtime_error("boundary: the geometry engine could not start");
    GEOSContext_setErrorMessageHandler_r(ctx_, &Geos::OnError, &error_);
  }
  ~Geos() { GEOS_finish_r(ctx_); }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;

  GEOSContextHandle_t get() const { return ctx_; }

  struct Deleter {
    GEOSContextHandle_t ctx;
    void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(ctx, g); }
  };
  using Geometry = std::unique_ptr<GEOSGeometry, Deleter>;

  // Takes ownership of a result; a null result is the engine's error.
  Geometry Own(GEOSGeometry* g, const char* what) const {
    if (!g)
      Fail(what);
    return Geometry(g, Deleter{ctx_});
  }
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string("boundary: ") + what + " failed" +
                             (error_.empty() ? std::string() : ": " + error_));
  }

 private:
  static void OnError(const char* message, void* userdata) {
    *static_cast<std::string*>(userdata) = message ? message : "";
  }

  GEOSContextHandle_t ctx_;
  std::string error_;
};

Geos::Geometry MakeSegment(const Geos& geos, const SegmentPrimitive& s) {
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(geos.get(), 2, 2);
  if (!seq)
    geos.Fail("a coordinate sequence");
  GEOSCoordSeq_setXY_r(geos.get(), seq, 0, s.a.x, s.a.y);
  GEOSCoordSeq_setXY_r(geos.get(), seq, 1, s.b.x, s.b.y);
  // The line takes the sequence, also when it fails.
  return geos.Own(GEOSGeom_createLineString_r(geos.get(), seq), "a line");
}

// The outer ring of a polygon, open, as read.
std::vector<TAcadPoint> OuterRing(const Geos& geos, const GEOSGeometry* polygon) {
  const GEOSGeometry* ring = GEOSGetExteriorRing_r(geos.get(), polygon);
  if (!ring)
    geos.Fail("reading a ring");
  const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(geos.get(), ring);
  unsigned int size = 0;
  if (!seq || !GEOSCoordSeq_getSize_r(geos.get(), seq, &size))
    geos.Fail("reading a ring");
  std::vector<TAcadPoint> points;
  for (unsigned int i = 0; i < size; ++i) {
    double x = 0.0;
    double y = 0.0;
    GEOSCoordSeq_getXY_r(geos.get(), seq, i, &x, &y);
    // Consecutive repeats cannot come out of the polygonizer; the closing point is dropped.
    if (points.empty() || points.back().x != x || points.back().y != y)
      points.push_back({x, y, 0.0});
  }
  if (points.size() > 1 && points.front() == points.back())
    points.pop_back();
  return points;
}

double TwiceSignedArea(const std::vector<TAcadPoint>& ring) {
  double sum = 0.0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const TAcadPoint& a = ring[i];
    const TAcadPoint& b = ring[(i + 1) % ring.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}

// Anticlockwise, from the lowest-then-leftmost vertex.
void Normalise(std::vector<TAcadPoint>& ring) {
  if (TwiceSignedArea(ring) < 0.0)
    std::reverse(ring.begin(), ring.end());
  const auto start = std::min_element(ring.begin(), ring.end(), [](const auto& a, const auto& b) {
    return a.y < b.y || (a.y == b.y && a.x < b.x);
  });
  std::rotate(ring.begin(), start, ring.end());
}

}  // namespace

std::optional<std::vector<TAcadPoint>> TraceBoundary(std::span<const SegmentPrimitive> segments,
                                                     const TAcadPoint& p,
                                                     const BoundaryOptions& options) {
  if (!(options.gridSize > 0.0))
    throw std::invalid_argument("boundary: the grid size must be positive");
  const Geos geos;
  GEOSContextHandle_t ctx = geos.get();

  std::vector<Geos::Geometry> lines;
  for (const SegmentPrimitive& s : segments) {
    if (s.a.x != s.b.x || s.a.y != s.b.y)
      lines.push_back(MakeSegment(geos, s));
  }
  if (lines.empty())
    return std::nullopt;
  // The collection takes the lines over.
  std::vector<GEOSGeometry*> raw;
  raw.reserve(lines.size());
  for (Geos::Geometry& g : lines)
    raw.push_back(g.release());
  const Geos::Geometry all =
      geos.Own(GEOSGeom_createCollection_r(ctx, GEOS_MULTILINESTRING, raw.data(),
                                           static_cast<unsigned int>(raw.size())),
               "collecting the lines");

  // Union of linework nodes it: every crossing and touch becomes a node, overlaps merge.
  const Geos::Geometry noded =
      geos.Own(GEOSUnaryUnionPrec_r(ctx, all.get(), options.gridSize), "noding the lines");
  const GEOSGeometry* nodedRaw = noded.get();
  const Geos::Geometry faces = geos.Own(GEOSPolygonize_r(ctx, &nodedRaw, 1), "forming the regions");
  const Geos::Geometry point = geos.Own(GEOSGeom_createPointFromXY_r(ctx, p.x, p.y), "a point");

  const int count = GEOSGetNumGeometries_r(ctx, faces.get());
  const GEOSGeometry* best = nullptr;
  double bestArea = std::numeric_limits<double>::infinity();
  for (int i = 0; i < count; ++i) {
    const GEOSGeometry* face = GEOSGetGeometryN_r(ctx, faces.get(), i);
    const char inside = GEOSContains_r(ctx, face, point.get());
    if (inside == 2)
      geos.Fail("the point-in-region test");
    if (inside != 1)
      continue;
    // Faces do not overlap, so one at most holds the point; the smallest wins all the same.
    double area = 0.0;
    if (!GEOSArea_r(ctx, face, &area))
      geos.Fail("measuring a region");
    if (area < bestArea) {
      bestArea = area;
      best = face;
    }
  }
  if (!best)
    return std::nullopt;
  std::vector<TAcadPoint> ring = OuterRing(geos, best);
  if (ring.size() < 3)
    return std::nullopt;
  Normalise(ring);
  return ring;
}

std::vector<SegmentPrimitive> BoundarySegments(const Drawing& d) {
  std::vector<SegmentPrimitive> out;
  for (const ObjectId id : d.EntitiesOf(d.ModelSpaceId())) {
    const Shape& shape = d.FindEntity(id)->shape;
    if (const auto* line = std::get_if<LineShape>(&shape)) {
      out.push_back({line->start, line->end});
    } else if (const auto* pl = std::get_if<PolylineShape>(&shape)) {
      const std::vector<TAcadPoint>& v = pl->vertices;
      for (std::size_t i = 0; i + 1 < v.size(); ++i)
        out.push_back({v[i], v[i + 1]});
      if (pl->closed && v.size() > 2)
        out.push_back({v.back(), v.front()});
    }
  }
  return out;
}

}  // namespace trivane::host
