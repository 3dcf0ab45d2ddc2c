#include "host/dxf/model.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <type_traits>
#include <variant>

#include "host/dxf/entities/circle.h"
#include "host/dxf/entities/groups.h"
#include "host/dxf/entities/insert.h"
#include "host/dxf/entities/layer.h"
#include "host/dxf/entities/leader.h"
#include "host/dxf/entities/line.h"
#include "host/dxf/entities/lwpolyline.h"
#include "host/dxf/entities/polyline.h"
#include "host/dxf/entities/text.h"
#include "host/dxf/number_format.h"

namespace trivane::dxf {

using entities::HasMarkers;
using entities::PastGroup;
using entities::PushPoint;
using entities::SetDouble;
using entities::SetInt;
using entities::SetPoint;
using entities::SetString;
using entities::Subclass;

namespace {

const Subclass kEntityCommon{"AcDbEntity", 0, {67, 410, 8}};

void Expect(const Entity& e, std::string_view type) {
  if (e.type != type) {
    throw Error("cannot update a " + e.type + " record as " + std::string(type));
  }
}

bool ValidSymbolName(std::string_view name, bool allowLeadingStar) {
  if (name.empty())
    return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '*' && i == 0 && allowLeadingStar)
      continue;
    if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos)
      return false;
    if (static_cast<unsigned char>(c) < 0x20)
      return false;
  }
  return true;
}

// Starts a new entity: the common tags, then the subclass marker.
Entity Start(const Document& doc, std::string type, const Properties& props,
             std::string_view subclass) {
  Entity e;
  e.type = std::move(type);
  const bool markers = doc.HasSubclassMarkers();
  if (markers)
    e.tags.push_back(Tag{100, "AcDbEntity"});
  e.tags.push_back(Tag{8, props.layer});
  if (props.linetype)
    e.tags.push_back(Tag{6, *props.linetype});
  if (props.color)
    e.tags.push_back(IntTag(62, *props.color));
  if (markers)
    e.tags.push_back(Tag{100, std::string(subclass)});
  return e;
}

void RequireR13(const Document& doc, std::string_view type) {
  if (!doc.HasSubclassMarkers()) {
    throw Error(std::string(type) + " needs DXF R13 or later; the drawing is " + doc.AcadVersion());
  }
}

// Gives a record its handle and owner as the document's version requires.
void Adopt(Document& doc, Entity& e, const std::string& owner) {
  const int handleCode = e.type == "DIMSTYLE" ? 105 : 5;
  const auto handleAt = std::find_if(e.tags.begin(), e.tags.end(),
                                     [&](const Tag& t) { return t.code == handleCode; });
  if (doc.UsesHandles()) {
    const std::string handle = doc.NewHandle();
    if (handleAt != e.tags.end()) {
      handleAt->value = handle;
    } else {
      e.tags.insert(e.tags.begin(), Tag{handleCode, handle});
    }
  } else if (handleAt != e.tags.end()) {
    e.tags.erase(handleAt);
  }
  if (!doc.HasSubclassMarkers())
    return;
  if (Tag* t = e.Find(330)) {
    t->value = owner;
    return;
  }
  std::size_t pos = 0;
  if (!e.tags.empty() && e.tags[0].code == handleCode)
    pos = 1;
  while (pos < e.tags.size() && PastGroup(e.tags, pos) != pos)
    pos = PastGroup(e.tags, pos);
  e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos), Tag{330, owner});
}

const std::vector<std::string_view> kTableOrder = {
    "VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"};

Table& EnsureTable(Document& doc, std::string_view name) {
  if (Table* t = doc.FindTable(name))
    return *t;
  Table table;
  table.head.type = "TABLE";
  table.head.tags.push_back(Tag{2, std::string(name)});
  if (doc.HasSubclassMarkers()) {
    table.head.tags.push_back(Tag{5, doc.NewHandle()});
    table.head.tags.push_back(Tag{330, "0"});
    table.head.tags.push_back(Tag{100, "AcDbSymbolTable"});
  }
  table.head.tags.push_back(Tag{70, "0"});
  if (doc.HasSubclassMarkers() && name == "DIMSTYLE") {
    table.head.tags.push_back(Tag{100, "AcDbDimStyleTable"});
  }
  table.end.type = "ENDTAB";
  std::vector<Table>& tables = doc.EnsureSection("TABLES").tables;
  const auto rank = [](std::string_view n) {
    return std::find(kTableOrder.begin(), kTableOrder.end(), n) - kTableOrder.begin();
  };
  const auto it = std::find_if(tables.begin(), tables.end(),
                               [&](const Table& t) { return rank(t.Name()) > rank(name); });
  return *tables.insert(it, std::move(table));
}

