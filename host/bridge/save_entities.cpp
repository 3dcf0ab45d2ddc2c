// Saving, the records of one entity: a changed record brought to the entity's values, the
// records of an entity made in the session.
#include <algorithm>
#include <cmath>

#include "host/bridge/records.h"
#include "host/bridge/save.h"
#include "host/bridge/variables.h"
#include "host/bridge/xdata.h"
#include "host/model/shapes.h"

namespace trivane::host::bridge {

namespace {

// Gives a record written after its head (VERTEX, SEQEND) its handle and owner.
void AdoptFollower(dxf::Document& doc, dxf::Entity& e, const std::string& owner) {
  std::erase_if(e.tags, [](const dxf::Tag& t) { return t.code == 5 || t.code == 330; });
  std::size_t pos = 0;
  if (doc.UsesHandles())
    e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos++),
                  dxf::Tag{5, doc.NewHandle()});
  if (doc.HasSubclassMarkers())
    e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos), dxf::Tag{330, owner});
}

// The records of a 2D POLYLINE after its head, for these vertices: the existing VERTEX records
// are updated in order, extra ones made like the last, surplus ones dropped; SEQEND closes.
std::vector<dxf::Entity> PolylineFollowers(dxf::Document& doc, const dxf::Entity& head,
                                           const std::vector<dxf::Entity>& old,
                                           const std::vector<dxf::LwVertex>& wanted,
                                           const std::string& layer) {
  std::vector<dxf::Entity> vertices;
  std::optional<dxf::Entity> seqend;
  for (const dxf::Entity& r : old) {
    if (r.type == "VERTEX")
      vertices.push_back(r);
    else if (r.type == "SEQEND")
      seqend = r;
  }
  const std::string owner = head.Handle();
  std::vector<dxf::Entity> out;
  for (std::size_t k = 0; k < wanted.size(); ++k) {
    dxf::Entity v;
    if (k < vertices.size()) {
      v = vertices[k];
    } else {
      v = vertices.empty() ? dxf::NewVertex(doc, layer) : vertices.back();
      v.xdata.clear();
      AdoptFollower(doc, v, owner);
    }
    dxf::UpdateVertex(v, wanted[k]);
    if (dxf::LayerOf(v) != layer)
      dxf::SetLayer(v, layer);
    out.push_back(std::move(v));
  }
  if (!seqend) {
    seqend = dxf::NewSeqend(doc, layer);
    AdoptFollower(doc, *seqend, owner);
  } else if (dxf::LayerOf(*seqend) != layer) {
    dxf::SetLayer(*seqend, layer);
  }
  out.push_back(std::move(*seqend));
  return out;
}

dxf::TextData TextDataOf(const TextShape& t) {
  dxf::TextData d;
  d.text = t.string;
  d.insertion = t.insertion;
  d.alignmentPoint = t.alignmentPoint;
  if ((t.alignment == 3 || t.alignment == 5) && t.alignmentPoint == t.insertion) {
    // Aligned and fit texts run from the first point to the second: never a point.
    const double w = EstimatedTextWidth(t);
    d.alignmentPoint = TAcadPoint{t.insertion.x + w * std::cos(t.rotation),
                                  t.insertion.y + w * std::sin(t.rotation), t.insertion.z};
  }
  d.height = t.height;
  d.rotationDegrees = t.rotation * kDegreesPerRadian;
  d.alignment = t.alignment;
  d.widthFactor = t.widthFactor;
  d.style = t.style;
  return d;
}

std::string PaperSpaceHandle(const dxf::Document& doc) {
  const dxf::Entity* r = doc.FindTableRecord("BLOCK_RECORD", "*Paper_Space");
  return r ? r->Handle() : std::string();
}

}  // namespace

std::string Writer::DimStyleName() const {
  if (auto name = HeaderTag(doc, "$DIMSTYLE", 2); name && FindDimStyle(doc, *name))
    return *name;
  if (const dxf::Entity* standard = FindDimStyle(doc, "Standard"))
    return std::string(standard->Value(2));
  const dxf::Table* table = doc.FindTable("DIMSTYLE");
  if (table && !table->records.empty())
    return std::string(table->records.front().Value(2));
  return "Standard";
}

