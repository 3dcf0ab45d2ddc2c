#include "host/command_line.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <variant>

#include "base/text.h"
#include "geometry/angle.h"
#include "host/dxf/io.h"
#include "host/dxf/tags.h"
#include "host/dxf_bridge.h"
#include "host/selection.h"
#include "host/shapes.h"

namespace trivane::host {

using cad::AutomationError;

namespace {

// The member the host's prompts name in their errors: the commands come through SendCommand.
constexpr std::string_view kMember = "SendCommand";
// What the host's idle state counts down while a command waits: more polls than any wait makes.
constexpr int kWaitingBusyPolls = INT_MAX;

bool IsEnter(char c) {
  return c == '\r' || c == '\n';
}

// Index past the terminator at `i` (CR LF counts once).
std::size_t PastTerminator(std::string_view s, std::size_t i) {
  if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
    return i + 2;
  return i + 1;
}

// "x,y" or "x,y,z"; with a leading "@" relative to `last` ("@" alone is `last`).
std::optional<TAcadPoint> ParsePoint(std::string_view s, const TAcadPoint& last) {
  const bool relative = s.starts_with('@');
  if (relative) {
    s.remove_prefix(1);
    if (s.empty())
      return last;
  }
  std::vector<double> parts;
  for (;;) {
    const std::size_t comma = s.find(',');
    const std::optional<double> v = ParseDecimal(s.substr(0, comma));
    if (!v)
      return std::nullopt;
    parts.push_back(*v);
    if (comma == std::string_view::npos)
      break;
    s.remove_prefix(comma + 1);
  }
  if (parts.size() != 2 && parts.size() != 3)
    return std::nullopt;
  TAcadPoint p{parts[0], parts[1], parts.size() == 3 ? parts[2] : 0.0};
  if (relative)
    p = {last.x + p.x, last.y + p.y, last.z + p.z};
  return p;
}

// An option keyword: the answer is a prefix of it at least `shortest` letters long.
struct Keyword {
  std::string_view name;  // upper case
  std::size_t shortest = 1;
};
bool Matches(std::string_view answer, const Keyword& k) {
  const std::string a = FoldName(answer);
  return a.size() >= k.shortest && a.size() <= k.name.size() && k.name.starts_with(a);
}

// A command that cannot go on; the message goes to the log.
class CommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by a prompt that found no answer while the command line waits for input.
struct NeedInput {};

// One answer a prompt took, kept so that a waiting command can be run again up to where it waited.
struct Reply {
  enum class Kind { Text, Point, Selection };
  Kind kind = Kind::Text;
  std::string text;
  TAcadPoint point{};
  std::vector<ObjectId> ids{};
};

enum class Expect { Text, Point, Selection };

}  // namespace

struct CadCommandLine::Waiting {
  std::string command;
  std::vector<Reply> transcript;  // the answers taken so far, in order
  bool promptShown = false;       // the prompt it waits at is on the log already
  std::optional<int> savedBusyPolls;
};

namespace {

// One run of a command: its prompts and messages. A run that takes up a waiting command answers
// its first prompts from the transcript, quietly, then goes on as usual.
class Session {
 public:
  Session(Host& host, std::deque<TypedAnswer>& queue, const CommandLineOptions& options,
          CadCommandLine::Waiting& state, BoundaryIndex& boundaryIndex)
      : host(host),
        options(options),
        boundaryIndex(boundaryIndex),
        queue_(queue),
        state_(state),
        quiet_(state.promptShown) {}

  Drawing& d() { return host.drawing(); }

  Reply Ask(std::string_view prompt, Expect expect) {
    if (replayed_ < state_.transcript.size()) {
      quiet_ = true;
      return state_.transcript[replayed_++];
    }
    quiet_ = false;
    Reply r = Fresh(prompt, expect);
    state_.transcript.push_back(r);
    ++replayed_;
    return r;
  }

  std::string AskWord(std::string_view prompt) { return Ask(prompt, Expect::Text).text; }

