// The entities, table records and block definitions the drawing host models, read from and
// written to the tags of a document. Reading gives typed values; updating replaces only the tags
// these values cover and keeps every other tag where it is (handle, owner, reactors, subclass
// markers, colour, linetype, extrusion, other applications' extended data). New records get what
// the file's version requires: from R13 on a handle above $HANDSEED, the owner and the subclass
// markers; in R12 none of these (a handle only when the file uses handles).
//
// Coordinates are drawing units as stored: for TEXT, CIRCLE, LWPOLYLINE and INSERT they are in
// the entity's object coordinate system, which is the world system unless Extrusion() differs
// from (0, 0, 1). Angles are degrees, counter-clockwise, as the file holds them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/point.h"
#include "host/dxf/document.h"

namespace trivane::dxf {

struct LineData {
  TAcadPoint start;  // 10/20/30
  TAcadPoint end;    // 11/21/31
  friend bool operator==(const LineData&, const LineData&) = default;
};

struct LwVertex {
  double x = 0.0;      // 10
  double y = 0.0;      // 20
  double bulge = 0.0;  // 42: tan(arc angle / 4), 0 for a straight segment
  friend bool operator==(const LwVertex&, const LwVertex&) = default;
};

struct LwPolylineData {
  std::vector<LwVertex> vertices;  // 90 = their count
  bool closed = false;             // bit 1 of 70; the other bits are kept
  double elevation = 0.0;          // 38
  friend bool operator==(const LwPolylineData&, const LwPolylineData&) = default;
};

// The CAD's Alignment codes, from the DXF pair 72 (horizontal) / 73 (vertical).
enum TextAlignment : int {
  kAlignLeft = 0,
  kAlignCenter = 1,
  kAlignRight = 2,
  kAlignAligned = 3,
  kAlignMiddle = 4,
  kAlignFit = 5,
  kAlignTopLeft = 6,
  kAlignTopCenter = 7,
  kAlignTopRight = 8,
  kAlignMiddleLeft = 9,
  kAlignMiddleCenter = 10,
  kAlignMiddleRight = 11,
  kAlignBottomLeft = 12,
  kAlignBottomCenter = 13,
  kAlignBottomRight = 14,
};
// 72/73 to Alignment: 72 of 3, 4, 5 (aligned, middle, fit) ignores 73; values out of range read
// as left. And back: Alignment 0..14 to the pair (anything else is left).
int AlignmentFromDxf(int horizontal72, int vertical73);
void DxfFromAlignment(int alignment, int& horizontal72, int& vertical73);

struct TextData {
  std::string text;                // 1
  TAcadPoint insertion;            // 10/20/30
  TAcadPoint alignmentPoint;       // 11/21/31: used by every alignment but left
  double height = 1.0;             // 40
  double rotationDegrees = 0.0;    // 50
  int alignment = kAlignLeft;      // 72/73
  double widthFactor = 1.0;        // 41
  std::string style = "Standard";  // 7: the text style's name
  friend bool operator==(const TextData&, const TextData&) = default;
};

struct CircleData {
  TAcadPoint center;    // 10/20/30
  double radius = 0.0;  // 40
  friend bool operator==(const CircleData&, const CircleData&) = default;
};

struct InsertData {
  std::string name;              // 2: the block
  TAcadPoint insertion;          // 10/20/30
  double xScale = 1.0;           // 41
  double yScale = 1.0;           // 42
  double zScale = 1.0;           // 43
  double rotationDegrees = 0.0;  // 50
  friend bool operator==(const InsertData&, const InsertData&) = default;
};

struct LeaderData {
  std::vector<TAcadPoint> vertices;   // 76 = their count, then 10/20/30 each
  bool arrowhead = true;              // 71
  std::string dimStyle = "Standard";  // 3
  friend bool operator==(const LeaderData&, const LeaderData&) = default;
};

struct LayerData {
  std::string name;                     // 2
  int color = 7;                        // 62; negative when the layer is off
  std::string linetype = "Continuous";  // 6
  int flags = 0;                        // 70: 1 frozen, 4 locked, ...
  friend bool operator==(const LayerData&, const LayerData&) = default;
};

struct BlockData {
  std::string name;      // 2 (and 3) of BLOCK
  TAcadPoint basePoint;  // 10/20/30 of BLOCK
  friend bool operator==(const BlockData&, const BlockData&) = default;
};

// The common properties a new entity is given.
struct Properties {
  std::string layer = "0";              // 8
  std::optional<int> color;             // 62; absent = BYLAYER
  std::optional<std::string> linetype;  // 6; absent = BYLAYER
};

// ---- Values of a record's groups: the first tag with the code as a number (`fallback` when it
// is absent or no number), or as a point (x at `code`, y and z at +10 and +20; 0 when absent).
double GetDouble(const Entity& entity, int code, double fallback);
std::int64_t GetInt(const Entity& entity, int code, std::int64_t fallback);
TAcadPoint GetPoint(const Entity& entity, int code);
// Replaces the value of the record's first tag with this code (dropping its text as read), or
// appends the tag.
void SetFirstTag(Entity& entity, const Tag& tag);

// ---- Reading. Each gives nullopt for a record of another type.
std::optional<LineData> AsLine(const Entity& entity);
std::optional<LwPolylineData> AsLwPolyline(const Entity& entity);
std::optional<TextData> AsText(const Entity& entity);
std::optional<CircleData> AsCircle(const Entity& entity);
std::optional<InsertData> AsInsert(const Entity& entity);
std::optional<LeaderData> AsLeader(const Entity& entity);
std::optional<LayerData> AsLayer(const Entity& layerRecord);
BlockData AsBlock(const Block& block);

// POLYLINE, the polyline of R12 (from R13 on LWPOLYLINE takes its place): a head record, a
// VERTEX record for each vertex and a SEQEND. Only the plain 2D form is modelled, with the data
// of LWPOLYLINE. The polyline whose head is records[index]; nullopt for another type and for the
// forms not modelled (curve-fit, spline, 3D, mesh; a vertex with flags of its own).
std::optional<LwPolylineData> AsPolyline(const std::vector<Entity>& records, std::size_t index);

// An entity with sub-records (POLYLINE with its VERTEX records, INSERT with ATTRIB records) is
// followed by them and a SEQEND in the same list. The number of records, from `index` on, that
// belong to the entity there (1 for a plain entity); remove or move them together.
std::size_t RecordSpan(const std::vector<Entity>& records, std::size_t index);

std::string LayerOf(const Entity& entity);   // 8; "0" when absent
TAcadPoint Extrusion(const Entity& entity);  // 210/220/230; (0, 0, 1) when absent
bool InPaperSpace(const Entity& entity);     // 67 = 1

// ---- Updating a record in place: only the tags of the data change (tags with a default value
// that the record lacks stay absent when the new value is the default). Numbers whose value
// does not change keep their text. Throws Error when the record is of another type.
void Update(Entity& entity, const LineData& data);
void Update(Entity& entity, const LwPolylineData& data);
void Update(Entity& entity, const TextData& data);
void Update(Entity& entity, const CircleData& data);
void Update(Entity& entity, const InsertData& data);
void Update(Entity& entity, const LeaderData& data);
void Update(Entity& layerRecord, const LayerData& data);
// The head of a POLYLINE, and one of its VERTEX records: each group set as the first tag of its
// code, only when its value changes; a bulge of 0 is removed.
void UpdatePolylineHead(Entity& head, const LwPolylineData& data);
void UpdateVertex(Entity& vertex, const LwVertex& data);
void SetLayer(Entity& entity, std::string_view layer);

// ---- New entities: tags in the order the document's version expects, without handle and
// owner (AddEntity gives those). Throws Error for a type the version cannot hold (LWPOLYLINE and
// LEADER need R13 or later).
Entity NewEntity(const Document& doc, const LineData& data, const Properties& props = {});
Entity NewEntity(const Document& doc, const LwPolylineData& data, const Properties& props = {});
Entity NewEntity(const Document& doc, const TextData& data, const Properties& props = {});
Entity NewEntity(const Document& doc, const CircleData& data, const Properties& props = {});
Entity NewEntity(const Document& doc, const InsertData& data, const Properties& props = {});
Entity NewEntity(const Document& doc, const LeaderData& data, const Properties& props = {});
// A POLYLINE's records: the head (its vertices are records of their own), a VERTEX at (0, 0)
// and the SEQEND on a layer.
Entity NewPolylineHead(const Document& doc, const LwPolylineData& data,
                       const Properties& props = {});
Entity NewVertex(const Document& doc, const std::string& layer);
Entity NewSeqend(const Document& doc, const std::string& layer);

// Appends the entity to model space (the ENTITIES section) or to a block definition of doc,
// giving it a new handle and the owner when the version uses them (any handle it had is
// replaced, so records copied from elsewhere stay unique). Registers the applications of its
// extended data. The reference is valid until the container changes.
Entity& AddEntity(Document& doc, Entity entity);
Entity& AddEntity(Document& doc, Block& block, Entity entity);

// Layers: the existing record when one of that name exists (unchanged), else a new record.
// Throws Error for a name a CAD refuses (empty, or with one of <>/\":;?*|=`).
Entity& EnsureLayer(Document& doc, const LayerData& data);

// A new block definition (BLOCK_RECORD from R13 on, BLOCK and ENDBLK). Throws Error when a
// block of that name exists or the name is invalid.
Block& AddBlock(Document& doc, const BlockData& data);
// Removes a block definition and its BLOCK_RECORD; false when there is none.
bool RemoveBlock(Document& doc, std::string_view name);

// The APPID record of an application, added when missing.
Entity& EnsureAppId(Document& doc, std::string_view application);
// Sets the extended data of one application on an entity (replacing that application's group,
// keeping the others) and registers the application.
void SetXData(Document& doc, Entity& entity, XData xdata);
// Adds an APPID record for each application named in extended data that has none (the lent
// records' included).
void RegisterApplications(Document& doc, const LentRecords& lent = {});

// A new empty drawing with the tables, blocks and objects a reader needs.
//
// R2000 (AC1015) is the default: every CAD of the family and every DXF library of note reads it,
// and it is the oldest version with everything the host writes: handles and owners, extended
// data, LWPOLYLINE and LEADER. Earlier versions lack LWPOLYLINE; later ones add nothing the host
// uses.
Document NewDocument(std::string_view acadVersion = "AC1015");

}  // namespace trivane::dxf
