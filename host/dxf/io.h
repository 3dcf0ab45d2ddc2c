// Reading and writing ASCII DXF files. Binary DXF is recognised and refused with a clear error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/dxf/document.h"

namespace trivane::dxf {

struct ReadOptions {
  // The code page of a file up to AC1018 whose header names none ($DWGCODEPAGE missing, as in
  // minimal R12 files): such a file is in the code page of the system that wrote it.
  std::string codePage = "ANSI_1252";
  // A sound file is read in one pass over its text; any other, and every file when this is false,
  // the careful way: every tag read first, the structure checked (and put right when repairing),
  // then the document built. Both give the same document, the same repairs and the same errors;
  // false is for the tests that hold them to it.
  bool onePass = true;
};

// Parses a whole file. fileName is used in error messages only. Throws ReadError (with the file
// name and the line) for a malformed, truncated or binary file; never returns a partial document.
Document Read(std::string_view bytes, const std::string& fileName = "<memory>",
              const ReadOptions& options = {});
Document ReadFile(const std::string& path, const ReadOptions& options = {});

// One kind of repair made while reading a file with a damaged structure: what was done, how many
// times, and the line of the file where it was first needed.
struct Repair {
  std::string what;
  int count = 0;
  int firstLine = 0;
  friend bool operator==(const Repair&, const Repair&) = default;
};
using Repairs = std::vector<Repair>;

// "a3.dxf: repaired: stray 0/ENDSEC removed, the section goes on: 1 time, first at line 16"
std::string Describe(const Repair& repair, const std::string& fileName);

// Reads as above, but puts right the structural faults other programs leave, as a CAD does when
// it opens such a file, and lists each kind of repair in `repairs` (empty for a sound file):
// - a 0/ENDSEC followed by anything but 0/SECTION or 0/EOF is stray: it is removed and its
//   section goes on;
// - a section that 0/SECTION or 0/EOF interrupts is closed there;
// - a file that ends after a closed section gets its 0/EOF;
// - tags before the first section: header variables move into HEADER, the rest is dropped;
// - a drawing laid out as R13 or later (subclass markers, a *Model_Space block record) whose
//   HEADER names no version is read as AC1015;
// - layers that entities are on but no LAYER record defines get a record (colour 7, continuous),
//   in a LAYER table (and TABLES section) made when the file has none.
// A repair never invents geometry. What cannot be put right this way (a file that ends inside a
// section, bad group codes or numbers, broken tables or blocks) is still a ReadError.
Document Read(std::string_view bytes, const std::string& fileName, const ReadOptions& options,
              Repairs& repairs);
Document ReadFile(const std::string& path, const ReadOptions& options, Repairs& repairs);

// The file text of a document: group codes right-aligned in three characters, values as stored,
// encoded in the document's code page, with the document's line ends.
// With `lent`, each listed container is written with its lent records first.
std::string Write(const Document& document, const LentRecords& lent = {});

// Registers the applications its extended data names (RegisterApplications), then writes the
// file through a temporary file in the same folder that replaces the target only once complete
// and flushed. On failure throws WriteError; the target is untouched and the temporary removed.
void WriteFile(Document& document, const std::string& path);

// Writes `bytes` to `path` the same way: through a temporary file beside the target, flushed and
// renamed over it once complete (the target's permissions kept). On failure throws WriteError; the
// target is untouched and the temporary removed.
void WriteBytesReplacing(const std::string& path, std::string_view bytes);

// The code page the document is written in: UTF-8 from AC1021 on, else $DWGCODEPAGE, else
// document.codePage.
std::string CodePageOf(const Document& document);

}  // namespace trivane::dxf