Entity& AddTableRecord(Document& doc, std::string_view tableName, Entity record) {
  Table& table = EnsureTable(doc, tableName);
  Adopt(doc, record, table.head.Handle());
  table.records.push_back(std::move(record));
  if (Tag* count = table.head.Find(70)) {
    if (ParseInt(count->value).value_or(0) < static_cast<std::int64_t>(table.records.size())) {
      count->value = std::to_string(table.records.size());
    }
  }
  return table.records.back();
}

// A symbol table record with its markers (from R13 on), and its name.
Entity NewRecord(const Document& doc, std::string type, std::string_view subclass) {
  Entity e;
  e.type = std::move(type);
  if (doc.HasSubclassMarkers()) {
    e.tags.push_back(Tag{100, "AcDbSymbolTableRecord"});
    e.tags.push_back(Tag{100, std::string(subclass)});
  }
  return e;
}

Entity NewRecord(const Document& doc, std::string type, std::string_view subclass,
                 std::string_view name) {
  Entity e = NewRecord(doc, std::move(type), subclass);
  e.tags.push_back(Tag{2, std::string(name)});
  return e;
}

std::string ResolveLinetype(Document& doc, const std::string& name) {
  if (const Entity* r = doc.FindTableRecord("LTYPE", name))
    return std::string(r->Value(2));
  if (!doc.FindTable("LTYPE"))
    return name;
  if (!SameName(name, "Continuous")) {
    throw Error("linetype " + name + " is not defined in the drawing");
  }
  Entity lt = NewRecord(doc, "LTYPE", "AcDbLinetypeTableRecord", name);
  lt.tags.insert(lt.tags.end(),
                 {Tag{70, "0"}, Tag{3, "Solid line"}, Tag{72, "65"}, Tag{73, "0"}, Tag{40, "0.0"}});
  AddTableRecord(doc, "LTYPE", std::move(lt));
  return name;
}

Entity& AddAppId(Document& doc, std::string_view application);

void RegisterXData(Document& doc, const Entity& e) {
  std::vector<std::string> apps;
  for (const XData& x : e.xdata)
    apps.push_back(x.application);
  for (const std::string& app : apps)
    EnsureAppId(doc, app);
}

// ---- An entity kind's table (entities/*.h): reading, updating and making its records.

template <typename Data>
std::optional<Data> Read(const entities::Kind<Data>& kind, const Entity& e) {
  if (e.type != kind.type)
    return std::nullopt;
  Data d;
  for (const entities::Field<Data>& f : kind.fields) {
    std::visit(
        [&](auto member) {
          using T = std::remove_reference_t<decltype(d.*member)>;
          const double fallback = f.fallback.value_or(0.0);
          if constexpr (std::is_same_v<T, std::string>) {
            d.*member = std::string(e.Value(f.code, f.textFallback));
          } else if constexpr (std::is_same_v<T, double>) {
            d.*member = GetDouble(e, f.code, fallback);
          } else if constexpr (std::is_same_v<T, int>) {
            d.*member = static_cast<int>(GetInt(e, f.code, static_cast<std::int64_t>(fallback)));
          } else if constexpr (std::is_same_v<T, bool>) {
            d.*member = GetInt(e, f.code, static_cast<std::int64_t>(fallback)) != 0;
          } else {
            d.*member = GetPoint(e, f.code);
          }
        },
        f.member);
  }
  return d;
}

