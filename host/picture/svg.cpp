// The picture as SVG: the painter, and the layout of a print.
#include "host/picture/picture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <string_view>

#include "geometry/angle.h"
#include "host/bridge/dxf_bridge.h"
#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "host/dxf/tags.h"
#include "host/model/shapes.h"
#include "host/picture/svg.h"

namespace trivane::host {

namespace {

constexpr std::string_view kFontFamily =
    "IPAGothic, IPAexGothic, 'Noto Sans CJK JP', 'Noto Sans JP', sans-serif";

// Numbers in the SVG: fixed, two decimals (hundredths of a pixel), "." whatever the locale.
std::string Num(double v) {
  if (!std::isfinite(v))
    v = 0.0;
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  std::string s(buf, r.ptr);
  while (s.size() > 1 && s.back() == '0')
    s.pop_back();
  if (s.back() == '.')
    s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string XmlEscaped(std::string_view s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters are not allowed in XML 1.0.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
          out += c;
        break;
    }
  }
  return out;
}

// The CAD's text control codes: %%d degree, %%p plus-minus, %%c diameter, %%% percent; %%u and
// %%o (underline, overline toggles) are dropped.
std::string ShownText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && s[i + 1] == '%') {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
      const char* replacement = c == 'd'                 ? "°"
                                : c == 'p'               ? "±"
                                : c == 'c'               ? "⌀"
                                : c == '%'               ? "%"
                                : (c == 'u' || c == 'o') ? ""
                                                         : nullptr;
      if (replacement) {
        out += replacement;
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// ---- Colours: the AutoCAD Color Index on a white background

std::string Hex(int r, int g, int b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s = "#";
  for (int v : {r, g, b}) {
    v = std::clamp(v, 0, 255);
    s += kDigits[v / 16];
    s += kDigits[v % 16];
  }
  return s;
}

std::string AciColour(int aci) {
  switch (aci) {
    case 1:
      return "#FF0000";
    case 2:
      return "#B89B00";  // yellow, darkened to read on white
    case 3:
      return "#00A000";
    case 4:
      return "#009B9B";  // cyan, darkened
    case 5:
      return "#0000FF";
    case 6:
      return "#C000C0";
    case 8:
      return "#808080";
    case 9:
      return "#A0A0A0";
    default:
      break;
  }
  if (aci >= 10 && aci <= 249) {
    // Hue in steps of 15 degrees; the last digit gives brightness (by pairs) and, when odd, a
    // paler shade.
    const double hue = (aci / 10 - 1) * 15.0;
    const int digit = aci % 10;
    const double value = std::array<double, 5>{1.0, 0.8, 0.6, 0.5, 0.3}[digit / 2];
    const double saturation = digit % 2 == 0 ? 1.0 : 0.5;
    const double c = value * saturation;
    const double hp = hue / 60.0;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1) {
      r = c, g = x;
    } else if (hp < 2) {
      r = x, g = c;
    } else if (hp < 3) {
      g = c, b = x;
    } else if (hp < 4) {
      g = x, b = c;
    } else if (hp < 5) {
      r = x, b = c;
    } else {
      r = c, b = x;
    }
    const double m = value - c;
    return Hex(static_cast<int>(std::lround((r + m) * 255)),
               static_cast<int>(std::lround((g + m) * 255)),
               static_cast<int>(std::lround((b + m) * 255)));
  }
  if (aci >= 250 && aci <= 255) {
    const int grey = 51 + (aci - 250) * 34;
    return Hex(grey, grey, grey);
  }
  return "#000000";  // 7 and anything unknown
}

// ---- Placement of block contents: x' = a x + b y + e, y' = c x + d y + f (drawing units)

struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  TAcadPoint Apply(const TAcadPoint& p) const {
    return {a * p.x + b * p.y + e, c * p.x + d * p.y + f, p.z};
  }
  // This transform after `inner`.
  Affine After(const Affine& inner) const {
    return {a * inner.a + b * inner.c,     a * inner.b + b * inner.d,
            c * inner.a + d * inner.c,     c * inner.b + d * inner.d,
            a * inner.e + b * inner.f + e, c * inner.e + d * inner.f + f};
  }
  double Scale() const { return std::sqrt(std::fabs(a * d - b * c)); }
  double Rotation() const { return std::atan2(c, a); }
  bool Mirrors() const { return a * d - b * c < 0; }
};

