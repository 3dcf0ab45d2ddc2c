#include "geometry/split.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "geometry/grid_cell.h"
#include "geometry/plan.h"
#include "geometry/predicates.h"
#include "geometry/triangulate.h"

namespace trivane {

namespace {

constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2;

// p lies on the closed segment s-e: collinear by the exact predicate and within its box.
bool OnSegmentExactly(const TAcadPoint& p, const TAcadPoint& s, const TAcadPoint& e) {
  return std::min(s.x, e.x) <= p.x && p.x <= std::max(s.x, e.x) && std::min(s.y, e.y) <= p.y &&
         p.y <= std::max(s.y, e.y) && Orient(s, e, p) == Orientation::kCollinear;
}

bool NearPerAxis(const TAcadPoint& p, const TAcadPoint& q) {
  return std::fabs(q.x - p.x) < kNearTolerance && std::fabs(q.y - p.y) < kNearTolerance;
}

double DistanceFromTarget(double angle) {
  return std::fabs(angle - kTargetAngle);
}

// What an upward ray from p makes of one edge s -> e (see PointInPolygon).
enum class RayMeets { kNothing, kCrossing, kPoint };

RayMeets RayAgainstEdge(const TAcadPoint& p, const TAcadPoint& s, const TAcadPoint& e,
                        double rayLength) {
  if (OnSegmentExactly(p, s, e))
    return RayMeets::kPoint;
  // Half-open in x: an edge counts when exactly one of its ends lies right of the ray, so a ray
  // through a vertex counts one crossing where the boundary passes through it and none (or two)
  // where it only touches the vertex; edges along the ray never count.
  if ((s.x > p.x) == (e.x > p.x))
    return RayMeets::kNothing;
  // The crossing is above p when p lies below the edge: right of it when the edge runs towards
  // +x, left of it otherwise.
  const Orientation side = Orient(s, e, p);
  const bool above =
      e.x > s.x ? side == Orientation::kClockwise : side == Orientation::kCounterClockwise;
  if (!above)
    return RayMeets::kNothing;
  const double crossingY = s.y + (p.x - s.x) * (e.y - s.y) / (e.x - s.x);
  return crossingY - p.y <= rayLength ? RayMeets::kCrossing : RayMeets::kNothing;
}

// Whether SegmentIntersection(a, b, s, e) can find a meeting point, told without dividing: its
// quotients t and u must both be positive and at most 1, so each numerator must have the sign of
// the denominator and at most twice its size (a quotient of 2 or more never rounds down to 1).
// The same differences and products as SegmentIntersection's, so a pair it rules out has no meeting
// point there either; most edges of a region are ruled out here.
bool MayMeet(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& s, const TAcadPoint& e) {
  const double d1x = b.x - a.x, d1y = b.y - a.y;
  const double d2x = e.x - s.x, d2y = e.y - s.y;
  const double den = d2x * d1y - d1x * d2y;
  const double acx = s.x - a.x, acy = s.y - a.y;
  const auto within = [den](double numerator) {
    return (den > 0 ? numerator > 0 : numerator < 0) && std::fabs(numerator) <= 2 * std::fabs(den);
  };
  return within(d2x * acy - d2y * acx) && within(d1x * acy - d1y * acx);
}

// The segments a-b and s-e cross at a point inside both: the ends of each lie strictly on
// either side of the other's line (exact orientation).
bool CrossProperly(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& s,
                   const TAcadPoint& e) {
  if (std::max(a.x, b.x) < std::min(s.x, e.x) || std::max(s.x, e.x) < std::min(a.x, b.x) ||
      std::max(a.y, b.y) < std::min(s.y, e.y) || std::max(s.y, e.y) < std::min(a.y, b.y))
    return false;
  const Orientation s1 = Orient(a, b, s), s2 = Orient(a, b, e);
  if (s1 == Orientation::kCollinear || s2 == Orientation::kCollinear || s1 == s2)
    return false;
  const Orientation a1 = Orient(s, e, a), a2 = Orient(s, e, b);
  return a1 != Orientation::kCollinear && a2 != Orientation::kCollinear && a1 != a2;
}

// The segment a-b meets the edge s -> e farther than kNearTolerance from both a and b, or crosses
// it anywhere. An edge that ends at a meets a-b there and is not crossed; an edge of a corner
// standing within the tolerance of a (the other corner of a keyhole's mouth) can be, and a cut
// across it leaves the region.
bool SegmentCrossesEdge(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& s,
                        const TAcadPoint& e) {
  if (MayMeet(a, b, s, e)) {
    const auto x = SegmentIntersection(a, b, s, e);
    if (x && Distance(a, *x) > kNearTolerance && Distance(b, *x) > kNearTolerance)
      return true;
  }
  return CrossProperly(a, b, s, e);
}

// The extent of a boundary, and how finely to grid it: about one cell per vertex, the cells about
// as wide as they are tall.
struct Extent {
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  bool finite = false;        // every coordinate, and the extent's width and height
  bool pointsFinite = false;  // every coordinate
  std::size_t columns = 1, rows = 1;
};

Extent ExtentOf(std::span<const TAcadPoint> boundary) {
  Extent box;
  if (boundary.empty())
    return box;
  box.xMin = box.xMax = boundary.front().x;
  box.yMin = box.yMax = boundary.front().y;
  bool finite = true;
  for (const TAcadPoint& p : boundary) {
    finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
    box.xMin = std::min(box.xMin, p.x), box.xMax = std::max(box.xMax, p.x);
    box.yMin = std::min(box.yMin, p.y), box.yMax = std::max(box.yMax, p.y);
  }
  const double width = box.xMax - box.xMin, height = box.yMax - box.yMin;
  box.pointsFinite = finite;
  box.finite = finite && std::isfinite(width) && std::isfinite(height);
  if (!box.finite)
    return box;
  const double n = static_cast<double>(boundary.size());
  const auto count = [n](double share) {
    return static_cast<std::size_t>(std::clamp(std::round(std::sqrt(share)), 1.0, n));
  };
  if (width > 0 && height > 0) {
    box.columns = count(n * (width / height));
    box.rows = count(n * (height / width));
  } else if (width > 0) {
    box.columns = count(n * n);
  } else if (height > 0) {
    box.rows = count(n * n);
  }
  return box;
}

// Which way a ray test looks, and the point turned so that the ray points up (+y) in the turned
// plane: a quarter or half turn, which only swaps coordinates and changes their signs, so it is
// exact and keeps every orientation.
enum class Turn { kUp, kDown, kRight, kLeft };

TAcadPoint Turned(const TAcadPoint& q, Turn turn) {
  switch (turn) {
    case Turn::kUp:
      break;
    case Turn::kDown:
      return {-q.x, -q.y, q.z};
    case Turn::kRight:
      return {-q.y, q.x, q.z};
    case Turn::kLeft:
      return {q.y, -q.x, q.z};
  }
  return q;
}

// The edges of a polygon filed in a grid by their bounding boxes, for the ray and crossing tests
// of a cut. An edge can tell on the ray test at p only when p.x lies within its x-extent (both
// the on-edge test and the half-open crossing rule need that) and its top is not below p (an edge
// wholly below p is not above it by the exact orientation, and p is not on it), so only the cells
// of p's column from p's row upwards are read (or those along a ray turned another way, by the
// same argument turned). The cell of a coordinate grows with it (a rounded difference and a
// rounded quotient never decrease), so every such edge is filed in one of those cells. Removed
// edges leave their cells when a test next passes them.
class EdgeGrid {
 public:
  EdgeGrid(const Extent& box, std::size_t edges)
      : box_(box),
        cells_(box.columns * box.rows),
        wideCells_(std::clamp<std::size_t>(cells_.size() / 16, 64, 512)) {
    edges_.reserve(edges);
    width_ = (box.xMax - box.xMin) / static_cast<double>(box.columns);
    height_ = (box.yMax - box.yMin) / static_cast<double>(box.rows);
  }

