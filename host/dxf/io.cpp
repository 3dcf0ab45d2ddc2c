#include "host/dxf/io.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_set>
#include <utility>

#include "base/file.h"
#include "geometry/numbers.h"
#include "host/dxf/encoding.h"
#include "host/dxf/model.h"

namespace trivane::dxf {

namespace {

struct RawTag {
  int code;
  CompactText value;
  int line;  // line of the group code
};

// One tag as the file's text has it: its value is a view of the value's line.
struct TextTag {
  int code = 0;
  std::string_view value;
  int line = 0;  // line of the group code
};

template <typename T>
bool Is(const T& t, std::string_view type) {
  return t.code == 0 && std::string_view(t.value) == type;
}

template <typename T>
std::string Describe(const T& t) {
  return std::to_string(t.code) + "/" + std::string(std::string_view(t.value));
}

// Repairs of one kind are counted together; the first occurrence gives the line.
class RepairLog {
 public:
  explicit RepairLog(Repairs& repairs) : repairs_(repairs) {}
  void Note(const std::string& what, int line) {
    for (Repair& r : repairs_) {
      if (r.what == what) {
        ++r.count;
        return;
      }
    }
    repairs_.push_back(Repair{what, 1, line});
  }

 private:
  Repairs& repairs_;
};

// Reads a text's tags one by one, checking group codes and numbers: a malformed tag is a
// ReadError with its line.
class TagReader {
 public:
  TagReader(std::string_view text, const std::string& file) : text_(text), file_(file) {}

  // The next tag; false at the end of the text.
  bool Next(TextTag& tag) {
    std::string_view codeLine;
    if (!NextLine(codeLine))
      return false;
    const int codeLineNo = line_;
    const std::string_view codeText = TrimBlanks(codeLine);
    std::optional<std::int64_t> code = PlainCode(codeLine);
    if (!code)
      code = ParseInt(codeText);
    if (!code) {
      throw ReadError(file_, codeLineNo,
                      "group code expected, found \"" + std::string(codeText.substr(0, 40)) + "\"");
    }
    if (!IsValidCode(static_cast<int>(*code))) {
      throw ReadError(file_, codeLineNo, "invalid group code " + std::string(codeText));
    }
    std::string_view value;
    if (!NextLine(value)) {
      throw ReadError(file_, codeLineNo,
                      "the file ends after group code " + std::string(codeText) +
                          " without its value (truncated file)");
    }
    tag = TextTag{static_cast<int>(*code), value, codeLineNo};
    switch (KindOfCode(tag.code)) {
      case ValueKind::Integer:
        if (!ParseInt(value)) {
          throw ReadError(file_, line_,
                          "group code " + std::to_string(tag.code) + " needs an integer, found \"" +
                              std::string(value.substr(0, 40)) + "\"");
        }
        break;
      case ValueKind::Double:
        if (!ParseDouble(value)) {
          throw ReadError(file_, line_,
                          "group code " + std::to_string(tag.code) + " needs a number, found \"" +
                              std::string(value.substr(0, 40)) + "\"");
        }
        break;
      default:
        break;
    }
    return true;
  }

  // The line last read.
  int Line() const { return line_; }

  // A group code as CADs write it, blanks and one to four digits, read without the general
  // parser; nullopt for any other line, which the general parser then reads or refuses.
  static std::optional<std::int64_t> PlainCode(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ')
      ++i;
    if (i == line.size() || line.size() - i > 4)
      return std::nullopt;
    std::int64_t code = 0;
    for (; i < line.size(); ++i) {
      if (line[i] < '0' || line[i] > '9')
        return std::nullopt;
      code = code * 10 + (line[i] - '0');
    }
    return code;
  }
  // How the first line ended ("\r\n" or "\n"); empty while no line has ended.
  const std::string& LineEnd() const { return lineEnd_; }