Affine InsertTransform(const InsertShape& i, const TAcadPoint& origin) {
  const double cs = std::cos(i.rotation);
  const double sn = std::sin(i.rotation);
  Affine t;
  t.a = cs * i.xscale;
  t.b = -sn * i.yscale;
  t.c = sn * i.xscale;
  t.d = cs * i.yscale;
  t.e = i.insertion.x - (t.a * origin.x + t.b * origin.y);
  t.f = i.insertion.y - (t.c * origin.x + t.d * origin.y);
  return t;
}

// The plain text of a multiline text: paragraph breaks as line breaks, formatting codes
// (fonts, heights, colours, alignment, toggles) left out, stacked fractions as "a/b".
std::string PlainMText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '{' || c == '}')
      continue;
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    const char code = s[++i];
    if (code == 'P') {
      out += '\n';
    } else if (code == '~') {
      out += ' ';
    } else if (code == '\\' || code == '{' || code == '}') {
      out += code;
    } else if (code == 'S') {
      for (++i; i < s.size() && s[i] != ';'; ++i)
        out += (s[i] == '^' || s[i] == '#') ? '/' : s[i];
    } else if (std::string_view("ACcFfHhQTWp").find(code) != std::string_view::npos) {
      while (i < s.size() && s[i] != ';')
        ++i;
    }
    // Any other code (L, l, O, o, K, k toggles) is dropped with its letter.
  }
  return out;
}

// What the host does not model but a picture of a parcel should show: arcs and multiline texts
// of model space, straight from the source file.
struct SourceArc {
  TAcadPoint center;
  double radius = 0.0;
  double startDegrees = 0.0;
  double endDegrees = 0.0;
  std::string layer;
  std::optional<int> colour;
};

struct SourceMText {
  TAcadPoint insertion;
  double height = 1.0;
  double rotation = 0.0;  // radians
  int attachment = 1;     // 1..9: top, middle, bottom rows of left, centre, right
  std::vector<std::string> lines;
  std::string layer;
  std::optional<int> colour;
};

std::optional<int> ColourTag(const dxf::Entity& e) {
  const dxf::Tag* t = e.Find(62);
  if (!t)
    return std::nullopt;
  const auto v = dxf::ParseInt(t->value);
  return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
}

void CollectSource(const Drawing& d, std::vector<SourceArc>& arcs,
                   std::vector<SourceMText>& texts) {
  if (!d.dxfSource)
    return;
  const dxf::Section* section = d.dxfSource->document.FindSection("ENTITIES");
  if (!section)
    return;
  for (const dxf::Entity& e : section->records) {
    const TAcadPoint z = dxf::Extrusion(e);
    if (dxf::InPaperSpace(e) || z.x != 0.0 || z.y != 0.0 || z.z <= 0.0)
      continue;
    if (e.type == "ARC") {
      arcs.push_back(SourceArc{{dxf::GetDouble(e, 10, 0), dxf::GetDouble(e, 20, 0), 0},
                               dxf::GetDouble(e, 40, 0),
                               dxf::GetDouble(e, 50, 0),
                               dxf::GetDouble(e, 51, 360),
                               dxf::LayerOf(e),
                               ColourTag(e)});
    } else if (e.type == "MTEXT") {
      SourceMText m;
      m.insertion = {dxf::GetDouble(e, 10, 0), dxf::GetDouble(e, 20, 0), 0};
      m.height = dxf::GetDouble(e, 40, 1.0);
      m.rotation = e.Find(11) ? std::atan2(dxf::GetDouble(e, 21, 0), dxf::GetDouble(e, 11, 1))
                              : DegreesToRadians(dxf::GetDouble(e, 50, 0));
      m.attachment = static_cast<int>(std::clamp(dxf::GetDouble(e, 71, 1), 1.0, 9.0));
      std::string raw;
      for (const dxf::Tag& t : e.tags) {
        if (t.code == 3)
          raw += t.value;
      }
      raw += std::string(e.Value(1));
      std::string plain = PlainMText(raw);
      std::size_t start = 0;
      for (std::size_t nl; (nl = plain.find('\n', start)) != std::string::npos; start = nl + 1)
        m.lines.push_back(plain.substr(start, nl - start));
      m.lines.push_back(plain.substr(start));
      m.layer = dxf::LayerOf(e);
      m.colour = ColourTag(e);
      texts.push_back(std::move(m));
    }
  }
}