// Sets the groups of the table on a record of the kind, in the table's order.
template <typename Data>
void Write(const entities::Kind<Data>& kind, Entity& e, const Data& d) {
  Expect(e, kind.type);
  const Subclass sub = entities::SubclassOf(kind);
  for (const entities::Field<Data>& f : kind.fields) {
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(d.*member)>;
          // The default a record may go on lacking, if any.
          const std::optional<double> omitted = f.leftOut ? f.fallback : std::nullopt;
          if constexpr (std::is_same_v<T, std::string>) {
            SetString(e, sub, f.code, d.*member);
          } else if constexpr (std::is_same_v<T, double>) {
            SetDouble(e, sub, f.code, d.*member, omitted);
          } else if constexpr (std::is_same_v<T, int> || std::is_same_v<T, bool>) {
            SetInt(e, sub, f.code, static_cast<std::int64_t>(d.*member),
                   omitted ? std::optional(static_cast<std::int64_t>(*omitted)) : std::nullopt);
          } else {
            SetPoint(e, sub, f.code, d.*member);
          }
        },
        f.member);
  }
}

// Appends the groups of the table for a new record, in the table's order.
template <typename Data>
void PushFields(const entities::Kind<Data>& kind, const Data& d, Tags& tags) {
  for (const entities::Field<Data>& f : kind.fields) {
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(d.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            tags.push_back(Tag{f.code, d.*member});
          } else if constexpr (std::is_same_v<T, TAcadPoint>) {
            PushPoint(tags, f.code, d.*member);
          } else {
            const double v = static_cast<double>(d.*member);
            if (f.leftOut && f.fallback && v == *f.fallback)
              return;
            if constexpr (std::is_same_v<T, double>)
              tags.push_back(DoubleTag(f.code, v));
            else
              tags.push_back(IntTag(f.code, static_cast<std::int64_t>(d.*member)));
          }
        },
        f.member);
  }
}

template <typename Data>
Entity Make(const Document& doc, const entities::Kind<Data>& kind, const Data& d,
            const Properties& props) {
  Entity e = Start(doc, std::string(kind.type), props, kind.subclass);
  PushFields(kind, d, e.tags);
  return e;
}

}  // namespace

double GetDouble(const Entity& e, int code, double fallback) {
  const Tag* t = e.Find(code);
  return t ? ParseDouble(t->value).value_or(fallback) : fallback;
}

std::int64_t GetInt(const Entity& e, int code, std::int64_t fallback) {
  const Tag* t = e.Find(code);
  return t ? ParseInt(t->value).value_or(fallback) : fallback;
}

TAcadPoint GetPoint(const Entity& e, int code) {
  return {GetDouble(e, code, 0.0), GetDouble(e, code + 10, 0.0), GetDouble(e, code + 20, 0.0)};
}

void SetFirstTag(Entity& e, const Tag& tag) {
  if (Tag* t = e.Find(tag.code)) {
    t->value = tag.value.view();  // the new value's text only, not the bytes a file had for it
    return;
  }
  e.tags.push_back(tag);
}

int AlignmentFromDxf(int h, int v) {
  if (h == 3 || h == 4 || h == 5)
    return h;
  if (h < 0 || h > 2 || v < 0 || v > 3)
    return kAlignLeft;
  if (v == 0)
    return h;
  // 73: 1 bottom, 2 middle, 3 top.
  static constexpr int kRows[4] = {0, kAlignBottomLeft, kAlignMiddleLeft, kAlignTopLeft};
  return kRows[v] + h;
}

void DxfFromAlignment(int alignment, int& h, int& v) {
  h = 0;
  v = 0;
  if (alignment >= 1 && alignment <= 5) {
    h = alignment;
  } else if (alignment >= kAlignTopLeft && alignment <= kAlignBottomRight) {
    const int row = (alignment - kAlignTopLeft) / 3;  // 0 top, 1 middle, 2 bottom
    h = (alignment - kAlignTopLeft) % 3;
    v = 3 - row;
  }
}

std::optional<LineData> AsLine(const Entity& e) {
  return Read(entities::kLine, e);
}

std::optional<LwPolylineData> AsLwPolyline(const Entity& e) {
  auto d = Read(entities::kLwPolyline, e);
  if (d)
    entities::ReadLwHeadAndVertices(e, *d);
  return d;
}

