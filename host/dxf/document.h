// The structure of a DXF file: sections, tables with their records, block definitions with their
// entities, entities as a type plus their tags, extended data grouped per application. Whatever
// the file holds is kept, in order, so that an untouched document is written back tag for tag
// as it was read (byte for byte, line ends and code page included, for files whose group codes
// are right-aligned in three characters).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/dxf/tags.h"

namespace trivane::dxf {

// Extended data of one application: the 1001 tag's value and the tags after it up to the next
// 1001 (1000..1071 codes, with 1002 "{" "}" lists).
struct XData {
  std::string application;
  Tags tags;
  friend bool operator==(const XData&, const XData&) = default;
};

// One record: an entity, a table record, a block begin or end, a class, an object. `type` is the
// value of its 0 tag; `tags` are all the tags after it up to its extended data, in file order
// (102 groups, subclass markers and all); `xdata` follows them in the file.
struct Entity {
  std::string type;
  Tags tags;
  std::vector<XData> xdata;

  // The first tag with this code outside 102 "{...}" groups, or null.
  const Tag* Find(int code) const;
  Tag* Find(int code);
  // Its value, or fallback when absent.
  std::string_view Value(int code, std::string_view fallback = {}) const;
  // The handle: group 5, or 105 for DIMSTYLE records. Empty when the record has none.
  std::string Handle() const;
  const XData* FindXData(std::string_view application) const;

  friend bool operator==(const Entity&, const Entity&) = default;
};

// A table: its head (type "TABLE", with 2 = the table's name, and from R13 on its handle and
// subclass marker), its records, and its ENDTAB.
struct Table {
  Entity head;
  std::vector<Entity> records;
  Entity end;
  std::string Name() const { return std::string(head.Value(2)); }
  friend bool operator==(const Table&, const Table&) = default;
};

// A block definition: BLOCK, its entities, ENDBLK.
struct Block {
  Entity begin;
  std::vector<Entity> entities;
  Entity end;
  std::string Name() const { return std::string(begin.Value(2)); }
  friend bool operator==(const Block&, const Block&) = default;
};

// A section. Which member holds its content depends on its name: HEADER and sections not
// interpreted here (THUMBNAILIMAGE, ACDSDATA, unknown ones) keep their raw `tags`; CLASSES,
// ENTITIES and OBJECTS keep `records`; TABLES keeps `tables`; BLOCKS keeps `blocks`.
// `end` is the ENDSEC record.
struct Section {
  std::string name;
  Tags tags;
  std::vector<Entity> records;
  std::vector<Table> tables;
  std::vector<Block> blocks;
  Entity end{"ENDSEC", {}, {}};
  friend bool operator==(const Section&, const Section&) = default;
};

// Calls f(record) for every record of the section in file order: its records, or its tables
// (head, records, ENDTAB), or its blocks (BLOCK, entities, ENDBLK); its 0/ENDSEC record last.
// Records lent to a document for writing: a container of the document (the records of a section,
// the entities of a block) listed here is written with the lent records first, then its own. A
// document made from another (a drawing saved from the file it was read from) so writes the
// records it keeps from that one without copying them. The lent records must outlive the writing.
struct LentRecords {
  std::map<const std::vector<Entity>*, std::vector<const Entity*>> containers;
  // The records lent to the container, or null.
  const std::vector<const Entity*>* For(const std::vector<Entity>& container) const {
    const auto it = containers.find(&container);
    return it == containers.end() ? nullptr : &it->second;
  }
};

// Calls f(record) for every record of the section in file order, lent records included.
template <typename F>
void ForEachRecordOf(const Section& s, const LentRecords& lent, F&& f) {
  const auto container = [&](const std::vector<Entity>& records) {
    if (const auto* borrowed = lent.For(records)) {
      for (const Entity* e : *borrowed)
        f(*e);
    }
    for (const Entity& e : records)
      f(e);
  };
  container(s.records);
  for (const Table& t : s.tables) {
    f(t.head);
    for (const Entity& r : t.records)
      f(r);
    f(t.end);
  }
  for (const Block& b : s.blocks) {
    f(b.begin);
    container(b.entities);
    f(b.end);
  }
  f(s.end);
}

template <typename F>
void ForEachRecordOf(const Section& s, F&& f) {
  ForEachRecordOf(s, LentRecords{}, f);
}

enum class SectionLayout { RawTags, Records, Tables, Blocks };
SectionLayout LayoutOfSection(std::string_view name);

// Names of drawing objects compare with only the ASCII letters folded to upper case.
bool SameName(std::string_view a, std::string_view b);

struct Document {
  Tags preamble;  // 999 comments before the first section
  std::vector<Section> sections;
  // How the file is written back: its code page ($DWGCODEPAGE, or "UTF-8" from AC1021 on), its
  // line end ("\r\n" or "\n") and whether it began with a UTF-8 byte-order mark.
  std::string codePage = "ANSI_1252";
  std::string lineEnding = "\r\n";
  bool byteOrderMark = false;

  // "AC1009", "AC1015", ...; "AC1009" when $ACADVER is missing.
  std::string AcadVersion() const;
  // 1009, 1015, ... from AcadVersion().
  int VersionNumber() const;
  // Handles, owners and subclass markers are part of every record from R13 (AC1012) on.
  bool HasSubclassMarkers() const { return VersionNumber() >= 1012; }
  // R12 files carry handles only when $HANDLING is 1.
  bool UsesHandles() const;

  // Header variables: the value tags after "9 name" (up to the next 9). Set replaces them, or
  // appends the variable when absent (creating the HEADER section if needed).
  std::optional<Tags> HeaderVariable(std::string_view name) const;
  std::optional<std::string> HeaderValue(std::string_view name) const;  // first value tag
  void SetHeaderVariable(std::string_view name, const Tags& values);

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  // The section, created empty at its usual place when the file has none.
  Section& EnsureSection(std::string_view name);

  // The records of the ENTITIES section (model space and, with 67 = 1, paper space).
  std::vector<Entity>& Entities() { return EnsureSection("ENTITIES").records; }
  const std::vector<Entity>& Entities() const;

  Table* FindTable(std::string_view name);
  const Table* FindTable(std::string_view name) const;
  Entity* FindTableRecord(std::string_view table, std::string_view name);
  const Entity* FindTableRecord(std::string_view table, std::string_view name) const;
  Block* FindBlock(std::string_view name);
  const Block* FindBlock(std::string_view name) const;

  // The handle of the *Model_Space block record (the owner of model-space entities from R13 on),
  // or empty.
  std::string ModelSpaceHandle() const;

  // Calls f(record) for every record of every section, in file order (ForEachRecordOf): whatever
  // may carry a handle or extended data is among them.
  template <typename F>
  void ForEachRecord(F&& f) const {
    for (const Section& s : sections)
      ForEachRecordOf(s, f);
  }

  // A handle no record of the document holds, above $HANDSEED; $HANDSEED is moved past it. Once
  // the handles reach the largest one (FFFFFFFFFFFFFFFF), the lowest free handle: never one a
  // record holds, never 0.
  std::string NewHandle();
  // Keeps NewHandle clear of the handles these records hold: records kept outside the document
  // (lent to it for writing) whose handles it must not give again.
  void ReserveHandles(const std::vector<Entity>& records);

 private:
  std::uint64_t nextHandle_ = 0;  // 0: not yet computed from the document
  std::set<std::uint64_t> usedHandles_;
  std::vector<std::uint64_t> reservedHandles_;  // taken in by the next NewHandle
  // Marks the handle used and moves the counter past it.
  void TakeHandle(std::uint64_t handle);
};

}  // namespace trivane::dxf
