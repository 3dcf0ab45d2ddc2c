// Small operations on the CAD's drawing database: make sure a layer exists, numbered blocks,
// deleting a block definition, temporary selection sets, exploding the block reference inserted
// last, the ID of the last entity. Each takes the active document; none shows a message.
//
// Names of layers, blocks and selection sets compare with ASCII folding only (cad/names.h).
//
// Error policy, in the names' words: EnsureLayer, AddNumberedBlock, NextBlockName and
// NewTempSelectionSet pass AutomationError on; DeleteBlockDefinition, ExplodeLastInsert and
// LastEntityId never raise (a failure shows as nothing done, or as the ID 0). A temporary
// selection set is deleted by whoever made it, also after an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cad/objects.h"

namespace trivane::cad {

// Temporary selection sets are SSTEMP_ followed by a number.
inline constexpr std::string_view kTempSelectionSetPrefix = "SSTEMP_";

// Adds the layer unless one of that name (ASCII folding) exists. The current layer stays.
void EnsureLayer(const Document& document, std::string_view name);

// A block made by AddNumberedBlock: the block and its name as the CAD reports it.
struct NumberedBlock {
  Block block;
  std::string name;
};
// Creates the block `prefix` + (M + 1) at the origin, M being the largest number after `prefix`
// among the document's block names (NextBlockName).
NumberedBlock AddNumberedBlock(const Document& document, std::string_view prefix);

// `prefix` followed by one more than the largest number that a block name beginning with `prefix`
// carries (1 when none does); text after the prefix that is not an integer counts as 0. Creates
// nothing.
std::string NextBlockName(const Document& document, std::string_view prefix);

// Deletes the first block definition of that name. A CAD that refuses (the block is still
// referenced, say) leaves it; no error comes out.
void DeleteBlockDefinition(const Document& document, std::string_view name);

// Adds the selection set SSTEMP_ + (M + 1), M being the largest number among the document's
// selection sets named SSTEMP_<number>. The caller deletes it (see ScopedSelectionSet).
SelectionSet NewTempSelectionSet(const Document& document);

// Owns a temporary selection set and deletes it when it goes, swallowing a failing Delete.
class ScopedSelectionSet {
 public:
  explicit ScopedSelectionSet(SelectionSet set) : set_(std::move(set)) {}
  ~ScopedSelectionSet();
  ScopedSelectionSet(const ScopedSelectionSet&) = delete;
  ScopedSelectionSet& operator=(const ScopedSelectionSet&) = delete;

  const SelectionSet& operator*() const { return set_; }
  const SelectionSet* operator->() const { return &set_; }

 private:
  SelectionSet set_;
};

// One undo step for a command's work: Document.StartUndoMark when made, EndUndoMark when it goes,
// on every path out of the command (its errors and cancels included), so that one undo in the
// CAD takes the whole command back. A CAD that refuses the marks still runs the command: each of
// its changes then stays a step of its own.
class UndoGroup {
 public:
  explicit UndoGroup(Document document);
  ~UndoGroup();
  UndoGroup(const UndoGroup&) = delete;
  UndoGroup& operator=(const UndoGroup&) = delete;

 private:
  Document document_;
  bool started_ = false;
};

// SelectAtPoint at a point given in world coordinates. SelectAtPoint takes its point in the current
// user coordinate system: when that is not the world's (UCSORG, UCSXDIR, UCSYDIR), the point is
// first translated with Utility.TranslateCoordinates; under the world's it goes as it is.
void SelectAtWorldPoint(const Document& document, const SelectionSet& set, const TAcadPoint& world,
                        const SelectionFilter& filter = {});

// When the last entity added to the drawing is a reference to the block `name`: explodes it (its
// parts become entities of the drawing) and deletes the reference. Anything else is left alone.
void ExplodeLastInsert(const Document& document, std::string_view name);

// The ObjectID of the last entity added to the drawing; 0 when there is none or it cannot be read.
std::int64_t LastEntityId(const Document& document);

}  // namespace trivane::cad