std::optional<LwPolylineData> AsPolyline(const std::vector<Entity>& records, std::size_t index) {
  return entities::ReadPolyline(records, index);
}

std::optional<TextData> AsText(const Entity& e) {
  auto d = Read(entities::kText, e);
  if (d) {
    entities::ReadAlignment(e, *d);
    entities::ReadStyle(e, *d);
  }
  return d;
}

std::optional<CircleData> AsCircle(const Entity& e) {
  return Read(entities::kCircle, e);
}

std::optional<InsertData> AsInsert(const Entity& e) {
  return Read(entities::kInsert, e);
}

std::optional<LeaderData> AsLeader(const Entity& e) {
  auto d = Read(entities::kLeader, e);
  if (d)
    entities::ReadLeaderPath(e, *d);
  return d;
}

std::optional<LayerData> AsLayer(const Entity& e) {
  return Read(entities::kLayer, e);
}

BlockData AsBlock(const Block& block) {
  return BlockData{std::string(block.begin.Value(2)), GetPoint(block.begin, 10)};
}

std::size_t RecordSpan(const std::vector<Entity>& records, std::size_t index) {
  if (index >= records.size())
    return 0;
  const Entity& head = records[index];
  const bool hasFollowers =
      head.type == "POLYLINE" || (head.type == "INSERT" && GetInt(head, 66, 0) == 1);
  if (!hasFollowers)
    return 1;
  std::size_t end = index + 1;
  while (end < records.size() && (records[end].type == "VERTEX" || records[end].type == "ATTRIB")) {
    ++end;
  }
  if (end < records.size() && records[end].type == "SEQEND")
    ++end;
  return end - index;
}

std::string LayerOf(const Entity& e) {
  return std::string(e.Value(8, "0"));
}

TAcadPoint Extrusion(const Entity& e) {
  if (!e.Find(210))
    return {0.0, 0.0, 1.0};
  return GetPoint(e, 210);
}

bool InPaperSpace(const Entity& e) {
  return GetInt(e, 67, 0) == 1;
}

void Update(Entity& e, const LineData& d) {
  Write(entities::kLine, e, d);
}

void Update(Entity& e, const LwPolylineData& d) {
  Expect(e, entities::kLwPolyline.type);
  entities::UpdateLwHeadAndVertices(e, d);
  Write(entities::kLwPolyline, e, d);
}

void Update(Entity& e, const TextData& d) {
  Write(entities::kText, e, d);
  entities::UpdateAlignment(e, d);
  entities::UpdateStyle(e, d);
}

void Update(Entity& e, const CircleData& d) {
  Write(entities::kCircle, e, d);
}

void Update(Entity& e, const InsertData& d) {
  Write(entities::kInsert, e, d);
}

void Update(Entity& e, const LeaderData& d) {
  Write(entities::kLeader, e, d);
  entities::UpdateLeaderPath(e, d);
}

void Update(Entity& e, const LayerData& d) {
  Write(entities::kLayer, e, d);
}

void UpdatePolylineHead(Entity& head, const LwPolylineData& d) {
  entities::UpdatePolylineHead(head, d);
}

void UpdateVertex(Entity& vertex, const LwVertex& d) {
  entities::UpdateVertex(vertex, d);
}

void SetLayer(Entity& e, std::string_view layer) {
  if (Tag* t = e.Find(8)) {
    t->value = std::string(layer);
    return;
  }
  if (HasMarkers(e)) {
    SetString(e, kEntityCommon, 8, std::string(layer));
    return;
  }
  const std::size_t pos = (!e.tags.empty() && e.tags[0].code == 5) ? 1 : 0;
  e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(pos), Tag{8, std::string(layer)});
}

Entity NewEntity(const Document& doc, const LineData& d, const Properties& props) {
  return Make(doc, entities::kLine, d, props);
}

Entity NewEntity(const Document& doc, const LwPolylineData& d, const Properties& props) {
  RequireR13(doc, entities::kLwPolyline.type);
  Entity e =
      Start(doc, std::string(entities::kLwPolyline.type), props, entities::kLwPolyline.subclass);
  entities::PushLwHead(d, e.tags);
  PushFields(entities::kLwPolyline, d, e.tags);
  entities::PushLwVertices(d.vertices, e.tags);
  return e;
}