constexpr double kMTextLineSpacing = 5.0 / 3.0;
// Block references nested deeper than this draw nothing past it (a reference to itself included).
constexpr int kMaxPictureDepth = 16;  // baseline to baseline, in text heights

// Counts the parts a picture draws (every entity, and every entity of a referenced block each time
// it is referenced, to the nesting depth drawn), once per block definition and depth; stops
// counting past `limit`.
class PartCounter {
 public:
  PartCounter(const Drawing& d, std::int64_t limit) : d_(d), limit_(limit) {
    for (const auto& [id, e] : d.entities)
      parts_[e.owner].push_back(&e);
  }

  std::int64_t Count() { return Parts(d_.ModelSpaceId(), 0); }

 private:
  std::int64_t Parts(ObjectId owner, int depth) {
    const auto key = std::make_pair(owner, depth);
    if (const auto it = counts_.find(key); it != counts_.end())
      return it->second;
    std::int64_t n = 0;
    if (const auto parts = parts_.find(owner); parts != parts_.end()) {
      for (const Entity* e : parts->second) {
        ++n;
        const InsertShape* ins = std::get_if<InsertShape>(&e->shape);
        const BlockRecord* block = ins ? d_.FindBlock(ins->block) : nullptr;
        if (block && depth < kMaxPictureDepth)
          n += Parts(block->id, depth + 1);
        if (n > limit_)
          break;
      }
    }
    n = std::min(n, limit_ + 1);
    counts_.emplace(key, n);
    return n;
  }

  const Drawing& d_;
  std::int64_t limit_;
  std::map<ObjectId, std::vector<const Entity*>> parts_;
  std::map<std::pair<ObjectId, int>, std::int64_t> counts_;
};

// What the picture covers, in drawing units; lo > hi when nothing is drawn.
struct Bounds {
  TAcadPoint lo;
  TAcadPoint hi;
  bool Empty() const { return !(lo.x <= hi.x && lo.y <= hi.y); }
};

Bounds DrawnBounds(const Drawing& d, const std::vector<SourceArc>& arcs,
                   const std::vector<SourceMText>& mtexts) {
  // Plain variables, not a structured binding: the lambda below captures them.
  const std::pair<TAcadPoint, TAcadPoint> extents = Extents(d);
  TAcadPoint lo = extents.first, hi = extents.second;
  auto add = [&](double x, double y) {
    lo.x = std::min(lo.x, x);
    lo.y = std::min(lo.y, y);
    hi.x = std::max(hi.x, x);
    hi.y = std::max(hi.y, y);
  };
  for (const SourceArc& a : arcs) {
    add(a.center.x - a.radius, a.center.y - a.radius);
    add(a.center.x + a.radius, a.center.y + a.radius);
  }
  for (const SourceMText& m : mtexts) {
    // A box around the insertion as wide as the longest line and as high as all lines,
    // whatever the attachment and rotation.
    double width = 0.0;
    for (const std::string& line : m.lines) {
      TextShape t;
      t.string = line;
      t.height = m.height;
      width = std::max(width, EstimatedTextWidth(t));
    }
    const double reach =
        std::max(width, m.height * (1 + kMTextLineSpacing * static_cast<double>(m.lines.size())));
    add(m.insertion.x - reach, m.insertion.y - reach);
    add(m.insertion.x + reach, m.insertion.y + reach);
  }
  return Bounds{lo, hi};
}

// A page: a fixed scale, the drawing centred on a sheet of a given size, a caption in the
// bottom-right margin. Picture units are millimetres on paper.
struct PageFrame {
  double scale = 1.0;  // picture units per drawing unit
  double width = 0.0;
  double height = 0.0;
  double strokeWidth = 0.25;
  std::string caption;
  double captionHeight = 3.0;
  double captionRight = 10.0;    // from the right edge of the sheet to the caption's end
  double captionBaseline = 5.0;  // from the bottom edge of the sheet
};

