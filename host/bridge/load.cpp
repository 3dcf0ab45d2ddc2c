// Loading: a parsed document into a Drawing, each modelled record converted once.
#include <algorithm>
#include <memory>

#include "host/bridge/dxf_bridge.h"
#include "host/bridge/records.h"
#include "host/bridge/variables.h"
#include "host/bridge/xdata.h"
#include "host/dxf/model.h"

namespace trivane::host {

using namespace bridge;

namespace {

// ---- Reading one record

std::optional<Shape> ConvertShape(const dxf::Document& doc, const std::vector<dxf::Entity>& records,
                                  std::size_t index) {
  const dxf::Entity& r = records[index];
  if (auto line = dxf::AsLine(r))
    return ShapeOf(*line);
  if (!HasDefaultExtrusion(r))
    return std::nullopt;  // in its own coordinate system: carried as it is
  if (auto lw = dxf::AsLwPolyline(r))
    return ShapeOf(*lw);
  if (auto polyline = dxf::AsPolyline(records, index))
    return ShapeOf(*polyline);
  if (auto text = dxf::AsText(r)) {
    TextShape t;
    t.string = text->text;
    t.insertion = text->insertion;
    t.alignmentPoint = r.Find(11) ? text->alignmentPoint : text->insertion;
    t.height = text->height;
    t.rotation = text->rotationDegrees / kDegreesPerRadian;
    t.alignment = text->alignment;
    t.widthFactor = text->widthFactor;
    t.style = text->style;
    if (t.alignment == 0) {
      t.alignmentPoint = t.insertion;
    } else if (t.alignment != 3 && t.alignment != 5) {
      // Readers place such a text by its alignment point; the first point is only a by-product.
      t.insertion = InsertionFromAnchor(t, t.alignmentPoint);
    }
    return t;
  }
  if (auto circle = dxf::AsCircle(r))
    return ShapeOf(*circle);
  if (auto insert = dxf::AsInsert(r)) {
    if (dxf::GetInt(r, 70, 1) > 1 || dxf::GetInt(r, 71, 1) > 1)
      return std::nullopt;  // an array of references (MINSERT)
    return ShapeOf(*insert);
  }
  if (auto leader = dxf::AsLeader(r)) {
    const Arrow arrow = ArrowOf(doc, r);
    return LeaderShape{leader->vertices, arrow.size, leader->arrowhead, arrow.block};
  }
  return std::nullopt;
}

// The entity of a record without its passthrough groups.
std::optional<Entity> ConvertModelled(const dxf::Document& document,
                                      const std::vector<dxf::Entity>& records, std::size_t index) {
  auto shape = ConvertShape(document, records, index);
  if (!shape)
    return std::nullopt;
  const dxf::Entity& r = records[index];
  Entity e;
  e.shape = std::move(*shape);
  e.layer = dxf::LayerOf(r);
  e.xdata = ToHostXdata(r.xdata);
  e.handle = r.Handle();
  return e;
}

// Adds the entity of records[i] of a container of the source to block `owner`: its groups stay
// in the source.
void LoadRecord(Drawing& d, const std::shared_ptr<DxfSource>& source,
                const std::vector<dxf::Entity>& records, std::size_t i, int container,
                ObjectId owner) {
  auto e = ConvertModelled(source->document, records, i);
  if (!e)
    return;
  e->passthrough = Passthrough(source, source->entities.size());
  const ObjectId id = d.AddEntity(std::move(*e), owner);
  source->entities.emplace_back(id, DxfRecordRef{container, i});
}

}  // namespace

std::optional<Entity> ConvertRecord(const dxf::Document& document,
                                    const std::vector<dxf::Entity>& records, std::size_t index) {
  auto e = ConvertModelled(document, records, index);
  if (e)
    e->passthrough = ToPassthrough(records[index]);
  return e;
}

std::vector<RawTag> DxfSource::Groups(std::size_t record) const {
  const DxfRecordRef ref = entities.at(record).second;
  const dxf::Section* section = document.FindSection(ref.container < 0 ? "ENTITIES" : "BLOCKS");
  const std::vector<dxf::Entity>& records =
      ref.container < 0 ? section->records
                        : section->blocks.at(static_cast<std::size_t>(ref.container)).entities;
  return ToPassthrough(records.at(ref.index));
}

Drawing LoadDrawing(dxf::Document document) {
  auto source = std::make_shared<DxfSource>();
  source->document = std::move(document);
  const dxf::Document& doc = source->document;
  Drawing d;

  if (const dxf::Table* table = doc.FindTable("LAYER")) {
    for (std::size_t i = 0; i < table->records.size(); ++i) {
      const auto data = dxf::AsLayer(table->records[i]);
      if (!data || data->name.empty())
        continue;
      LayerRecord* existing = d.FindLayer(data->name);
      if (existing && source->layers.count(existing->id))
        continue;  // a second record of the same name: carried as it is
      LayerRecord& layer = existing ? *existing : d.AddLayer(data->name);
      layer.name = data->name;
      layer.color = ClampToInt16(data->color, 7);
      layer.linetype = data->linetype;
      layer.handle = table->records[i].Handle();
      source->layers[layer.id] = i;
    }
  }

  // Blocks; the entities of the spaces live in the ENTITIES section.
  std::vector<ObjectId> blockIds;  // per block of the BLOCKS section; 0 when not loaded
  if (const dxf::Section* blocks = doc.FindSection("BLOCKS")) {
    for (std::size_t bi = 0; bi < blocks->blocks.size(); ++bi) {
      const dxf::Block& block = blocks->blocks[bi];
      const std::string name = block.Name();
      const dxf::Entity* record = doc.FindTableRecord("BLOCK_RECORD", name);
      const std::string handle = record ? record->Handle() : block.begin.Handle();
      BlockRecord* target = nullptr;
      bool space = true;
      if (IsModelSpaceName(name)) {
        target = d.FindBlock(d.ModelSpaceId());
      } else if (IsPaperSpaceName(name)) {
        target = d.FindBlock(d.PaperSpaceId());
      } else if (!name.empty() && !d.FindBlock(name)) {
        target = &d.AddBlock(name, dxf::AsBlock(block).basePoint);
        space = false;
      }
      blockIds.push_back(target && !space ? target->id : 0);
      if (!target || source->blocks.count(target->id))
        continue;
      target->handle = handle;
      source->blocks[target->id] = static_cast<int>(bi);
    }
    for (std::size_t bi = 0; bi < blocks->blocks.size(); ++bi) {
      if (blockIds[bi] == 0)
        continue;
      const auto& records = blocks->blocks[bi].entities;
      for (std::size_t i = 0; i < records.size();
           i += std::max<std::size_t>(1, dxf::RecordSpan(records, i)))
        LoadRecord(d, source, records, i, static_cast<int>(bi), blockIds[bi]);
    }
  }

  if (const dxf::Section* entities = doc.FindSection("ENTITIES")) {
    const auto& records = entities->records;
    for (std::size_t i = 0; i < records.size();
         i += std::max<std::size_t>(1, dxf::RecordSpan(records, i))) {
      const ObjectId owner = dxf::InPaperSpace(records[i]) ? d.PaperSpaceId() : d.ModelSpaceId();
      LoadRecord(d, source, records, i, -1, owner);
    }
  }

  d.vars = ReadVariables(doc);
  d.dxfSource = std::move(source);
  return d;
}

Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options) {
  return LoadDrawing(dxf::ReadFile(path, options));
}

Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options,
                        dxf::Repairs& repairs) {
  return LoadDrawing(dxf::ReadFile(path, options, repairs));
}

}  // namespace trivane::host