 private:
  bool NextLine(std::string_view& out) {
    if (pos_ >= text_.size())
      return false;
    const std::size_t nl = text_.find('\n', pos_);
    const std::size_t end = nl == std::string_view::npos ? text_.size() : nl;
    std::size_t contentEnd = end;
    if (contentEnd > pos_ && text_[contentEnd - 1] == '\r')
      --contentEnd;
    if (lineEnd_.empty() && nl != std::string_view::npos)
      lineEnd_ = contentEnd < end ? "\r\n" : "\n";
    out = text_.substr(pos_, contentEnd - pos_);
    pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
    ++line_;
    return true;
  }

  std::string_view text_;
  const std::string& file_;
  std::size_t pos_ = 0;
  int line_ = 0;
  std::string lineEnd_;
};

// Splits the text into tags up to and including 0/EOF. With a repair log, a file without 0/EOF
// gives its tags; the structure pass decides whether they are whole.
std::vector<RawTag> Tokenize(std::string_view text, const std::string& file, std::string& lineEnd,
                             RepairLog* log) {
  std::vector<RawTag> tags;
  // Two lines a tag: one allocation for the whole file.
  tags.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) / 2 + 1);
  TagReader reader(text, file);
  TextTag t;
  while (reader.Next(t)) {
    tags.push_back(RawTag{t.code, CompactText(t.value), t.line});
    if (Is(t, "EOF")) {
      lineEnd = reader.LineEnd();
      return tags;  // whatever follows EOF is not part of the drawing
    }
  }
  lineEnd = reader.LineEnd();
  if (log && !tags.empty())
    return tags;
  throw ReadError(
      file, reader.Line(),
      tags.empty() ? "the file is empty" : "the file ends without 0/EOF (truncated file)");
}

RawTag Structure(std::string_view type, int line) {
  return RawTag{0, CompactText(type), line};
}

// Index of the 0/ENDSEC of the section whose 0/SECTION is at `start`.
std::size_t SectionEnd(const std::vector<RawTag>& tags, std::size_t start) {
  std::size_t k = start + 1;
  while (k < tags.size() && !Is(tags[k], "ENDSEC"))
    ++k;
  return k;
}

// Moves header variables found before the first section into HEADER (made when the file has
// none); a variable HEADER already holds is dropped, and said so.
void RescueHeaderVariables(std::vector<RawTag>& tags, std::size_t firstSection,
                           const std::vector<std::vector<RawTag>>& variables, RepairLog& log) {
  std::size_t header = tags.size();
  for (std::size_t k = firstSection; k + 1 < tags.size(); ++k) {
    if (Is(tags[k], "SECTION") && tags[k + 1].code == 2 && tags[k + 1].value == "HEADER") {
      header = k;
      break;
    }
  }
  if (header == tags.size()) {
    const int line = variables.front().front().line;
    const std::vector<RawTag> fresh = {Structure("SECTION", line), RawTag{2, "HEADER", line},
                                       Structure("ENDSEC", line)};
    tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(firstSection), fresh.begin(),
                fresh.end());
    header = firstSection;
  }
  const std::size_t end = SectionEnd(tags, header);
  std::vector<RawTag> moved;
  for (const std::vector<RawTag>& variable : variables) {
    const bool held = std::any_of(
        tags.begin() + static_cast<std::ptrdiff_t>(header),
        tags.begin() + static_cast<std::ptrdiff_t>(end),
        [&](const RawTag& t) { return t.code == 9 && t.value == variable.front().value; });
    if (held) {
      log.Note("header variable before the first section dropped, HEADER sets it too",
               variable.front().line);
      continue;
    }
    log.Note("header variable before the first section moved into HEADER", variable.front().line);
    moved.insert(moved.end(), variable.begin(), variable.end());
  }
  tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(header + 2), moved.begin(), moved.end());
}

