// The built-in host's drawing: plain data, no automation.
//
// A Drawing holds the layer table, the block records (model space and paper space among them),
// every entity of every block, and the system variables. The automation objects of host.h expose
// it by member name; the DXF layer loads and saves it. Whatever the host does not model travels
// with each record as raw DXF groups (`passthrough`) beside its DXF handle, so that a drawing read
// from DXF can be written back without losing it.
//
// Units: drawing units; angles in radians, anticlockwise from the +x axis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <variant>
#include <vector>

#include "base/compact_text.h"
#include "geometry/point.h"
#include "host/model/id_table.h"

namespace trivane::host {

struct DxfSource;  // dxf_bridge.h

// A DXF group the host does not model, kept verbatim: its group code and its value line.
struct RawTag {
  int code = 0;
  CompactText value;
  friend bool operator==(const RawTag&, const RawTag&) = default;
};

// The groups of an entity's record that the host does not model: the record's type (code 0) and
// tags as read. They are held here, or, for an entity loaded from a file and not yet edited,
// left in the loaded record and read from it when asked for: loading then keeps one copy of each
// record, not two. Either way the value is the same list of groups.
class Passthrough {
 public:
  // Where loaded groups stay: the loaded file (host/bridge). Its records never change.
  class Source {
   public:
    virtual ~Source() = default;
    virtual std::vector<RawTag> Groups(std::size_t record) const = 0;
  };

  Passthrough() = default;
  Passthrough(std::vector<RawTag> groups) : groups_(std::move(groups)) {}  // NOLINT: a value
  Passthrough(std::initializer_list<RawTag> groups) : groups_(groups) {}
  // The groups of record `record` of `source`, read when asked for.
  Passthrough(std::shared_ptr<const Source> source, std::size_t record)
      : source_(std::move(source)), record_(record) {}

  std::vector<RawTag> Groups() const { return source_ ? source_->Groups(record_) : groups_; }
  // The groups to change, held here from now on.
  std::vector<RawTag>& Edit() {
    if (source_) {
      groups_ = source_->Groups(record_);
      source_.reset();
    }
    return groups_;
  }

  friend bool operator==(const Passthrough& a, const Passthrough& b) {
    if (a.source_ && a.source_ == b.source_ && a.record_ == b.record_)
      return true;
    return a.Groups() == b.Groups();
  }

