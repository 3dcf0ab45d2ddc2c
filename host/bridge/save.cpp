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

bool RebuildsBlock(const Drawing& d, const DxfSource& s, ObjectId id, int bi) {
  const dxf::Section* blocks = s.document.FindSection("BLOCKS");
  return blocks && bi >= 0 && static_cast<std::size_t>(bi) < blocks->blocks.size() &&
         d.FindBlock(id) && id != d.ModelSpaceId() && id != d.PaperSpaceId();
}

dxf::Document SkeletonOf(const Drawing& d, const DxfSource& s) {
  const dxf::Document& source = s.document;
  std::vector<bool> rebuiltBlock;
  for (const auto& [id, bi] : s.blocks) {
    if (!RebuildsBlock(d, s, id, bi))
      continue;
    if (rebuiltBlock.size() <= static_cast<std::size_t>(bi))
      rebuiltBlock.resize(static_cast<std::size_t>(bi) + 1, false);
    rebuiltBlock[static_cast<std::size_t>(bi)] = true;
  }
  dxf::Document doc;
  doc.preamble = source.preamble;
  doc.codePage = source.codePage;
  doc.lineEnding = source.lineEnding;
  doc.byteOrderMark = source.byteOrderMark;
  doc.sections.reserve(source.sections.size());
  for (const dxf::Section& section : source.sections) {
    const bool entities = section.name == "ENTITIES";
    const bool blocks = section.name == "BLOCKS";
    if (!entities && !blocks) {
      doc.sections.push_back(section);
      continue;
    }
    dxf::Section& out = doc.sections.emplace_back(
        dxf::Section{section.name, section.tags, {}, section.tables, {}, section.end});
    if (entities && &section == source.FindSection("ENTITIES")) {
      doc.ReserveHandles(section.records);
    } else {
      out.records = section.records;
    }
    out.blocks.reserve(section.blocks.size());
    for (std::size_t bi = 0; bi < section.blocks.size(); ++bi) {
      const dxf::Block& block = section.blocks[bi];
      const bool lent = blocks && &section == source.FindSection("BLOCKS") &&
                        bi < rebuiltBlock.size() && rebuiltBlock[bi];
      out.blocks.push_back(
          dxf::Block{block.begin, lent ? std::vector<dxf::Entity>{} : block.entities, block.end});
      if (lent)
        doc.ReserveHandles(block.entities);
    }
  }
  return doc;
}

// Rebuilds one container of the source: unchanged and unmodelled records as they are, changed
// entities updated, erased ones dropped.
void Writer::Rebuild(int container, const std::vector<dxf::Entity>& records) {
  // The entity loaded from each record, by the record's index (0: none).
  std::vector<ObjectId> linked(records.size(), 0);
  for (const auto& [id, ref] : s.entities) {
    if (ref.container == container && ref.index < linked.size())
      linked[ref.index] = id;
  }
  std::vector<const dxf::Entity*>& out = rebuilt[container];
  out.reserve(records.size());
  const auto keep = [&](std::size_t first, std::size_t count) {
    for (std::size_t k = first; k < first + count; ++k)
      out.push_back(&records[k]);
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
        const std::vector<RawTag> groups = e->passthrough.Groups();
        dxf::Entity rec =
            PassthroughMatches(records[i], groups) ? records[i] : FromPassthrough(groups);
        std::vector<dxf::Entity> followers(records.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                           records.begin() + static_cast<std::ptrdiff_t>(i + span));
        if (rec.type.empty())
          rec.type = records[i].type;
        Apply(rec, followers, *e, records[i].xdata);
        out.push_back(&made.emplace_back(std::move(rec)));
        for (dxf::Entity& f : followers)
          out.push_back(&made.emplace_back(std::move(f)));
      }
    }
    i += span;
  }
}