// Whether RepairStructure would leave the tags as they are: comments, then sections each closed
// by a 0/ENDSEC that 0/SECTION or 0/EOF follows, then 0/EOF. Most files are; they are not copied.
bool StructureIsSound(const std::vector<RawTag>& tags) {
  std::size_t i = 0;
  while (i < tags.size() && tags[i].code == 999)
    ++i;
  bool inside = false;
  bool anySection = false;
  for (; i < tags.size(); ++i) {
    const RawTag& t = tags[i];
    if (Is(t, "EOF"))
      return !inside && anySection;
    if (Is(t, "SECTION")) {
      if (inside)
        return false;
      inside = anySection = true;
    } else if (inside && Is(t, "ENDSEC")) {
      if (i + 1 < tags.size() && !Is(tags[i + 1], "SECTION") && !Is(tags[i + 1], "EOF"))
        return false;
      inside = false;
    } else if (!inside) {
      return false;
    }
  }
  return false;  // no 0/EOF
}

// Puts the section structure right (see Read with repairs); throws ReadError where it cannot.
std::vector<RawTag> RepairStructure(std::vector<RawTag> tags, const std::string& file,
                                    RepairLog& log) {
  std::vector<RawTag> out;
  out.reserve(tags.size() + 2);
  std::vector<std::vector<RawTag>> orphanVariables;
  std::size_t i = 0;
  while (i < tags.size() && tags[i].code == 999)
    out.push_back(std::move(tags[i++]));
  const std::size_t firstSection = out.size();
  bool inside = false;
  bool anySection = false;
  bool ended = false;
  for (; i < tags.size(); ++i) {
    RawTag& t = tags[i];
    if (Is(t, "EOF") || Is(t, "SECTION")) {
      if (inside) {
        log.Note("section not closed, 0/ENDSEC added", t.line);
        out.push_back(Structure("ENDSEC", t.line));
        inside = false;
      }
      const bool eof = Is(t, "EOF");
      out.push_back(std::move(t));
      if (eof) {
        ended = true;
        break;
      }
      inside = anySection = true;
      continue;
    }
    if (inside && Is(t, "ENDSEC")) {
      const bool closes =
          i + 1 == tags.size() || Is(tags[i + 1], "SECTION") || Is(tags[i + 1], "EOF");
      if (closes) {
        out.push_back(std::move(t));
        inside = false;
      } else {
        log.Note("stray 0/ENDSEC removed, the section goes on", t.line);
      }
      continue;
    }
    if (inside) {
      out.push_back(std::move(t));
      continue;
    }
    // Before the first section (after a closed section only 0/SECTION or 0/EOF can follow).
    if (t.code == 9) {
      std::vector<RawTag> variable;
      variable.push_back(std::move(t));
      while (i + 1 < tags.size() && tags[i + 1].code != 0 && tags[i + 1].code != 9)
        variable.push_back(std::move(tags[++i]));
      orphanVariables.push_back(std::move(variable));
      continue;
    }
    log.Note("tag outside any section dropped", t.line);
  }
  if (!anySection) {
    throw ReadError(file, tags.back().line, "the file holds no 0/SECTION");
  }
  if (!ended) {
    if (inside) {
      throw ReadError(file, tags.back().line + 1, "the file ends without 0/EOF (truncated file)");
    }
    // The line after the last tag's value.
    log.Note("0/EOF missing at the end of the file, added", tags.back().line + 2);
    out.push_back(Structure("EOF", tags.back().line + 2));
  }
  if (!orphanVariables.empty())
    RescueHeaderVariables(out, firstSection, orphanVariables, log);
  return out;
}

// Layers that records of ENTITIES and BLOCKS are on, with the first line naming each.
std::vector<std::pair<std::string, int>> LayerReferences(const std::vector<RawTag>& tags) {
  std::vector<std::pair<std::string, int>> refs;
  bool drawn = false;
  for (std::size_t k = 0; k < tags.size(); ++k) {
    const RawTag& t = tags[k];
    if (Is(t, "SECTION") && k + 1 < tags.size()) {
      drawn = tags[k + 1].value == "ENTITIES" || tags[k + 1].value == "BLOCKS";
      continue;
    }
    if (!drawn || t.code != 8 || t.value.empty())
      continue;
    const bool known = std::any_of(refs.begin(), refs.end(),
                                   [&](const auto& r) { return SameName(r.first, t.value); });
    if (!known)
      refs.emplace_back(t.value, t.line);
  }
  return refs;
}

