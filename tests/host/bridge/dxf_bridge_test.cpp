// The host's drawing to and from DXF: drawings made by another program survive a session, files
// without a source pass a real reader's audit, bad files load nothing, failed saves keep the
// target.
#include "host/bridge/dxf_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cad/objects.h"
#include "host/dxf/io.h"
#include "host/dxf/model.h"
#include "host/model/host.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::host {
namespace {

using dxf::testing::FixturePath;
using dxf::testing::ReadBytes;
using dxf::testing::RunScript;
using dxf::testing::ScratchDir;
using dxf::testing::WriteBytes;

// The DXF layer's checker, with what the session changed, erased and added.
dxf::testing::ScriptResult CheckSession(const std::string& args) {
  return RunScript("check_roundtrip.py", args);
}

std::string Quoted(const std::string& s) {
  return "'" + s + "'";
}

// The first model-space entity whose shape is T and that passes `pick`.
template <typename T, typename Pick>
ObjectId FindEntity(const Drawing& d, Pick pick) {
  for (const auto& [id, e] : d.entities) {
    const auto* shape = std::get_if<T>(&e.shape);
    if (shape && e.owner == d.ModelSpaceId() && pick(e, *shape))
      return id;
  }
  return 0;
}

const TextShape* FindText(const Drawing& d, const std::string& s) {
  for (const auto& [id, e] : d.entities) {
    if (const auto* t = std::get_if<TextShape>(&e.shape); t && t->string == s)
      return t;
  }
  return nullptr;
}

struct FixtureCase {
  std::string file;
  std::string polylineType;  // what a new lightweight polyline is written as
  std::string someText;      // a text of the fixture that the session moves
  std::string layer;         // a layer of the fixture
  std::string japaneseText;  // a text of the fixture
  std::string newLayer;      // made in the session
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
  *os << c.file;
}

std::string Name(const ::testing::TestParamInfo<FixtureCase>& info) {
  std::string n = info.param.file.substr(0, info.param.file.find('.'));
  for (char& c : n) {
    if (!std::isalnum(static_cast<unsigned char>(c)))
      c = '_';
  }
  return n;
}

const FixtureCase kFixtures[] = {
    // ezdxf 0.18 takes the "\U+XXXX" escapes of an R2000 file's layer names for invalid names,
    // so the R2000 drawing keeps to ASCII layer names.
    {"other_program_r2000.dxf", "LWPOLYLINE", "left plain", "BOUNDARY", "三角形 No.1", "NEW_LAYER"},
    {"other_program_r2018.dxf", "LWPOLYLINE", "left plain", "境界線", "三角形 No.1", "新規画層"},
    {"other_program_r12_932.dxf", "POLYLINE", "3", "境界線", "ソフト 面積 €", "新規画層"},
};

class DxfSession : public ::testing::TestWithParam<FixtureCase> {
 protected:
  std::string Original() const { return FixturePath(GetParam().file); }

  // A host with the fixture loaded, reached through the automation wrappers as commands reach it.
  void Load() {
    host = Host::Create();
    host->drawing() = ReadDrawingFile(Original());
    app = cad::Application(host->Application());
    doc = app.ActiveDocument();
    ms = doc.ModelSpace();
  }

