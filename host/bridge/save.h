// Saving: the Writer that brings the source document to the drawing (see dxf_bridge.h). It works
// on a copy of the source without the records of the containers it rebuilds (ENTITIES and the
// loaded blocks); what it keeps of those it lends from the source, by pointer, and what it changes
// or makes it owns. Its work on the file's sections (the LAYER table, the containers, the BLOCKS)
// stands in save.cpp, the records of one entity in save_entities.cpp, the header in variables.cpp.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/bridge/dxf_bridge.h"
#include "host/dxf/model.h"

namespace trivane::host::bridge {

// The source of a drawing that has none.
extern const DxfSource kNoSource;

// The source document without the records of the containers the Writer rebuilds; its new handles
// stay clear of theirs.
dxf::Document SkeletonOf(const Drawing& d, const DxfSource& s);

// Whether the Writer rebuilds the loaded block (BLOCKS index bi) of the drawing's block `id`: one
// still in the drawing, other than model and paper space.
bool RebuildsBlock(const Drawing& d, const DxfSource& s, ObjectId id, int bi);

struct Writer {
  const Drawing& d;
  const DxfSource& s;
  dxf::Document& doc;  // SkeletonOf(d, s), or a new document
  // Per rebuilt container (-1 ENTITIES, else its index in the BLOCKS section), its records before
  // the ones added to doc's container: kept records of the source and records of `made`.
  std::map<int, std::vector<const dxf::Entity*>> rebuilt{};
  std::deque<dxf::Entity> made{};  // changed records (a deque: their addresses stay)
  // The entities already written, by ID less the first ID (IDs are handed out in turn).
  std::vector<bool> written{};
  bool Written(ObjectId id) const;
  void MarkWritten(ObjectId id);
  bool changed = false;

  // The owner block of a container's records as loading placed them.
  ObjectId OwnerOf(int container, const dxf::Entity& head) const;

  std::string DimStyleName() const;

  // Brings the record (and its followers) to the entity's values; `sourceXdata` is the extended
  // data the record had, whose unchanged applications keep their bytes.
  void Apply(dxf::Entity& rec, std::vector<dxf::Entity>& followers, const Entity& e,
             const std::vector<dxf::XData>& sourceXdata);

  // Attributes follow a moved, turned or uniformly scaled block reference.
  static void MoveAttributes(std::vector<dxf::Entity>& followers, const dxf::InsertData& from,
                             const dxf::InsertData& to);

  // The arrowhead as the leader's record and its style give it; an override where they differ.
  void SetArrow(dxf::Entity& rec, const LeaderShape& leader);

  // Rebuilds one container of the source into `rebuilt`: unchanged and unmodelled records as they
  // are, changed entities updated, erased ones dropped.
  void Rebuild(int container, const std::vector<dxf::Entity>& records);

  // doc's container of a rebuilt one, or null.
  std::vector<dxf::Entity>* Container(int container);
  // The rebuilt containers as records lent to doc (valid while the source and the Writer are).
  dxf::LentRecords Lent();
  // Copies the lent records into doc, which then stands alone.
  void Materialise();

  // The DXF type the entity takes in this document.
  std::string TypeFor(const Entity& e) const;

  dxf::Properties PropertiesOf(const Entity& e) const;

  // The records of an entity made in the session: head and followers, without handles yet.
  std::vector<dxf::Entity> MakeRecords(const Entity& e);

  // A closed filled arrowhead: as long as the arrow size, a third of it wide, tip at the first
  // vertex, pointing back along the first segment.
  std::optional<dxf::Entity> ArrowSolid(const LeaderShape& l, const dxf::Properties& props) const;

  // Appends the records of a new entity to model space, paper space or a block of doc.
  void AddNew(const Entity& e, dxf::Block* block, bool paperSpace);

  dxf::Block* DocBlock(std::string_view name) { return doc.FindBlock(name); }

  void Run();
};

}  // namespace trivane::host::bridge
