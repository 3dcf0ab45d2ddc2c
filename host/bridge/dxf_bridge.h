// The host's drawing to and from DXF, losing nothing.
//
//   host->drawing() = host::ReadDrawingFile("parcel.dxf");   // throws; the host is untouched then
//   ... commands run ...
//   host::WriteDrawingFile(host->drawing(), "parcel.dxf");  // atomic: all or nothing
//
// What the host models (lines, lightweight and plain 2D polylines, texts, circles, block
// references, leaders; layers; blocks; a few header variables) becomes plain data in the Drawing.
// Everything else stays in the loaded dxf::Document, which the Drawing keeps as its `dxfSource`:
// arcs, hatches, dimensions, multiline texts, styles, objects, classes, other header variables,
// and the modelled types in forms the host cannot place (in their own coordinate system, arrays
// of block references, curve-fit, spline, 3D and mesh polylines).
//
// One source of truth, split by what is modelled:
// - The Drawing holds its entities, layers, blocks and variables. A modelled entity carries the
//   groups the host does not model as `passthrough`: its record's type and tags as read (colour,
//   linetype, handle, owner, reactors, subclass markers...), without extended data. A loaded
//   entity reads them from its record in the DxfSource until it is edited (Passthrough), so the
//   records are not held twice. Copies of it (explode) keep them; the shape, layer and extended
//   data override the groups they cover.
// - The DxfSource holds the document as read and which of its records each entity, layer and
//   block of the Drawing came from (by object ID, so files without handles work too).
//
// Saving starts from a copy of the source document's header, tables and objects and rebuilds its
// containers (ENTITIES and the loaded blocks) in file order: a record whose entity is unchanged
// (same shape, layer, extended data and passthrough as loading gives) is written from the source
// as it was read, byte for byte, without being copied; a changed one is updated (only the
// groups of the changed values move); a record whose entity was erased goes, with its vertices or
// attributes; records the host does not model stay as they are. Entities made in the session are
// appended with what the file's version requires (handle above $HANDSEED, owner, subclass
// markers; a handle no record of the file holds). New layers, blocks and application IDs are added;
// blocks deleted in the session are removed. An untouched drawing is written back byte for byte.
//
// Header variables the host models ($AUNITS, $ANGBASE, $ANGDIR, $DIMASZ, $DIMSCALE, $DIMLDRBLK,
// $CLAYER; snap and view settings from the header in R12, from the active viewport from R13 on)
// are read from there and written back there when they changed; once anything changed,
// $EXTMIN/$EXTMAX become the host's extents joined with the file's. A leader's arrowhead is
// DIMASZ x DIMSCALE of its dimension style as overridden by its ACAD "DSTYLE" extended data (as
// CADs of the family write it); where the host's size differs, such an override is written.
//
// The version read is the version written. A new drawing is written as R2000 (AC1015): the oldest
// version with everything the host writes (handles and owners, extended data, LWPOLYLINE,
// LEADER), read by every CAD of the family and every DXF library of note; its code page is 932
// (ANSI_932), that of the Japanese systems the tool runs on. In an R12 file a lightweight polyline
// is written as a POLYLINE with its VERTEX records; a new leader, which R12 cannot hold, as a
// POLYLINE along its vertices and a SOLID arrowhead.
//
// Text encoding follows the file: its $DWGCODEPAGE up to R2004 ("\U+XXXX" for what the code page
// lacks), UTF-8 from R2007 on. Inside the host every string is UTF-8.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/dxf/document.h"
#include "host/dxf/io.h"
#include "host/model/drawing.h"
#include "host/model/shapes.h"

namespace trivane::host {

// Where a modelled record of the source document sits: the container and the index of its first
// record there. container -1 is the ENTITIES section; 0, 1, ... are the blocks of the BLOCKS
// section in file order.
struct DxfRecordRef {
  int container = -1;
  std::size_t index = 0;
  friend bool operator==(const DxfRecordRef&, const DxfRecordRef&) = default;
};

// The document a drawing was loaded from and where each of its objects came from. The entities it
// loaded read their passthrough groups from it (record k: entities[k]'s record).
struct DxfSource : Passthrough::Source {
  dxf::Document document;
  // The entities loaded from a record, in the order loaded.
  std::vector<std::pair<ObjectId, DxfRecordRef>> entities;
  std::map<ObjectId, std::size_t> layers;  // index in the LAYER table
  std::map<ObjectId, int> blocks;          // index in the BLOCKS section

  std::vector<RawTag> Groups(std::size_t record) const override;
};

// Errors: reading throws dxf::ReadError (the file, the line, what is wrong), writing
// dxf::WriteError or dxf::Error; both leave the drawing and the target file as they were.

// The drawing of a parsed document, which the Drawing keeps as its source (pass a document
// that is not needed afterwards by std::move: it is not copied then).
Drawing LoadDrawing(dxf::Document document);
// Reads and loads a file. Throws dxf::ReadError naming the file and the line for a malformed,
// truncated or binary file; nothing is loaded then.
Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options = {});
// The same for a file other programs may have damaged: its structural faults are put right as
// dxf::Read with repairs does, and listed in `repairs`.
Drawing ReadDrawingFile(const std::string& path, const dxf::ReadOptions& options,
                        dxf::Repairs& repairs);

// The document of a drawing: its source with the session's changes, or a new R2000 document.
// Throws dxf::Error when the drawing holds what the file cannot (an invalid layer name...).
dxf::Document ToDocument(const Drawing& drawing);
// The file text of ToDocument(drawing) with its applications registered, made without copying
// the records kept from the source. Throws dxf::Error as ToDocument does.
std::string DrawingFileText(const Drawing& drawing);
// Writes DrawingFileText(drawing) through a temporary file that replaces the target only once
// complete; on any failure the target is untouched (dxf::WriteError, dxf::Error).
void WriteDrawingFile(const Drawing& drawing, const std::string& path);

// Entities of another document (its model space) added to a block of the drawing (model space
// when owner is 0) as entities made in the session, placed by `placement`: what inserting a DXF
// file exploded gives. Their layers are added to the drawing when missing (with the source's
// colour and linetype), block references bring their block definitions along (renamed never: an
// existing block of the same name is used). Each keeps its own groups as passthrough.
struct AppendResult {
  std::vector<ObjectId> added;       // in the source's order
  std::vector<std::string> skipped;  // types of the records the host does not model, one each
};
AppendResult AppendEntities(Drawing& drawing, const dxf::Document& source, ObjectId owner = 0,
                            const Placement& placement = {});

// One record converted the way loading converts it: the entity (shape, layer, extended data,
// handle, passthrough) when the host models the record, else nullopt. `records` is the record's
// container, `index` its position (a POLYLINE takes its VERTEX records from there).
std::optional<Entity> ConvertRecord(const dxf::Document& document,
                                    const std::vector<dxf::Entity>& records, std::size_t index);

}  // namespace trivane::host