 private:
  std::vector<RawTag> groups_;
  std::shared_ptr<const Source> source_;
  std::size_t record_ = 0;
};

// --- Extended entity data ------------------------------------------------------------------------

// One value of extended data, typed by its group code:
//   1000 string, 1001 application name, 1002 control string "{" or "}", 1003 layer name,
//   1004 binary chunk (hex text), 1005 handle: text;
//   1010 point, 1011 world position, 1012 world displacement, 1013 world direction: point;
//   1040 real, 1041 distance, 1042 scale factor: double;
//   1070 16-bit integer; 1071 32-bit integer.
using XdataValue = std::variant<std::string, double, std::int16_t, std::int32_t, TAcadPoint>;

struct XdataItem {
  std::int16_t code = 0;
  XdataValue value;
  friend bool operator==(const XdataItem&, const XdataItem&) = default;
};

// The extended data of one registered application: the items after its 1001 group.
struct XdataApp {
  std::string application;
  std::vector<XdataItem> items;
  friend bool operator==(const XdataApp&, const XdataApp&) = default;
};

// --- Entity shapes -------------------------------------------------------------------------------

struct LineShape {
  TAcadPoint start;
  TAcadPoint end;
};

// A lightweight polyline. Vertices are plan points (z = 0); the plane's height is `elevation`.
// Bulges are kept for round trips; the host treats every segment as straight.
struct PolylineShape {
  std::vector<TAcadPoint> vertices;
  bool closed = false;
  double elevation = 0.0;
  std::vector<double> bulges;  // empty, or one per vertex
};

// A single-line text. `alignment` is the automation code (0 left, 1 centre, 2 right, 3 aligned,
// 4 middle, 5 fit, 6..8 top, 9..11 middle, 12..14 bottom: left/centre/right). `insertion` is the
// left end of the baseline; `alignmentPoint` is the point the text is justified on, used for every
// alignment but left.
struct TextShape {
  std::string string;
  TAcadPoint insertion;
  TAcadPoint alignmentPoint;
  double height = 1.0;
  double rotation = 0.0;
  std::int32_t alignment = 0;
  double widthFactor = 1.0;
  std::string style = "Standard";
};

struct CircleShape {
  TAcadPoint center;
  double radius = 0.0;
};

// A block reference: the named block placed at `insertion`, scaled, then rotated about it.
struct InsertShape {
  std::string block;
  TAcadPoint insertion;
  double xscale = 1.0;
  double yscale = 1.0;
  double zscale = 1.0;
  double rotation = 0.0;
};

// A leader: its vertices from the arrowhead on. `arrowBlock` as DIMLDRBLK ("" closed filled).
struct LeaderShape {
  std::vector<TAcadPoint> vertices;
  double arrowSize = 0.0;
  bool arrowhead = true;
  std::string arrowBlock;
};

using Shape =
    std::variant<LineShape, PolylineShape, TextShape, CircleShape, InsertShape, LeaderShape>;

struct Entity {
  Shape shape;
  std::string layer = "0";
  ObjectId owner = 0;  // the block record holding it; set by Drawing::AddEntity
  std::vector<XdataApp> xdata{};
  // Round trip: the DXF handle ("" for entities made in the session), the groups the host does not
  // model, and whether a command has touched the entity since it was loaded.
  std::string handle{};
  Passthrough passthrough{};
  bool modified = false;
};

// --- Tables --------------------------------------------------------------------------------------

struct LayerRecord {
  ObjectId id = 0;
  std::string name;
  std::int16_t color = 7;
  std::string linetype = "Continuous";
  std::string handle;
  std::vector<RawTag> passthrough;
  bool modified = false;
};

struct BlockRecord {
  ObjectId id = 0;
  std::string name;
  TAcadPoint origin;
  std::string handle;
  std::vector<RawTag> passthrough;
  bool modified = false;
};

inline constexpr std::string_view kModelSpaceName = "*Model_Space";
inline constexpr std::string_view kPaperSpaceName = "*Paper_Space";

// --- System variables ----------------------------------------------------------------------------

// The variables the host models, with their stored types. EXTMIN and EXTMAX are not stored: they
// are computed from the drawing's entities (Extents in shapes.h).
struct SystemVariables {
  std::int16_t AUNITS = 0;    // 0 decimal degrees, 1 deg/min/sec, 2 grads, 3 radians, 4 surveyor
  double ANGBASE = 0.0;       // radians (GetVariable gives it in the units of AUNITS)
  std::int16_t ANGDIR = 0;    // 0 anticlockwise, 1 clockwise
  std::int16_t SNAPMODE = 0;  // 1: picked points snap to the grid SNAPBASE + k * SNAPUNIT
  TAcadPoint SNAPUNIT{10.0, 10.0, 0.0};  // x and y spacing (z unused)
  TAcadPoint SNAPBASE;
  double VIEWSIZE = 1000.0;  // height of the view, drawing units
  TAcadPoint VIEWCTR;
  TAcadPoint LASTPOINT;
  double DIMASZ = 2.5;
  std::string DIMLDRBLK;  // "" closed filled
  double DIMSCALE = 1.0;
  std::string CLAYER = "0";
  // The current user coordinate system: origin and unit x and y axes in world coordinates. Set
  // by the UCS command in a CAD; read-only through SetVariable.
  TAcadPoint UCSORG;
  TAcadPoint UCSXDIR{1.0, 0.0, 0.0};
  TAcadPoint UCSYDIR{0.0, 1.0, 0.0};
};

// --- The drawing ---------------------------------------------------------------------------------

// Layers, blocks and selection-set names compare equal after folding only the ASCII letters a-z to
// upper case; every other character must match exactly.
std::string FoldName(std::string_view name);
bool NamesEqual(std::string_view a, std::string_view b);

// What the selection of entities by the application of their extended data (selection.h) reads
// instead of every entity: the model-space entities that carry extended data, each with the box
// of its parts, and how far the drawing's log of changed entities has been read. Kept by the
// drawing as a cache, copied and moved with it; selection.cpp keeps it up to date.
struct ExtendedDataIndex {
  struct Bounds {
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
  };
  struct Item {
    ObjectId id = 0;
    Bounds bounds;
  };
  bool built = false;
  std::size_t changesRead = 0;
  // By ID: new entities take the highest IDs, so an entry is added at the end nearly always, and
  // a window reads the entries in order from contiguous memory.
  std::vector<Item> entities;
};

class Drawing {
 public:
  // A new drawing: layer "0", blocks "*Model_Space" and "*Paper_Space", default variables.
  Drawing();

  std::vector<LayerRecord> layers;  // "0" first
  std::vector<BlockRecord> blocks;  // "*Model_Space", "*Paper_Space" first
  IdTable<Entity> entities;         // every entity of every block, in the order added
  SystemVariables vars;
  std::vector<RawTag> headerPassthrough;  // header variables the host does not model
  // The DXF file the drawing was loaded from (null for a new drawing): everything the host does
  // not model is written back from it (dxf_bridge.h).
  std::shared_ptr<const DxfSource> dxfSource;

  // A fresh object ID.
  ObjectId NewId() { return nextId_++; }

