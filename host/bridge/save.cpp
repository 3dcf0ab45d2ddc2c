// Saving, the file's sections: the LAYER table, the containers of the source in place (ENTITIES
// and each block), entities and blocks made in the session, the header.
#include <algorithm>

#include "host/bridge/records.h"
#include "host/bridge/save.h"
#include "host/bridge/variables.h"

namespace trivane::host::bridge {

const DxfSource kNoSource{};

// The owner block of a container's records as loading placed them.
ObjectId Writer::OwnerOf(int container, const dxf::Entity& head) const {
  if (container < 0)
    return dxf::InPaperSpace(head) ? d.PaperSpaceId() : d.ModelSpaceId();
  for (const auto& [id, bi] : s.blocks) {
    if (bi == container)
      return id;
  }
  return 0;
}

bool Writer::Written(ObjectId id) const {
  const auto k = static_cast<std::size_t>(id - kFirstObjectId);
  return id >= kFirstObjectId && k < written.size() && written[k];
}

void Writer::MarkWritten(ObjectId id) {
  if (id < kFirstObjectId)
    return;
  const auto k = static_cast<std::size_t>(id - kFirstObjectId);
  if (k >= written.size())
    written.resize(k + 1, false);
  written[k] = true;
}

// Rebuilds one container of the source: unchanged and unmodelled records as they are, changed
// entities updated, erased ones dropped.
void Writer::Rebuild(int container, std::vector<dxf::Entity>& records) {
  // The entity loaded from each record, by the record's index (0: none).
  std::vector<ObjectId> linked(records.size(), 0);
  for (const auto& [id, ref] : s.entities) {
    if (ref.container == container && ref.index < linked.size())
      linked[ref.index] = id;
  }
  std::vector<dxf::Entity> out;
  out.reserve(records.size());
  // Records are read only at and after the one in hand, so a kept record moves into `out`.
  const auto keep = [&](std::size_t first, std::size_t count) {
    const auto begin = records.begin() + static_cast<std::ptrdiff_t>(first);
    out.insert(out.end(), std::make_move_iterator(begin),
               std::make_move_iterator(begin + static_cast<std::ptrdiff_t>(count)));
  };
  for (std::size_t i = 0; i < records.size();) {
    const std::size_t span = std::max<std::size_t>(1, dxf::RecordSpan(records, i));
    const ObjectId link = linked[i];
    const Entity* e = link == 0 ? nullptr : d.FindEntity(link);
    if (link == 0) {
      keep(i, span);
    } else if (!e || e->owner != OwnerOf(container, records[i])) {
      changed = true;  // erased (or moved to another block: written there as new)
    } else {
      MarkWritten(link);
      // An entity no one has touched since loading made it from this very record is the same.
      const auto same = [&] {
        const auto original = ConvertRecord(doc, records, i);
        return original && SameEntity(*original, *e);
      };
      if (d.Untouched(link) || same()) {
        keep(i, span);
      } else {
        changed = true;
        dxf::Entity rec = PassthroughMatches(records[i], e->passthrough)
                              ? records[i]
                              : FromPassthrough(e->passthrough);
        std::vector<dxf::Entity> followers(records.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                           records.begin() + static_cast<std::ptrdiff_t>(i + span));
        if (rec.type.empty())
          rec.type = records[i].type;
        Apply(rec, followers, *e, records[i].xdata);
        out.push_back(std::move(rec));
        out.insert(out.end(), followers.begin(), followers.end());
      }
    }
    i += span;
  }
  records = std::move(out);
}

void Writer::Run() {
  // Layers: changed ones updated in place, new ones added.
  if (dxf::Table* table = doc.FindTable("LAYER")) {
    for (const LayerRecord& l : d.layers) {
      const auto link = s.layers.find(l.id);
      if (link == s.layers.end() || link->second >= table->records.size())
        continue;
      dxf::Entity& rec = table->records[link->second];
      auto data = dxf::AsLayer(rec);
      if (!data || (data->name == l.name && ClampToInt16(data->color, 7) == l.color &&
                    data->linetype == l.linetype))
        continue;
      changed = true;
      data->name = l.name;
      data->color = l.color;
      data->linetype = l.linetype;
      dxf::Update(rec, *data);
    }
  }
  for (const LayerRecord& l : d.layers) {
    if (s.layers.count(l.id))
      continue;
    changed = true;
    dxf::Entity& rec = dxf::EnsureLayer(doc, dxf::LayerData{l.name, l.color, l.linetype, 0});
    auto data = dxf::AsLayer(rec);
    if (data &&
        (ClampToInt16(data->color, 7) != l.color || !dxf::SameName(data->linetype, l.linetype))) {
      data->color = l.color;
      data->linetype = l.linetype;
      dxf::Update(rec, *data);
    }
  }

  // Containers of the source, in place.
  if (dxf::Section* entities = doc.FindSection("ENTITIES"))
    Rebuild(-1, entities->records);
  std::vector<std::string> deleted;
  if (dxf::Section* blocks = doc.FindSection("BLOCKS")) {
    for (const auto& [id, bi] : s.blocks) {
      if (bi < 0 || static_cast<std::size_t>(bi) >= blocks->blocks.size())
        continue;
      dxf::Block& block = blocks->blocks[static_cast<std::size_t>(bi)];
      const BlockRecord* b = d.FindBlock(id);
      if (!b) {
        deleted.push_back(block.Name());
        continue;
      }
      if (id == d.ModelSpaceId() || id == d.PaperSpaceId())
        continue;
      Rebuild(bi, block.entities);
      if (dxf::AsBlock(block).basePoint != b->origin) {
        changed = true;
        for (int axis = 0; axis < 3; ++axis) {
          const double v = axis == 0 ? b->origin.x : axis == 1 ? b->origin.y : b->origin.z;
          dxf::SetFirstTag(block.begin, dxf::DoubleTag(10 + 10 * axis, v));
        }
      }
    }
  }

  // Entities made in the session, in the order made, into the spaces and the loaded blocks.
  for (const auto& [id, e] : d.entities) {
    if (Written(id))
      continue;
    if (e.owner == d.ModelSpaceId() || e.owner == d.PaperSpaceId()) {
      AddNew(e, nullptr, e.owner == d.PaperSpaceId());
      MarkWritten(id);
      continue;
    }
    const auto link = s.blocks.find(e.owner);
    if (link == s.blocks.end())
      continue;
    const BlockRecord* b = d.FindBlock(e.owner);
    if (!b)
      continue;
    dxf::Section& blocks = doc.EnsureSection("BLOCKS");
    AddNew(e, &blocks.blocks[static_cast<std::size_t>(link->second)], false);
    MarkWritten(id);
  }

  // Blocks deleted in the session go; blocks made in it come, with their entities.
  for (const std::string& name : deleted) {
    changed = true;
    dxf::RemoveBlock(doc, name);
  }
  for (const BlockRecord& b : d.blocks) {
    if (s.blocks.count(b.id) || b.id == d.ModelSpaceId() || b.id == d.PaperSpaceId())
      continue;
    changed = true;
    if (!DocBlock(b.name))
      dxf::AddBlock(doc, dxf::BlockData{b.name, b.origin});
    for (const auto& [id, e] : d.entities) {
      if (e.owner == b.id && !Written(id)) {
        AddNew(e, DocBlock(b.name), false);
        MarkWritten(id);
      }
    }
  }

  // A new drawing states every variable the host models; a loaded one changes what changed.
  WriteVariables(doc, d.vars, &s == &kNoSource);
  if (changed)
    WriteExtents(doc, d);
}

namespace {

// A drawing without a source file: R2000 (see dxf_bridge.h) in code page 932, the ANSI code page
// of the Japanese systems this tool and its CADs run on, so that Japanese texts and layer names
// are stored as they are rather than as "\U+XXXX" escapes.
dxf::Document NewDrawingDocument() {
  dxf::Document doc = dxf::NewDocument("AC1015");
  doc.SetHeaderVariable("$DWGCODEPAGE", {dxf::Tag{3, "ANSI_932"}});
  doc.codePage = "ANSI_932";
  return doc;
}

}  // namespace

}  // namespace trivane::host::bridge

namespace trivane::host {

dxf::Document ToDocument(const Drawing& drawing) {
  dxf::Document doc =
      drawing.dxfSource ? drawing.dxfSource->document : bridge::NewDrawingDocument();
  bridge::Writer w{
      drawing, drawing.dxfSource ? *drawing.dxfSource : bridge::kNoSource, doc, {}, false};
  w.Run();
  return doc;
}

void WriteDrawingFile(const Drawing& drawing, const std::string& path) {
  dxf::Document doc = ToDocument(drawing);
  dxf::WriteFile(doc, path);
}

}  // namespace trivane::host