// Brings the record (and its followers) to the entity's values; `sourceXdata` is the extended
// data the record had, whose unchanged applications keep their bytes.
void Writer::Apply(dxf::Entity& rec, std::vector<dxf::Entity>& followers, const Entity& e,
                   const std::vector<dxf::XData>& sourceXdata) {
  std::visit(
      [&](const auto& shape) {
        using T = std::decay_t<decltype(shape)>;
        if constexpr (std::is_same_v<T, LineShape>) {
          dxf::Update(rec, DataOf(shape));
        } else if constexpr (std::is_same_v<T, PolylineShape>) {
          const dxf::LwPolylineData data = DataOf(shape);
          if (rec.type == "LWPOLYLINE") {
            dxf::Update(rec, data);
          } else {
            dxf::UpdatePolylineHead(rec, data);
            followers = PolylineFollowers(doc, rec, followers, data.vertices, e.layer);
          }
        } else if constexpr (std::is_same_v<T, TextShape>) {
          dxf::Update(rec, TextDataOf(shape));
        } else if constexpr (std::is_same_v<T, CircleShape>) {
          dxf::Update(rec, DataOf(shape));
        } else if constexpr (std::is_same_v<T, InsertShape>) {
          const auto before = dxf::AsInsert(rec);
          const dxf::InsertData data = DataOf(shape);
          dxf::Update(rec, data);
          if (before)
            MoveAttributes(followers, *before, data);
        } else {
          const auto before = dxf::AsLeader(rec);
          dxf::LeaderData data;
          data.vertices = shape.vertices;
          data.arrowhead = shape.arrowhead;
          data.dimStyle = before ? before->dimStyle : DimStyleName();
          dxf::Update(rec, data);
        }
      },
      e.shape);
  if (dxf::LayerOf(rec) != e.layer)
    dxf::SetLayer(rec, e.layer);
  rec.xdata = ToDxfXdata(e.xdata, sourceXdata);
  if (const auto* leader = std::get_if<LeaderShape>(&e.shape))
    SetArrow(rec, *leader);
}

// Attributes follow a moved, turned or uniformly scaled block reference.
void Writer::MoveAttributes(std::vector<dxf::Entity>& followers, const dxf::InsertData& from,
                            const dxf::InsertData& to) {
  if (from.xScale != from.yScale || to.xScale != to.yScale || from.xScale == 0.0)
    return;
  const double k = to.xScale / from.xScale;
  const double turn = (to.rotationDegrees - from.rotationDegrees) / kDegreesPerRadian;
  if (from.insertion == to.insertion && k == 1.0 && turn == 0.0)
    return;
  const double c = std::cos(turn);
  const double sn = std::sin(turn);
  auto place = [&](const TAcadPoint& p) {
    const double x = (p.x - from.insertion.x) * k;
    const double y = (p.y - from.insertion.y) * k;
    return TAcadPoint{to.insertion.x + x * c - y * sn, to.insertion.y + x * sn + y * c,
                      p.z - from.insertion.z + to.insertion.z};
  };
  for (dxf::Entity& a : followers) {
    if (a.type != "ATTRIB")
      continue;
    for (int code : {10, 11}) {
      if (!a.Find(code))
        continue;
      const TAcadPoint p = place(dxf::GetPoint(a, code));
      dxf::SetFirstTag(a, dxf::DoubleTag(code, p.x));
      dxf::SetFirstTag(a, dxf::DoubleTag(code + 10, p.y));
      dxf::SetFirstTag(a, dxf::DoubleTag(code + 20, p.z));
    }
    if (k != 1.0)
      dxf::SetFirstTag(a, dxf::DoubleTag(40, dxf::GetDouble(a, 40, 1.0) * k));
    if (turn != 0.0)
      dxf::SetFirstTag(a,
                       dxf::DoubleTag(50, dxf::GetDouble(a, 50, 0.0) + turn * kDegreesPerRadian));
  }
}