  // Adds the entity to the block `owner` (model space when 0) and returns its new ID.
  ObjectId AddEntity(Entity e, ObjectId owner = 0);
  Entity* FindEntity(ObjectId id);
  const Entity* FindEntity(ObjectId id) const;
  // Removes the entity; false when there is none with that ID.
  bool EraseEntity(ObjectId id);
  // The entities of one block, in the order added.
  std::vector<ObjectId> EntitiesOf(ObjectId block) const;
  // The newest entity of model space still in the drawing: what selection mode 4 gives.
  std::optional<ObjectId> Newest() const;

  // What a cache of the drawing's linework (the boundary index, boundary.h) reads to learn what
  // changed without reading every entity again: the IDs EraseEntity erased, in order, and a count
  // of the changes to lines and polylines already in the drawing. Whatever changes the geometry
  // of an entity in place calls MarkEdited; new entities have higher IDs.
  const std::vector<ObjectId>& ErasedIds() const { return erased_; }
  std::uint64_t LineworkEdits() const { return lineworkEdits_; }
  void MarkEdited(const Entity& e);
  // Whether the entity is still as AddEntity took it: the non-const FindEntity was never called
  // for it, and no undo brought it back. Saving keeps the record of such an entity as the file
  // had it without comparing it with the entity.
  bool Untouched(ObjectId id) const { return !touched_.contains(id); }
  // Every entity added, reached through the non-const FindEntity, erased, or brought back or
  // taken away by an undo, in order (an ID stands once for each time): what a
  // cache of the drawing reads to learn which entities to look at again.
  const std::vector<ObjectId>& ChangedIds() const { return changed_; }
  ExtendedDataIndex& dataIndex() const { return dataIndex_; }

  LayerRecord* FindLayer(std::string_view name);
  const LayerRecord* FindLayer(std::string_view name) const;
  // The layer of that name; added when missing.
  LayerRecord& AddLayer(std::string_view name);

  BlockRecord* FindBlock(std::string_view name);
  const BlockRecord* FindBlock(std::string_view name) const;
  BlockRecord* FindBlock(ObjectId id);
  const BlockRecord* FindBlock(ObjectId id) const;
  // The block of that name; added (empty, at `origin`) when missing.
  BlockRecord& AddBlock(std::string_view name, const TAcadPoint& origin = {});
  // True while a block reference anywhere in the drawing names the block.
  bool IsReferenced(std::string_view blockName) const;
  // Removes the block and its entities. Model space, paper space and referenced blocks stay;
  // the result says whether the block went.
  bool DeleteBlock(ObjectId id);

  ObjectId ModelSpaceId() const { return blocks[0].id; }
  ObjectId PaperSpaceId() const { return blocks[1].id; }

  // --- Undo steps, as a CAD keeps them for StartUndoMark / EndUndoMark.
  // While a step is open the drawing remembers what it was: the tables, variables and ID counter
  // whole, and each entity as it stood before its first change (AddEntity, EraseEntity,
  // DeleteBlock, or the non-const FindEntity, through which every change of an entity goes).
  void BeginUndoStep();
  void EndUndoStep();
  bool UndoStepOpen() const { return open_.has_value(); }
  // Takes the newest closed step back: the drawing is as it was when the step began, down to
  // the IDs it hands out next. False when there is no step to take back.
  bool UndoLastStep();

 private:
  struct UndoStep {
    std::vector<LayerRecord> layers;
    std::vector<BlockRecord> blocks;
    SystemVariables vars;
    std::vector<RawTag> headerPassthrough;
    std::shared_ptr<const DxfSource> dxfSource;
    ObjectId nextId = 0;
    std::map<ObjectId, std::optional<Entity>> entitiesBefore;  // nullopt: it did not exist
  };
  // Before a change of entity `id` in an open step.
  void Remember(ObjectId id);

  ObjectId nextId_ = kFirstObjectId;
  std::optional<UndoStep> open_;
  std::vector<UndoStep> steps_;  // closed steps, oldest first
  std::vector<ObjectId> erased_;
  std::uint64_t lineworkEdits_ = 0;
  std::unordered_set<ObjectId> touched_;
  std::vector<ObjectId> changed_;
  mutable ExtendedDataIndex dataIndex_;

  void LogChange(ObjectId id) { changed_.push_back(id); }
};

// DXF group 72 and 73 of a text for an automation alignment code, and back (an unknown pair gives
// left, 0).
struct DxfJustification {
  std::int16_t horizontal = 0;  // group 72
  std::int16_t vertical = 0;    // group 73
};
DxfJustification ToDxfJustification(std::int32_t alignment);
std::int32_t FromDxfJustification(DxfJustification j);

}  // namespace trivane::host