class Painter {
 public:
  Painter(const Drawing& d, const PictureOptions& o, const PageFrame* page = nullptr)
      : d_(d), page_(page), strokeWidth_(o.strokeWidth), offsetX_(o.margin), offsetY_(o.margin) {
    CheckPictureSize(d);
    CollectSource(d, arcs_, mtexts_);
    for (const auto& [id, e] : d.entities)
      parts_[e.owner].push_back(&e);
    const Bounds bounds = DrawnBounds(d, arcs_, mtexts_);
    TAcadPoint lo = bounds.lo, hi = bounds.hi;
    // Half differences stay finite for the largest coordinates, so the picture's numbers do.
    const auto finite = [](double v) {
      return std::clamp(v, std::numeric_limits<double>::lowest(),
                        std::numeric_limits<double>::max());
    };
    const bool drawn = lo.x <= hi.x && lo.y <= hi.y;
    if (drawn) {
      lo = TAcadPoint{finite(lo.x), finite(lo.y), 0.0};
      hi = TAcadPoint{finite(hi.x), finite(hi.y), 0.0};
    }
    const double halfWidth = hi.x / 2 - lo.x / 2, halfHeight = hi.y / 2 - lo.y / 2;
    if (page) {
      scale_ = page->scale;
      width_ = page->width;
      height_ = page->height;
      strokeWidth_ = page->strokeWidth;
      if (drawn) {
        minX_ = lo.x;
        maxY_ = hi.y;
        offsetX_ = width_ / 2 - halfWidth * scale_;
        offsetY_ = height_ / 2 - halfHeight * scale_;
      }
    } else if (drawn) {
      minX_ = lo.x;
      maxY_ = hi.y;
      const double halfSpan = std::max(halfWidth, halfHeight);
      scale_ = halfSpan > 0.0 ? o.width / 2 / halfSpan : 1.0;
      width_ = halfWidth * scale_ * 2 + 2 * o.margin;
      height_ = halfHeight * scale_ * 2 + 2 * o.margin;
    } else {
      width_ = height_ = 2 * o.margin;
    }
  }