// The repairs that need the parsed document: the version of a drawing whose header lost it, and
// the layer records its entities need.
void RepairReferences(Document& doc, const std::vector<std::pair<std::string, int>>& layers,
                      int firstSectionLine, RepairLog& log) {
  if (!doc.HeaderValue("$ACADVER") && doc.FindTableRecord("BLOCK_RECORD", "*Model_Space")) {
    bool markers = false;
    doc.ForEachRecord([&markers](const Entity& e) {
      markers = markers || std::any_of(e.tags.begin(), e.tags.end(),
                                       [](const Tag& t) { return t.code == 100; });
    });
    if (markers) {
      doc.SetHeaderVariable("$ACADVER", {Tag{1, "AC1015"}});
      log.Note("no $ACADVER in the header of an R13-or-later drawing, AC1015 set",
               firstSectionLine);
    }
  }
  // An R12 drawing may leave its layers undefined; from R13 on, and wherever the file has a
  // LAYER table, every layer needs its record.
  if (!doc.FindTable("LAYER") && !doc.HasSubclassMarkers())
    return;
  const std::string continuous = doc.HasSubclassMarkers() ? "Continuous" : "CONTINUOUS";
  for (const auto& [name, line] : layers) {
    if (doc.FindTableRecord("LAYER", name))
      continue;
    try {
      EnsureLayer(doc, LayerData{name, 7, continuous, 0});
      log.Note("layer without a LAYER record, record added (colour 7, continuous)", line);
    } catch (const Error&) {
      // A name no CAD accepts: the entities keep it, no record is made up for it.
    }
  }
}

// The code page of the file's text: UTF-8 from AC1021 on, else $DWGCODEPAGE, else the one the
// options give. The variables are looked for among the tags before the first 0/ENDSEC (header
// variables come first).
template <typename TagRange>
std::string CodePageOfFirstTags(const TagRange& tags, const ReadOptions& options) {
  std::string version;
  std::string codePage;
  for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
    if (Is(tags[i], "ENDSEC"))
      break;
    if (tags[i].code == 9 && tags[i].value == "$ACADVER")
      version = tags[i + 1].value;
    if (tags[i].code == 9 && tags[i].value == "$DWGCODEPAGE")
      codePage = tags[i + 1].value;
  }
  int number = 0;
  if (version.size() > 2)
    number = ParseInt(std::string_view(version).substr(2)).value_or(0);
  if (number >= 1021)
    return "UTF-8";
  return TrimBlanks(codePage).empty() ? options.codePage : codePage;
}

// A value as the file's bytes give it, in UTF-8: nullopt when the bytes are the value already.
// A decoded value keeps the bytes as its source.
std::optional<CompactText> DecodedValue(Codec& codec, int code, std::string_view bytes) {
  if (KindOfCode(code) != ValueKind::String || codec.DecodesToItself(bytes))
    return std::nullopt;
  const std::string decoded = codec.Decode(bytes);
  if (decoded == bytes)
    return std::nullopt;
  return CompactText(decoded, bytes);
}

// Builds the document from a source of tags: Peek() the tag in hand (code, value, line), Take()
// it as a Tag, Fail(at, what) to refuse the file, SectionDone(doc) after each section.
template <typename Source>
class Parser {
 public:
  explicit Parser(Source& source) : source_(source) {}

  Document Parse() {
    Document doc;
    while (Peek().code == 999) {
      doc.preamble.push_back(Take());
    }
    while (!Is(Peek(), "EOF")) {
      if (!Is(Peek(), "SECTION")) {
        Fail(Peek(), "expected 0/SECTION, found " + Describe(Peek()));
      }
      doc.sections.push_back(ParseSection());
      source_.SectionDone(doc);
    }
    return doc;
  }

 private:
  const auto& Peek() const { return source_.Peek(); }
  Tag Take() { return source_.Take(); }
  template <typename T>
  [[noreturn]] void Fail(const T& at, const std::string& what) const {
    source_.Fail(at, what);
  }

  bool AtSectionEnd() const {
    return Is(Peek(), "ENDSEC") || Is(Peek(), "EOF") || Is(Peek(), "SECTION");
  }

