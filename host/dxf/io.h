// Reading and writing ASCII DXF files. Binary DXF is recognised and refused with a clear error.
#pragma once

#include <string>
#include <string_view>

#include "host/dxf/document.h"

namespace trivane::dxf {

struct ReadOptions {
  // The code page of a file up to AC1018 whose header names none ($DWGCODEPAGE missing, as in
  // minimal R12 files): such a file is in the code page of the system that wrote it.
  std::string codePage = "ANSI_1252";
};

// Parses a whole file. fileName is used in error messages only. Throws ReadError (with the file
// name and the line) for a malformed, truncated or binary file; never returns a partial document.
Document Read(std::string_view bytes, const std::string& fileName = "<memory>",
              const ReadOptions& options = {});
Document ReadFile(const std::string& path, const ReadOptions& options = {});

// The file text of a document: group codes right-aligned in three characters, values as stored,
// encoded in the document's code page, with the document's line ends.
std::string Write(const Document& document);

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
