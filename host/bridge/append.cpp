// Appending: the entities of another document added to the drawing as made in the session.
#include <algorithm>

#include "host/bridge/dxf_bridge.h"
#include "host/bridge/records.h"
#include "host/dxf/model.h"

namespace trivane::host {

using namespace bridge;

namespace {

struct Appender {
  Drawing& d;
  const dxf::Document& src;
  AppendResult result;

  void EnsureLayer(const std::string& name) {
    if (d.FindLayer(name))
      return;
    LayerRecord& layer = d.AddLayer(name);
    if (const dxf::Entity* rec = src.FindTableRecord("LAYER", name)) {
      if (auto data = dxf::AsLayer(*rec)) {
        layer.color = ClampToInt16(data->color, 7);
        layer.linetype = data->linetype;
      }
    }
    layer.modified = true;
  }

  // The block definition a reference names, copied from the source when the drawing lacks it
  // (an existing block of that name is used as it is).
  void EnsureBlock(const std::string& name, int depth) {
    if (d.FindBlock(name) || depth > 16)
      return;
    const dxf::Block* block = src.FindBlock(name);
    if (!block)
      return;
    BlockRecord& made = d.AddBlock(name, dxf::AsBlock(*block).basePoint);
    made.modified = true;
    const ObjectId id = made.id;
    Take(block->entities, id, Placement{}, depth + 1, nullptr);
  }

  // Converts the model-space records of a container into entities of `owner`; `added` (for the
  // top level) lists them and counts what was skipped.
  void Take(const std::vector<dxf::Entity>& records, ObjectId owner, const Placement& placement,
            int depth, std::vector<ObjectId>* added) {
    for (std::size_t i = 0; i < records.size();
         i += std::max<std::size_t>(1, dxf::RecordSpan(records, i))) {
      if (added && dxf::InPaperSpace(records[i]))
        continue;
      auto e = ConvertRecord(src, records, i);
      if (!e) {
        if (added)
          result.skipped.push_back(records[i].type);
        continue;
      }
      e->handle.clear();
      DropPlaceGroups(e->passthrough.Edit());
      ApplyPlacement(*e, placement);
      e->modified = true;
      EnsureLayer(e->layer);
      if (const auto* insert = std::get_if<InsertShape>(&e->shape))
        EnsureBlock(insert->block, depth);
      const ObjectId id = d.AddEntity(std::move(*e), owner);
      if (added)
        added->push_back(id);
    }
  }
};

}  // namespace

AppendResult AppendEntities(Drawing& drawing, const dxf::Document& source, ObjectId owner,
                            const Placement& placement) {
  Appender a{drawing, source, {}};
  std::vector<ObjectId> added;
  if (const dxf::Section* entities = source.FindSection("ENTITIES"))
    a.Take(entities->records, owner == 0 ? drawing.ModelSpaceId() : owner, placement, 0, &added);
  a.result.added = std::move(added);
  return a.result;
}

}  // namespace trivane::host