  Section ParseSection() {
    const int startLine = Peek().line;
    Take();
    if (Peek().code != 2) {
      Fail(Peek(), "section name (group 2) expected after 0/SECTION, found " + Describe(Peek()));
    }
    Section section;
    section.name = Take().value;
    switch (LayoutOfSection(section.name)) {
      case SectionLayout::RawTags:
        while (!AtSectionEnd())
          section.tags.push_back(Take());
        break;
      case SectionLayout::Records:
        while (!AtSectionEnd())
          section.records.push_back(ParseRecord(section.name));
        break;
      case SectionLayout::Tables:
        while (!AtSectionEnd())
          section.tables.push_back(ParseTable());
        break;
      case SectionLayout::Blocks:
        while (!AtSectionEnd())
          section.blocks.push_back(ParseBlock());
        break;
    }
    if (!Is(Peek(), "ENDSEC")) {
      Fail(Peek(), "section " + section.name + " (line " + std::to_string(startLine) +
                       ") is not closed by 0/ENDSEC before " + Describe(Peek()));
    }
    section.end = ParseRecord(section.name);
    return section;
  }

  Entity ParseRecord(const std::string& where) {
    if (Peek().code != 0) {
      Fail(Peek(), "record (group 0) expected in " + where + ", found " + Describe(Peek()));
    }
    Entity e;
    e.type = Take().value;
    TakeRun(e.tags);
    while (Peek().code == 1001) {
      XData x;
      x.application = Take().value;
      TakeRun(x.tags);
      e.xdata.push_back(std::move(x));
    }
    return e;
  }

  // The tags up to the next 0 or 1001, gathered first so that the record's list is made once.
  void TakeRun(Tags& into) {
    run_.clear();
    while (Peek().code != 0 && Peek().code != 1001)
      run_.push_back(Take());
    into.assign(std::make_move_iterator(run_.begin()), std::make_move_iterator(run_.end()));
  }

  Table ParseTable() {
    const int startLine = Peek().line;
    if (!Is(Peek(), "TABLE")) {
      Fail(Peek(), "expected 0/TABLE in TABLES, found " + Describe(Peek()));
    }
    Table table;
    table.head = ParseRecord("TABLES");
    while (!Is(Peek(), "ENDTAB")) {
      if (Is(Peek(), "TABLE") || AtSectionEnd()) {
        Fail(Peek(), "table " + table.Name() + " (line " + std::to_string(startLine) +
                         ") is not closed by 0/ENDTAB before " + Describe(Peek()));
      }
      table.records.push_back(ParseRecord("table " + table.Name()));
    }
    table.end = ParseRecord("TABLES");
    return table;
  }

  Block ParseBlock() {
    const int startLine = Peek().line;
    if (!Is(Peek(), "BLOCK")) {
      Fail(Peek(), "expected 0/BLOCK in BLOCKS, found " + Describe(Peek()));
    }
    Block block;
    block.begin = ParseRecord("BLOCKS");
    while (!Is(Peek(), "ENDBLK")) {
      if (Is(Peek(), "BLOCK") || AtSectionEnd()) {
        Fail(Peek(), "block " + block.Name() + " (line " + std::to_string(startLine) +
                         ") is not closed by 0/ENDBLK before " + Describe(Peek()));
      }
      block.entities.push_back(ParseRecord("block " + block.Name()));
    }
    block.end = ParseRecord("BLOCKS");
    return block;
  }

  Source& source_;
  Tags run_;
};

// The tags of a whole file, read and put right beforehand.
class TagList {
 public:
  TagList(std::vector<RawTag> tags, const std::string& file)
      : tags_(std::move(tags)), file_(file) {}
  const RawTag& Peek() const { return tags_[i_]; }
  // Each tag is taken once: its text moves into the document.
  Tag Take() {
    RawTag& t = tags_[i_++];
    return Tag{t.code, std::move(t.value)};
  }
  [[noreturn]] void Fail(const RawTag& at, const std::string& what) const {
    throw ReadError(file_, at.line, what);
  }
  void SectionDone(Document&) {}

