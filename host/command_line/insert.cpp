// The INSERT command: a block or a DXF file placed, whole or exploded.
#include "host/command_line/prompts.h"

namespace trivane::host::command_line {

namespace {

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string StemOf(std::string_view path) {
  std::string name = FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0)
    name.erase(dot);
  return name;
}

bool LooksLikeFile(std::string_view answer) {
  const std::string folded = FoldName(answer);
  return answer.find_first_of("/\\") != std::string_view::npos || folded.ends_with(".DXF");
}

// $INSBASE, the base point of a drawing inserted as a block.
TAcadPoint InsertionBase(const dxf::Document& doc) {
  TAcadPoint base;
  if (const std::optional<dxf::Tags> tags = doc.HeaderVariable("$INSBASE")) {
    for (const dxf::Tag& t : *tags) {
      const std::optional<double> v = dxf::ParseDouble(t.value);
      if (!v)
        continue;
      if (t.code == 10)
        base.x = *v;
      else if (t.code == 20)
        base.y = *v;
      else if (t.code == 30)
        base.z = *v;
    }
  }
  return base;
}

// The block named `name` made (or made anew) from the file's model space.
void DefineBlockFromFile(Session& s, const std::string& name, const dxf::Document& doc) {
  Drawing& d = s.d();
  const TAcadPoint base = InsertionBase(doc);
  ObjectId blockId = 0;
  bool created = false;
  if (BlockRecord* existing = d.FindBlock(name)) {
    for (const ObjectId id : d.EntitiesOf(existing->id))
      d.EraseEntity(id);
    existing->origin = base;
    existing->modified = true;
    blockId = existing->id;
    s.Message("Block " + existing->name + " redefined");
  } else {
    BlockRecord& block = d.AddBlock(name, base);
    block.modified = true;
    blockId = block.id;
    created = true;
  }
  AppendResult result;
  try {
    result = AppendEntities(d, doc, blockId);
  } catch (const std::exception& e) {
    if (created)
      d.DeleteBlock(blockId);
    throw CommandFailed(std::string("The file cannot be inserted: ") + e.what());
  }
  if (!result.skipped.empty())
    s.Message(std::to_string(result.skipped.size()) +
              " objects of types this drawing does not model were left out.");
}

}  // namespace

void Insert(Session& s) {
  Drawing& d = s.d();
  std::string answer;
  for (;;) {
    answer = s.AskWord("Enter block name or [?]: ");
    if (answer != "?")
      break;
    for (const BlockRecord& b : d.blocks) {
      if (!b.name.starts_with('*'))
        s.Message(b.name);
    }
  }
  if (answer.empty())
    return;
  const bool explode = answer.front() == '*';
  if (explode)
    answer.erase(0, 1);

  std::string blockName;
  std::optional<std::string> file;
  if (const std::size_t eq = answer.find('='); eq != std::string::npos) {
    file = answer.substr(eq + 1);
    blockName = FoldName(eq > 0 ? answer.substr(0, eq) : StemOf(*file));
  } else if (LooksLikeFile(answer)) {
    file = answer;
    blockName = FoldName(StemOf(answer));
  } else {
    blockName = answer;
  }

  std::optional<dxf::Document> doc;
  if (file) {
    if (blockName.empty() || blockName.starts_with('*'))
      throw CommandFailed("Invalid block name \"" + blockName + "\".");
    try {
      doc = dxf::ReadFile(*file, dxf::ReadOptions{s.options.dxfCodePage});
    } catch (const std::exception& e) {
      throw CommandFailed("Cannot insert \"" + *file + "\": " + e.what());
    }
  } else {
    const BlockRecord* block = d.FindBlock(blockName);
    if (!block || block->name.starts_with('*'))
      throw CommandFailed("Block \"" + blockName + "\" not found.");
    blockName = block->name;
  }

  std::optional<double> scale;
  std::optional<double> rotationDegrees;
  TAcadPoint at;
  for (;;) {
    const Session::PointOrWord a =
        s.AskPointOr("Specify insertion point: ", {{"SCALE", 1}, {"ROTATE", 1}}, false);
    if (a.point) {
      at = *a.point;
      break;
    }
    if (a.word == "SCALE")
      scale = s.AskNonzeroNumber("Specify scale factor for XYZ axes <1>: ", 1.0);
    else
      rotationDegrees = s.AskNumber("Specify rotation angle <0>: ", 0.0);
  }
  double xscale = scale.value_or(1.0);
  double yscale = xscale;
  if (!scale) {
    if (explode) {
      xscale = yscale = s.AskNonzeroNumber("Specify scale factor for XYZ axes <1>: ", 1.0);
    } else {
      xscale = s.AskNonzeroNumber(
          "Enter X scale factor, specify opposite corner, or [Corner/XYZ] <1>: ", 1.0);
      yscale = s.AskNonzeroNumber("Enter Y scale factor <use X scale factor>: ", xscale);
    }
  }
  if (!rotationDegrees)
    rotationDegrees = s.AskNumber("Specify rotation angle <0>: ", 0.0);

  // Every answer is in: now the drawing changes.
  if (doc)
    DefineBlockFromFile(s, blockName, *doc);
  InsertShape ref;
  ref.block = blockName;
  ref.insertion = at;
  ref.xscale = xscale;
  ref.yscale = yscale;
  ref.zscale = xscale;
  ref.rotation = DegreesToRadians(*rotationDegrees);
  const ObjectId refId = s.host.CreateEntity(std::move(ref));
  if (!explode)
    return;
  const std::optional<std::vector<ObjectId>> parts = ExplodeInsert(d, refId);
  d.EraseEntity(refId);
  if (!parts)
    throw CommandFailed("Block \"" + blockName + "\" cannot be exploded.");
}

}  // namespace trivane::host::command_line