Entity NewEntity(const Document& doc, const TextData& d, const Properties& props) {
  Entity e = Make(doc, entities::kText, d, props);
  entities::PushAlignment(d, doc.HasSubclassMarkers(), e.tags);
  entities::UpdateStyle(e, d);
  return e;
}

Entity NewEntity(const Document& doc, const CircleData& d, const Properties& props) {
  return Make(doc, entities::kCircle, d, props);
}

Entity NewEntity(const Document& doc, const InsertData& d, const Properties& props) {
  return Make(doc, entities::kInsert, d, props);
}

Entity NewEntity(const Document& doc, const LeaderData& d, const Properties& props) {
  RequireR13(doc, entities::kLeader.type);
  Entity e = Make(doc, entities::kLeader, d, props);
  entities::PushLeaderPath(d, e.tags);
  return e;
}

Entity NewPolylineHead(const Document& doc, const LwPolylineData& d, const Properties& props) {
  Entity e = Start(doc, "POLYLINE", props, "AcDb2dPolyline");
  entities::PushPolylineHead(d, e.tags);
  return e;
}

Entity NewVertex(const Document& doc, const std::string& layer) {
  return entities::NewVertex(doc.HasSubclassMarkers(), layer);
}

Entity NewSeqend(const Document& doc, const std::string& layer) {
  return entities::NewSeqend(doc.HasSubclassMarkers(), layer);
}

Entity& AddEntity(Document& doc, Entity entity) {
  std::string owner;
  if (doc.HasSubclassMarkers()) {
    owner = doc.ModelSpaceHandle();
    if (owner.empty())
      throw Error("the drawing has no *Model_Space block record");
  }
  Adopt(doc, entity, owner);
  RegisterXData(doc, entity);
  std::vector<Entity>& records = doc.Entities();
  records.push_back(std::move(entity));
  return records.back();
}

Entity& AddEntity(Document& doc, Block& block, Entity entity) {
  std::string owner;
  if (doc.HasSubclassMarkers()) {
    owner = std::string(block.begin.Value(330));
    if (owner.empty()) {
      const Entity* record = doc.FindTableRecord("BLOCK_RECORD", block.Name());
      if (!record)
        throw Error("block " + block.Name() + " has no BLOCK_RECORD");
      owner = record->Handle();
    }
  }
  Adopt(doc, entity, owner);
  RegisterXData(doc, entity);
  block.entities.push_back(std::move(entity));
  return block.entities.back();
}

Entity& EnsureLayer(Document& doc, const LayerData& data) {
  if (Entity* existing = doc.FindTableRecord("LAYER", data.name))
    return *existing;
  if (!ValidSymbolName(data.name, false))
    throw Error("invalid layer name \"" + data.name + "\"");
  LayerData resolved = data;
  resolved.linetype = ResolveLinetype(doc, data.linetype);
  Entity layer = NewRecord(doc, std::string(entities::kLayer.type), entities::kLayer.subclass);
  PushFields(entities::kLayer, resolved, layer.tags);
  entities::PushPlotGroups(doc, layer.tags);
  return AddTableRecord(doc, "LAYER", std::move(layer));
}