  std::string Svg() {
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width_) + "\" height=\"" +
            Num(height_) + "\" viewBox=\"0 0 " + Num(width_) + " " + Num(height_) + "\">\n";
    out_ += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
    out_ += "<g fill=\"none\" stroke-width=\"" + Num(strokeWidth_) +
            "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (const auto& [id, e] : d_.entities) {
      if (e.owner == d_.ModelSpaceId())
        Draw(e, Affine{}, "#000000", 0);
    }
    for (const SourceArc& a : arcs_)
      DrawArc(a);
    for (const SourceMText& m : mtexts_)
      DrawMText(m);
    out_ += "</g>\n";
    if (page_ && !page_->caption.empty()) {
      out_ += "<text x=\"" + Num(width_ - page_->captionRight) + "\" y=\"" +
              Num(height_ - page_->captionBaseline) + "\" font-family=\"" +
              std::string(kFontFamily) + "\" font-size=\"" + Num(page_->captionHeight) +
              "\" text-anchor=\"end\" fill=\"#000000\">" + XmlEscaped(page_->caption) + "</text>\n";
    }
    out_ += "</svg>\n";
    return std::move(out_);
  }

 private:
  double X(double x) const { return offsetX_ + (x / 2 - minX_ / 2) * scale_ * 2; }
  double Y(double y) const { return offsetY_ + (maxY_ / 2 - y / 2) * scale_ * 2; }
  std::string P(const TAcadPoint& p) const { return Num(X(p.x)) + "," + Num(Y(p.y)); }

  // The entity's colour: its own (true colour 420, else index 62), else its layer's; by block
  // (0), or by layer on layer 0 inside a block, takes the reference's.
  std::optional<std::string> ColourOf(const Entity& e, const std::string& inherited,
                                      bool inBlock) const {
    std::optional<int> aci;
    for (const RawTag& t : e.passthrough.Groups()) {
      if (t.code == 420) {
        if (const auto v = dxf::ParseInt(t.value); v && *v >= 0) {
          const std::int64_t rgb = *v;
          return Hex(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                     static_cast<int>(rgb & 0xFF));
        }
      }
      if (t.code == 62 && !aci) {
        if (const auto v = dxf::ParseInt(t.value))
          aci = static_cast<int>(*v);
      }
    }
    const LayerRecord* layer = d_.FindLayer(e.layer);
    if (layer && layer->color < 0)
      return std::nullopt;  // the layer is off
    if (aci && *aci == 0)
      return inherited;
    if (aci && *aci >= 1 && *aci <= 255)
      return AciColour(*aci);
    if (inBlock && e.layer == "0")
      return inherited;
    return AciColour(layer ? std::abs(layer->color) : 7);
  }

  void Draw(const Entity& e, const Affine& t, const std::string& inherited, int depth) {
    const auto colour = ColourOf(e, inherited, depth > 0);
    if (!colour)
      return;
    std::visit(
        [&](const auto& s) {
          using T = std::decay_t<decltype(s)>;
          if constexpr (std::is_same_v<T, LineShape>) {
            out_ += "<line x1=\"" + Num(X(t.Apply(s.start).x)) + "\" y1=\"" +
                    Num(Y(t.Apply(s.start).y)) + "\" x2=\"" + Num(X(t.Apply(s.end).x)) +
                    "\" y2=\"" + Num(Y(t.Apply(s.end).y)) + "\" stroke=\"" + *colour + "\"/>\n";
          } else if constexpr (std::is_same_v<T, PolylineShape>) {
            DrawPolyline(s, t, *colour);
          } else if constexpr (std::is_same_v<T, CircleShape>) {
            const TAcadPoint c = t.Apply(s.center);
            out_ += "<circle cx=\"" + Num(X(c.x)) + "\" cy=\"" + Num(Y(c.y)) + "\" r=\"" +
                    Num(s.radius * t.Scale() * scale_) + "\" stroke=\"" + *colour + "\"/>\n";
          } else if constexpr (std::is_same_v<T, TextShape>) {
            DrawText(s, t, *colour);
          } else if constexpr (std::is_same_v<T, LeaderShape>) {
            DrawLeader(s, t, *colour);
          } else {
            const BlockRecord* block = d_.FindBlock(s.block);
            if (!block || depth >= kMaxPictureDepth)
              return;
            const Affine inner = t.After(InsertTransform(s, block->origin));
            if (const auto parts = parts_.find(block->id); parts != parts_.end()) {
              for (const Entity* part : parts->second)
                Draw(*part, inner, *colour, depth + 1);
            }
          }
        },
        e.shape);
  }

  void DrawPolyline(const PolylineShape& s, const Affine& t, const std::string& colour) {
    if (s.vertices.empty())
      return;
    std::string path = "M" + P(t.Apply(s.vertices[0]));
    const std::size_t n = s.vertices.size();
    const std::size_t segments = s.closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
      const TAcadPoint a = t.Apply(s.vertices[i]);
      const TAcadPoint b = t.Apply(s.vertices[(i + 1) % n]);
      const double bulge = i < s.bulges.size() ? s.bulges[i] : 0.0;
      const double chord = std::hypot(b.x - a.x, b.y - a.y);
      if (bulge == 0.0 || chord == 0.0) {
        path += " L" + P(b);
        continue;
      }
      // Bulge = tan(arc angle / 4), positive anticlockwise. The picture looks the same as the
      // drawing, but its y runs down, so an anticlockwise arc takes SVG's negative-angle
      // direction (sweep flag 0).
      const double radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge)) * scale_;
      const bool large = std::fabs(bulge) > 1.0;
      const bool sweep = (bulge < 0.0) != t.Mirrors();
      path += " A" + Num(radius) + "," + Num(radius) + " 0 " + (large ? "1" : "0") + "," +
              (sweep ? "1" : "0") + " " + P(b);
    }
    if (s.closed)
      path += " Z";
    out_ += "<path d=\"" + path + "\" stroke=\"" + colour + "\"/>\n";
  }

  void DrawText(const TextShape& s, const Affine& t, const std::string& colour) {
    const double height = s.height * t.Scale() * scale_;
    if (!(height > 0.0) || s.string.empty())
      return;
    double rotation = s.rotation + t.Rotation();
    TAcadPoint at;
    std::string anchor = "start";
    double baseline = 0.0;  // picture units below the anchor, along the text's own down
    std::string fit;
    if (s.alignment == 3 || s.alignment == 5) {
      // Aligned and fit: from the first point to the second.
      const TAcadPoint a = t.Apply(s.insertion);
      const TAcadPoint b = t.Apply(s.alignmentPoint);
      at = a;
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (length > 0.0) {
        rotation = std::atan2(b.y - a.y, b.x - a.x);
        fit = " textLength=\"" + Num(length * scale_) + "\" lengthAdjust=\"spacingAndGlyphs\"";
      }
    } else if (s.alignment == 0) {
      at = t.Apply(s.insertion);
    } else {
      at = t.Apply(s.alignmentPoint);
      const int column = s.alignment == 4   ? 1
                         : s.alignment <= 2 ? s.alignment
                                            : (s.alignment - 6) % 3;
      anchor = column == 0 ? "start" : column == 1 ? "middle" : "end";
      // Top: the baseline lies a text height below the point; middle: half of it (the host's
      // text box has no descenders, so bottom is the baseline).
      if (s.alignment >= 6 && s.alignment <= 8)
        baseline = height;
      else if ((s.alignment >= 9 && s.alignment <= 11) || s.alignment == 4)
        baseline = height / 2;
    }
    const double degrees = RadiansToDegrees(-rotation);
    std::string transform = "translate(" + Num(X(at.x)) + " " + Num(Y(at.y)) + ")";
    if (degrees != 0.0)
      transform += " rotate(" + Num(degrees) + ")";
    if (s.widthFactor != 1.0 && s.widthFactor > 0.0 && fit.empty())
      transform += " scale(" + Num(s.widthFactor) + " 1)";
    out_ += "<text transform=\"" + transform + "\" y=\"" + Num(baseline) + "\" font-family=\"" +
            std::string(kFontFamily) + "\" font-size=\"" + Num(height) + "\" text-anchor=\"" +
            anchor + "\" fill=\"" + colour + "\" stroke=\"none\"" + fit + ">" +
            XmlEscaped(ShownText(s.string)) + "</text>\n";
  }

  void DrawLeader(const LeaderShape& s, const Affine& t, const std::string& colour) {
    if (s.vertices.size() < 2)
      return;
    std::string points;
    for (const TAcadPoint& v : s.vertices)
      points += (points.empty() ? "" : " ") + P(t.Apply(v));
    out_ += "<polyline points=\"" + points + "\" stroke=\"" + colour + "\"/>\n";
    const double size = s.arrowSize * t.Scale() * scale_;
    if (!s.arrowhead || !(size > 0.0))
      return;
    // Closed filled: as long as the arrow size, a third of it wide, tip on the first vertex,
    // along the first segment (in picture coordinates).
    const TAcadPoint tip = t.Apply(s.vertices[0]);
    const TAcadPoint next = t.Apply(s.vertices[1]);
    const double tx = X(tip.x), ty = Y(tip.y);
    const double dx = X(next.x) - tx, dy = Y(next.y) - ty;
    const double len = std::hypot(dx, dy);
    if (len == 0.0)
      return;
    const double ux = dx / len, uy = dy / len;
    const double bx = tx + ux * size, by = ty + uy * size;
    const double w = size / 6.0;
    out_ += "<polygon points=\"" + Num(tx) + "," + Num(ty) + " " + Num(bx - uy * w) + "," +
            Num(by + ux * w) + " " + Num(bx + uy * w) + "," + Num(by - ux * w) + "\" fill=\"" +
            colour + "\" stroke=\"" + colour + "\"/>\n";
  }

  std::optional<std::string> ColourOfSource(const std::string& layerName,
                                            std::optional<int> aci) const {
    const LayerRecord* layer = d_.FindLayer(layerName);
    if (layer && layer->color < 0)
      return std::nullopt;
    if (aci && *aci >= 1 && *aci <= 255)
      return AciColour(*aci);
    return AciColour(layer ? std::abs(layer->color) : 7);
  }

  void DrawArc(const SourceArc& a) {
    const auto colour = ColourOfSource(a.layer, a.colour);
    if (!colour || !(a.radius > 0.0))
      return;
    double sweep = std::fmod(a.endDegrees - a.startDegrees, 360.0);
    if (sweep <= 0.0)
      sweep += 360.0;
    const double a0 = DegreesToRadians(a.startDegrees);
    const double a1 = a0 + DegreesToRadians(sweep);
    const auto at = [&](double angle) {
      return TAcadPoint{a.center.x + a.radius * std::cos(angle),
                        a.center.y + a.radius * std::sin(angle), 0.0};
    };
    const std::string r = Num(a.radius * scale_);
    std::string path = "M" + P(at(a0));
    if (sweep >= 359.999) {  // a full circle: two halves
      path += " A" + r + "," + r + " 0 1,0 " + P(at(a0 + std::numbers::pi));
      path += " A" + r + "," + r + " 0 1,0 " + P(at(a0));
    } else {
      // Anticlockwise in the drawing: SVG's negative-angle direction (see DrawPolyline).
      path += " A" + r + "," + r + " 0 " + (sweep > 180.0 ? "1" : "0") + ",0 " + P(at(a1));
    }
    out_ += "<path d=\"" + path + "\" stroke=\"" + *colour + "\"/>\n";
  }

  void DrawMText(const SourceMText& m) {
    const auto colour = ColourOfSource(m.layer, m.colour);
    const double height = m.height * scale_;
    if (!colour || !(height > 0.0))
      return;
    const int column = (m.attachment - 1) % 3;
    const int row = (m.attachment - 1) / 3;
    const double step = height * kMTextLineSpacing;
    const double block = height + step * static_cast<double>(m.lines.size() - 1);
    const double first = row == 0 ? height : row == 1 ? height - block / 2 : height - block;
    std::string transform =
        "translate(" + Num(X(m.insertion.x)) + " " + Num(Y(m.insertion.y)) + ")";
    if (m.rotation != 0.0)
      transform += " rotate(" + Num(RadiansToDegrees(-m.rotation)) + ")";
    out_ += "<text transform=\"" + transform + "\" font-family=\"" + std::string(kFontFamily) +
            "\" font-size=\"" + Num(height) + "\" text-anchor=\"" +
            (column == 0   ? "start"
             : column == 1 ? "middle"
                           : "end") +
            "\" fill=\"" + *colour + "\" stroke=\"none\">";
    for (std::size_t i = 0; i < m.lines.size(); ++i) {
      out_ += "<tspan x=\"0\" y=\"" + Num(first + step * static_cast<double>(i)) + "\">" +
              XmlEscaped(ShownText(m.lines[i])) + "</tspan>";
    }
    out_ += "</text>\n";
  }

  const Drawing& d_;
  const PageFrame* page_;
  double strokeWidth_;
  double offsetX_, offsetY_;  // picture units from the sheet's left and top edges to the drawing
  std::map<ObjectId, std::vector<const Entity*>> parts_;  // each block's entities, in order
  std::vector<SourceArc> arcs_;
  std::vector<SourceMText> mtexts_;
  double minX_ = 0.0, maxY_ = 0.0, scale_ = 1.0, width_ = 0.0, height_ = 0.0;
  std::string out_;
};

}  // namespace