  std::size_t Add(const TAcadPoint& s, const TAcadPoint& e) {
    const std::size_t id = edges_.size();
    edges_.push_back({s, e, 0, true});
    const std::size_t c0 = Column(std::min(s.x, e.x)), c1 = Column(std::max(s.x, e.x));
    const std::size_t r0 = Row(std::min(s.y, e.y)), r1 = Row(std::max(s.y, e.y));
    // An edge whose box covers many cells (a sixteenth of the grid, at least 64 and at most 512)
    // is read by every test instead: a region of long diagonal edges would otherwise file each
    // in most of the grid.
    if ((c1 - c0 + 1) * (r1 - r0 + 1) > wideCells_) {
      wide_.push_back(id);
      return id;
    }
    for (std::size_t r = r0; r <= r1; ++r) {
      for (std::size_t c = c0; c <= c1; ++c)
        cells_[r * box_.columns + c].push_back(id);
    }
    return id;
  }

  void Remove(std::size_t id) { edges_[id].alive = false; }
  // Some live edge meets the cut a-c (SegmentCrossesEdge). Only the cells along the line through
  // a and c are read. SegmentIntersection finds a meeting point only where the edge's ends lie on
  // opposite sides of that line, or within its rounding of it: its numerator for the edge's
  // parameter has the sign of its denominator and is at most as large, and both are the cross
  // products that place the edge's ends beside the line, each off by a few unit roundoffs of
  // products of the grid's extent. So an edge that can meet the cut has a point within some
  // 30 u (width + height) of the line, and the cells read cover the line with a margin of a
  // billionth of the extent and of the largest coordinate, which is far more than that and than
  // the rounding of the cells' own bounds. An edge that the cut crosses has a point on the cut.
  bool CrossedBy(const TAcadPoint& a, const TAcadPoint& c) {
    return AlongCut(a, c, 0.0,
                    [&](const Edge& edge) { return SegmentCrossesEdge(a, c, edge.s, edge.e); });
  }