  // A number; Enter gives the default.
  double AskNumber(std::string_view prompt, double fallback, bool nonzero) {
    for (;;) {
      const std::string w = AskWord(prompt);
      if (w.empty())
        return fallback;
      const std::optional<double> v = ParseDecimal(w);
      if (!v)
        Message("Requires numeric value.");
      else if (nonzero && *v == 0.0)
        Message("Value must be nonzero.");
      else
        return *v;
    }
  }

  // A point (which becomes LASTPOINT unless told otherwise), or one of the keywords (returned in
  // `word`), or Enter when allowed (`word` empty).
  struct PointOrWord {
    std::optional<TAcadPoint> point;
    std::string word;
  };
  PointOrWord AskPointOr(std::string_view prompt, std::initializer_list<Keyword> keywords,
                         bool enterAllowed, bool setsLastPoint = true) {
    const TAcadPoint lastBefore = d().vars.LASTPOINT;
    for (;;) {
      const Reply r = Ask(prompt, Expect::Point);
      if (r.kind == Reply::Kind::Point) {
        if (!setsLastPoint)
          d().vars.LASTPOINT = lastBefore;
        return {r.point, {}};
      }
      if (r.text.empty() && enterAllowed)
        return {};
      for (const Keyword& k : keywords) {
        if (!r.text.empty() && Matches(r.text, k))
          return {std::nullopt, std::string(k.name)};
      }
      if (const std::optional<TAcadPoint> p = ParsePoint(r.text, d().vars.LASTPOINT)) {
        if (setsLastPoint)
          d().vars.LASTPOINT = *p;
        return {p, {}};
      }
      Message(keywords.size() ? "Point or option keyword required." : "Requires a point.");
    }
  }
  TAcadPoint AskPoint(std::string_view prompt) { return *AskPointOr(prompt, {}, false).point; }

  // A keyword of the list, or Enter when allowed (empty); anything else asks again.
  std::string AskKeyword(std::string_view prompt, std::initializer_list<Keyword> keywords,
                         bool enterAllowed) {
    for (;;) {
      const std::string w = AskWord(prompt);
      if (w.empty() && enterAllowed)
        return {};
      for (const Keyword& k : keywords) {
        if (!w.empty() && Matches(w, k))
          return std::string(k.name);
      }
      Message("Invalid option keyword.");
    }
  }

  // A message line; quiet while a waiting command is replayed up to where it waited.
  void Message(std::string_view text) {
    if (quiet_)
      return;
    host.log().Write(text);
    host.log().EndLine();
  }

  Host& host;
  const CommandLineOptions& options;
  BoundaryIndex& boundaryIndex;

 private:
  Reply Fresh(std::string_view prompt, Expect expect) {
    while (!queue_.empty()) {
      TypedAnswer a = std::move(queue_.front());
      queue_.pop_front();
      if (a.kind == TypedAnswer::Kind::Lisp) {
        ExpandLisp(a.text);
        continue;
      }
      if (a.kind == TypedAnswer::Kind::Pause)
        break;
      if (state_.promptShown) {  // the typed text answers the prompt already shown
        host.log().Write(a.text);
        host.log().EndLine();
        state_.promptShown = false;
      }
      return Reply{Reply::Kind::Text, std::move(a.text)};
    }
    return FromUser(prompt, expect);
  }

  void ExpandLisp(std::string_view text) {
    std::string printed;
    std::vector<TypedAnswer> answers;
    try {
      answers = EvaluateLisp(text, printed);
    } catch (const std::runtime_error& e) {
      throw CommandFailed(e.what());
    }
    if (!printed.empty()) {
      host.log().Write(printed);
      host.log().EndLine();
    }
    queue_.insert(queue_.begin(), answers.begin(), answers.end());
  }