void WriteAtomically(const std::string& path, const std::string& bytes) {
  try {
    dxf::WriteBytesReplacing(path, bytes);
  } catch (const dxf::WriteError& e) {
    throw PictureError(e.what());
  }
}

void CheckPictureSize(const Drawing& drawing) {
  if (PartCounter(drawing, kMaxPictureParts).Count() > kMaxPictureParts)
    throw PictureError("the drawing's block references expand to more than " +
                       std::to_string(kMaxPictureParts) + " parts to draw");
}

std::string DrawingToSvg(const Drawing& drawing, const PictureOptions& options) {
  return Painter(drawing, options).Svg();
}

void WriteSvgFile(const Drawing& drawing, const std::string& path, const PictureOptions& options) {
  std::string svg;
  try {
    svg = DrawingToSvg(drawing, options);
  } catch (const PictureError& e) {
    throw PictureError("cannot draw " + path + ": " + e.what());
  }
  WriteAtomically(path, svg);
}

// ---- Prints

namespace {

constexpr double kPrintMargin = 10.0;  // mm of paper kept free on every side

// Width and height of the sheet upright, in millimetres.
std::pair<double, double> SheetOf(Paper paper) {
  return paper == Paper::A3 ? std::pair{297.0, 420.0} : std::pair{210.0, 297.0};
}

std::string Metres(double mm) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, mm / 1000.0, std::chars_format::fixed, 2);
  return std::string(buf, r.ptr) + " m";
}

}  // namespace