 private:
  std::vector<RawTag> tags_;
  const std::string& file_;
  std::size_t i_ = 0;
};

// The tags straight from the text, for a file that needs nothing but reading. Values are decoded
// as they are taken, once the first section (the header) has named the code page; the header's
// own values and the comments before it are decoded then. Whatever else the file holds first
// is refused (ReadError), to be read by the careful way.
class TagStream {
 public:
  TagStream(std::string_view text, const std::string& file, const ReadOptions& options)
      : reader_(text, file), file_(file), options_(options) {
    Advance();
  }
  const TextTag& Peek() const { return current_; }
  Tag Take() {
    Tag t{current_.code, CompactText(current_.value)};
    if (codec_) {
      if (auto decoded = DecodedValue(*codec_, t.code, current_.value))
        t.value = std::move(*decoded);
    }
    Advance();
    return t;
  }
  [[noreturn]] void Fail(const TextTag& at, const std::string& what) const {
    throw ReadError(file_, at.line, what);
  }
  void SectionDone(Document& doc) {
    if (codec_)
      return;
    Section& first = doc.sections.back();
    if (first.name != "HEADER" || !first.end.xdata.empty())
      Fail(current_, "the first section is not a plain header");
    Tags firstTags = doc.preamble;
    firstTags.insert(firstTags.end(), first.tags.begin(), first.tags.end());
    firstTags.push_back(Tag{0, "ENDSEC"});
    codec_.emplace(CodePageOfFirstTags(firstTags, options_));
    for (Tags* tags : {&doc.preamble, &first.tags, &first.end.tags}) {
      for (Tag& t : *tags) {
        if (auto decoded = DecodedValue(*codec_, t.code, t.value))
          t.value = std::move(*decoded);
      }
    }
  }
  const std::string& LineEnd() const { return reader_.LineEnd(); }

 private:
  void Advance() {
    if (!reader_.Next(current_))
      Fail(current_, "the file ends without 0/EOF");
  }

  TagReader reader_;
  const std::string& file_;
  const ReadOptions& options_;
  TextTag current_;
  std::optional<Codec> codec_;
};

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// source: the bytes a file had for the value, when they differ from it (see CompactText).
void AppendTag(std::string& out, int code, std::string_view value, std::string_view source,
               Codec& codec, const std::string& lineEnd) {
  char digits[16];
  const auto res = std::to_chars(digits, digits + sizeof digits, code);
  const auto width = static_cast<std::size_t>(res.ptr - digits);
  if (width < 3)
    out.append(3 - width, ' ');
  out.append(digits, width);
  out += lineEnd;
  if (KindOfCode(code) != ValueKind::String) {
    out += value;
  } else if (!source.empty() && codec.Decode(source) == value) {
    out += source;
  } else {
    codec.AppendEncoded(out, value);
  }
  out += lineEnd;
}

void AppendTag(std::string& out, const Tag& tag, Codec& codec, const std::string& lineEnd) {
  AppendTag(out, tag.code, tag.value, tag.value.source(), codec, lineEnd);
}

void AppendRecord(std::string& out, const Entity& e, Codec& codec, const std::string& lineEnd) {
  AppendTag(out, 0, e.type, {}, codec, lineEnd);
  for (const Tag& t : e.tags)
    AppendTag(out, t, codec, lineEnd);
  for (const XData& x : e.xdata) {
    AppendTag(out, 1001, x.application, {}, codec, lineEnd);
    for (const Tag& t : x.tags)
      AppendTag(out, t, codec, lineEnd);
  }
}

std::string ErrnoText() {
  return std::strerror(errno);
}

// File names are UTF-8 throughout, on Windows too (where a narrow name would be the ANSI code
// page's).
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

}  // namespace