  std::shared_ptr<Host> host;
  cad::Application app;
  cad::Document doc;
  cad::Block ms;
  ScratchDir scratch;
};

TEST_P(DxfSession, UntouchedLoadAndSaveIsByteIdentical) {
  Load();
  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(host->drawing(), saved);
  EXPECT_EQ(ReadBytes(saved), ReadBytes(Original()));
}

TEST_P(DxfSession, LayersAndJapaneseTextsLoad) {
  Load();
  const Drawing& d = host->drawing();
  EXPECT_NE(d.FindLayer(GetParam().layer), nullptr);
  EXPECT_NE(FindText(d, GetParam().japaneseText), nullptr);
}

// A session of typical edits through the automation wrappers; ezdxf then checks that whatever the
// session did not touch is still there as it was, and that the audit passes.
TEST_P(DxfSession, EditsKeepEverythingElse) {
  Load();
  Drawing& d = host->drawing();
  std::vector<std::string> args;

  // New entities: a line with the system's extended data, a Japanese text on a new layer, a
  // polyline.
  cad::Line line = ms.AddLine({1, 2, 0}, {3, 4, 0});
  line.SetXdata({1001, 1010},
                {cad::Value::Text("LT_TRIVANE"), cad::Value::Doubles({4.0, 5.0, 3.0})});
  doc.Layers().Add(GetParam().newLayer);
  cad::Text text = ms.AddText("面積 12.50㎡", {10, 10, 0}, 2.5);
  text.Alignment(cad::kAlignmentMiddleCenter);
  text.TextAlignmentPoint({10, 10, 0});
  text.Layer(GetParam().newLayer);
  ms.AddLightWeightPolyline({0, 0, 5, 0, 5, 5});
  args.insert(args.end(),
              {"--new LINE=1", "--new TEXT=1", "--new " + GetParam().polylineType + "=1",
               "--text " + Quoted("面積 12.50㎡"), "--layer " + Quoted(GetParam().newLayer),
               "--layer " + Quoted(GetParam().layer), "--xdata LT_TRIVANE"});

  // A loaded text moved and a loaded line turned.
  const ObjectId moved = FindEntity<TextShape>(
      d, [&](const Entity&, const TextShape& t) { return t.string == GetParam().someText; });
  ASSERT_NE(moved, 0);
  cad::Text(doc.ObjectIdToObject(moved).object()).InsertionPoint({7, 8, 0});
  const ObjectId turned =
      FindEntity<LineShape>(d, [](const Entity& e, const LineShape&) { return !e.handle.empty(); });
  ASSERT_NE(turned, 0);
  doc.ObjectIdToObject(turned).Rotate({0, 0, 0}, 0.25);
  args.push_back("--changed " + d.FindEntity(moved)->handle);
  args.push_back("--changed " + d.FindEntity(turned)->handle);

  // An old-style polyline closed: its VERTEX records stay.
  const ObjectId closed = FindEntity<PolylineShape>(d, [](const Entity& e, const PolylineShape&) {
    const std::vector<RawTag> groups = e.passthrough.Groups();
    return !groups.empty() && groups[0].value == "POLYLINE";
  });
  ASSERT_NE(closed, 0);
  cad::Polyline(doc.ObjectIdToObject(closed).object()).Closed(true);
  args.push_back("--changed " + d.FindEntity(closed)->handle);

  // A loaded circle erased.
  const ObjectId erased =
      FindEntity<CircleShape>(d, [](const Entity&, const CircleShape&) { return true; });
  ASSERT_NE(erased, 0);
  args.push_back("--erased " + d.FindEntity(erased)->handle);
  doc.ObjectIdToObject(erased).Erase();

  // A block made, filled and deleted within the session leaves nothing.
  cad::Block temp = doc.Blocks().Add({0, 0, 0}, "TEMP_TABLE");
  temp.AddLine({0, 0, 0}, {1, 1, 0});
  temp.Delete();
  args.push_back("--deleted-block TEMP_TABLE");

  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(d, saved);
  std::string joined;
  for (const std::string& a : args)
    joined += " " + a;
  const auto check = CheckSession(Quoted(Original()) + " " + Quoted(saved) + joined);
  EXPECT_EQ(check.exitCode, 0) << check.output;

  // Our own reader gets the session's result back.
  const Drawing again = ReadDrawingFile(saved);
  EXPECT_NE(FindText(again, "面積 12.50㎡"), nullptr);
  EXPECT_NE(FindText(again, GetParam().japaneseText), nullptr);
  const TextShape* back = FindText(again, GetParam().someText);
  ASSERT_NE(back, nullptr);
  const TextShape* before = std::get_if<TextShape>(&d.FindEntity(moved)->shape);
  EXPECT_NEAR(back->alignmentPoint.x, before->alignmentPoint.x, 1e-9);
  EXPECT_NEAR(back->alignmentPoint.y, before->alignmentPoint.y, 1e-9);
  EXPECT_EQ(again.FindBlock("TEMP_TABLE"), nullptr);
  const ObjectId withRecord = FindEntity<LineShape>(again, [](const Entity& e, const LineShape&) {
    return !e.xdata.empty() && e.xdata[0].application == "LT_TRIVANE";
  });
  ASSERT_NE(withRecord, 0);
  EXPECT_EQ(again.FindEntity(withRecord)->xdata[0].items.at(0).value,
            XdataValue(TAcadPoint{4.0, 5.0, 3.0}));
}

// The header variables the host models go back to the header (or the active viewport).
TEST_P(DxfSession, ModelledVariablesAreSaved) {
  Load();
  doc.SetVariable("ANGBASE", cad::Value::Double(90.0));
  doc.SetVariable("ANGDIR", cad::Value::Int16(1));
  doc.SetVariable("DIMASZ", cad::Value::Double(4.0));
  doc.SetVariable("SNAPMODE", cad::Value::Int16(1));
  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(host->drawing(), saved);
  const SystemVariables v = ReadDrawingFile(saved).vars;
  EXPECT_NEAR(v.ANGBASE, std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(v.ANGDIR, 1);
  EXPECT_EQ(v.DIMASZ, 4.0);
  EXPECT_EQ(v.SNAPMODE, 1);
  // The snap setting of R13 and later files lives in the active viewport.
  const dxf::Document original = dxf::ReadFile(Original());
  const dxf::Entity* viewport = original.FindTableRecord("VPORT", "*Active");
  const std::string changed = viewport ? " --changed " + viewport->Handle() : "";
  const auto check = CheckSession(Quoted(Original()) + " " + Quoted(saved) + changed);
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

INSTANTIATE_TEST_SUITE_P(OtherPrograms, DxfSession, ::testing::ValuesIn(kFixtures), Name);

// ---- Drawings without a source file -------------------------------------------------------------

Entity Made(Shape shape, std::string layer = "0") {
  Entity e;
  e.shape = std::move(shape);
  e.layer = std::move(layer);
  e.modified = true;
  return e;
}

// A drawing with one of each entity the host models, a block and its reference, a Japanese layer.
Drawing EveryKind() {
  Drawing d;
  d.AddLayer("三角形").color = 3;
  d.AddEntity(Made(LineShape{{0, 0, 0}, {40, 0, 0}}, "三角形"));
  d.AddEntity(Made(PolylineShape{{{0, 0, 0}, {40, 0, 0}, {40, 30, 0}}, true, 0.0, {}}));
  TextShape t;
  t.string = "三角形 No.1";
  t.alignment = 10;
  t.alignmentPoint = {20, 10, 0};
  t.insertion = InsertionFromAnchor(t, t.alignmentPoint);
  t.height = 2.5;
  t.rotation = 0.5;
  Entity text = Made(t, "三角形");
  text.xdata.push_back(XdataApp{"LT_TRIVANE", {XdataItem{1010, TAcadPoint{4, 5, 3}}}});
  d.AddEntity(std::move(text));
  d.AddEntity(Made(CircleShape{{20, 10, 0}, 3.0}));
  d.AddEntity(Made(LeaderShape{{{20, 10, 0}, {50, 40, 0}}, 4.0, true, ""}));
  const ObjectId block = d.AddBlock("MARK", {0, 0, 0}).id;
  d.AddEntity(Made(CircleShape{{0, 0, 0}, 1.0}), block);
  d.AddEntity(Made(InsertShape{"MARK", {60, 60, 0}, 2, 2, 2, 0.3}));
  return d;
}

TEST(DxfNewDrawing, SavedFromScratchPassesTheAuditAndReadsBack) {
  ScratchDir scratch;
  const Drawing d = EveryKind();
  const std::string saved = scratch.File("new.dxf");
  WriteDrawingFile(d, saved);
  EXPECT_EQ(dxf::ReadFile(saved).AcadVersion(), "AC1015");
  const auto audit = RunScript("audit.py", Quoted(saved));
  EXPECT_EQ(audit.exitCode, 0) << audit.output;

  const Drawing again = ReadDrawingFile(saved);
  std::map<std::size_t, int> kinds;
  for (const auto& [id, e] : again.entities)
    ++kinds[e.shape.index()];
  EXPECT_EQ(kinds, (std::map<std::size_t, int>{{0, 1}, {1, 1}, {2, 1}, {3, 2}, {4, 1}, {5, 1}}));
  const TextShape* text = FindText(again, "三角形 No.1");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->alignment, 10);
  EXPECT_NEAR(text->alignmentPoint.x, 20.0, 1e-12);
  EXPECT_NEAR(text->rotation, 0.5, 1e-12);
  const ObjectId leader =
      FindEntity<LeaderShape>(again, [](const Entity&, const LeaderShape&) { return true; });
  ASSERT_NE(leader, 0);
  EXPECT_NEAR(std::get<LeaderShape>(again.FindEntity(leader)->shape).arrowSize, 4.0, 1e-12);
  ASSERT_NE(again.FindLayer("三角形"), nullptr);
  EXPECT_EQ(again.FindLayer("三角形")->color, 3);
}

// R12 holds no lightweight polylines and no leaders: a polyline becomes a POLYLINE with its
// vertices, a leader a POLYLINE with a SOLID arrowhead; the file still passes the audit.
TEST(DxfNewDrawing, R12GetsWhatR12CanHold) {
  ScratchDir scratch;
  Drawing d = LoadDrawing(dxf::NewDocument("AC1009"));
  d.AddLayer("TRIANGLE");
  d.AddEntity(Made(PolylineShape{{{0, 0, 0}, {4, 0, 0}, {4, 3, 0}}, true, 0.0, {}}, "TRIANGLE"));
  d.AddEntity(Made(LeaderShape{{{0, 0, 0}, {10, 10, 0}}, 2.0, true, ""}));
  const std::string saved = scratch.File("r12.dxf");
  WriteDrawingFile(d, saved);
  const auto audit = RunScript("audit.py", Quoted(saved));
  EXPECT_EQ(audit.exitCode, 0) << audit.output;
  const dxf::Document doc = dxf::ReadFile(saved);
  std::vector<std::string> types;
  for (const dxf::Entity& e : doc.Entities())
    types.push_back(e.type);
  EXPECT_EQ(types, (std::vector<std::string>{"POLYLINE", "VERTEX", "VERTEX", "VERTEX", "SEQEND",
                                             "POLYLINE", "VERTEX", "VERTEX", "SEQEND", "SOLID"}));
  const Drawing again = LoadDrawing(doc);
  const ObjectId closed = FindEntity<PolylineShape>(
      again, [](const Entity&, const PolylineShape& p) { return p.closed; });
  ASSERT_NE(closed, 0);
  EXPECT_EQ(std::get<PolylineShape>(again.FindEntity(closed)->shape).vertices.size(), 3u);
}

// Exploding a loaded block reference: the copies are new entities that keep the parts' own groups
// (here colour 5) but get handles and owners of their own.
TEST(DxfExplode, CopiesKeepTheirPartsGroups) {
  ScratchDir scratch;
  dxf::Document src = dxf::NewDocument("AC1015");
  dxf::Properties blue;
  blue.color = 5;
  dxf::Block& part = dxf::AddBlock(src, dxf::BlockData{"PART", {0, 0, 0}});
  dxf::AddEntity(src, part, dxf::NewEntity(src, dxf::LineData{{0, 0, 0}, {1, 0, 0}}, blue));
  dxf::AddEntity(src, dxf::NewEntity(src, dxf::InsertData{"PART", {10, 10, 0}}));
  const std::string original = scratch.File("original.dxf");
  dxf::WriteFile(src, original);

  auto host = Host::Create();
  host->drawing() = ReadDrawingFile(original);
  cad::Application app(host->Application());
  cad::Document doc = app.ActiveDocument();
  const ObjectId insert = FindEntity<InsertShape>(
      host->drawing(), [](const Entity&, const InsertShape&) { return true; });
  ASSERT_NE(insert, 0);
  ASSERT_EQ(cad::BlockReference(doc.ObjectIdToObject(insert).object()).Explode().size(), 1u);
  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(host->drawing(), saved);
  const auto check = CheckSession(Quoted(original) + " " + Quoted(saved) + " --new LINE=1");
  EXPECT_EQ(check.exitCode, 0) << check.output;

  const dxf::Document out = dxf::ReadFile(saved);
  const auto line = std::find_if(out.Entities().begin(), out.Entities().end(),
                                 [](const dxf::Entity& e) { return e.type == "LINE"; });
  ASSERT_NE(line, out.Entities().end());
  EXPECT_EQ(line->Value(62), "5");
  EXPECT_EQ(line->Value(330), out.ModelSpaceHandle());
  EXPECT_EQ(dxf::AsLine(*line)->end, (TAcadPoint{11, 10, 0}));
}

// ---- Bad files and failed saves -----------------------------------------------------------------

struct BadFileCase {
  std::string name;
  std::string bytes;
  int line;  // where the reader finds the fault
};

std::string Fixture932() {
  return ReadBytes(FixturePath("other_program_r12_932.dxf"));
}

TEST(DxfBadFile, ErrorNamesFileAndLineAndLoadsNothing) {
  const std::string good = Fixture932();
  const std::size_t cut = good.find("ENTITIES");
  const BadFileCase cases[] = {
      {"truncated", good.substr(0, good.find("\n", cut + 200) + 1), 0},
      {"bad group code", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\nxx\r\nLINE\r\n", 5},
      {"value line missing", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n", 5},
  };
  ScratchDir scratch;
  for (const BadFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = scratch.File("bad.dxf");
    WriteBytes(path, c.bytes);
    auto host = Host::Create();
    host->drawing().AddEntity(Made(LineShape{{0, 0, 0}, {1, 1, 0}}));
    try {
      host->drawing() = ReadDrawingFile(path);
      ADD_FAILURE() << "the file loaded";
    } catch (const dxf::ReadError& e) {
      EXPECT_EQ(e.file(), path);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      if (c.line > 0) {
        EXPECT_EQ(e.line(), c.line) << e.what();
      } else {
        EXPECT_GT(e.line(), 0) << e.what();
      }
    }
    // The host keeps the drawing it had.
    EXPECT_EQ(host->drawing().entities.size(), 1u);
    EXPECT_EQ(host->drawing().dxfSource, nullptr);
  }
}

TEST(DxfSave, FailureLeavesTheTargetUntouched) {
  ScratchDir scratch;
  const std::string target = scratch.File("target.dxf");
  WriteBytes(target, "previous content");
  Drawing d = EveryKind();
  d.AddLayer("bad<name");  // no CAD takes this name
  EXPECT_THROW(WriteDrawingFile(d, target), dxf::Error);
  EXPECT_EQ(ReadBytes(target), "previous content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1);

  EXPECT_THROW(WriteDrawingFile(EveryKind(), scratch.File("no such folder/x.dxf")),
               dxf::WriteError);
}

// A save writes the records it keeps straight from the file it read, the rest from the session:
// the file is the drawing's document (ToDocument) all the same. Here a loaded block is deleted
// before the blocks the session changes, so those move up a place, and the file's $HANDSEED is
// below handles it holds: new handles still clash with none.
TEST(DxfSave, FileIsTheDrawingsDocument) {
  dxf::Document file = dxf::NewDocument("AC1015");
  for (const char* name : {"A", "B", "C"}) {
    dxf::Block& b = dxf::AddBlock(file, {name, {}});
    dxf::AddEntity(file, b, dxf::NewEntity(file, dxf::LineData{{0, 0, 0}, {1, 1, 0}}));
  }
  dxf::AddEntity(file, dxf::NewEntity(file, dxf::LineData{{0, 0, 0}, {2, 2, 0}}));
  file.SetHeaderVariable("$HANDSEED", {dxf::Tag{5, "1"}});
  ScratchDir scratch;
  const std::string original = scratch.File("original.dxf");
  dxf::WriteFile(file, original);

  Drawing d = ReadDrawingFile(original);
  ASSERT_TRUE(d.DeleteBlock(d.FindBlock("A")->id));
  const ObjectId inC = d.EntitiesOf(d.FindBlock("C")->id).at(0);
  std::get<LineShape>(d.FindEntity(inC)->shape).end = {5, 5, 0};
  d.AddEntity(Made(LineShape{{0, 0, 0}, {3, 3, 0}}, "0"), d.FindBlock("B")->id);
  d.AddEntity(Made(LineShape{{0, 0, 0}, {4, 4, 0}}, "0"), d.AddBlock("D").id);
  d.EraseEntity(d.EntitiesOf(d.ModelSpaceId()).at(0));
  d.AddEntity(Made(LineShape{{0, 0, 0}, {6, 6, 0}}, "0"));

  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(d, saved);
  dxf::Document whole = ToDocument(d);
  dxf::RegisterApplications(whole);
  EXPECT_EQ(ReadBytes(saved), dxf::Write(whole));

  const dxf::Document back = dxf::ReadFile(saved);
  EXPECT_EQ(back.FindBlock("A"), nullptr);
  const auto ends = [&](std::string_view block) {
    std::vector<TAcadPoint> out;
    const std::vector<dxf::Entity>& records =
        block.empty() ? back.Entities() : back.FindBlock(block)->entities;
    for (const dxf::Entity& r : records)
      out.push_back(dxf::AsLine(r).value().end);
    return out;
  };
  EXPECT_EQ(ends("B"), (std::vector<TAcadPoint>{{1, 1, 0}, {3, 3, 0}}));
  EXPECT_EQ(ends("C"), (std::vector<TAcadPoint>{{5, 5, 0}}));
  EXPECT_EQ(ends("D"), (std::vector<TAcadPoint>{{4, 4, 0}}));
  EXPECT_EQ(ends(""), (std::vector<TAcadPoint>{{6, 6, 0}}));
  std::vector<std::string> handles;
  back.ForEachRecord([&](const dxf::Entity& r) {
    if (!r.Handle().empty())
      handles.push_back(r.Handle());
  });
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end());
}

// ---- Inserting another file ---------------------------------------------------------------------

// The marker file the system writes for some CADs: R12, no code page named, the text with its
// record; inserted exploded into a drawing read from an R2018 file (UTF-8: ezdxf 0.18 would take
// the escaped Japanese layer name of an R2000 file for an invalid name).
TEST(DxfAppend, MarkerFileArrivesWithItsRecord) {
  const std::string marker =
      "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  0\r\nENDSEC\r\n"
      "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nAPPID\r\n  0\r\nAPPID\r\n  2\r\n"
      "LT_TRIVANE\r\n 70\r\n0\r\n  0\r\nENDTAB\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\n"
      "ENTITIES\r\n  0\r\nTEXT\r\n  8\r\n\x8e\x4f\x8a\x70\r\n 62\r\n3\r\n 10\r\n1.0\r\n "
      "20\r\n1.0\r\n"
      " 40\r\n2.5\r\n  1\r\n7\r\n 41\r\n1.0\r\n 72\r\n1\r\n 11\r\n1.0\r\n 21\r\n1.0\r\n 73\r\n2\r\n"
      "1001\r\nLT_TRIVANE\r\n1010\r\n4\r\n1020\r\n5\r\n1030\r\n3\r\n  0\r\nENDSEC\r\n  "
      "0\r\nEOF\r\n";
  ScratchDir scratch;
  const std::string markerPath = scratch.File("TRIVANE_1.dxf");
  WriteBytes(markerPath, marker);
  const dxf::Document source = dxf::ReadFile(markerPath, {.codePage = "ANSI_932"});

  Drawing d = ReadDrawingFile(FixturePath("other_program_r2018.dxf"));
  const AppendResult r = AppendEntities(d, source, 0, Placement::Move({0, 0, 0}, {10, 20, 0}));
  ASSERT_EQ(r.added.size(), 1u);
  EXPECT_TRUE(r.skipped.empty());
  const Entity& text = *d.FindEntity(r.added[0]);
  EXPECT_EQ(text.layer, "三角");
  ASSERT_NE(d.FindLayer("三角"), nullptr);
  EXPECT_EQ(std::get<TextShape>(text.shape).alignmentPoint, (TAcadPoint{11, 21, 0}));
  EXPECT_EQ(text.xdata,
            (std::vector<XdataApp>{{"LT_TRIVANE", {XdataItem{1010, TAcadPoint{4, 5, 3}}}}}));
  EXPECT_EQ(d.Newest(), r.added[0]);

  const std::string saved = scratch.File("saved.dxf");
  WriteDrawingFile(d, saved);
  const auto check =
      CheckSession(Quoted(FixturePath("other_program_r2018.dxf")) + " " + Quoted(saved) +
                   " --new TEXT=1 --text 7 --layer 三角 --xdata LT_TRIVANE");
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

}  // namespace
}  // namespace trivane::host