std::string PageSvg(const Drawing& drawing, const PrintLayout& layout) {
  PageFrame frame;
  frame.scale = 1.0 / layout.scale;
  frame.width = layout.widthMm;
  frame.height = layout.heightMm;
  frame.caption = layout.Caption();
  return Painter(drawing, PictureOptions{}, &frame).Svg();
}

std::optional<Paper> PaperByName(std::string_view name) {
  if (name == "A4" || name == "a4")
    return Paper::A4;
  if (name == "A3" || name == "a3")
    return Paper::A3;
  return std::nullopt;
}

std::string_view PaperName(Paper paper) {
  return paper == Paper::A3 ? "A3" : "A4";
}

std::string PrintLayout::Caption() const {
  return "縮尺 1/" + std::to_string(scale) + " " + std::string(PaperName(paper));
}

PrintLayout LayOutPrint(const Drawing& drawing, const PrintOptions& options) {
  if (options.scale && *options.scale < 1)
    throw PictureError("the scale must be 1/N with N a whole number of 1 or more");
  std::vector<SourceArc> arcs;
  std::vector<SourceMText> mtexts;
  CollectSource(drawing, arcs, mtexts);
  const Bounds bounds = DrawnBounds(drawing, arcs, mtexts);
  const double width = bounds.Empty() ? 0.0 : bounds.hi.x - bounds.lo.x;
  const double height = bounds.Empty() ? 0.0 : bounds.hi.y - bounds.lo.y;

  PrintLayout layout;
  layout.paper = options.paper;
  layout.landscape = width > height;
  const auto [shortSide, longSide] = SheetOf(options.paper);
  layout.widthMm = layout.landscape ? longSide : shortSide;
  layout.heightMm = layout.landscape ? shortSide : longSide;
  const double roomX = layout.widthMm - 2 * kPrintMargin;
  const double roomY = layout.heightMm - 2 * kPrintMargin;
  // The smallest N with the drawing inside the margins at 1/N (a hair of slack for rounding).
  const double needed = std::max(width / roomX, height / roomY);
  const auto fits = [&](int n) { return needed <= n * (1.0 + 1e-9); };
  int fitting = static_cast<int>(std::ceil(needed * (1.0 - 1e-9)));
  for (const int n : kStandardScales) {
    if (fits(n)) {
      fitting = n;
      break;
    }
  }
  fitting = std::max(fitting, 1);
  const std::string what = "the drawing (" + Metres(width) + " by " + Metres(height) +
                           ") does not fit on " + std::string(PaperName(options.paper));
  if (options.scale) {
    if (!fits(*options.scale)) {
      throw PrintFitError(what + " at 1/" + std::to_string(*options.scale) + "; 1/" +
                              std::to_string(fitting) + " fits",
                          fitting);
    }
    layout.scale = *options.scale;
  } else {
    if (!fits(fitting) || fitting > kStandardScales[std::size(kStandardScales) - 1]) {
      throw PrintFitError(what + " at any standard scale down to 1/" +
                              std::to_string(kStandardScales[std::size(kStandardScales) - 1]) +
                              "; 1/" + std::to_string(fitting) + " fits",
                          fitting);
    }
    layout.scale = fitting;
  }
  return layout;
}

}  // namespace trivane::host