  Reply FromUser(std::string_view prompt, Expect expect) {
    if (options.waitForInput && host.user().Remaining() == 0) {
      if (!state_.promptShown)
        host.log().Write(expect == Expect::Selection ? "Select objects: " : prompt);
      state_.promptShown = true;
      throw NeedInput{};
    }
    const std::string_view shown = state_.promptShown ? std::string_view() : prompt;
    state_.promptShown = false;
    switch (expect) {
      case Expect::Point:
        return Reply{Reply::Kind::Point, {}, host.AskPoint(kMember, shown)};
      case Expect::Selection:
        return Reply{Reply::Kind::Selection, {}, {}, host.AskSelection(kMember, EntityFilter{})};
      case Expect::Text:
        break;
    }
    // The scripted user cannot type a word or a number: only a cancel answers here.
    host.log().Write(shown);
    const std::optional<UserAnswer> a = host.user().Next();
    if (!a || a->kind == UserAnswer::Kind::Cancel) {
      host.log().Write("*Cancel*");
      host.log().EndLine();
      throw AutomationError(std::string(kMember), "input cancelled", cad::kErrorCancelled);
    }
    host.log().Write(a->Describe());
    host.log().EndLine();
    throw CommandFailed("The answer " + a->Describe() + " does not answer \"" +
                        std::string(prompt) + "\".");
  }