  // The cut a-c passes within `clearance` of the start of some live edge (CutPassesNear). Such a
  // point lies within the clearance of the line, so less than twice that across it along either
  // axis, and every edge is filed in the cell of its start: the cells along the line are read
  // with that much more margin.
  bool PassesNearVertex(const TAcadPoint& a, const TAcadPoint& c, double clearance) {
    return AlongCut(a, c, 2 * clearance,
                    [&](const Edge& edge) { return CutPassesNear(a, c, edge.s, clearance); });
  }

  // PointInPolygon over the live edges. Where the ray surely reaches past the region's top (it
  // is at least twice the region's height, and the height is not lost in the coordinates'
  // rounding), the answer is whether p lies inside by the exact crossing rule, the same along any
  // ray; the test then casts it towards the nearest side of the grid, which meets far fewer edges
  // on a star than a ray up through its spikes.
  bool Inside(const TAcadPoint& p, double rayLength) {
    ++stamp_;
    const double height = box_.yMax - box_.yMin;
    const double largest = std::max(std::fabs(box_.yMin), std::fabs(box_.yMax));
    const bool reachesOut = box_.finite && rayLength >= 2 * height && height >= 1e-10 * largest &&
                            box_.xMin <= p.x && p.x <= box_.xMax && box_.yMin <= p.y &&
                            p.y <= box_.yMax;
    const std::size_t column = Column(p.x), row = Row(p.y);
    Turn turn = Turn::kUp;
    std::size_t fewest = box_.rows - 1 - row;
    if (reachesOut) {
      for (const auto& [way, cells] : {std::pair{Turn::kDown, row},
                                       {Turn::kRight, box_.columns - 1 - column},
                                       {Turn::kLeft, column}}) {
        if (cells < fewest)
          turn = way, fewest = cells;
      }
    }
    const double reach = turn == Turn::kUp ? rayLength : std::numeric_limits<double>::infinity();
    const TAcadPoint q = Turned(p, turn);
    bool inside = false;
    // Stops at an edge that p lies on.
    const auto onEdge = [&](const Edge& edge) {
      switch (RayAgainstEdge(q, Turned(edge.s, turn), Turned(edge.e, turn), reach)) {
        case RayMeets::kPoint:
          return true;
        case RayMeets::kCrossing:
          inside = !inside;
          break;
        case RayMeets::kNothing:
          break;
      }
      return false;
    };
    if (Scan(wide_, onEdge))
      return false;
    for (std::size_t step = 0; step <= fewest; ++step) {
      std::size_t cellRow = row, cellColumn = column;
      switch (turn) {
        case Turn::kUp:
          cellRow = row + step;
          break;
        case Turn::kDown:
          cellRow = row - step;
          break;
        case Turn::kRight:
          cellColumn = column + step;
          break;
        case Turn::kLeft:
          cellColumn = column - step;
          break;
      }
      if (Scan(cells_[cellRow * box_.columns + cellColumn], onEdge))
        return false;
    }
    return inside;
  }

 private:
  // Calls stop(edge) for the live edges filed in the cells that the line through a and c passes
  // within `widen` (plus the rounding margin) of, and for the wide edges, until it returns true.
  template <class F>
  bool AlongCut(const TAcadPoint& a, const TAcadPoint& c, double widen, F stop) {
    ++stamp_;
    const auto crosses = [&](std::size_t column, std::size_t row) {
      return Scan(cells_[row * box_.columns + column], stop);
    };
    if (Scan(wide_, stop))
      return true;
    const double dx = c.x - a.x, dy = c.y - a.y;
    // Every cell where the walk's bounds would not be finite: a clearance from a cut whose length
    // overflows passes near anything.
    if (!box_.finite || !std::isfinite(widen) || !std::isfinite(dx * dx + dy * dy)) {
      for (std::size_t row = 0; row < box_.rows; ++row) {
        for (std::size_t column = 0; column < box_.columns; ++column) {
          if (crosses(column, row))
            return true;
        }
      }
      return false;
    }
    if (dx == 0 && dy == 0)
      return false;  // no edge meets a cut of no length: SegmentIntersection's denominator is 0
    const double largest = std::max(
        {std::fabs(box_.xMin), std::fabs(box_.xMax), std::fabs(box_.yMin), std::fabs(box_.yMax)});
    const double margin = 1e-9 * (box_.xMax - box_.xMin + box_.yMax - box_.yMin + largest) + widen;
    // Along the axis the line runs closer to, a cell at a time, every cell across it that the
    // line passes within the margin of.
    const bool alongX = std::fabs(dx) >= std::fabs(dy);
    const std::size_t steps = alongX ? box_.columns : box_.rows;
    const double origin = alongX ? box_.xMin : box_.yMin, size = alongX ? width_ : height_;
    const double slope = alongX ? dy / dx : dx / dy;
    const double from = alongX ? a.x : a.y, level = alongX ? a.y : a.x;
    for (std::size_t step = 0; step < steps; ++step) {
      const double lo = origin + static_cast<double>(step) * size - margin;
      const double hi = origin + static_cast<double>(step + 1) * size + margin;
      const double across1 = level + (lo - from) * slope, across2 = level + (hi - from) * slope;
      const double low = std::min(across1, across2) - margin;
      const double high = std::max(across1, across2) + margin;
      const std::size_t first = alongX ? Row(low) : Column(low);
      const std::size_t last = alongX ? Row(high) : Column(high);
      for (std::size_t k = first; k <= last; ++k) {
        if (alongX ? crosses(step, k) : crosses(k, step))
          return true;
      }
    }
    return false;
  }