namespace {

// Whether reading with repairs would find anything to put right in a document read as it stood:
// a file without sections, tags after a section's 0/ENDSEC (which make it a stray one), or what
// RepairReferences adds.
bool NeedsRepairs(const Document& doc) {
  if (doc.sections.empty())
    return true;
  for (const Section& s : doc.sections) {
    if (!s.end.tags.empty() || !s.end.xdata.empty())
      return true;
  }
  if (!doc.HeaderValue("$ACADVER") && doc.FindTableRecord("BLOCK_RECORD", "*Model_Space"))
    return true;
  if (!doc.FindTable("LAYER") && !doc.HasSubclassMarkers())
    return false;
  std::unordered_set<std::string_view> seen;  // each spelling looked up once
  bool missing = false;
  const auto check = [&](const Tags& tags) {
    for (const Tag& t : tags) {
      if (t.code != 8 || t.value.empty())
        continue;
      if (seen.insert(t.value.view()).second && !doc.FindTableRecord("LAYER", t.value))
        missing = true;
    }
  };
  const auto checkRecord = [&](const Entity& e) {
    check(e.tags);
    for (const XData& x : e.xdata)
      check(x.tags);
  };
  for (const Section& s : doc.sections) {
    if (s.name == "ENTITIES" || s.name == "BLOCKS")
      ForEachRecordOf(s, checkRecord);
  }
  return missing;
}

// A file as it stands, in one pass over its text: nullopt when it needs more (a repair, an error
// to report), which the careful way then gives.
std::optional<Document> ReadAsItStands(std::string_view bytes, const std::string& fileName,
                                       const ReadOptions& options, bool repairing,
                                       std::string& lineEnd) {
  try {
    TagStream stream(bytes, fileName, options);
    Document doc = Parser<TagStream>(stream).Parse();
    if (repairing && NeedsRepairs(doc))
      return std::nullopt;
    lineEnd = stream.LineEnd();
    return doc;
  } catch (const ReadError&) {
    return std::nullopt;
  }
}

// The careful way: every tag read first, the structure put right where it may be, the values
// decoded, then the document built, and the references it lacks added.
Document ReadCarefully(std::string_view bytes, const std::string& fileName,
                       const ReadOptions& options, RepairLog* log, std::string& lineEnd) {
  std::vector<RawTag> tags = Tokenize(bytes, fileName, lineEnd, log);
  if (log && !StructureIsSound(tags))
    tags = RepairStructure(std::move(tags), fileName, *log);
  Codec codec(CodePageOfFirstTags(tags, options));
  for (RawTag& t : tags) {
    if (auto decoded = DecodedValue(codec, t.code, t.value))
      t.value = std::move(*decoded);
  }
  std::vector<std::pair<std::string, int>> layers;
  int firstSectionLine = 0;
  if (log) {
    layers = LayerReferences(tags);
    const auto first =
        std::find_if(tags.begin(), tags.end(), [](const RawTag& t) { return Is(t, "SECTION"); });
    firstSectionLine = first == tags.end() ? 0 : first->line;
  }
  TagList list(std::move(tags), fileName);
  Document doc = Parser<TagList>(list).Parse();
  if (log)
    RepairReferences(doc, layers, firstSectionLine, *log);
  return doc;
}

Document ReadWith(std::string_view bytes, const std::string& fileName, const ReadOptions& options,
                  RepairLog* log) {
  if (bytes.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
    throw ReadError(fileName, 0, "binary DXF is not supported; save the drawing as ASCII DXF");
  }
  const bool bom = bytes.substr(0, kBom.size()) == kBom;
  if (bom)
    bytes.remove_prefix(kBom.size());
  std::string lineEnd;
  std::optional<Document> read;
  if (options.onePass)
    read = ReadAsItStands(bytes, fileName, options, log != nullptr, lineEnd);
  Document doc = read ? std::move(*read) : ReadCarefully(bytes, fileName, options, log, lineEnd);
  doc.codePage = options.codePage;
  doc.lineEnding = lineEnd.empty() ? "\r\n" : lineEnd;
  doc.byteOrderMark = bom;
  return doc;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) {
    throw ReadError(path, 0, "cannot open the file: " + ErrnoText());
  }
  // Read in one piece when the size is known; a stream that cannot tell it is read to its end.
  std::string content;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0 && in) {
    content.resize(static_cast<std::size_t>(size));
    in.read(content.data(), size);
    content.resize(static_cast<std::size_t>(in.gcount()));
    in.clear();
  } else {
    in.clear();
  }
  std::ostringstream rest;
  rest << in.rdbuf();
  if (in.bad()) {
    throw ReadError(path, 0, "cannot read the file: " + ErrnoText());
  }
  content += rest.str();
  return content;
}

}  // namespace