Block& AddBlock(Document& doc, const BlockData& data) {
  if (!ValidSymbolName(data.name, true))
    throw Error("invalid block name \"" + data.name + "\"");
  if (doc.FindBlock(data.name) || doc.FindTableRecord("BLOCK_RECORD", data.name)) {
    throw Error("block " + data.name + " exists already");
  }
  const bool markers = doc.HasSubclassMarkers();
  std::string recordHandle;
  if (markers) {
    Entity record = NewRecord(doc, "BLOCK_RECORD", "AcDbBlockTableRecord", data.name);
    record.tags.push_back(Tag{340, "0"});
    if (doc.VersionNumber() >= 1021) {
      record.tags.insert(record.tags.end(), {Tag{70, "0"}, Tag{280, "1"}, Tag{281, "0"}});
    }
    recordHandle = AddTableRecord(doc, "BLOCK_RECORD", std::move(record)).Handle();
  }
  Block block;
  block.begin.type = "BLOCK";
  block.end.type = "ENDBLK";
  if (markers)
    block.begin.tags.push_back(Tag{100, "AcDbEntity"});
  block.begin.tags.push_back(Tag{8, "0"});
  if (markers)
    block.begin.tags.push_back(Tag{100, "AcDbBlockBegin"});
  block.begin.tags.push_back(Tag{2, data.name});
  block.begin.tags.push_back(Tag{70, "0"});
  PushPoint(block.begin.tags, 10, data.basePoint);
  block.begin.tags.push_back(Tag{3, data.name});
  if (markers) {
    block.begin.tags.push_back(Tag{1, ""});
    block.end.tags = {Tag{100, "AcDbEntity"}, Tag{8, "0"}, Tag{100, "AcDbBlockEnd"}};
  } else {
    block.end.tags = {Tag{8, "0"}};
  }
  Adopt(doc, block.begin, recordHandle);
  Adopt(doc, block.end, recordHandle);
  std::vector<Block>& blocks = doc.EnsureSection("BLOCKS").blocks;
  blocks.push_back(std::move(block));
  return blocks.back();
}

bool RemoveBlock(Document& doc, std::string_view name) {
  Section* section = doc.FindSection("BLOCKS");
  if (!section)
    return false;
  auto& blocks = section->blocks;
  const auto it = std::find_if(blocks.begin(), blocks.end(),
                               [&](const Block& b) { return SameName(b.Name(), name); });
  if (it == blocks.end())
    return false;
  blocks.erase(it);
  if (Table* records = doc.FindTable("BLOCK_RECORD")) {
    std::erase_if(records->records, [&](const Entity& r) { return SameName(r.Value(2), name); });
  }
  return true;
}

Entity& EnsureAppId(Document& doc, std::string_view application) {
  if (Entity* existing = doc.FindTableRecord("APPID", application))
    return *existing;
  if (!ValidSymbolName(application, false)) {
    throw Error("invalid application name \"" + std::string(application) + "\"");
  }
  return AddAppId(doc, application);
}

namespace {

Entity& AddAppId(Document& doc, std::string_view application) {
  Entity record = NewRecord(doc, "APPID", "AcDbRegAppTableRecord", application);
  record.tags.push_back(Tag{70, "0"});
  return AddTableRecord(doc, "APPID", std::move(record));
}

}  // namespace

void SetXData(Document& doc, Entity& entity, XData xdata) {
  EnsureAppId(doc, xdata.application);
  for (XData& x : entity.xdata) {
    if (SameName(x.application, xdata.application)) {
      x = std::move(xdata);
      return;
    }
  }
  entity.xdata.push_back(std::move(xdata));
}

void RegisterApplications(Document& doc, const LentRecords& lent) {
  std::set<std::string> apps;
  for (const Section& s : doc.sections) {
    ForEachRecordOf(s, lent, [&apps](const Entity& e) {
      for (const XData& x : e.xdata)
        apps.insert(x.application);
    });
  }
  for (const std::string& app : apps) {
    // Names from a file are taken as they stand; only new names from this program are checked.
    if (!doc.FindTableRecord("APPID", app))
      AddAppId(doc, app);
  }
}

}  // namespace trivane::dxf