std::vector<dxf::Entity>* Writer::Container(int container) {
  if (container < 0) {
    dxf::Section* entities = doc.FindSection("ENTITIES");
    return entities ? &entities->records : nullptr;
  }
  dxf::Section* blocks = doc.FindSection("BLOCKS");
  if (!blocks || static_cast<std::size_t>(container) >= blocks->blocks.size())
    return nullptr;
  return &blocks->blocks[static_cast<std::size_t>(container)].entities;
}

dxf::LentRecords Writer::Lent() {
  dxf::LentRecords lent;
  for (const auto& [container, records] : rebuilt) {
    if (const std::vector<dxf::Entity>* target = Container(container))
      lent.containers.emplace(target, records);
  }
  return lent;
}

void Writer::Materialise() {
  for (const auto& [index, records] : rebuilt) {
    std::vector<dxf::Entity>* target = Container(index);
    if (!target)
      continue;
    std::vector<dxf::Entity>& container = *target;
    std::vector<dxf::Entity> whole;
    whole.reserve(records.size() + container.size());
    for (const dxf::Entity* r : records)
      whole.push_back(*r);
    whole.insert(whole.end(), std::make_move_iterator(container.begin()),
                 std::make_move_iterator(container.end()));
    container = std::move(whole);
  }
  rebuilt.clear();
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

  // Containers of the source, rebuilt in the same places of doc.
  if (const dxf::Section* entities = s.document.FindSection("ENTITIES"))
    Rebuild(-1, entities->records);
  std::vector<std::string> deleted;
  const dxf::Section* sourceBlocks = s.document.FindSection("BLOCKS");
  if (dxf::Section* blocks = doc.FindSection("BLOCKS"); blocks && sourceBlocks) {
    for (const auto& [id, bi] : s.blocks) {
      if (bi < 0 || static_cast<std::size_t>(bi) >= blocks->blocks.size())
        continue;
      dxf::Block& block = blocks->blocks[static_cast<std::size_t>(bi)];
      const BlockRecord* b = d.FindBlock(id);
      if (!b) {
        deleted.push_back(block.Name());
        continue;
      }
      if (!RebuildsBlock(d, s, id, bi))
        continue;
      Rebuild(bi, sourceBlocks->blocks[static_cast<std::size_t>(bi)].entities);
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
    // The containers rebuilt after the block move up one place.
    const dxf::Block* gone = DocBlock(name);
    const dxf::Section* blocks = doc.FindSection("BLOCKS");
    if (gone && blocks) {
      const int at = static_cast<int>(gone - blocks->blocks.data());
      std::map<int, std::vector<const dxf::Entity*>> moved;
      for (auto& [container, records] : rebuilt) {
        if (container != at)
          moved.emplace(container > at ? container - 1 : container, std::move(records));
      }
      rebuilt = std::move(moved);
    }
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

namespace {

// Runs the Writer on a skeleton of the drawing's source (or a new document) and hands it the
// finished document with what the Writer lends to it.
template <typename F>
void Save(const Drawing& drawing, F&& use) {
  const DxfSource& source = drawing.dxfSource ? *drawing.dxfSource : bridge::kNoSource;
  dxf::Document doc =
      drawing.dxfSource ? bridge::SkeletonOf(drawing, source) : bridge::NewDrawingDocument();
  bridge::Writer w{drawing, source, doc};
  w.Run();
  use(doc, w);
}

}  // namespace

dxf::Document ToDocument(const Drawing& drawing) {
  dxf::Document out;
  Save(drawing, [&](dxf::Document& doc, bridge::Writer& w) {
    w.Materialise();
    out = std::move(doc);
  });
  return out;
}

std::string DrawingFileText(const Drawing& drawing) {
  // The records kept from the source are written from it: the file is not copied first.
  std::string text;
  Save(drawing, [&](dxf::Document& doc, bridge::Writer& w) {
    const dxf::LentRecords lent = w.Lent();
    dxf::RegisterApplications(doc, lent);
    text = dxf::Write(doc, lent);
  });
  return text;
}

void WriteDrawingFile(const Drawing& drawing, const std::string& path) {
  dxf::WriteBytesReplacing(path, DrawingFileText(drawing));
}

}  // namespace trivane::host