// The arrowhead as the leader's record and its style give it; an override where they differ.
void Writer::SetArrow(dxf::Entity& rec, const LeaderShape& leader) {
  const Arrow now = ArrowOf(doc, rec);
  if (now.size != leader.arrowSize)
    SetOverride(rec, 41, dxf::DoubleTag(1040, leader.arrowSize / now.scale));
  if (!dxf::SameName(now.block, leader.arrowBlock)) {
    const dxf::Entity* block = leader.arrowBlock.empty()
                                   ? nullptr
                                   : doc.FindTableRecord("BLOCK_RECORD", leader.arrowBlock);
    if (block || leader.arrowBlock.empty())
      SetOverride(rec, 341, dxf::Tag{1005, block ? block->Handle() : std::string("0")});
  }
}

// The DXF type the entity takes in this document.
std::string Writer::TypeFor(const Entity& e) const {
  if (std::holds_alternative<PolylineShape>(e.shape))
    return doc.HasSubclassMarkers() ? "LWPOLYLINE" : "POLYLINE";
  return std::string(DxfTypeName(e));
}

dxf::Properties Writer::PropertiesOf(const Entity& e) const {
  dxf::Properties props;
  props.layer = e.layer;
  for (const RawTag& t : e.passthrough.Groups()) {
    if (t.code == 62 && !props.color) {
      if (auto c = dxf::ParseInt(t.value))
        props.color = static_cast<int>(*c);
    } else if (t.code == 6 && !props.linetype && doc.FindTableRecord("LTYPE", t.value)) {
      props.linetype = t.value;
    }
  }
  return props;
}

// The records of an entity made in the session: head and followers, without handles yet.
std::vector<dxf::Entity> Writer::MakeRecords(const Entity& e) {
  const std::string type = TypeFor(e);
  std::vector<RawTag> raw = e.passthrough.Groups();
  const bool fromPassthrough = !raw.empty() && raw[0].code == 0 && raw[0].value == type &&
                               std::any_of(raw.begin(), raw.end(), [](const RawTag& t) {
                                 return t.code == 100;
                               }) == doc.HasSubclassMarkers();
  dxf::Entity rec;
  if (fromPassthrough) {
    DropPlaceGroups(raw);
    rec = FromPassthrough(raw);
  } else {
    const dxf::Properties props = PropertiesOf(e);
    rec = std::visit(
        [&](const auto& shape) -> dxf::Entity {
          using T = std::decay_t<decltype(shape)>;
          if constexpr (std::is_same_v<T, LineShape>) {
            return dxf::NewEntity(doc, DataOf(shape), props);
          } else if constexpr (std::is_same_v<T, PolylineShape>) {
            const dxf::LwPolylineData head{{}, shape.closed, shape.elevation};
            if (!doc.HasSubclassMarkers())
              return dxf::NewPolylineHead(doc, head, props);
            return dxf::NewEntity(doc, head, props);
          } else if constexpr (std::is_same_v<T, TextShape>) {
            return dxf::NewEntity(doc, TextDataOf(shape), props);
          } else if constexpr (std::is_same_v<T, CircleShape>) {
            return dxf::NewEntity(doc, DataOf(shape), props);
          } else if constexpr (std::is_same_v<T, InsertShape>) {
            return dxf::NewEntity(doc, DataOf(shape), props);
          } else {
            if (!doc.HasSubclassMarkers())
              return dxf::NewPolylineHead(doc, {}, props);
            dxf::LeaderData data;
            data.vertices = shape.vertices;
            data.arrowhead = shape.arrowhead;
            data.dimStyle = DimStyleName();
            return dxf::NewEntity(doc, data, props);
          }
        },
        e.shape);
  }
  std::vector<dxf::Entity> followers;
  if (const auto* leader = std::get_if<LeaderShape>(&e.shape); leader && rec.type == "POLYLINE") {
    // R12 has no leaders: the path as a polyline, the arrowhead as a solid.
    PolylineShape path;
    path.vertices = leader->vertices;
    Entity asPolyline = e;
    asPolyline.shape = path;
    std::vector<dxf::Entity> out{rec};
    Apply(out[0], followers, asPolyline, {});
    out.insert(out.end(), followers.begin(), followers.end());
    if (auto head = ArrowSolid(*leader, PropertiesOf(e)))
      out.push_back(std::move(*head));
    return out;
  }
  Apply(rec, followers, e, {});
  std::vector<dxf::Entity> out{std::move(rec)};
  out.insert(out.end(), followers.begin(), followers.end());
  return out;
}