  struct Edge {
    TAcadPoint s, e;
    std::uint64_t seen;
    bool alive;
  };

  // Calls stop(edge) for each live edge of the list not yet seen by this test (an edge is filed
  // in every cell its box covers), until it returns true; drops the removed edges it passes.
  template <class F>
  bool Scan(std::vector<std::size_t>& list, F stop) {
    for (std::size_t k = 0; k < list.size();) {
      Edge& edge = edges_[list[k]];
      if (!edge.alive) {
        list[k] = list.back();
        list.pop_back();
        continue;
      }
      ++k;
      if (edge.seen == stamp_)
        continue;
      edge.seen = stamp_;
      if (stop(edge))
        return true;
    }
    return false;
  }

  std::size_t Column(double x) const { return GridCell(x, box_.xMin, width_, box_.columns); }
  std::size_t Row(double y) const { return GridCell(y, box_.yMin, height_, box_.rows); }

  Extent box_;
  double width_ = 0, height_ = 0;
  std::vector<std::vector<std::size_t>> cells_;
  std::size_t wideCells_;          // an edge covering more cells is wide
  std::vector<std::size_t> wide_;  // edges read by every test
  std::vector<Edge> edges_;
  std::uint64_t stamp_ = 0;
};

// The remainder polygon of a split as a ring of the boundary's vertices, linked in boundary
// order, with what a pass needs of it: each vertex's distance from the target angle (recomputed
// only when a neighbour changes), the untried vertex nearest the target found in a tournament
// tree, and the remainder's edges in a grid for the ray tests. Its answers are those of scanning
// the remainder as a list of points in boundary order: the same vertex chosen (ties to the
// earlier one). A vertex is refused and removed by its place in the ring, never by its point: two
// corners of a lot can stand closer than kNearTolerance (the mouth of a keyhole, a neck) and are
// still two vertices.
class Remainder {
 public:
  Remainder(std::span<const TAcadPoint> boundary, const Extent& box)
      : points_(boundary),
        prev_(boundary.size()),
        next_(boundary.size()),
        alive_(boundary.size(), 1),
        refused_(boundary.size(), 0),
        target_(boundary.size()),
        edgeFrom_(boundary.size()),
        size_(boundary.size()),
        tail_(boundary.size() - 1),
        edges_(box, 4 * boundary.size()) {
    const std::size_t m = boundary.size();
    while (leaves_ < m)
      leaves_ *= 2;
    tree_.assign(2 * leaves_, kAbsent);
    for (std::size_t k = 0; k < m; ++k) {
      prev_[k] = (k + m - 1) % m;
      next_[k] = (k + 1) % m;
      edgeFrom_[k] = edges_.Add(points_[k], points_[next_[k]]);
    }
    for (std::size_t k = 0; k < m; ++k)
      Update(k);
  }

  std::size_t size() const { return size_; }
  std::size_t Prev(std::size_t v) const { return prev_[v]; }
  std::size_t Next(std::size_t v) const { return next_[v]; }
  std::size_t Last() const { return tail_; }

  // The points in order, from the earliest vertex.
  std::vector<TAcadPoint> Points() const {
    std::vector<TAcadPoint> out;
    out.reserve(size_);
    for (std::size_t v = head_, k = 0; k < size_; v = next_[v], ++k)
      out.push_back(points_[v]);
    return out;
  }

  // The untried vertex whose angle is nearest the target; none when every vertex is refused.
  // Ties go to the earlier vertex. A distance that is NaN is never nearer than another, so a
  // scan keeps such a vertex only when it comes first.
  std::optional<std::size_t> Choose() const {
    if (hasNaN_) {
      for (std::size_t v = head_, k = 0; k < size_; v = next_[v], ++k) {
        if (refused_[v])
          continue;
        if (std::isnan(target_[v]))
          return v;
        break;
      }
    }
    const Leaf& best = tree_[1];
    if (best.vertex == kNone)
      return std::nullopt;
    return best.vertex;
  }