  std::deque<TypedAnswer>& queue_;
  CadCommandLine::Waiting& state_;
  std::size_t replayed_ = 0;
  bool quiet_ = false;
};

// --- BOUNDARY --------------------------------------------------------------------------------

void AdvancedOptions(Session& s) {
  for (;;) {
    const std::string option =
        s.AskKeyword("Enter an option [Boundary set/Island detection/Object type]: ",
                     {{"BOUNDARY", 1}, {"ISLAND", 1}, {"OBJECT", 1}}, true);
    if (option.empty())
      return;
    if (option == "OBJECT") {
      // Only polylines are made; a region is refused by asking again.
      s.AskKeyword(
          "Enter type of boundary object [Region/Polyline] <Polyline>: ", {{"POLYLINE", 1}}, true);
    } else if (option == "ISLAND") {
      // Islands are never part of the outline, so the answer changes nothing.
      s.AskKeyword("Do you want island detection? [Yes/No] <Y>: ", {{"YES", 1}, {"NO", 1}}, true);
    } else {
      // The boundary set is always what the view shows.
      s.AskKeyword("Specify candidate set for boundary [New/Everything] <Everything>: ",
                   {{"EVERYTHING", 1}}, true);
    }
  }
}

void Boundary(Session& s) {
  // The boundary set is what the view the command starts in shows.
  const Box view = ViewBox(s.d().vars);
  std::vector<trace::Outline> outlines;
  for (;;) {
    const Session::PointOrWord answer = s.AskPointOr(
        "Specify internal point or [Advanced options]: ", {{"ADVANCED", 1}}, true, false);
    if (answer.word == "ADVANCED") {
      AdvancedOptions(s);
      continue;
    }
    if (!answer.point)
      break;
    std::optional<trace::Outline> outline = s.boundaryIndex.Trace(s.d(), view, *answer.point);
    if (!outline) {
      s.Message("Valid boundary not found.");
      continue;
    }
    if (std::find(outlines.begin(), outlines.end(), *outline) == outlines.end())
      outlines.push_back(std::move(*outline));
  }
  for (trace::Outline& o : outlines) {
    PolylineShape outline;
    // Bulges only where the outline has an arc, as a CAD writes a polyline of straight segments.
    if (std::any_of(o.bulges.begin(), o.bulges.end(), [](double b) { return b != 0.0; }))
      outline.bulges = std::move(o.bulges);
    outline.vertices = std::move(o.vertices);
    outline.closed = true;
    s.host.CreateEntity(std::move(outline));
  }
  s.Message("BOUNDARY created " + std::to_string(outlines.size()) +
            (outlines.size() == 1 ? " polyline" : " polylines"));
}

// --- INSERT ----------------------------------------------------------------------------------

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
      scale = s.AskNumber("Specify scale factor for XYZ axes <1>: ", 1.0, true);
    else
      rotationDegrees = s.AskNumber("Specify rotation angle <0>: ", 0.0, false);
  }
  double xscale = scale.value_or(1.0);
  double yscale = xscale;
  if (!scale) {
    if (explode) {
      xscale = yscale = s.AskNumber("Specify scale factor for XYZ axes <1>: ", 1.0, true);
    } else {
      xscale = s.AskNumber(
          "Enter X scale factor, specify opposite corner, or [Corner/XYZ] <1>: ", 1.0, true);
      yscale = s.AskNumber("Enter Y scale factor <use X scale factor>: ", xscale, true);
    }
  }
  if (!rotationDegrees)
    rotationDegrees = s.AskNumber("Specify rotation angle <0>: ", 0.0, false);

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

// --- MOVE ------------------------------------------------------------------------------------

void Move(Session& s) {
  Drawing& d = s.d();
  std::vector<ObjectId> selected;
  const auto add = [&](const std::vector<ObjectId>& ids) {
    std::size_t found = 0;
    for (const ObjectId id : ids) {
      if (!d.FindEntity(id))
        continue;
      ++found;
      if (std::find(selected.begin(), selected.end(), id) == selected.end())
        selected.push_back(id);
    }
    return found;
  };
  for (;;) {
    const Reply r = s.Ask("Select objects: ", Expect::Selection);
    if (r.kind == Reply::Kind::Selection) {  // the user's selection ends the selecting
      add(r.ids);
      break;
    }
    if (r.text.empty())
      break;
    std::vector<ObjectId> ids;
    if (Matches(r.text, {"PREVIOUS", 1})) {
      ids = s.host.previousSelection();
    } else if (Matches(r.text, {"LAST", 1})) {
      if (const std::optional<ObjectId> last = d.Newest())
        ids.push_back(*last);
    } else if (Matches(r.text, {"ALL", 3})) {
      ids = SelectAll(d, EntityFilter{});
    } else if (const std::optional<TAcadPoint> p = ParsePoint(r.text, d.vars.LASTPOINT)) {
      if (auto id = NearestEntity(d, *p, PickTolerance(d.vars), EntityFilter{}))
        ids.push_back(*id);
    } else {
      s.Message("*Invalid selection*");
      continue;
    }
    s.Message(std::to_string(add(ids)) + " found");
  }
  if (selected.empty())
    return;

  TAcadPoint from;
  TAcadPoint to;
  const Session::PointOrWord base = s.AskPointOr(
      "Specify base point or [Displacement] <Displacement>: ", {{"DISPLACEMENT", 1}}, true);
  if (base.point) {
    from = *base.point;
    const Session::PointOrWord second = s.AskPointOr("Specify second point: ", {}, true);
    // Enter: the base point is the displacement.
    if (second.point) {
      to = *second.point;
    } else {
      to = from;
      from = {};
    }
  } else {
    const Session::PointOrWord shift =
        s.AskPointOr("Specify displacement <0.0000, 0.0000, 0.0000>: ", {}, true);
    to = shift.point.value_or(TAcadPoint{});
  }

  const Placement move = Placement::Move(from, to);
  for (const ObjectId id : selected) {
    if (Entity* e = d.FindEntity(id)) {
      ApplyPlacement(*e, move);
      d.MarkEdited(*e);
    }
  }
  d.vars.LASTPOINT = to;
  s.host.SetPreviousSelection(selected);
}

// --- LEADER ----------------------------------------------------------------------------------

void Leader(Session& s) {
  const Drawing& d = s.d();
  LeaderShape leader;
  leader.vertices.push_back(s.AskPoint("Specify leader start point: "));
  leader.vertices.push_back(s.AskPoint("Specify next point: "));
  for (;;) {
    const Session::PointOrWord a =
        s.AskPointOr("Specify next point or [Annotation/Format/Undo] <Annotation>: ",
                     {{"ANNOTATION", 1}, {"FORMAT", 1}, {"UNDO", 1}}, true);
    if (a.point) {
      leader.vertices.push_back(*a.point);
    } else if (a.word == "FORMAT") {
      const std::string f =
          s.AskKeyword("Enter leader format option [Spline/STraight/Arrow/None] <Exit>: ",
                       {{"STRAIGHT", 2}, {"ARROW", 1}, {"NONE", 1}}, true);
      if (f == "ARROW")
        leader.arrowhead = true;
      else if (f == "NONE")
        leader.arrowhead = false;
    } else if (a.word == "UNDO") {
      if (leader.vertices.size() > 2)
        leader.vertices.pop_back();
    } else {
      break;  // Enter or Annotation
    }
  }
  const std::string text = s.AskWord("Enter first line of annotation text or <options>: ");
  if (!text.empty())
    throw CommandFailed("Leader annotation texts are not supported.");
  const std::string option =
      s.AskKeyword("Enter an annotation option [Tolerance/Copy/Block/None/Mtext] <Mtext>: ",
                   {{"TOLERANCE", 1}, {"COPY", 1}, {"BLOCK", 1}, {"NONE", 1}, {"MTEXT", 1}}, true);
  if (option != "NONE")
    throw CommandFailed("Leader annotations other than None are not supported.");

  const double dimScale = d.vars.DIMSCALE == 0.0 ? 1.0 : d.vars.DIMSCALE;
  leader.arrowSize = d.vars.DIMASZ * dimScale;
  leader.arrowBlock = d.vars.DIMLDRBLK;
  s.host.CreateEntity(std::move(leader));
}

// --- U ---------------------------------------------------------------------------------------
// Takes back the newest undo step (a command's work between its undo marks).
void Undo(Session& s) {
  s.Message(s.host.UndoLastStep() ? "GROUP" : "Everything has been undone");
}

// Command names: leading "_" (the English name) and "." (the built-in command) dropped, ASCII
// letters folded.
std::string CommandName(std::string_view typed) {
  while (!typed.empty() && (typed.front() == '_' || typed.front() == '.'))
    typed.remove_prefix(1);
  return FoldName(typed);
}

using CommandFunction = void (*)(Session&);
CommandFunction FindCommand(std::string_view name) {
  static constexpr std::pair<std::string_view, CommandFunction> kCommands[] = {
      {"BOUNDARY", &Boundary}, {"-BOUNDARY", &Boundary}, {"INSERT", &Insert}, {"-INSERT", &Insert},
      {"MOVE", &Move},         {"LEADER", &Leader},      {"U", &Undo},
  };
  for (const auto& [n, f] : kCommands) {
    if (n == name)
      return f;
  }
  return nullptr;
}

// --- AutoLISP --------------------------------------------------------------------------------

struct LispValue {
  enum class Kind { String, Number, Symbol, List };
  Kind kind = Kind::Symbol;
  std::string text;
  std::vector<LispValue> items;
};

[[noreturn]] void LispError(std::string_view what) {
  throw std::runtime_error("; error: " + std::string(what));
}

class LispReader {
 public:
  explicit LispReader(std::string_view s) : s_(s) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ >= s_.size();
  }

