#include "host/dxf/document.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <utility>

namespace trivane::dxf {

namespace {

// Index just past a 102 "{NAME ... }" group that starts at i, or i when none starts there.
std::size_t SkipGroup(const Tags& tags, std::size_t i) {
  if (tags[i].code != 102 || tags[i].value.empty() || tags[i].value.front() != '{') {
    return i;
  }
  std::size_t k = i + 1;
  while (k < tags.size() && !(tags[k].code == 102 && tags[k].value == "}")) {
    ++k;
  }
  return k < tags.size() ? k + 1 : k;
}

template <typename TagsT>
auto FindIn(TagsT& tags, int code) -> decltype(&tags[0]) {
  for (std::size_t i = 0; i < tags.size();) {
    const std::size_t next = SkipGroup(tags, i);
    if (next != i) {
      i = next;
      continue;
    }
    if (tags[i].code == code) {
      return &tags[i];
    }
    ++i;
  }
  return nullptr;
}

std::optional<std::uint64_t> ParseHex(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  std::uint64_t v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v, 16);
  if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return v;
}

std::string Hex(std::uint64_t v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, 16);
  std::string s(buf, res.ptr);
  for (char& c : s) {
    if (c >= 'a' && c <= 'f')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

constexpr std::array<std::string_view, 7> kSectionOrder = {
    "HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS", "THUMBNAILIMAGE"};

std::size_t SectionRank(std::string_view name) {
  const auto it = std::find(kSectionOrder.begin(), kSectionOrder.end(), name);
  return static_cast<std::size_t>(it - kSectionOrder.begin());
}

}  // namespace

const Tag* Entity::Find(int code) const {
  return FindIn(tags, code);
}
Tag* Entity::Find(int code) {
  return FindIn(tags, code);
}

std::string_view Entity::Value(int code, std::string_view fallback) const {
  const Tag* t = Find(code);
  return t ? std::string_view(t->value) : fallback;
}

std::string Entity::Handle() const {
  return std::string(Value(type == "DIMSTYLE" ? 105 : 5));
}

const XData* Entity::FindXData(std::string_view application) const {
  for (const XData& x : xdata) {
    if (SameName(x.application, application)) {
      return &x;
    }
  }
  return nullptr;
}

SectionLayout LayoutOfSection(std::string_view name) {
  if (name == "CLASSES" || name == "ENTITIES" || name == "OBJECTS")
    return SectionLayout::Records;
  if (name == "TABLES")
    return SectionLayout::Tables;
  if (name == "BLOCKS")
    return SectionLayout::Blocks;
  return SectionLayout::RawTags;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) {
      return false;
    }
  }
  return true;
}

std::string Document::AcadVersion() const {
  const auto v = HeaderValue("$ACADVER");
  return v ? *v : "AC1009";
}

int Document::VersionNumber() const {
  const std::string v = AcadVersion();
  int n = 1009;
  if (v.size() > 2) {
    std::from_chars(v.data() + 2, v.data() + v.size(), n);
  }
  return n;
}

bool Document::UsesHandles() const {
  if (HasSubclassMarkers()) {
    return true;
  }
  const auto handling = HeaderValue("$HANDLING");
  return handling && ParseInt(*handling).value_or(0) != 0;
}

std::optional<Tags> Document::HeaderVariable(std::string_view name) const {
  const Section* header = FindSection("HEADER");
  if (!header) {
    return std::nullopt;
  }
  const Tags& tags = header->tags;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code == 9 && tags[i].value == name) {
      Tags values;
      for (std::size_t k = i + 1; k < tags.size() && tags[k].code != 9; ++k) {
        values.push_back(tags[k]);
      }
      return values;
    }
  }
  return std::nullopt;
}

std::optional<std::string> Document::HeaderValue(std::string_view name) const {
  const auto values = HeaderVariable(name);
  if (!values || values->empty()) {
    return std::nullopt;
  }
  return values->front().value;
}

void Document::SetHeaderVariable(std::string_view name, const Tags& values) {
  Tags& tags = EnsureSection("HEADER").tags;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code == 9 && tags[i].value == name) {
      std::size_t end = i + 1;
      while (end < tags.size() && tags[end].code != 9) {
        ++end;
      }
      const auto first = tags.begin() + static_cast<std::ptrdiff_t>(i + 1);
      tags.erase(first, tags.begin() + static_cast<std::ptrdiff_t>(end));
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i + 1), values.begin(), values.end());
      return;
    }
  }
  tags.push_back(Tag{9, std::string(name)});
  tags.insert(tags.end(), values.begin(), values.end());
}