  // Refuses v until the next accepted cut; a vertex near it is still tried.
  void Refuse(std::size_t v) {
    if (!refused_[v]) {
      refused_[v] = 1;
      refusedList_.push_back(v);
      Set(v, kAbsent);
    }
  }

  void ForgetRefused() {
    for (const std::size_t u : refusedList_) {
      refused_[u] = 0;
      if (alive_[u])
        Set(u, LeafOf(u));
    }
    refusedList_.clear();
  }

  // Removes v, the vertex the cut took off (not a vertex near it); its neighbours' angles and the
  // edges follow.
  void Remove(std::size_t v) {
    const std::size_t p = prev_[v], n = next_[v];
    next_[p] = n;
    prev_[n] = p;
    alive_[v] = 0;
    --size_;
    if (v == head_)
      head_ = n;
    if (v == tail_)
      tail_ = p;
    Set(v, kAbsent);
    edges_.Remove(edgeFrom_[p]);
    edges_.Remove(edgeFrom_[v]);
    edgeFrom_[p] = edges_.Add(points_[p], points_[n]);
    Update(p);
    Update(n);
  }

  // CutIsValid(a, b, c, boundary, remainder) with the boundary's own edge grid.
  bool ValidCut(const TAcadPoint& a, const TAcadPoint& c, EdgeGrid& boundaryEdges,
                double viewHeight, Slivers slivers) {
    const TAcadPoint m = Midpoint(a, c);
    const double ray = 10 * viewHeight;
    if (!edges_.Inside(m, ray) || !boundaryEdges.Inside(m, ray))
      return false;
    return !edges_.CrossedBy(a, c) && !boundaryEdges.CrossedBy(a, c) &&
           !edges_.PassesNearVertex(a, c, CutClearance(a, c, slivers));
  }

 private:
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  struct Leaf {
    double distance;     // from the target angle; +inf for NaN
    std::size_t vertex;  // kNone: no untried vertex
  };
  static constexpr Leaf kAbsent = {std::numeric_limits<double>::infinity(), kNone};

  Leaf LeafOf(std::size_t v) const {
    return {std::isnan(target_[v]) ? std::numeric_limits<double>::infinity() : target_[v], v};
  }

  void Update(std::size_t v) {
    target_[v] =
        DistanceFromTarget(AngleAtVertex(points_[prev_[v]], points_[v], points_[next_[v]]));
    hasNaN_ = hasNaN_ || std::isnan(target_[v]);
    if (!refused_[v])
      Set(v, LeafOf(v));
  }

  // The nearer of two, the earlier on a tie.
  static Leaf Better(const Leaf& a, const Leaf& b) {
    if (a.vertex == kNone)
      return b;
    if (b.vertex == kNone)
      return a;
    return b.distance < a.distance ? b : a;
  }

  void Set(std::size_t v, const Leaf& leaf) {
    std::size_t k = leaves_ + v;
    tree_[k] = leaf;
    for (k /= 2; k >= 1; k /= 2)
      tree_[k] = Better(tree_[2 * k], tree_[2 * k + 1]);
  }

  std::span<const TAcadPoint> points_;
  std::vector<std::size_t> prev_, next_;
  std::vector<char> alive_, refused_;
  std::vector<double> target_;
  std::vector<std::size_t> edgeFrom_;  // the edge from each vertex to the next
  std::size_t size_ = 0, head_ = 0, tail_ = 0;
  bool hasNaN_ = false;
  std::size_t leaves_ = 1;
  std::vector<Leaf> tree_;
  std::vector<std::size_t> refusedList_;
  EdgeGrid edges_;
};

// The points of a region numbered, for the tiling check: equal points (x and y, 0 and -0 alike)
// get one number, the same whichever list they are read from. An open hash table (linear
// probing, at most half full) keyed by the coordinates' bits.
class PointNumbers {
 public:
  explicit PointNumbers(std::span<const TAcadPoint> points) {
    std::size_t slots = 2;
    while (slots < 2 * points.size())
      slots *= 2;
    slots_.assign(slots, {});
    for (const TAcadPoint& p : points) {
      Slot& slot = slots_[SlotOf(Key(p))];
      if (!slot.used)
        slot = {Key(p), count_++, true};
    }
  }

  std::size_t size() const { return count_; }

  // The number of p, or none when p is not one of the points.
  std::optional<std::size_t> Of(const TAcadPoint& p) const {
    const Slot& slot = slots_[SlotOf(Key(p))];
    if (!slot.used)
      return std::nullopt;
    return slot.number;
  }

 private:
  using Bits = std::pair<std::uint64_t, std::uint64_t>;
  struct Slot {
    Bits key{};
    std::size_t number = 0;
    bool used = false;
  };

  // Finite coordinates only: equal values have equal bits once -0 is taken as 0.
  static Bits Key(const TAcadPoint& p) {
    return {std::bit_cast<std::uint64_t>(p.x == 0 ? 0.0 : p.x),
            std::bit_cast<std::uint64_t>(p.y == 0 ? 0.0 : p.y)};
  }