  LispValue Read() {
    SkipBlanks();
    if (pos_ >= s_.size())
      LispError("malformed list on input");
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      LispValue list{LispValue::Kind::List, {}, {}};
      for (;;) {
        SkipBlanks();
        if (pos_ >= s_.size())
          LispError("malformed list on input");
        if (s_[pos_] == ')') {
          ++pos_;
          return list;
        }
        list.items.push_back(Read());
      }
    }
    if (c == ')')
      LispError("extra right paren on input");
    if (c == '"')
      return ReadString();
    std::size_t end = pos_;
    while (end < s_.size() && !IsBlank(s_[end]) && s_[end] != '(' && s_[end] != ')' &&
           s_[end] != '"')
      ++end;
    const std::string_view atom = s_.substr(pos_, end - pos_);
    pos_ = end;
    if (ParseDecimal(atom))
      return {LispValue::Kind::Number, std::string(atom), {}};
    return {LispValue::Kind::Symbol, FoldName(atom), {}};
  }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  void SkipBlanks() {
    while (pos_ < s_.size() && IsBlank(s_[pos_]))
      ++pos_;
  }
  LispValue ReadString() {
    ++pos_;  // the opening quote
    std::string out;
    while (pos_ < s_.size()) {
      const char c = s_[pos_++];
      if (c == '"')
        return {LispValue::Kind::String, out, {}};
      if (c != '\\' || pos_ >= s_.size()) {
        out += c;
        continue;
      }
      const char e = s_[pos_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'e':
          out += '\x1b';
          break;
        default:
          out += e;  // \" and \\ and any other escaped character stand for themselves
      }
    }
    LispError("malformed string on input");
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace

// --- Splitting typed text ----------------------------------------------------------------------

std::vector<TypedAnswer> SplitAnswers(std::string_view text, std::string& unfinished) {
  const std::string buffer = unfinished + std::string(text);
  unfinished.clear();
  const std::string_view s = buffer;
  std::vector<TypedAnswer> answers;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    if (s[i] == '(') {
      // AutoLISP: blanks and line ends inside the parentheses and strings belong to it.
      int depth = 0;
      bool inString = false;
      std::size_t j = i;
      for (; j < s.size(); ++j) {
        const char c = s[j];
        if (inString) {
          if (c == '\\')
            ++j;
          else if (c == '"')
            inString = false;
          continue;
        }
        if (c == '"')
          inString = true;
        else if (c == '(')
          ++depth;
        else if (c == ')')
          --depth;
        else if (depth <= 0 && (c == ' ' || IsEnter(c)))
          break;
      }
      if (j >= s.size()) {
        unfinished = std::string(s.substr(start));
        break;
      }
      answers.push_back({TypedAnswer::Kind::Lisp, std::string(s.substr(i, j - i))});
      i = PastTerminator(s, j);
      continue;
    }
    std::string word;
    bool quoted = false;
    std::size_t j = i;
    for (; j < s.size(); ++j) {
      const char c = s[j];
      if (IsEnter(c) || (c == ' ' && !quoted))
        break;
      if (c == '"')
        quoted = !quoted;
      else
        word += c;
    }
    if (j >= s.size()) {
      unfinished = std::string(s.substr(start));
      break;
    }
    answers.push_back({TypedAnswer::Kind::Text, std::move(word)});
    i = PastTerminator(s, j);
  }
  return answers;
}