Document Read(std::string_view bytes, const std::string& fileName, const ReadOptions& options) {
  return ReadWith(bytes, fileName, options, nullptr);
}

Document Read(std::string_view bytes, const std::string& fileName, const ReadOptions& options,
              Repairs& repairs) {
  Repairs found;
  RepairLog log(found);
  Document doc = ReadWith(bytes, fileName, options, &log);
  // In the order of the file.
  std::stable_sort(found.begin(), found.end(),
                   [](const Repair& a, const Repair& b) { return a.firstLine < b.firstLine; });
  repairs = std::move(found);
  return doc;
}

Document ReadFile(const std::string& path, const ReadOptions& options) {
  return Read(FileBytes(path), path, options);
}

Document ReadFile(const std::string& path, const ReadOptions& options, Repairs& repairs) {
  return Read(FileBytes(path), path, options, repairs);
}

std::string Describe(const Repair& repair, const std::string& fileName) {
  return fileName + ": repaired: " + repair.what + ": " + std::to_string(repair.count) +
         (repair.count == 1 ? " time" : " times") + ", first at line " +
         std::to_string(repair.firstLine);
}

std::string CodePageOf(const Document& document) {
  if (document.VersionNumber() >= 1021)
    return "UTF-8";
  if (const auto cp = document.HeaderValue("$DWGCODEPAGE"); cp && !TrimBlanks(*cp).empty())
    return *cp;
  return document.codePage;
}

namespace {

// About the size of the file text (exact for ASCII values with codes of up to three digits), so
// that the text is made in one piece.
std::size_t WrittenSizeEstimate(const Document& document, const LentRecords& lent) {
  const std::size_t perTag = 3 + 2 * document.lineEnding.size();
  std::size_t size = 0;
  const auto add = [&](const Tags& tags) {
    size += tags.size() * perTag;
    for (const Tag& t : tags)
      size += t.value.size();
  };
  const auto addRecord = [&](const Entity& e) {
    size += perTag + e.type.size();
    add(e.tags);
    for (const XData& x : e.xdata) {
      size += perTag + x.application.size();
      add(x.tags);
    }
  };
  add(document.preamble);
  for (const Section& s : document.sections) {
    size += 2 * perTag + 7 + s.name.size();
    add(s.tags);
    ForEachRecordOf(s, lent, addRecord);
  }
  return size + perTag + 3 + kBom.size();
}

}  // namespace

std::string Write(const Document& document, const LentRecords& lent) {
  Codec codec(CodePageOf(document));
  const std::string& le = document.lineEnding;
  std::string out;
  out.reserve(WrittenSizeEstimate(document, lent));
  if (document.byteOrderMark)
    out += kBom;
  for (const Tag& t : document.preamble)
    AppendTag(out, t, codec, le);
  for (const Section& s : document.sections) {
    AppendTag(out, 0, "SECTION", {}, codec, le);
    AppendTag(out, 2, s.name, {}, codec, le);
    for (const Tag& t : s.tags)
      AppendTag(out, t, codec, le);
    ForEachRecordOf(s, lent, [&](const Entity& e) { AppendRecord(out, e, codec, le); });
  }
  AppendTag(out, 0, "EOF", {}, codec, le);
  return out;
}

void WriteBytesReplacing(const std::string& path, std::string_view bytes) {
  try {
    WriteFileReplacing(PathOf(path), bytes);
  } catch (const FileReplaceError& e) {
    throw WriteError(e.what());
  }
}

void WriteFile(Document& document, const std::string& path) {
  RegisterApplications(document);
  WriteBytesReplacing(path, Write(document));
}

}  // namespace trivane::dxf