  // The slot holding key, or the empty one where it would go.
  std::size_t SlotOf(const Bits& key) const {
    const std::uint64_t h =
        (key.first ^ (key.second * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = static_cast<std::size_t>(h ^ (h >> 31)) & mask;; k = (k + 1) & mask) {
      if (!slots_[k].used || slots_[k].key == key)
        return k;
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

// A side of the region or of a triangle by the numbers of its ends, the lower first, so that a
// side and its reverse fall together.
struct NumberedSide {
  std::size_t lower, upper;
  bool fromLower;  // runs from `lower` to `upper`
  bool ofRegion;

  static NumberedSide Of(std::size_t from, std::size_t to, bool ofRegion) {
    return {std::min(from, to), std::max(from, to), from < to, ofRegion};
  }
};

}  // namespace

std::vector<TAcadPoint> DropRepeatedVertices(std::span<const TAcadPoint> boundary) {
  std::vector<TAcadPoint> kept;
  kept.reserve(boundary.size());
  for (const TAcadPoint& v : boundary) {
    if (kept.empty() || !NearPerAxis(v, kept.back()))
      kept.push_back(v);
  }
  while (kept.size() > 1 && NearPerAxis(kept.back(), kept.front()))
    kept.pop_back();
  return kept;
}

bool ExtentOverflows(std::span<const TAcadPoint> boundary) {
  const Extent box = ExtentOf(boundary);
  const double width = box.xMax - box.xMin, height = box.yMax - box.yMin;
  return box.pointsFinite && !std::isfinite(width * width + height * height);
}

bool TrianglesTilePolygon(std::span<const TAcadPoint> polygon,
                          std::span<const TAcadTriangle> triangles) {
  if (polygon.size() < 3)
    return triangles.empty();
  if (!std::all_of(polygon.begin(), polygon.end(),
                   [](const TAcadPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }))
    return false;
  // Twice the polygon's area by the shoelace sum about its first vertex, and the sum of the
  // magnitudes of its terms for the error bound.
  const TAcadPoint& o = polygon.front();
  double shoelace = 0.0, magnitude = 0.0;
  for (std::size_t k = 1; k + 1 < polygon.size(); ++k) {
    const double term = TwiceSignedArea(o, polygon[k], polygon[k + 1]);
    shoelace += term;
    magnitude += std::fabs(term);
  }
  if (shoelace == 0)
    return false;
  const Orientation turning =
      shoelace > 0 ? Orientation::kCounterClockwise : Orientation::kClockwise;

  // Every side of the region in its own order, and every side of each triangle in the region's
  // turning direction, by the numbers of their ends.
  const PointNumbers numbers(polygon);
  std::vector<NumberedSide> sides;
  sides.reserve(polygon.size() + 3 * triangles.size());
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const std::size_t from = *numbers.Of(polygon[k]);
    const std::size_t to = *numbers.Of(polygon[(k + 1) % polygon.size()]);
    if (from != to)
      sides.push_back(NumberedSide::Of(from, to, true));
  }
  double sum = 0.0;
  for (const TAcadTriangle& t : triangles) {
    const Orientation turn = Orient(t.p1, t.p2, t.p3);
    const std::optional<std::size_t> c1 = numbers.Of(t.p1), c2 = numbers.Of(t.p2),
                                     c3 = numbers.Of(t.p3);
    if (turn == Orientation::kCollinear || !c1 || !c2 || !c3)
      return false;
    const bool listed = turn == turning;
    const std::size_t second = listed ? *c2 : *c3, third = listed ? *c3 : *c2;
    sides.push_back(NumberedSide::Of(*c1, second, false));
    sides.push_back(NumberedSide::Of(second, third, false));
    sides.push_back(NumberedSide::Of(third, *c1, false));
    const double twice = std::fabs(TwiceSignedArea(t.p1, t.p2, t.p3));
    sum += twice;
    magnitude += twice;
  }

  // Each pair of points, both ways: the triangles' sides a -> b beyond the region's own must be
  // as many as their sides b -> a beyond the region's, and at most one. The sides are filed by
  // their lower end (a counting sort), then each end's few are sorted by their upper end.
  std::vector<std::size_t> start(numbers.size() + 1, 0);
  for (const NumberedSide& side : sides)
    ++start[side.lower + 1];
  for (std::size_t k = 0; k < numbers.size(); ++k)
    start[k + 1] += start[k];
  std::vector<NumberedSide> filed(sides.size());
  {
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (const NumberedSide& side : sides)
      filed[next[side.lower]++] = side;
  }
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    const auto from = filed.begin() + static_cast<std::ptrdiff_t>(start[k]);
    const auto to = filed.begin() + static_cast<std::ptrdiff_t>(start[k + 1]);
    std::sort(from, to,
              [](const NumberedSide& a, const NumberedSide& b) { return a.upper < b.upper; });
  }
  for (std::size_t first = 0; first < filed.size();) {
    // triangle sides and region sides, towards the lower end and from it
    std::ptrdiff_t count[2][2] = {{0, 0}, {0, 0}};
    std::size_t last = first;
    for (; last < filed.size() && filed[last].lower == filed[first].lower &&
           filed[last].upper == filed[first].upper;
         ++last)
      ++count[filed[last].ofRegion][filed[last].fromLower];
    const std::ptrdiff_t towards = count[0][0] - count[1][0], from = count[0][1] - count[1][1];
    if (towards < 0 || towards > 1 || towards != from)
      return false;
    first = last;
  }

  // Both sums add about polygon.size() + triangles.size() rounded products; each product and
  // each addition is off by at most one unit roundoff of the magnitudes involved.
  const double bound =
      8.0 * static_cast<double>(polygon.size() + triangles.size()) * kUnitRoundoff * magnitude;
  return std::fabs(sum - std::fabs(shoelace)) <= bound;
}

std::optional<std::vector<TAcadTriangle>> SplitPolygon(std::span<const TAcadPoint> boundary,
                                                       double viewHeight,
                                                       const CutNotification& onCut) {
  std::optional<ContinuedSplit> split =
      SplitPolygon(boundary, viewHeight, onCut, WhenStalled::kFail);
  if (!split)
    return std::nullopt;
  return std::move(split->triangles);
}

std::optional<ContinuedSplit> SplitPolygon(std::span<const TAcadPoint> input, double viewHeight,
                                           const CutNotification& onCut, WhenStalled whenStalled,
                                           Slivers slivers) {
  ContinuedSplit result;
  std::vector<TAcadTriangle>& triangles = result.triangles;
  if (input.empty())
    return result;
  // A vertex repeated within the tolerance would give a triangle of no area.
  const std::vector<TAcadPoint> kept = DropRepeatedVertices(input);
  const std::span<const TAcadPoint> boundary = kept;

  const auto cut = [&](const TAcadPoint& from, const TAcadPoint& to) {
    if (onCut)
      onCut(from, to);
  };
  // Fewer than three points never make a triangle.
  if (boundary.size() < 3 || ExtentOverflows(boundary))
    return std::nullopt;
  const Extent box = ExtentOf(boundary);
  EdgeGrid boundaryEdges(box, boundary.size());
  for (std::size_t k = 0; k < boundary.size(); ++k)
    boundaryEdges.Add(boundary[k], boundary[(k + 1) % boundary.size()]);
  Remainder w(boundary, box);
  const auto valid = [&](std::size_t a, std::size_t c) {
    return w.ValidCut(boundary[a], boundary[c], boundaryEdges, viewHeight, slivers);
  };

  const std::size_t passLimit = 4 * boundary.size();
  for (std::size_t pass = 0; w.size() != 3 && pass != passLimit; ++pass) {
    // With every vertex refused, the last vertex is taken, between the last but one and the
    // first.
    const std::optional<std::size_t> chosen = w.Choose();
    const std::size_t x = chosen ? *chosen : w.Last();
    const std::size_t p = w.Prev(x), n = w.Next(x);
    if (!valid(p, n)) {
      // With every vertex refused, each pass left tries the same cut again on the same
      // remainder and is refused again: the split is stalled.
      if (!chosen)
        break;
      w.Refuse(x);
      continue;
    }
    w.ForgetRefused();
    cut(boundary[p], boundary[n]);
    triangles.push_back({boundary[p], boundary[x], boundary[n]});
    const std::size_t pp = w.Prev(p), nn = w.Next(n);
    // The angles p and n will have once x is gone.
    const double aP = AngleAtVertex(boundary[pp], boundary[p], boundary[n]);
    const double aN = AngleAtVertex(boundary[p], boundary[n], boundary[nn]);
    w.Remove(x);

    // The fan turns around corner a: the next ear is y, then c, on the side whose new angle is
    // nearer the target (n on a tie). A refused fan cut only ends the pass.
    const bool earAtP = DistanceFromTarget(aN) > DistanceFromTarget(aP);
    const std::size_t a = earAtP ? pp : nn;
    const std::size_t y = earAtP ? p : n;
    const std::size_t c = earAtP ? n : p;
    const std::size_t d = earAtP ? nn : pp;
    if (w.size() > 3 && valid(a, c)) {
      cut(boundary[a], boundary[c]);
      triangles.push_back({boundary[a], boundary[y], boundary[c]});
      w.Remove(y);
      if (w.size() > 3 && valid(a, d)) {
        cut(boundary[a], boundary[d]);
        triangles.push_back({boundary[a], boundary[c], boundary[d]});
        w.Remove(c);
      }
    }
  }

  if (w.size() == 3) {
    // Its sides are boundary edges or earlier cuts: no cut to notify.
    const std::vector<TAcadPoint> last = w.Points();
    triangles.push_back({last[0], last[1], last[2]});
  } else if (whenStalled == WhenStalled::kTriangulateTheRest && w.size() > 3) {
    const std::optional<Triangulation> rest = TriangulatePolygon(w.Points());
    if (!rest)
      return std::nullopt;
    for (const TAcadLine& diagonal : rest->diagonals)
      cut(diagonal.st, diagonal.ed);
    triangles.insert(triangles.end(), rest->triangles.begin(), rest->triangles.end());
    result.continued = rest->triangles.size();
  } else {
    return std::nullopt;
  }
  // A result that does not tile the region would print a wrong area: it is a failure.
  if (!TrianglesTilePolygon(boundary, triangles))
    return std::nullopt;
  return result;
}

bool CutIsValid(const TAcadPoint& a, const TAcadPoint& /*b*/, const TAcadPoint& c,
                std::span<const TAcadPoint> boundary, std::span<const TAcadPoint> remainder,
                double viewHeight, Slivers slivers) {
  const TAcadPoint m = Midpoint(a, c);
  const double ray = 10 * viewHeight;
  const double clearance = CutClearance(a, c, slivers);
  return PointInPolygon(m, remainder, ray) && PointInPolygon(m, boundary, ray) &&
         !SegmentCrossesPolygon(a, c, remainder) && !SegmentCrossesPolygon(a, c, boundary) &&
         std::none_of(remainder.begin(), remainder.end(),
                      [&](const TAcadPoint& v) { return CutPassesNear(a, c, v, clearance); });
}

double CutClearance(const TAcadPoint& a, const TAcadPoint& c, Slivers slivers) {
  if (slivers == Slivers::kAllowed)
    return kNearTolerance;
  const double ratio = kSliverRatio * Distance(a, c);
  return ratio > kNearTolerance ? ratio : kNearTolerance;  // NaN: the tolerance
}

// A cut that passes so near a vertex forces a triangle with a corner within the clearance of its
// opposite side: a sliver whose height rounds to nothing, or, where v lies on the cut but for
// rounding, a triangle of three points on one edge that turns the wrong way.
bool CutPassesNear(const TAcadPoint& a, const TAcadPoint& c, const TAcadPoint& v,
                   double clearance) {
  if (!(Distance(v, a) > kNearTolerance && Distance(v, c) > kNearTolerance))
    return false;
  const double dx = c.x - a.x, dy = c.y - a.y;
  const double lengthSquared = dx * dx + dy * dy;
  const double along = (v.x - a.x) * dx + (v.y - a.y) * dy;
  if (!(along > 0 && along < lengthSquared))
    return false;
  const double across = dx * (v.y - a.y) - dy * (v.x - a.x);
  return std::fabs(across) < clearance * std::sqrt(lengthSquared);
}

bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> polygon, double rayLength) {
  bool inside = false;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    switch (RayAgainstEdge(p, polygon[k], polygon[(k + 1) % polygon.size()], rayLength)) {
      case RayMeets::kPoint:
        return false;
      case RayMeets::kCrossing:
        inside = !inside;
        break;
      case RayMeets::kNothing:
        break;
    }
  }
  return inside;
}

bool SegmentCrossesPolygon(const TAcadPoint& a, const TAcadPoint& b,
                           std::span<const TAcadPoint> polygon) {
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    if (SegmentCrossesEdge(a, b, polygon[k], polygon[(k + 1) % polygon.size()]))
      return true;
  }
  return false;
}

