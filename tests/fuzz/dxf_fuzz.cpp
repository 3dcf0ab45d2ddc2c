// Fuzz target: a DXF file read into the host's drawing and written back. A file that reads must
// load, save and read again; a file that does not read must say so with dxf::Error. Reading in
// one pass and the careful way must agree: the same text written back, or the same error. After
// a few edits, the saved file's text must be the drawing's document's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/bridge/dxf_bridge.h"
#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "host/model/shapes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trivane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto read = [&](bool onePass) {
    dxf::Repairs repairs;
    try {
      const dxf::Document doc =
          dxf::Read(bytes, "fuzz.dxf", {.codePage = "ANSI_932", .onePass = onePass}, repairs);
      return std::to_string(repairs.size()) + "\n" + dxf::Write(doc);
    } catch (const dxf::Error& e) {
      return std::string(e.what());
    }
  };
  if (read(true) != read(false))
    __builtin_trap();
  dxf::Document document;
  try {
    document = dxf::Read(bytes, "fuzz.dxf", {.codePage = "ANSI_932"});
  } catch (const dxf::Error&) {
    return 0;
  }
  host::Drawing drawing;
  try {
    drawing = host::LoadDrawing(document);
  } catch (const dxf::Error&) {
    return 0;
  }
  (void)host::Extents(drawing);
  try {
    // What loaded saves; what saves reads back.
    (void)dxf::Read(dxf::Write(host::ToDocument(drawing)), "again.dxf");
  } catch (const dxf::Error&) {
    // A drawing that loads but cannot be written is refused with a clear error, never a crash.
  }
  // After a session's kind of edits (the first entity touched, the last erased, a line added),
  // the file written from the source's records is the drawing's document all the same.
  if (!drawing.entities.empty()) {
    const host::ObjectId first = drawing.entities.begin()->first;
    const host::ObjectId last = drawing.entities.rbegin()->first;
    drawing.FindEntity(first)->layer = drawing.AddLayer("FUZZ").name;
    drawing.EraseEntity(last);
  }
  drawing.AddEntity(host::Entity{host::LineShape{{0, 0, 0}, {1, 1, 0}}});
  std::string whole;
  try {
    dxf::Document saved = host::ToDocument(drawing);
    dxf::RegisterApplications(saved);
    whole = dxf::Write(saved);
  } catch (const dxf::Error& e) {
    whole = e.what();
  }
  std::string lent;
  try {
    lent = host::DrawingFileText(drawing);
  } catch (const dxf::Error& e) {
    lent = e.what();
  }
  if (whole != lent)
    __builtin_trap();
  return 0;
}