// A closed filled arrowhead: as long as the arrow size, a third of it wide, tip at the first
// vertex, pointing back along the first segment.
std::optional<dxf::Entity> Writer::ArrowSolid(const LeaderShape& l,
                                              const dxf::Properties& props) const {
  if (!l.arrowhead || l.vertices.size() < 2 || !(l.arrowSize > 0.0))
    return std::nullopt;
  const TAcadPoint tip = l.vertices[0];
  const double dx = l.vertices[1].x - tip.x;
  const double dy = l.vertices[1].y - tip.y;
  const double len = std::hypot(dx, dy);
  if (len == 0.0)
    return std::nullopt;
  const double ux = dx / len;
  const double uy = dy / len;
  const double s = l.arrowSize;
  const TAcadPoint base{tip.x + ux * s, tip.y + uy * s, tip.z};
  const TAcadPoint left{base.x - uy * s / 6.0, base.y + ux * s / 6.0, tip.z};
  const TAcadPoint right{base.x + uy * s / 6.0, base.y - ux * s / 6.0, tip.z};
  dxf::Entity e;
  e.type = "SOLID";
  e.tags.push_back(dxf::Tag{8, props.layer});
  if (props.color)
    e.tags.push_back(dxf::IntTag(62, *props.color));
  int code = 10;
  for (const TAcadPoint& p : {tip, left, right, right}) {
    e.tags.push_back(dxf::DoubleTag(code, p.x));
    e.tags.push_back(dxf::DoubleTag(code + 10, p.y));
    e.tags.push_back(dxf::DoubleTag(code + 20, p.z));
    ++code;
  }
  return e;
}

// Appends the records of a new entity to model space, paper space or a block of doc.
void Writer::AddNew(const Entity& e, dxf::Block* block, bool paperSpace) {
  std::vector<dxf::Entity> recs = MakeRecords(e);
  changed = true;
  dxf::Entity& head = block ? dxf::AddEntity(doc, *block, std::move(recs[0]))
                            : dxf::AddEntity(doc, std::move(recs[0]));
  if (paperSpace) {
    const auto marker = std::find_if(head.tags.begin(), head.tags.end(), [](const dxf::Tag& t) {
      return t.code == 100 && t.value == "AcDbEntity";
    });
    head.tags.insert(
        marker == head.tags.end() ? head.tags.begin() + (head.Find(5) ? 1 : 0) : marker + 1,
        dxf::Tag{67, "1"});
    if (dxf::Tag* owner = head.Find(330)) {
      if (const std::string ps = PaperSpaceHandle(doc); !ps.empty())
        owner->value = ps;
    }
  }
  const std::string headHandle = head.Handle();
  std::vector<dxf::Entity>& target = block ? block->entities : doc.Entities();
  for (std::size_t k = 1; k < recs.size(); ++k) {
    dxf::Entity& f = recs[k];
    const bool standalone = f.type == "SOLID";  // the arrowhead of an R12 leader
    if (standalone) {
      if (block)
        dxf::AddEntity(doc, *block, std::move(f));
      else
        dxf::AddEntity(doc, std::move(f));
      continue;
    }
    // Followers made for this entity got their handles when they were made (PolylineFollowers);
    // their owner is the head.
    if (doc.HasSubclassMarkers()) {
      if (dxf::Tag* owner = f.Find(330))
        owner->value = headHandle;
    }
    target.push_back(std::move(f));
  }
}

}  // namespace trivane::host::bridge
