// The host's entity object: the members every entity has, then those of its kind.
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "host/automation/objects.h"
#include "host/model/shapes.h"

namespace trivane::host {

using cad::Value;

namespace {

Value PointValue(const TAcadPoint& p) {
  return Value::Doubles({p.x, p.y, p.z});
}

// --- Extended data -------------------------------------------------------------------------------

bool IsTextCode(std::int16_t code) {
  return code >= 1000 && code <= 1005;
}
bool IsPointCode(std::int16_t code) {
  return code >= 1010 && code <= 1013;
}
bool IsRealCode(std::int16_t code) {
  return code >= 1040 && code <= 1042;
}

XdataValue ReadXdataValue(const Request& r, std::int16_t code, const Value& v, std::size_t k) {
  const std::string where =
      "extended data item " + std::to_string(k) + " (group " + std::to_string(code) + ")";
  auto mismatch = [&](const char* wanted) {
    r.Fail(where + ": expected " + wanted + ", got " + v.Describe(), cad::kErrorTypeMismatch);
  };
  if (IsTextCode(code)) {
    if (v.type() != Value::Type::Text)
      mismatch("a text");
    const std::string& s = v.GetText();
    if (code == 1001 && !IsValidSymbolName(s))
      r.Fail(where + ": invalid application name \"" + s + "\"", cad::kErrorInvalidArg);
    if (code == 1002 && s != "{" && s != "}")
      r.Fail(where + ": a control string is \"{\" or \"}\"", cad::kErrorInvalidArg);
    return s;
  }
  if (IsPointCode(code)) {
    if (v.type() != Value::Type::DoubleArray)
      mismatch("an array of three doubles");
    const auto& a = v.GetDoubles();
    if (a.size() != 3)
      r.Fail(where + ": a point has three doubles, got " + v.Describe(), cad::kErrorInvalidArg);
    return TAcadPoint{a[0], a[1], a[2]};
  }
  const bool integer = v.type() == Value::Type::Int16 || v.type() == Value::Type::Int32 ||
                       v.type() == Value::Type::Int64;
  if (IsRealCode(code)) {
    if (v.type() != Value::Type::Double && !integer)
      mismatch("a number");
    return v.ToDouble();
  }
  if (code == 1070 || code == 1071) {
    if (!integer)
      mismatch("an integer");
    const std::int64_t i = v.ToInteger();
    if (code == 1070) {
      if (i < std::numeric_limits<std::int16_t>::min() ||
          i > std::numeric_limits<std::int16_t>::max())
        r.Fail(where + ": out of the 16-bit range", cad::kErrorInvalidArg);
      return static_cast<std::int16_t>(i);
    }
    if (i < std::numeric_limits<std::int32_t>::min() ||
        i > std::numeric_limits<std::int32_t>::max())
      r.Fail(where + ": out of the 32-bit range", cad::kErrorInvalidArg);
    return static_cast<std::int32_t>(i);
  }
  r.Fail(where + ": not an extended data group code", cad::kErrorInvalidArg);
}

Value XdataToValue(const XdataValue& v) {
  return std::visit(
      [](const auto& x) -> Value {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::string>)
          return Value::Text(x);
        else if constexpr (std::is_same_v<T, double>)
          return Value::Double(x);
        else if constexpr (std::is_same_v<T, std::int16_t>)
          return Value::Int16(x);
        else if constexpr (std::is_same_v<T, std::int32_t>)
          return Value::Int32(x);
        else
          return PointValue(x);
      },
      v);
}

// SetXdata(types, values): replaces the data of each application named by a 1001 group; an
// application given without items loses its data.
void SetXdata(const Request& r, Entity& e) {
  r.args.Expect(2, 2);
  const Value& types = r.args[0];
  const Value& values = r.args[1];
  if (types.type() != Value::Type::Int16Array)
    r.Fail("the types must be an array of 16-bit integers, got " + types.Describe(),
           cad::kErrorTypeMismatch);
  if (values.type() != Value::Type::VariantArray)
    r.Fail("the values must be an array of variants, got " + values.Describe(),
           cad::kErrorTypeMismatch);
  const auto& codes = types.GetInt16s();
  const auto& items = values.GetArray();
  if (codes.size() != items.size())
    r.Fail("types and values differ in length", cad::kErrorInvalidArg);
  if (codes.empty() || codes[0] != 1001)
    r.Fail("extended data begins with the application name (group 1001)", cad::kErrorInvalidArg);
  std::vector<XdataApp> apps;
  for (std::size_t k = 0; k < codes.size(); ++k) {
    XdataValue v = ReadXdataValue(r, codes[k], items[k], k);
    if (codes[k] == 1001)
      apps.push_back(XdataApp{std::get<std::string>(v), {}});
    else
      apps.back().items.push_back(XdataItem{codes[k], std::move(v)});
  }
  for (XdataApp& app : apps) {
    std::erase_if(
        e.xdata, [&](const XdataApp& old) { return NamesEqual(old.application, app.application); });
    if (!app.items.empty())
      e.xdata.push_back(std::move(app));
  }
}

// GetXdata(application, out types, out values): the data of that application ("" for all), each
// led by its 1001 group; both out values empty when there is none.
void GetXdata(Request& r, const Entity& e) {
  r.args.Expect(3, 3);
  const std::string app = r.args.Text(0);
  std::vector<std::int16_t> codes;
  Value::Variants values;
  for (const XdataApp& a : e.xdata) {
    if (!app.empty() && !NamesEqual(a.application, app))
      continue;
    codes.push_back(1001);
    values.push_back(Value::Text(a.application));
    for (const XdataItem& item : a.items) {
      codes.push_back(item.code);
      values.push_back(XdataToValue(item.value));
    }
  }
  if (codes.empty()) {
    r.args.SetOut(1, Value());
    r.args.SetOut(2, Value());
  } else {
    r.args.SetOut(1, Value::Int16s(std::move(codes)));
    r.args.SetOut(2, Value::Array(std::move(values)));
  }
}

// --- Texts ---------------------------------------------------------------------------------------

bool JustifiedOnInsertion(std::int32_t alignment) {
  return alignment == 0 || alignment == 3 || alignment == 5;
}

// After a change of string, height or rotation the text stays on its justification point.
void Rejustify(TextShape& t) {
  if (JustifiedOnInsertion(t.alignment))
    t.alignmentPoint = t.insertion;
  else
    t.insertion = InsertionFromAnchor(t, t.alignmentPoint);
}

std::string HexId(ObjectId id) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(id), 16).ptr;
  std::string s(buf, end);
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class EntityObject final : public HostObject {
 public:
  EntityObject(std::shared_ptr<Host> host, ObjectId id) : HostObject(std::move(host)), id_(id) {}

 protected:
  Value Dispatch(Request& r) override {
    Drawing& d = host().drawing();
    Entity* e = d.FindEntity(id_);
    if (!e)
      r.Fail("the object was erased");
    if (r.Reads("EntityName") || r.Reads("ObjectName")) {
      r.args.Expect(0, 0);
      return Value::Text(std::string(AutomationName(*e)));
    }
    if (r.Reads("ObjectID")) {
      r.args.Expect(0, 0);
      return Value::Int64(id_);
    }
    if (r.Reads("Handle")) {
      r.args.Expect(0, 0);
      return Value::Text(e->handle.empty() ? HexId(id_) : e->handle);
    }
    if (r.Reads("OwnerID")) {
      r.args.Expect(0, 0);
      return Value::Int64(e->owner);
    }
    if (r.Reads("Layer")) {
      r.args.Expect(0, 0);
      return Value::Text(e->layer);
    }
    if (r.Writes("Layer")) {
      const std::string name = r.args.Text(0);
      const LayerRecord* layer = d.FindLayer(name);
      if (!layer)
        r.Fail("no layer named " + name);
      e->layer = layer->name;
      e->modified = true;
      return Value();
    }
    if (r.Calls("Update")) {
      r.args.Expect(0, 0);
      return Value();
    }
    if (r.Calls("Delete") || r.Calls("Erase")) {
      r.args.Expect(0, 0);
      d.EraseEntity(id_);
      return Value();
    }
    if (r.Calls("Rotate")) {
      r.args.Expect(2, 2);
      ApplyPlacement(*e, Placement::Rotate(r.args.Point(0), r.args.Number(1)));
      d.MarkEdited(*e);
      return Value();
    }
    if (r.Calls("Move")) {
      r.args.Expect(2, 2);
      ApplyPlacement(*e, Placement::Move(r.args.Point(0), r.args.Point(1)));
      d.MarkEdited(*e);
      return Value();
    }
    if (r.Calls("SetXdata")) {
      SetXdata(r, *e);
      e->modified = true;
      return Value();
    }
    if (r.Calls("GetXdata")) {
      GetXdata(r, *e);
      return Value();
    }
    const std::optional<Value> v =
        std::visit([&](auto& shape) { return Member(r, *e, shape); }, e->shape);
    if (!v)
      r.Unknown();
    if (r.kind == cad::InvokeKind::Put)
      e->modified = true;
    if (r.kind != cad::InvokeKind::Get)
      d.MarkEdited(*e);
    return *v;
  }

 private:
  std::optional<Value> Member(Request& r, Entity&, LineShape& l) {
    if (r.Reads("StartPoint"))
      return Read(r, PointValue(l.start));
    if (r.Writes("StartPoint"))
      return Write(l.start = r.args.Point(0));
    if (r.Reads("EndPoint"))
      return Read(r, PointValue(l.end));
    if (r.Writes("EndPoint"))
      return Write(l.end = r.args.Point(0));
    if (r.Reads("Length"))
      return Read(r, Value::Double(std::hypot(l.end.x - l.start.x, l.end.y - l.start.y,
                                              l.end.z - l.start.z)));
    return std::nullopt;
  }

  std::optional<Value> Member(Request& r, Entity&, PolylineShape& p) {
    if (r.Reads("Coordinates")) {
      std::vector<double> a;
      for (const TAcadPoint& v : p.vertices) {
        a.push_back(v.x);
        a.push_back(v.y);
      }
      return Read(r, Value::Doubles(std::move(a)));
    }
    if (r.Writes("Coordinates")) {
      if (r.args[0].type() != Value::Type::DoubleArray)
        r.Fail("expected an array of doubles x0, y0, x1, y1, ...", cad::kErrorTypeMismatch);
      const auto& a = r.args[0].GetDoubles();
      if (a.size() < 4 || a.size() % 2 != 0)
        r.Fail("expected at least two vertices as x, y pairs", cad::kErrorInvalidArg);
      p.vertices.clear();
      for (std::size_t i = 0; i < a.size(); i += 2)
        p.vertices.push_back(TAcadPoint{a[i], a[i + 1], 0.0});
      p.bulges.clear();
      return Value();
    }
    if (r.Reads("Closed"))
      return Read(r, Value::Bool(p.closed));
    if (r.Writes("Closed"))
      return Write(p.closed = r.args.Boolean(0));
    if (r.Reads("Elevation"))
      return Read(r, Value::Double(p.elevation));
    return std::nullopt;
  }

  std::optional<Value> Member(Request& r, Entity&, TextShape& t) {
    if (r.Reads("TextString"))
      return Read(r, Value::Text(t.string));
    if (r.Writes("TextString")) {
      t.string = r.args.Text(0);
      Rejustify(t);
      return Value();
    }
    if (r.Reads("Height"))
      return Read(r, Value::Double(t.height));
    if (r.Writes("Height")) {
      const double h = r.args.Number(0);
      if (!(h > 0.0) || !std::isfinite(h))
        r.Fail("the text height must be positive", cad::kErrorInvalidArg);
      t.height = h;
      Rejustify(t);
      return Value();
    }
    if (r.Reads("Rotation"))
      return Read(r, Value::Double(t.rotation));
    if (r.Writes("Rotation")) {
      t.rotation = r.args.Number(0);
      Rejustify(t);
      return Value();
    }
    if (r.Reads("Alignment"))
      return Read(r, Value::Int32(t.alignment));
    if (r.Writes("Alignment")) {
      // The text stays where it stands; its justification point moves to the new place.
      const std::int64_t a = r.args.Integer(0);
      if (a < 0 || a > 14)
        r.Fail("alignment codes are 0 to 14", cad::kErrorInvalidArg);
      t.alignmentPoint = AnchorFromInsertion(t, static_cast<std::int32_t>(a));
      t.alignment = static_cast<std::int32_t>(a);
      return Value();
    }
    if (r.Reads("TextAlignmentPoint"))
      return Read(r, PointValue(t.alignmentPoint));
    if (r.Writes("TextAlignmentPoint")) {
      const TAcadPoint p = r.args.Point(0);
      if (JustifiedOnInsertion(t.alignment))
        r.Fail("a left-aligned text has no alignment point; set Alignment first");
      t.alignmentPoint = p;
      Rejustify(t);
      return Value();
    }
    if (r.Reads("InsertionPoint"))
      return Read(r, PointValue(t.insertion));
    if (r.Writes("InsertionPoint")) {
      const TAcadPoint p = r.args.Point(0);
      const Placement move = Placement::Move(t.insertion, p);
      t.insertion = p;
      t.alignmentPoint = move.Apply(t.alignmentPoint);
      return Value();
    }
    if (r.Reads("ScaleFactor"))
      return Read(r, Value::Double(t.widthFactor));
    if (r.Reads("StyleName"))
      return Read(r, Value::Text(t.style));
    return std::nullopt;
  }

  std::optional<Value> Member(Request& r, Entity&, CircleShape& c) {
    if (r.Reads("Center"))
      return Read(r, PointValue(c.center));
    if (r.Writes("Center"))
      return Write(c.center = r.args.Point(0));
    if (r.Reads("Radius"))
      return Read(r, Value::Double(c.radius));
    if (r.Writes("Radius")) {
      const double radius = r.args.Number(0);
      if (!(radius > 0.0) || !std::isfinite(radius))
        r.Fail("the radius must be positive", cad::kErrorInvalidArg);
      c.radius = radius;
      return Value();
    }
    return std::nullopt;
  }

  std::optional<Value> Member(Request& r, Entity& e, InsertShape& i) {
    if (r.Reads("Name"))
      return Read(r, Value::Text(i.block));
    if (r.Reads("InsertionPoint"))
      return Read(r, PointValue(i.insertion));
    if (r.Writes("InsertionPoint"))
      return Write(i.insertion = r.args.Point(0));
    if (r.Reads("Rotation"))
      return Read(r, Value::Double(i.rotation));
    if (r.Writes("Rotation"))
      return Write(i.rotation = r.args.Number(0));
    if (r.Reads("XScaleFactor"))
      return Read(r, Value::Double(i.xscale));
    if (r.Reads("YScaleFactor"))
      return Read(r, Value::Double(i.yscale));
    if (r.Reads("ZScaleFactor"))
      return Read(r, Value::Double(i.zscale));
    if (r.Calls("Explode")) {
      r.args.Expect(0, 0);
      (void)e;
      const auto ids = ExplodeInsert(host().drawing(), id_);
      if (!ids)
        r.Fail("the block reference cannot be exploded");
      Value::Variants parts;
      for (ObjectId id : *ids)
        parts.push_back(Value::Ref(MakeEntity(hostRef(), id)));
      return Value::Array(std::move(parts));
    }
    return std::nullopt;
  }

  std::optional<Value> Member(Request& r, Entity&, LeaderShape& l) {
    if (r.Reads("Coordinates")) {
      std::vector<double> a;
      for (const TAcadPoint& v : l.vertices) {
        a.push_back(v.x);
        a.push_back(v.y);
        a.push_back(v.z);
      }
      return Read(r, Value::Doubles(std::move(a)));
    }
    if (r.Reads("ArrowheadSize"))
      return Read(r, Value::Double(l.arrowSize));
    if (r.Writes("ArrowheadSize")) {
      const double s = r.args.Number(0);
      if (!(s >= 0.0) || !std::isfinite(s))
        r.Fail("the arrowhead size must not be negative", cad::kErrorInvalidArg);
      l.arrowSize = s;
      return Value();
    }
    return std::nullopt;
  }

  static Value Read(const Request& r, Value v) {
    r.args.Expect(0, 0);
    return v;
  }
  template <typename T>
  static Value Write(const T&) {
    return Value();
  }

  ObjectId id_;
};

}  // namespace

cad::ObjectRef MakeEntity(std::shared_ptr<Host> host, ObjectId entity) {
  return std::make_shared<EntityObject>(std::move(host), entity);
}

}  // namespace trivane::host