namespace trivane::dxf {

namespace {

Entity BuilderRecord(const Document& doc, std::string type, std::string_view subclass,
                     std::string_view name, std::initializer_list<Tag> rest) {
  Entity e = NewRecord(doc, std::move(type), subclass, name);
  e.tags.insert(e.tags.end(), rest);
  return e;
}

}  // namespace

Document NewDocument(std::string_view acadVersion) {
  Document doc;
  doc.codePage = "ANSI_1252";
  doc.lineEnding = "\r\n";
  Section& header = doc.EnsureSection("HEADER");
  header.tags = {Tag{9, "$ACADVER"}, Tag{1, std::string(acadVersion)}, Tag{9, "$DWGCODEPAGE"},
                 Tag{3, "ANSI_1252"}};
  const bool markers = doc.HasSubclassMarkers();
  if (markers) {
    header.tags.insert(header.tags.end(), {Tag{9, "$HANDSEED"}, Tag{5, "1"}});
    doc.EnsureSection("CLASSES");
  }
  // Every table a reader expects, in the usual order, with the records it needs.
  for (std::string_view name : kTableOrder) {
    if (markers || name != "BLOCK_RECORD")
      EnsureTable(doc, name);
  }
  AddTableRecord(
      doc, "VPORT",
      BuilderRecord(doc, "VPORT", "AcDbViewportTableRecord", "*Active",
                    {Tag{70, "0"}, Tag{10, "0.0"}, Tag{20, "0.0"}, Tag{11, "1.0"}, Tag{21, "1.0"},
                     Tag{12, "0.0"}, Tag{22, "0.0"}, Tag{40, "100.0"}, Tag{41, "1.5"}}));
  const std::initializer_list<Tag> noPattern = {Tag{70, "0"}, Tag{3, ""}, Tag{72, "65"},
                                                Tag{73, "0"}, Tag{40, "0.0"}};
  if (markers) {
    for (std::string_view name : {"ByBlock", "ByLayer"}) {
      AddTableRecord(doc, "LTYPE",
                     BuilderRecord(doc, "LTYPE", "AcDbLinetypeTableRecord", name, noPattern));
    }
  }
  AddTableRecord(
      doc, "LTYPE",
      BuilderRecord(
          doc, "LTYPE", "AcDbLinetypeTableRecord", markers ? "Continuous" : "CONTINUOUS",
          {Tag{70, "0"}, Tag{3, "Solid line"}, Tag{72, "65"}, Tag{73, "0"}, Tag{40, "0.0"}}));
  EnsureLayer(doc, LayerData{"0", 7, markers ? "Continuous" : "CONTINUOUS", 0});
  AddTableRecord(
      doc, "STYLE",
      BuilderRecord(doc, "STYLE", "AcDbTextStyleTableRecord", markers ? "Standard" : "STANDARD",
                    {Tag{70, "0"}, Tag{40, "0.0"}, Tag{41, "1.0"}, Tag{50, "0.0"}, Tag{71, "0"},
                     Tag{42, "2.5"}, Tag{3, "txt"}, Tag{4, ""}}));
  EnsureAppId(doc, "ACAD");
  AddTableRecord(doc, "DIMSTYLE",
                 BuilderRecord(doc, "DIMSTYLE", "AcDbDimStyleTableRecord",
                               markers ? "Standard" : "STANDARD", {Tag{70, "0"}}));
  doc.EnsureSection("BLOCKS");
  if (markers) {
    AddBlock(doc, BlockData{"*Model_Space", {}});
    Block& paper = AddBlock(doc, BlockData{"*Paper_Space", {}});
    // Paper-space blocks say so on their BLOCK and ENDBLK, as CADs write them.
    for (Entity* e : {&paper.begin, &paper.end}) {
      const auto marker = std::find_if(e->tags.begin(), e->tags.end(), [](const Tag& t) {
        return t.code == 100 && t.value == "AcDbEntity";
      });
      e->tags.insert(marker + 1, Tag{67, "1"});
    }
  }
  doc.EnsureSection("ENTITIES");
  if (markers) {
    // The named-object dictionary with its one required entry, the group dictionary.
    const std::string root = doc.NewHandle();
    const std::string groups = doc.NewHandle();
    Section& objects = doc.EnsureSection("OBJECTS");
    objects.records.push_back(Entity{"DICTIONARY",
                                     {Tag{5, root}, Tag{330, "0"}, Tag{100, "AcDbDictionary"},
                                      Tag{281, "1"}, Tag{3, "ACAD_GROUP"}, Tag{350, groups}},
                                     {}});
    objects.records.push_back(
        Entity{"DICTIONARY",
               {Tag{5, groups}, Tag{330, root}, Tag{100, "AcDbDictionary"}, Tag{281, "1"}},
               {}});
  }
  return doc;
}

}  // namespace trivane::dxf
