#include "cad/database.h"

#include <vector>

#include "cad/names.h"

namespace trivane::cad {
namespace {

constexpr std::string_view kBlockReference = "AcDbBlockReference";

template <typename Collection>
std::vector<std::string> NamesOf(const Collection& collection) {
  std::vector<std::string> names;
  const std::int32_t count = collection.Count();
  for (std::int32_t i = 0; i < count; ++i)
    names.push_back(collection.Item(i).Name());
  return names;
}

// The last entity added to the drawing, through a temporary selection set (selection mode 4 with
// both points at the origin and no filter). Empty when the drawing has none.
Entity LastEntity(const SelectionSet& set) {
  set.Clear();
  set.Select(kSelectLast, TAcadPoint{}, TAcadPoint{});
  return set.Count() > 0 ? set.Item(0) : Entity();
}

// Is the current user coordinate system the world's? Origin and axes exactly as the world's.
bool WorldUcs(const Document& document) {
  const auto read = [&](std::string_view name) {
    return PointFromValue(document.GetVariable(name), "GetVariable");
  };
  const TAcadPoint origin = read("UCSORG");
  const TAcadPoint x = read("UCSXDIR");
  const TAcadPoint y = read("UCSYDIR");
  return origin.x == 0 && origin.y == 0 && origin.z == 0 && x.x == 1 && x.y == 0 && x.z == 0 &&
         y.x == 0 && y.y == 1 && y.z == 0;
}

}  // namespace

void EnsureLayer(const Document& document, std::string_view name) {
  const cad::Layers layers = document.Layers();
  const std::int32_t count = layers.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    if (NamesEqual(layers.Item(i).Name(), name))
      return;
  }
  layers.Add(name);
}

NumberedBlock AddNumberedBlock(const Document& document, std::string_view prefix) {
  const std::string name = NextBlockName(document, prefix);
  Block block = document.Blocks().Add(TAcadPoint{}, name);
  std::string reported = block.Name();
  return NumberedBlock{std::move(block), std::move(reported)};
}

std::string NextBlockName(const Document& document, std::string_view prefix) {
  return NextNumberedName(NamesOf(document.Blocks()), prefix);
}

void DeleteBlockDefinition(const Document& document, std::string_view name) {
  try {
    const cad::Blocks blocks = document.Blocks();
    const std::int32_t count = blocks.Count();
    for (std::int32_t i = 0; i < count; ++i) {
      const Block block = blocks.Item(i);
      if (NamesEqual(block.Name(), name)) {
        block.Delete();
        return;
      }
    }
  } catch (const AutomationError&) {
    // The CAD refused (a block still referenced, say): the definition stays.
  }
}

SelectionSet NewTempSelectionSet(const Document& document) {
  const cad::SelectionSets sets = document.SelectionSets();
  return sets.Add(NextNumberedName(NamesOf(sets), kTempSelectionSetPrefix));
}

ScopedSelectionSet::~ScopedSelectionSet() {
  try {
    set_.Delete();
  } catch (const AutomationError&) {
    // Nothing more can be done about a selection set the CAD will not delete.
  }
}

UndoGroup::UndoGroup(Document document) : document_(std::move(document)) {
  try {
    document_.StartUndoMark();
    started_ = true;
  } catch (const AutomationError&) {
    // Without the marks the command still does its work.
  }
}

UndoGroup::~UndoGroup() {
  if (!started_)
    return;
  try {
    document_.EndUndoMark();
  } catch (const AutomationError&) {
    // The command's own outcome is what counts; a CAD that lost the mark keeps its steps.
  }
}

void ExplodeLastInsert(const Document& document, std::string_view name) {
  try {
    const ScopedSelectionSet set(NewTempSelectionSet(document));
    const Entity last = LastEntity(*set);
    if (!last || last.EntityName() != kBlockReference)
      return;
    const BlockReference reference(last.object());
    if (!NamesEqual(reference.Name(), name))
      return;
    reference.Explode();
    reference.Delete();
  } catch (const AutomationError&) {
    // Nothing exploded, or the reference stayed beside its parts.
  }
}

std::int64_t LastEntityId(const Document& document) {
  std::int64_t id = 0;
  try {
    const ScopedSelectionSet set(NewTempSelectionSet(document));
    const Entity last = LastEntity(*set);
    if (last)
      id = last.ObjectID();
  } catch (const AutomationError&) {
    // The ID stays 0.
  }
  return id;
}

void SelectAtWorldPoint(const Document& document, const SelectionSet& set, const TAcadPoint& world,
                        const SelectionFilter& filter) {
  if (WorldUcs(document)) {
    set.SelectAtPoint(world, filter);
    return;
  }
  const TAcadPoint ucs = document.Utility().TranslateCoordinates(
      world, kCoordinatesWorld, kCoordinatesUcs, Translated::Position);
  set.SelectAtPoint(ucs, filter);
}

}  // namespace trivane::cad