double AngleAtVertex(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
  const double d = std::fabs(LineAngle(b, a) - LineAngle(b, c));
  return d > kPi ? kTwoPi - d : d;
}

const TAcadPoint& CyclicVertex(std::span<const TAcadPoint> list, std::ptrdiff_t k) {
  const auto n = static_cast<std::ptrdiff_t>(list.size());
  return list[static_cast<std::size_t>(((k % n) + n) % n)];
}

bool HasVertexNear(const TAcadPoint& p, std::span<const TAcadPoint> list) {
  for (const TAcadPoint& q : list) {
    if (NearPerAxis(p, q))
      return true;
  }
  return false;
}

std::size_t RemoveVertexNear(const TAcadPoint& p, std::vector<TAcadPoint>& list) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (NearPerAxis(p, *it)) {
      list.erase(it);
      break;
    }
  }
  return list.size();
}

bool NearPoint(const TAcadPoint& p, const TAcadPoint& q, double tol) {
  return tol > std::fabs(p.x - q.x) && tol > std::fabs(p.y - q.y);
}

bool SegmentInList(const TAcadPoint& p, const TAcadPoint& q, std::span<const TAcadLine> list,
                   double tol) {
  for (const TAcadLine& s : list) {
    if ((NearPoint(p, s.st, tol) && NearPoint(q, s.ed, tol)) ||
        (NearPoint(p, s.ed, tol) && NearPoint(q, s.st, tol))) {
      return true;
    }
  }
  return false;
}

}  // namespace trivane
