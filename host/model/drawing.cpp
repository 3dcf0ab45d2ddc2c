#include "host/model/drawing.h"

#include <algorithm>
#include <utility>

namespace trivane::host {

std::string FoldName(std::string_view name) {
  std::string s(name);
  for (char& c : s) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  const auto fold = [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

Drawing::Drawing() {
  AddLayer("0");
  AddBlock(kModelSpaceName);
  AddBlock(kPaperSpaceName);
}

ObjectId Drawing::AddEntity(Entity e, ObjectId owner) {
  e.owner = owner == 0 ? ModelSpaceId() : owner;
  const ObjectId id = NewId();
  Remember(id);
  entities.emplace(id, std::move(e));
  LogChange(id);
  return id;
}

Entity* Drawing::FindEntity(ObjectId id) {
  auto it = entities.find(id);
  if (it == entities.end())
    return nullptr;
  Remember(id);
  touched_.insert(id);
  LogChange(id);
  return &it->second;
}

const Entity* Drawing::FindEntity(ObjectId id) const {
  auto it = entities.find(id);
  return it == entities.end() ? nullptr : &it->second;
}

bool Drawing::EraseEntity(ObjectId id) {
  Remember(id);
  if (entities.erase(id) == 0)
    return false;
  erased_.push_back(id);
  LogChange(id);
  return true;
}

void Drawing::MarkEdited(const Entity& e) {
  if (std::holds_alternative<LineShape>(e.shape) || std::holds_alternative<PolylineShape>(e.shape))
    ++lineworkEdits_;
}

std::vector<ObjectId> Drawing::EntitiesOf(ObjectId block) const {
  std::vector<ObjectId> ids;
  for (const auto& [id, e] : entities) {
    if (e.owner == block)
      ids.push_back(id);
  }
  return ids;
}

std::optional<ObjectId> Drawing::Newest() const {
  const ObjectId ms = ModelSpaceId();
  for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
    if (it->second.owner == ms)
      return it->first;
  }
  return std::nullopt;
}

LayerRecord* Drawing::FindLayer(std::string_view name) {
  auto it = std::find_if(layers.begin(), layers.end(),
                         [&](const LayerRecord& l) { return NamesEqual(l.name, name); });
  return it == layers.end() ? nullptr : &*it;
}

const LayerRecord* Drawing::FindLayer(std::string_view name) const {
  return const_cast<Drawing*>(this)->FindLayer(name);
}

LayerRecord& Drawing::AddLayer(std::string_view name) {
  if (LayerRecord* l = FindLayer(name))
    return *l;
  LayerRecord l;
  l.id = NewId();
  l.name = std::string(name);
  layers.push_back(std::move(l));
  return layers.back();
}

BlockRecord* Drawing::FindBlock(std::string_view name) {
  auto it = std::find_if(blocks.begin(), blocks.end(),
                         [&](const BlockRecord& b) { return NamesEqual(b.name, name); });
  return it == blocks.end() ? nullptr : &*it;
}

const BlockRecord* Drawing::FindBlock(std::string_view name) const {
  return const_cast<Drawing*>(this)->FindBlock(name);
}

BlockRecord* Drawing::FindBlock(ObjectId id) {
  auto it =
      std::find_if(blocks.begin(), blocks.end(), [&](const BlockRecord& b) { return b.id == id; });
  return it == blocks.end() ? nullptr : &*it;
}

const BlockRecord* Drawing::FindBlock(ObjectId id) const {
  return const_cast<Drawing*>(this)->FindBlock(id);
}

BlockRecord& Drawing::AddBlock(std::string_view name, const TAcadPoint& origin) {
  if (BlockRecord* b = FindBlock(name))
    return *b;
  BlockRecord b;
  b.id = NewId();
  b.name = std::string(name);
  b.origin = origin;
  blocks.push_back(std::move(b));
  return blocks.back();
}

bool Drawing::IsReferenced(std::string_view blockName) const {
  return std::any_of(entities.begin(), entities.end(), [&](const auto& entry) {
    const auto* insert = std::get_if<InsertShape>(&entry.second.shape);
    return insert && NamesEqual(insert->block, blockName);
  });
}

bool Drawing::DeleteBlock(ObjectId id) {
  auto it =
      std::find_if(blocks.begin(), blocks.end(), [&](const BlockRecord& b) { return b.id == id; });
  if (it == blocks.end() || id == ModelSpaceId() || id == PaperSpaceId() || IsReferenced(it->name))
    return false;
  for (const auto& [entityId, e] : entities) {
    if (e.owner == id)
      Remember(entityId);
  }
  erase_if(entities, [&](const auto& entry) { return entry.second.owner == id; });
  blocks.erase(it);
  return true;
}

void Drawing::Remember(ObjectId id) {
  if (!open_ || open_->entitiesBefore.count(id))
    return;
  const auto it = entities.find(id);
  open_->entitiesBefore.emplace(
      id, it == entities.end() ? std::nullopt : std::optional<Entity>(it->second));
}

void Drawing::BeginUndoStep() {
  if (open_)
    return;
  open_ = UndoStep{layers, blocks, vars, headerPassthrough, dxfSource, nextId_, {}};
}

void Drawing::EndUndoStep() {
  if (!open_)
    return;
  steps_.push_back(std::move(*open_));
  open_.reset();
}

bool Drawing::UndoLastStep() {
  if (steps_.empty())
    return false;
  UndoStep step = std::move(steps_.back());
  steps_.pop_back();
  layers = std::move(step.layers);
  blocks = std::move(step.blocks);
  vars = std::move(step.vars);
  headerPassthrough = std::move(step.headerPassthrough);
  dxfSource = std::move(step.dxfSource);
  nextId_ = step.nextId;
  // Entities come back and go without EraseEntity, and IDs are handed out again: a cache of the
  // linework must read the drawing anew.
  ++lineworkEdits_;
  for (auto& [id, before] : step.entitiesBefore) {
    touched_.insert(id);
    LogChange(id);
    if (before)
      entities.insert_or_assign(id, std::move(*before));
    else
      entities.erase(id);
  }
  return true;
}

namespace {

// Automation alignment code -> (72, 73), indexed by the code.
constexpr DxfJustification kJustifications[] = {
    {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0},  // left .. fit, on the baseline
    {0, 3}, {1, 3}, {2, 3},                          // top
    {0, 2}, {1, 2}, {2, 2},                          // middle
    {0, 1}, {1, 1}, {2, 1},                          // bottom
};

}  // namespace

DxfJustification ToDxfJustification(std::int32_t alignment) {
  if (alignment < 0 || alignment >= static_cast<std::int32_t>(std::size(kJustifications)))
    return {};
  return kJustifications[alignment];
}

std::int32_t FromDxfJustification(DxfJustification j) {
  // Groups 72 = 3 (aligned), 4 (middle) and 5 (fit) ignore group 73.
  if (j.horizontal >= 3 && j.horizontal <= 5)
    return j.horizontal;
  for (std::int32_t code = 0; code < static_cast<std::int32_t>(std::size(kJustifications));
       ++code) {
    if (kJustifications[code].horizontal == j.horizontal &&
        kJustifications[code].vertical == j.vertical)
      return code;
  }
  return 0;
}

}  // namespace trivane::host
