#include "geometry/trace/trace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <unordered_map>
#include <utility>

namespace trivane::trace {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Vec {
  double x, y;
};
Vec Sub(const TAcadPoint& a, const TAcadPoint& b) {
  return {a.x - b.x, a.y - b.y};
}
double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
double CrossV(Vec a, Vec b) {
  return a.x * b.y - a.y * b.x;
}
double Length(Vec a) {
  return std::hypot(a.x, a.y);
}
double Distance(const TAcadPoint& a, const TAcadPoint& b) {
  return Length(Sub(a, b));
}

// The circle of an arc from a to b with this bulge: centre, radius, start angle and the signed
// angle it turns through (4 atan(bulge)).
struct Arc {
  TAcadPoint centre;
  double radius;
  double start;
  double sweep;
};

Arc ArcOf(const TAcadPoint& a, const TAcadPoint& b, double bulge) {
  const Vec d = Sub(b, a);
  // The centre lies off the chord's midpoint along its left normal by (1 - bulge^2) / (4 bulge)
  // of the chord (d's length folded in): to the left for an anticlockwise arc.
  const double f = (1.0 - bulge * bulge) / (4.0 * bulge);
  const TAcadPoint c{(a.x + b.x) / 2.0 - f * d.y, (a.y + b.y) / 2.0 + f * d.x, 0.0};
  return {c, Distance(c, a), std::atan2(a.y - c.y, a.x - c.x), 4.0 * std::atan(bulge)};
}

// How far along the arc, from its start in its own direction, the direction to q lies: in
// [0, 2 pi), with angles a rounding error before the start taken as negative.
double ArcParameter(const Arc& arc, const TAcadPoint& q) {
  const double phi = std::atan2(q.y - arc.centre.y, q.x - arc.centre.x);
  double u = arc.sweep >= 0.0 ? phi - arc.start : arc.start - phi;
  u = std::fmod(u, kTwoPi);
  if (u < 0.0)
    u += kTwoPi;
  if (u > (std::abs(arc.sweep) + kTwoPi) / 2.0)
    u -= kTwoPi;
  return u;
}

double DistanceToSegment(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
  const Vec d = Sub(b, a);
  const double len2 = Dot(d, d);
  double t = len2 > 0.0 ? Dot(Sub(p, a), d) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * d.x), p.y - (a.y + t * d.y));
}

double DistanceToArc(const TAcadPoint& p, const Arc& arc, const TAcadPoint& a,
                     const TAcadPoint& b) {
  const double u = ArcParameter(arc, p);
  if (u >= 0.0 && u <= std::abs(arc.sweep))
    return std::abs(Distance(p, arc.centre) - arc.radius);
  return std::min(Distance(p, a), Distance(p, b));
}

// Signed area between an arc and its chord: positive for an anticlockwise arc.
double SegmentArea(const TAcadPoint& a, const TAcadPoint& b, double bulge) {
  if (bulge == 0.0)
    return 0.0;
  const double theta = 4.0 * std::atan(bulge);
  const double chord = Distance(a, b);
  const double r = chord / (2.0 * std::sin(std::abs(theta) / 2.0));
  return r * r / 2.0 * (theta - std::sin(theta));
}

// Vertices: points of the curves, joined within the tolerance onto the first one found.
class Vertices {
 public:
  explicit Vertices(double tolerance) : tol_(tolerance) {}

  int Add(const TAcadPoint& p) {
    const std::int64_t cx = Cell(p.x);
    const std::int64_t cy = Cell(p.y);
    for (std::int64_t i = cx - 1; i <= cx + 1; ++i) {
      for (std::int64_t j = cy - 1; j <= cy + 1; ++j) {
        const auto it = cells_.find(Key(i, j));
        if (it == cells_.end())
          continue;
        for (int v = it->second; v >= 0; v = next_[static_cast<std::size_t>(v)]) {
          if (Distance(points_[static_cast<std::size_t>(v)], p) <= tol_)
            return v;
        }
      }
    }
    const int id = static_cast<int>(points_.size());
    points_.push_back({p.x, p.y, 0.0});
    auto [it, fresh] = cells_.try_emplace(Key(cx, cy), id);
    next_.push_back(fresh ? -1 : it->second);
    it->second = id;
    return id;
  }
  const TAcadPoint& operator[](int v) const { return points_[static_cast<std::size_t>(v)]; }
  std::size_t size() const { return points_.size(); }