std::vector<TypedAnswer> EvaluateLisp(std::string_view text, std::string& printed) {
  LispReader reader(text);
  std::vector<TypedAnswer> answers;
  while (!reader.AtEnd()) {
    const LispValue form = reader.Read();
    if (form.kind != LispValue::Kind::List || form.items.empty() ||
        form.items[0].kind != LispValue::Kind::Symbol)
      LispError("bad function: " + (form.kind == LispValue::Kind::List ? "nil" : form.text));
    const std::string& name = form.items[0].text;
    const std::span<const LispValue> args(form.items.begin() + 1, form.items.end());
    if (name == "COMMAND") {
      for (const LispValue& a : args) {
        if (a.kind == LispValue::Kind::String || a.kind == LispValue::Kind::Number)
          answers.push_back({TypedAnswer::Kind::Text, a.text});
        else if (a.kind == LispValue::Kind::Symbol && a.text == "PAUSE")
          answers.push_back({TypedAnswer::Kind::Pause, {}});
        else
          LispError("bad argument type: " + (a.kind == LispValue::Kind::List ? "list" : a.text));
      }
    } else if (name == "PRINC" || name == "PRIN1" || name == "PRINT") {
      if (args.size() > 2)
        LispError("too many arguments");
      if (!args.empty()) {
        if (args[0].kind == LispValue::Kind::List)
          LispError("bad argument type: list");
        printed += name == "PRINC" || args[0].kind != LispValue::Kind::String
                       ? args[0].text
                       : "\"" + args[0].text + "\"";
      }
    } else {
      LispError("no function definition: " + name);
    }
  }
  return answers;
}