Section* Document::FindSection(std::string_view name) {
  for (Section& s : sections) {
    if (s.name == name)
      return &s;
  }
  return nullptr;
}

const Section* Document::FindSection(std::string_view name) const {
  for (const Section& s : sections) {
    if (s.name == name)
      return &s;
  }
  return nullptr;
}

Section& Document::EnsureSection(std::string_view name) {
  if (Section* s = FindSection(name)) {
    return *s;
  }
  const std::size_t rank = SectionRank(name);
  auto it = std::find_if(sections.begin(), sections.end(),
                         [rank](const Section& s) { return SectionRank(s.name) > rank; });
  Section fresh;
  fresh.name = std::string(name);
  return *sections.insert(it, std::move(fresh));
}

const std::vector<Entity>& Document::Entities() const {
  static const std::vector<Entity> kNone;
  const Section* s = FindSection("ENTITIES");
  return s ? s->records : kNone;
}

Table* Document::FindTable(std::string_view name) {
  return const_cast<Table*>(std::as_const(*this).FindTable(name));
}

const Table* Document::FindTable(std::string_view name) const {
  const Section* s = FindSection("TABLES");
  if (!s)
    return nullptr;
  for (const Table& t : s->tables) {
    if (SameName(t.Name(), name))
      return &t;
  }
  return nullptr;
}

Entity* Document::FindTableRecord(std::string_view table, std::string_view name) {
  return const_cast<Entity*>(std::as_const(*this).FindTableRecord(table, name));
}

const Entity* Document::FindTableRecord(std::string_view table, std::string_view name) const {
  const Table* t = FindTable(table);
  if (!t)
    return nullptr;
  for (const Entity& r : t->records) {
    if (SameName(r.Value(2), name))
      return &r;
  }
  return nullptr;
}

Block* Document::FindBlock(std::string_view name) {
  return const_cast<Block*>(std::as_const(*this).FindBlock(name));
}

const Block* Document::FindBlock(std::string_view name) const {
  const Section* s = FindSection("BLOCKS");
  if (!s)
    return nullptr;
  for (const Block& b : s->blocks) {
    if (SameName(b.Name(), name))
      return &b;
  }
  return nullptr;
}

std::string Document::ModelSpaceHandle() const {
  const Entity* record = FindTableRecord("BLOCK_RECORD", "*Model_Space");
  return record ? record->Handle() : std::string();
}

namespace {

constexpr std::uint64_t kLastHandle = std::numeric_limits<std::uint64_t>::max();

// Calls f(handle) for the handle a record holds (group 5, or 105), if any.
template <typename F>
void ForEachHandleOf(const Entity& e, F&& f) {
  for (const Tag& t : e.tags) {
    if (t.code == 5 || t.code == 105) {
      if (const auto h = ParseHex(t.value))
        f(*h);
    }
  }
}

}  // namespace

void Document::TakeHandle(std::uint64_t handle) {
  usedHandles_.insert(handle);
  nextHandle_ = std::max(nextHandle_, handle == kLastHandle ? kLastHandle : handle + 1);
}

std::string Document::NewHandle() {
  constexpr std::uint64_t kLast = kLastHandle;
  if (nextHandle_ == 0) {
    nextHandle_ = 1;
    if (const auto seed = HeaderValue("$HANDSEED"))
      nextHandle_ = std::max<std::uint64_t>(1, ParseHex(*seed).value_or(1));
    ForEachRecord([&](const Entity& e) { ForEachHandleOf(e, [&](auto h) { TakeHandle(h); }); });
  }
  for (const std::uint64_t h : reservedHandles_)
    TakeHandle(h);
  reservedHandles_.clear();
  // Past the top the counter cannot go on: the lowest handle no record holds is taken instead,
  // so that a handle is never given twice.
  if (usedHandles_.count(nextHandle_) != 0) {
    nextHandle_ = 1;
    for (const std::uint64_t used : usedHandles_) {
      if (used > nextHandle_)
        break;
      if (used == nextHandle_)
        ++nextHandle_;
    }
  }
  const std::uint64_t handle = nextHandle_;
  usedHandles_.insert(handle);
  nextHandle_ = handle == kLast ? kLast : handle + 1;
  SetHeaderVariable("$HANDSEED", {Tag{5, Hex(nextHandle_)}});
  return Hex(handle);
}

void Document::ReserveHandles(const std::vector<Entity>& records) {
  for (const Entity& e : records)
    ForEachHandleOf(e, [&](std::uint64_t h) { reservedHandles_.push_back(h); });
}

}  // namespace trivane::dxf