 private:
  std::int64_t Cell(double x) const { return static_cast<std::int64_t>(std::floor(x / tol_)); }
  static std::uint64_t Key(std::int64_t i, std::int64_t j) {
    return (static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(j);
  }
  double tol_;
  std::vector<TAcadPoint> points_;
  std::vector<int> next_;  // the next vertex in the same cell, or -1
  std::unordered_map<std::uint64_t, int> cells_;
};

// One curve of a trace, with the vertices found on it.
struct Piece {
  TAcadPoint a, b;
  double bulge;
  Arc arc;  // when bulge != 0
  int va, vb;
  std::vector<int> on;  // vertices on the curve, ends included
};

double DistanceToPiece(const TAcadPoint& p, const Piece& c) {
  return c.bulge == 0.0 ? DistanceToSegment(p, c.a, c.b) : DistanceToArc(p, c.arc, c.a, c.b);
}

// Where the lines or circles of two curves meet (at most two points; candidates only).
int Crossings(const Piece& s, const Piece& t, double tol, TAcadPoint out[2]) {
  if (s.bulge == 0.0 && t.bulge == 0.0) {
    const Vec r = Sub(s.b, s.a);
    const Vec q = Sub(t.b, t.a);
    const double d = CrossV(r, q);
    // Only segments that cross properly, each with its ends on either side of the other by more
    // than the tolerance: where an end lies on the other (a T, lines drawn over each other,
    // segments meeting at a shallow angle at a shared end), those ends are added apart. Two
    // segments nearly in line would otherwise give a "crossing" anywhere along them.
    const double lr = Length(r);
    const double lq = Length(q);
    const double ta = CrossV(r, Sub(t.a, s.a)) / lr;
    const double tb = CrossV(r, Sub(t.b, s.a)) / lr;
    const double sa = CrossV(q, Sub(s.a, t.a)) / lq;
    const double sb = CrossV(q, Sub(s.b, t.a)) / lq;
    if (d == 0.0 || !(std::abs(ta) > tol && std::abs(tb) > tol && (ta > 0.0) != (tb > 0.0) &&
                      std::abs(sa) > tol && std::abs(sb) > tol && (sa > 0.0) != (sb > 0.0)))
      return 0;
    const double u = CrossV(Sub(t.a, s.a), q) / d;
    out[0] = {s.a.x + u * r.x, s.a.y + u * r.y, 0.0};
    return 1;
  }
  if (s.bulge != 0.0 && t.bulge != 0.0) {
    const Vec d = Sub(t.arc.centre, s.arc.centre);
    const double dist = Length(d);
    const double r1 = s.arc.radius;
    const double r2 = t.arc.radius;
    if (dist == 0.0 || dist > r1 + r2 || dist < std::abs(r1 - r2)) {
      // Tangent circles a rounding error apart still touch: take the nearest point.
      if (dist == 0.0 || (std::abs(dist - (r1 + r2)) > 1e-12 * (r1 + r2) &&
                          std::abs(dist - std::abs(r1 - r2)) > 1e-12 * (r1 + r2)))
        return 0;
    }
    const double a = (dist * dist + r1 * r1 - r2 * r2) / (2.0 * dist);
    const double h = std::sqrt(std::max(0.0, r1 * r1 - a * a));
    const TAcadPoint m{s.arc.centre.x + a * d.x / dist, s.arc.centre.y + a * d.y / dist, 0.0};
    out[0] = {m.x - h * d.y / dist, m.y + h * d.x / dist, 0.0};
    out[1] = {m.x + h * d.y / dist, m.y - h * d.x / dist, 0.0};
    return 2;
  }
  const Piece& line = s.bulge == 0.0 ? s : t;
  const Arc& arc = s.bulge == 0.0 ? t.arc : s.arc;
  const Vec r = Sub(line.b, line.a);
  const double len = Length(r);
  const Vec u{r.x / len, r.y / len};
  const double along = Dot(Sub(arc.centre, line.a), u);
  const TAcadPoint foot{line.a.x + along * u.x, line.a.y + along * u.y, 0.0};
  const double h = Distance(foot, arc.centre);
  if (h > arc.radius * (1.0 + 1e-12))
    return 0;
  const double w = std::sqrt(std::max(0.0, arc.radius * arc.radius - h * h));
  out[0] = {foot.x - w * u.x, foot.y - w * u.y, 0.0};
  out[1] = {foot.x + w * u.x, foot.y + w * u.y, 0.0};
  return 2;
}

// A piece of the graph between two vertices, as a pair of half-edges 2e (from -> to) and 2e + 1.
struct Edge {
  int from, to;
  double bulge;
};

struct HalfEdge {
  int from, to;
  double bulge;
  double angle;      // direction it leaves `from` in, [0, 2 pi)
  double curvature;  // signed: positive turning left
};

HalfEdge MakeHalfEdge(const Vertices& vs, int from, int to, double bulge) {
  const TAcadPoint& a = vs[from];
  const TAcadPoint& b = vs[to];
  // An arc leaves its start turned from the chord by half its angle, to the right when it runs
  // anticlockwise.
  double angle = std::atan2(b.y - a.y, b.x - a.x) - 2.0 * std::atan(bulge);
  angle = std::fmod(angle, kTwoPi);
  if (angle < 0.0)
    angle += kTwoPi;
  double curvature = 0.0;
  if (bulge != 0.0) {
    const double theta = 4.0 * std::atan(bulge);
    const double r = Distance(a, b) / (2.0 * std::sin(std::abs(theta) / 2.0));
    curvature = (bulge > 0.0 ? 1.0 : -1.0) / r;
  }
  return {from, to, bulge, angle, curvature};
}

// Twice the signed area of a closed walk plus its arcs' segments (once each).
double WalkArea(const Vertices& vs, const std::vector<HalfEdge>& hs, const std::vector<int>& walk) {
  double chords = 0.0;
  double arcs = 0.0;
  for (const int h : walk) {
    const HalfEdge& e = hs[static_cast<std::size_t>(h)];
    const TAcadPoint& a = vs[e.from];
    const TAcadPoint& b = vs[e.to];
    chords += a.x * b.y - b.x * a.y;
    arcs += SegmentArea(a, b, e.bulge);
  }
  return chords / 2.0 + arcs;
}

// Winding number of a closed walk around p (p on none of its curves).
int Winding(const Vertices& vs, const std::vector<HalfEdge>& hs, const std::vector<int>& walk,
            const TAcadPoint& p) {
  int w = 0;
  for (const int h : walk) {
    const HalfEdge& e = hs[static_cast<std::size_t>(h)];
    const TAcadPoint& a = vs[e.from];
    const TAcadPoint& b = vs[e.to];
    // The chord: crossings of the ray from p to +x.
    if (a.y <= p.y) {
      if (b.y > p.y && CrossV(Sub(b, a), Sub(p, a)) > 0.0)
        ++w;
    } else if (b.y <= p.y && CrossV(Sub(b, a), Sub(p, a)) < 0.0) {
      --w;
    }
    // The arc and its chord back enclose the circular segment once, anticlockwise for an
    // anticlockwise arc.
    if (e.bulge != 0.0) {
      const Arc arc = ArcOf(a, b, e.bulge);
      const bool arcSide = (CrossV(Sub(b, a), Sub(p, a)) < 0.0) == (e.bulge > 0.0);
      if (arcSide && Distance(p, arc.centre) < arc.radius)
        w += e.bulge > 0.0 ? 1 : -1;
    }
  }
  return w;
}

struct Box2 {
  double minX, minY, maxX, maxY;
};

void Include(Box2& box, const TAcadPoint& p) {
  box.minX = std::min(box.minX, p.x);
  box.minY = std::min(box.minY, p.y);
  box.maxX = std::max(box.maxX, p.x);
  box.maxY = std::max(box.maxY, p.y);
}

// The box of a curve: its ends and the points of its circle at 0, 90, 180 and 270 degrees that it
// passes.
Box2 CurveBox(const TAcadPoint& a, const TAcadPoint& b, double bulge) {
  Box2 box{a.x, a.y, a.x, a.y};
  Include(box, b);
  if (bulge != 0.0) {
    const Arc arc = ArcOf(a, b, bulge);
    for (int k = 0; k < 4; ++k) {
      const double phi = k * kPi / 2.0;
      const TAcadPoint q{arc.centre.x + arc.radius * std::cos(phi),
                         arc.centre.y + arc.radius * std::sin(phi), 0.0};
      const double u = ArcParameter(arc, q);
      if (u > 0.0 && u < std::abs(arc.sweep))
        Include(box, q);
    }
  }
  return box;
}

bool Finite(const TAcadPoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// Splits a closed sequence of half-edges into loops at the vertices it passes more than once.
std::vector<std::vector<int>> Loops(const std::vector<HalfEdge>& hs, const std::vector<int>& seq) {
  std::vector<std::vector<int>> loops;
  std::vector<int> stack;
  std::unordered_map<int, std::size_t> startAt;  // vertex -> index in the stack of the half-edge
                                                 // leaving it
  for (const int h : seq) {
    const HalfEdge& e = hs[static_cast<std::size_t>(h)];
    startAt.emplace(e.from, stack.size());
    stack.push_back(h);
    const auto it = startAt.find(e.to);
    if (it == startAt.end())
      continue;
    const std::size_t first = it->second;
    std::vector<int> loop(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
    for (const int g : loop)
      startAt.erase(hs[static_cast<std::size_t>(g)].from);
    stack.resize(first);
    loops.push_back(std::move(loop));
  }
  return loops;
}

}  // namespace

double JoinTolerance(double magnitude) {
  return 1e-10 * std::max(1.0, magnitude);
}

BoundarySet::BoundarySet(const std::vector<Curve>& curves) {
  // Cells of about two curves each over the curves' box; later curves go into the same cells.
  Box2 box{0.0, 0.0, 0.0, 0.0};
  std::size_t count = 0;
  for (const Curve& c : curves) {
    if (!Finite(c.a) || !Finite(c.b) || !std::isfinite(c.bulge))
      continue;
    const Box2 b = CurveBox(c.a, c.b, c.bulge);
    box = count++ == 0 ? b
                       : Box2{std::min(box.minX, b.minX), std::min(box.minY, b.minY),
                              std::max(box.maxX, b.maxX), std::max(box.maxY, b.maxY)};
  }
  if (count > 0) {
    const double width = box.maxX - box.minX;
    const double height = box.maxY - box.minY;
    cell_ = std::sqrt(width * height / (static_cast<double>(count) / 2.0));
    cell_ = std::max({cell_, width / 1024.0, height / 1024.0});
  }
  for (std::size_t i = 0; i < curves.size(); ++i) {
    // Keys are indexes: a curve that bounds nothing keeps its place, dead.
    if (Add(curves[i]) < 0) {
      curves_.push_back(curves[i]);
      bounds_.push_back({0, 0, 0, 0});
      alive_.push_back(0);
    }
  }
}

std::uint64_t BoundarySet::CellKey(std::int64_t column, std::int64_t row) {
  return (static_cast<std::uint64_t>(column) * 0x9E3779B97F4A7C15ull) ^
         static_cast<std::uint64_t>(row);
}

bool BoundarySet::CellRange(const Bounds& b, std::int64_t range[4]) const {
  const double cells[4] = {std::floor(b.minX / cell_), std::floor(b.minY / cell_),
                           std::floor(b.maxX / cell_), std::floor(b.maxY / cell_)};
  // A box far beyond the cells of the linework (a table placed at y = -4e23 with cells of a few
  // metres) has cell numbers no 64-bit integer holds: it goes on the long list instead, and a
  // window there reads every curve.
  constexpr double kCellLimit = 0x1p62;
  for (const double c : cells) {
    if (!(std::fabs(c) < kCellLimit))
      return false;
  }
  const double cols = cells[2] - cells[0] + 1.0;
  const double rows = cells[3] - cells[1] + 1.0;
  if (!(cols * rows <= 4096.0))
    return false;
  for (int k = 0; k < 4; ++k)
    range[k] = static_cast<std::int64_t>(cells[k]);
  return true;
}

int BoundarySet::Add(const Curve& c) {
  if (!Finite(c.a) || !Finite(c.b) || !std::isfinite(c.bulge) || (c.a.x == c.b.x && c.a.y == c.b.y))
    return -1;
  const int key = static_cast<int>(curves_.size());
  const Box2 box = CurveBox(c.a, c.b, c.bulge);
  const Bounds b{box.minX, box.minY, box.maxX, box.maxY};
  curves_.push_back({{c.a.x, c.a.y, 0.0}, {c.b.x, c.b.y, 0.0}, c.bulge});
  bounds_.push_back(b);
  alive_.push_back(1);
  all_ = live_ == 0 && magnitude_ == 0.0
             ? b
             : Bounds{std::min(all_.minX, b.minX), std::min(all_.minY, b.minY),
                      std::max(all_.maxX, b.maxX), std::max(all_.maxY, b.maxY)};
  ++live_;
  magnitude_ = std::max({magnitude_, std::abs(b.minX), std::abs(b.minY), std::abs(b.maxX),
                         std::abs(b.maxY), std::numeric_limits<double>::min()});
  tolerance_ = JoinTolerance(magnitude_);
  if (!(cell_ > 0.0))
    cell_ = std::max({b.maxX - b.minX, b.maxY - b.minY, 1.0}) * 4.0;
  std::int64_t r[4];
  if (!CellRange(b, r)) {
    long_.push_back(key);
    return key;
  }
  for (std::int64_t row = r[1]; row <= r[3]; ++row)
    for (std::int64_t col = r[0]; col <= r[2]; ++col)
      cells_[CellKey(col, row)].push_back(key);
  return key;
}

void BoundarySet::Remove(int key) {
  if (key < 0 || static_cast<std::size_t>(key) >= curves_.size() ||
      !alive_[static_cast<std::size_t>(key)])
    return;
  alive_[static_cast<std::size_t>(key)] = 0;
  --live_;
  const auto drop = [key](std::vector<int>& list) {
    const auto it = std::find(list.begin(), list.end(), key);
    if (it != list.end()) {
      *it = list.back();
      list.pop_back();
    }
  };
  std::int64_t r[4];
  if (!CellRange(bounds_[static_cast<std::size_t>(key)], r)) {
    drop(long_);
    return;
  }
  for (std::int64_t row = r[1]; row <= r[3]; ++row) {
    for (std::int64_t col = r[0]; col <= r[2]; ++col) {
      const auto it = cells_.find(CellKey(col, row));
      if (it != cells_.end())
        drop(it->second);
    }
  }
}

std::vector<int> BoundarySet::Query(const Bounds& window, const Filter& filter) const {
  std::vector<int> keys;
  if (live_ == 0)
    return keys;
  // Only the part of the window where curves are.
  const Bounds w{std::max(window.minX, all_.minX), std::max(window.minY, all_.minY),
                 std::min(window.maxX, all_.maxX), std::min(window.maxY, all_.maxY)};
  if (w.minX > w.maxX || w.minY > w.maxY)
    return keys;
  const auto take = [&](int key) {
    const Bounds& b = bounds_[static_cast<std::size_t>(key)];
    if (b.maxX >= w.minX && b.minX <= w.maxX && b.maxY >= w.minY && b.minY <= w.maxY &&
        (!filter || filter(key)))
      keys.push_back(key);
  };
  std::int64_t r[4];
  if (CellRange(w, r) &&
      static_cast<double>(r[2] - r[0] + 1) * static_cast<double>(r[3] - r[1] + 1) <
          static_cast<double>(cells_.size())) {
    for (std::int64_t row = r[1]; row <= r[3]; ++row) {
      for (std::int64_t col = r[0]; col <= r[2]; ++col) {
        const auto it = cells_.find(CellKey(col, row));
        if (it != cells_.end())
          for (const int key : it->second)
            take(key);
      }
    }
    for (const int key : long_)
      take(key);
  } else {
    // A window over most of the grid: every curve once.
    for (std::size_t key = 0; key < curves_.size(); ++key)
      if (alive_[key])
        take(static_cast<int>(key));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

std::optional<Outline> BoundarySet::Trace(const TAcadPoint& p, const Filter& filter) const {
  if (live_ == 0 || !Finite(p))
    return std::nullopt;
  double half = 2.0 * cell_;
  for (;;) {
    const Bounds window{p.x - half, p.y - half, p.x + half, p.y + half};
    if (window.minX < all_.minX && window.minY < all_.minY && window.maxX > all_.maxX &&
        window.maxY > all_.maxY)
      return TraceWhole(p, filter);
    Result r = TraceIn(Query(window, filter), p, &window);
    if (r.certain)
      return std::move(r.outline);
    half *= 2.0;
  }
}

std::optional<Outline> BoundarySet::TraceWhole(const TAcadPoint& p, const Filter& filter) const {
  if (live_ == 0 || !Finite(p))
    return std::nullopt;
  std::vector<int> keys;
  for (std::size_t key = 0; key < curves_.size(); ++key)
    if (alive_[key] && (!filter || filter(static_cast<int>(key))))
      keys.push_back(static_cast<int>(key));
  return TraceIn(keys, p, nullptr).outline;
}

// The region of p among the curves `keys` (in the set's order). With a window, an answer only when
// it is certain: a bounded face lying inside the window by more than the tolerance; else nullopt,
// and the caller widens the window.
BoundarySet::Result BoundarySet::TraceIn(const std::vector<int>& keys, const TAcadPoint& p,
                                         const Bounds* window) const {
  const double tol = tolerance_;
  // Without a window the answer is the whole set's; within one, a face not found may lie beyond.
  const Result unsure{window == nullptr, std::nullopt};
  Vertices vs(tol);
  std::vector<Piece> pieces;
  pieces.reserve(keys.size());
  // End points first, in the set's order: they are the vertices crossings join.
  for (const int i : keys) {
    const Curve& c = curves_[static_cast<std::size_t>(i)];
    Piece piece{c.a, c.b, c.bulge, {}, vs.Add(c.a), vs.Add(c.b), {}};
    if (piece.va == piece.vb)
      continue;
    if (c.bulge != 0.0)
      piece.arc = ArcOf(c.a, c.b, c.bulge);
    piece.on = {piece.va, piece.vb};
    pieces.push_back(std::move(piece));
  }
  // A point on a curve lies in no region.
  for (const Piece& c : pieces) {
    if (DistanceToPiece(p, c) <= tol)
      return {};
  }

  // Pairs of pieces whose boxes meet, by a sweep along x.
  std::vector<Box2> boxes(pieces.size());
  std::vector<std::size_t> order(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    boxes[i] = CurveBox(pieces[i].a, pieces[i].b, pieces[i].bulge);
    boxes[i] = {boxes[i].minX - tol, boxes[i].minY - tol, boxes[i].maxX + tol, boxes[i].maxY + tol};
    order[i] = i;
  }
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return boxes[a].minX < boxes[b].minX; });
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::size_t i = order[k];
    for (std::size_t m = k + 1; m < order.size() && boxes[order[m]].minX <= boxes[i].maxX; ++m) {
      const std::size_t j = order[m];
      if (boxes[j].minY <= boxes[i].maxY && boxes[j].maxY >= boxes[i].minY)
        pairs.emplace_back(std::min(i, j), std::max(i, j));
    }
  }
  std::sort(pairs.begin(), pairs.end());

  for (const auto& [i, j] : pairs) {
    Piece& s = pieces[i];
    Piece& t = pieces[j];
    TAcadPoint x[2];
    const int n = Crossings(s, t, tol, x);
    for (int k = 0; k < n; ++k) {
      if (DistanceToPiece(x[k], s) <= tol && DistanceToPiece(x[k], t) <= tol) {
        const int v = vs.Add(x[k]);
        s.on.push_back(v);
        t.on.push_back(v);
      }
    }
    // Ends lying on the other curve: a T, a near miss, an overlap.
    for (const int v : {t.va, t.vb})
      if (DistanceToPiece(vs[v], s) <= tol)
        s.on.push_back(v);
    for (const int v : {s.va, s.vb})
      if (DistanceToPiece(vs[v], t) <= tol)
        t.on.push_back(v);
  }

  // Each piece cut at its vertices, in order along it; pieces drawn twice count once.
  std::vector<Edge> edges;
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> byEnds;
  for (Piece& c : pieces) {
    std::vector<std::pair<double, int>> along;
    along.reserve(c.on.size());
    for (const int v : c.on) {
      double t = 0.0;
      if (v == c.va) {
        t = 0.0;
      } else if (v == c.vb) {
        t = c.bulge == 0.0 ? 1.0 : std::abs(c.arc.sweep);
      } else if (c.bulge == 0.0) {
        const Vec d = Sub(c.b, c.a);
        t = Dot(Sub(vs[v], c.a), d) / Dot(d, d);
      } else {
        t = ArcParameter(c.arc, vs[v]);
      }
      along.emplace_back(t, v);
    }
    std::sort(along.begin(), along.end());
    along.erase(std::unique(along.begin(), along.end(),
                            [](const auto& a, const auto& b) { return a.second == b.second; }),
                along.end());
    for (std::size_t k = 0; k + 1 < along.size(); ++k) {
      int from = along[k].second;
      int to = along[k + 1].second;
      if (from == to)
        continue;
      double bulge = 0.0;
      if (c.bulge != 0.0 && along.size() == 2) {
        bulge = c.bulge;  // the arc whole, its bulge as drawn
      } else if (c.bulge != 0.0) {
        const double turn = along[k + 1].first - along[k].first;
        bulge = std::tan(turn / 4.0) * (c.bulge > 0.0 ? 1.0 : -1.0);
      }
      if (from > to) {
        std::swap(from, to);
        bulge = -bulge;
      }
      const std::uint64_t key =
          (static_cast<std::uint64_t>(from) << 32) | static_cast<std::uint32_t>(to);
      std::vector<std::size_t>& same = byEnds[key];
      const bool drawnTwice = std::any_of(same.begin(), same.end(), [&](std::size_t e) {
        return std::abs(edges[e].bulge - bulge) <= 1e-9 * std::max(1.0, std::abs(bulge));
      });
      if (drawnTwice)
        continue;
      same.push_back(edges.size());
      edges.push_back({from, to, bulge});
    }
  }
  if (edges.empty())
    return unsure;

  // Half-edges around each vertex, anticlockwise by the direction they leave in; among those
  // leaving the same way, the one turning further left comes later.
  std::vector<HalfEdge> hs;
  hs.reserve(edges.size() * 2);
  for (const Edge& e : edges) {
    hs.push_back(MakeHalfEdge(vs, e.from, e.to, e.bulge));
    hs.push_back(MakeHalfEdge(vs, e.to, e.from, -e.bulge));
  }
  std::vector<std::vector<int>> around(vs.size());
  for (std::size_t h = 0; h < hs.size(); ++h)
    around[static_cast<std::size_t>(hs[h].from)].push_back(static_cast<int>(h));
  std::vector<std::size_t> slot(hs.size());
  for (std::vector<int>& list : around) {
    std::sort(list.begin(), list.end(), [&](int a, int b) {
      const HalfEdge& x = hs[static_cast<std::size_t>(a)];
      const HalfEdge& y = hs[static_cast<std::size_t>(b)];
      return x.angle < y.angle || (x.angle == y.angle && x.curvature < y.curvature);
    });
    for (std::size_t k = 0; k < list.size(); ++k)
      slot[static_cast<std::size_t>(list[k])] = k;
  }
  // The face on the left of u -> v goes on, at v, with the half-edge next clockwise from v -> u.
  const auto next = [&](int h) {
    const int twin = h ^ 1;
    const std::vector<int>& list =
        around[static_cast<std::size_t>(hs[static_cast<std::size_t>(h)].to)];
    const std::size_t k = slot[static_cast<std::size_t>(twin)];
    return list[(k + list.size() - 1) % list.size()];
  };

  // Every face's walk; the region is the smallest anticlockwise walk winding around p.
  std::vector<char> seen(hs.size(), 0);
  std::vector<int> best;
  double bestArea = std::numeric_limits<double>::infinity();
  for (std::size_t start = 0; start < hs.size(); ++start) {
    if (seen[start])
      continue;
    std::vector<int> walk;
    for (int h = static_cast<int>(start); !seen[static_cast<std::size_t>(h)]; h = next(h)) {
      seen[static_cast<std::size_t>(h)] = 1;
      walk.push_back(h);
    }
    const double area = WalkArea(vs, hs, walk);
    if (!(area > 0.0) || area >= bestArea)
      continue;
    if (Winding(vs, hs, walk, p) == 0)
      continue;
    bestArea = area;
    best = std::move(walk);
  }
  if (best.empty())
    return unsure;

  // Its outer boundary: without the pieces walked both ways (dangles, bridges) and without the
  // loops of islands (clockwise), the one anticlockwise loop left.
  std::vector<char> inWalk(hs.size(), 0);
  for (const int h : best)
    inWalk[static_cast<std::size_t>(h)] = 1;
  std::vector<int> kept;
  for (const int h : best)
    if (!inWalk[static_cast<std::size_t>(h ^ 1)])
      kept.push_back(h);
  std::vector<int> outer;
  double outerArea = 0.0;
  for (std::vector<int>& loop : Loops(hs, kept)) {
    const double area = WalkArea(vs, hs, loop);
    if (area > outerArea) {
      outerArea = area;
      outer = std::move(loop);
    }
  }
  if (outer.size() < 2)
    return unsure;

  Box2 box{vs[hs[static_cast<std::size_t>(outer[0])].from].x,
           vs[hs[static_cast<std::size_t>(outer[0])].from].y,
           vs[hs[static_cast<std::size_t>(outer[0])].from].x,
           vs[hs[static_cast<std::size_t>(outer[0])].from].y};
  Outline o;
  for (const int h : outer) {
    const HalfEdge& e = hs[static_cast<std::size_t>(h)];
    const Box2 b = CurveBox(vs[e.from], vs[e.to], e.bulge);
    Include(box, {b.minX, b.minY, 0.0});
    Include(box, {b.maxX, b.maxY, 0.0});
    o.vertices.push_back(vs[e.from]);
    o.bulges.push_back(e.bulge);
  }
  if (window) {
    // Certain only when no curve outside the window comes near the face.
    const double margin = 4.0 * tol;
    if (!(box.minX > window->minX + margin && box.minY > window->minY + margin &&
          box.maxX < window->maxX - margin && box.maxY < window->maxY - margin))
      return unsure;
  }
  // From the lowest vertex, the leftmost on a tie.
  std::size_t first = 0;
  for (std::size_t k = 1; k < o.vertices.size(); ++k) {
    const TAcadPoint& a = o.vertices[k];
    const TAcadPoint& b = o.vertices[first];
    if (a.y < b.y || (a.y == b.y && a.x < b.x))
      first = k;
  }
  std::rotate(o.vertices.begin(), o.vertices.begin() + static_cast<std::ptrdiff_t>(first),
              o.vertices.end());
  std::rotate(o.bulges.begin(), o.bulges.begin() + static_cast<std::ptrdiff_t>(first),
              o.bulges.end());
  return {true, std::move(o)};
}

std::optional<Outline> TraceRegion(std::span<const Curve> curves, const TAcadPoint& p) {
  return BoundarySet(std::vector<Curve>(curves.begin(), curves.end())).Trace(p);
}

}  // namespace trivane::trace