// --- The command line ----------------------------------------------------------------------------

CadCommandLine::CadCommandLine(CommandLineOptions options) : options_(std::move(options)) {}
CadCommandLine::~CadCommandLine() = default;

bool CadCommandLine::waiting() const {
  return waiting_ != nullptr;
}

void CadCommandLine::Run(Host& host, std::string_view text) {
  for (TypedAnswer& a : SplitAnswers(text, unfinished_))
    queue_.push_back(std::move(a));
  Drive(host);
}

void CadCommandLine::Drive(Host& host) {
  if (waiting_) {
    Waiting resumed = std::move(*waiting_);
    waiting_.reset();
    RunCommand(host, std::move(resumed));
    if (waiting_)
      return;
  }
  while (!queue_.empty()) {
    TypedAnswer a = std::move(queue_.front());
    queue_.pop_front();
    if (a.kind == TypedAnswer::Kind::Pause)
      continue;
    if (a.kind == TypedAnswer::Kind::Lisp) {
      std::string printed;
      try {
        std::vector<TypedAnswer> answers = EvaluateLisp(a.text, printed);
        queue_.insert(queue_.begin(), answers.begin(), answers.end());
      } catch (const std::runtime_error& e) {
        printed += e.what();
        queue_.clear();
      }
      if (!printed.empty()) {
        host.log().Write(printed);
        host.log().EndLine();
      }
      continue;
    }
    const std::string name = CommandName(a.text);
    if (name.empty())
      continue;
    RunCommand(host, Waiting{name, {}, false, std::nullopt});
    if (waiting_)
      return;
  }
}

void CadCommandLine::RunCommand(Host& host, Waiting state) {
  const CommandFunction command = FindCommand(state.command);
  if (!command) {
    host.log().Write("Unknown command \"" + state.command + "\".");
    host.log().EndLine();
    return;
  }
  const auto message = [&](std::string_view text) {
    host.log().Write(text);
    host.log().EndLine();
  };
  try {
    Session session(host, queue_, options_, state, boundaryIndex_);
    command(session);
  } catch (const NeedInput&) {
    if (!state.savedBusyPolls) {
      state.savedBusyPolls = host.busyPolls();
      host.SetBusyPolls(kWaitingBusyPolls);
    }
    waiting_ = std::make_unique<Waiting>(std::move(state));
    return;
  } catch (const AutomationError& e) {
    // A cancel has written "*Cancel*" already; the text typed ahead goes with the command.
    if (!e.cancelled())
      message(e.reason());
    queue_.clear();
  } catch (const std::exception& e) {
    message(e.what());
    queue_.clear();
  }
  if (state.savedBusyPolls)
    host.SetBusyPolls(*state.savedBusyPolls);
}

bool CadCommandLine::Cancel(Host& host) {
  if (!waiting_)
    return false;
  host.log().Write("*Cancel*");
  host.log().EndLine();
  if (waiting_->savedBusyPolls)
    host.SetBusyPolls(*waiting_->savedBusyPolls);
  waiting_.reset();
  queue_.clear();
  unfinished_.clear();
  return true;
}

void CadCommandLine::Continue(Host& host) {
  if (waiting_)
    Drive(host);
}

void InstallCommandLine(Host& host, CommandLineOptions options) {
  host.SetInterpreter(std::make_unique<CadCommandLine>(std::move(options)));
}

CadCommandLine* CommandLineOf(Host& host) {
  return dynamic_cast<CadCommandLine*>(host.interpreter());
}

std::function<void()> EscapeHandler(const std::shared_ptr<Host>& host) {
  std::weak_ptr<Host> weak = host;
  return [weak] {
    if (const std::shared_ptr<Host> h = weak.lock()) {
      if (CadCommandLine* line = CommandLineOf(*h))
        line->Cancel(*h);
    }
  };
}

}  // namespace trivane::host
