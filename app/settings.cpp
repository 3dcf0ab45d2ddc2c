#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "app/main_window.h"
#include "app/support.h"
#include "cad/names.h"
#include "geometry/numbers.h"

namespace trivane::app {

// ---------------------------------------------------------------------------------------------
// Reading rules

namespace {

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool EnclosedInQuotes(std::string_view v) {
  return v.size() >= 2 && IsQuote(v.front()) && v.front() == v.back();
}

// The longest prefix of a UTF-8 text that fits `maxUnits` UTF-16 code units, never cutting a
// character (a 4-byte sequence takes two units).
std::string_view CutToUtf16Units(std::string_view s, int maxUnits) {
  std::size_t i = 0;
  int units = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const std::size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const int needed = lead >= 0xF0 ? 2 : 1;
    if (units + needed > maxUnits)
      break;
    units += needed;
    i += std::min(bytes, s.size() - i);
  }
  return s.substr(0, i);
}

// One line of an INI text, classified.
struct IniLine {
  enum class Kind { Other, Section, Key } kind = Kind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
};

IniLine Classify(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() == ';')
    return {};
  if (line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
      return {};  // a broken header names no section
    return {IniLine::Kind::Section, TrimBlanks(line.substr(1, close - 1)), {}};
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos)
    return {};  // a line without "=" holds no key
  return {IniLine::Kind::Key, TrimBlanks(line.substr(0, equals)),
          TrimBlanks(line.substr(equals + 1))};
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
  int base = 10;
  bool signAllowed = true;  // from_chars itself takes a leading "-" and nothing else
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    signAllowed = false;
    text.remove_prefix(2);
  } else if (!text.empty() && text.front() == '+') {
    signAllowed = false;
    text.remove_prefix(1);
  }
  if (text.empty() || (!signAllowed && text.front() == '-'))
    return std::nullopt;
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (ec != std::errc() || ptr != end)
    return std::nullopt;
  return value;
}

int ReadInteger(const SettingsStore& store, std::string_view section, std::string_view key,
                int fallback) {
  return ParseProfileInteger(store.ReadString(section, key, "")).value_or(fallback);
}

bool ReadBool(const SettingsStore& store, std::string_view section, std::string_view key,
              bool fallback) {
  return ReadInteger(store, section, key, fallback ? 1 : 0) != 0;
}

// ---------------------------------------------------------------------------------------------
// IniDocument

IniDocument::IniDocument(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) {
    byteOrderMark_ = true;
    bytes.remove_prefix(kByteOrderMark.size());
  }
  lines_ = SplitLines(bytes);
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (const std::string& text : lines_) {
    const IniLine line = Classify(text);
    if (line.kind == IniLine::Kind::Section)
      inSection = cad::NamesEqual(line.name, section);
    else if (line.kind == IniLine::Kind::Key && inSection && cad::NamesEqual(line.name, key))
      return std::string(line.value);
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key,
                      std::string_view storedValue) {
  bool inSection = false;
  std::optional<std::size_t> insertAfter;  // last key (or the header) of the first such section
  bool firstSectionDone = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const IniLine line = Classify(lines_[i]);
    if (line.kind == IniLine::Kind::Section) {
      if (inSection)
        firstSectionDone = true;
      inSection = cad::NamesEqual(line.name, section);
      if (inSection && !insertAfter)
        insertAfter = i;
    } else if (line.kind == IniLine::Kind::Key && inSection) {
      if (cad::NamesEqual(line.name, key)) {
        lines_[i] = std::string(line.name) + "=" + std::string(storedValue);
        return;
      }
      if (!firstSectionDone)
        insertAfter = i;
    }
  }
  std::string keyLine = std::string(key) + "=" + std::string(storedValue);
  if (insertAfter) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAfter) + 1,
                  std::move(keyLine));
    return;
  }
  if (!lines_.empty() && !TrimBlanks(lines_.back()).empty())
    lines_.emplace_back();
  lines_.push_back("[" + std::string(section) + "]");
  lines_.push_back(std::move(keyLine));
}

std::string IniDocument::Bytes() const {
  std::string bytes = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
  for (const std::string& line : lines_) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

// ---------------------------------------------------------------------------------------------
// IniFileStore

IniFileStore::IniFileStore(std::filesystem::path path)
    : path_(std::move(path)), document_(ReadFileBytes(path_).value_or("")) {}

bool IniFileStore::Exists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(path_, ec);
}

std::string IniFileStore::ReadString(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
  return document_.ReadString(section, key, fallback);
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  std::optional<std::string> value = Find(section, key);
  if (!value)
    return std::string(fallback);
  std::string_view v = *value;
  if (EnclosedInQuotes(v))
    v = v.substr(1, v.size() - 2);
  return std::string(CutToUtf16Units(v, kMaxProfileValueLength));
}

void IniFileStore::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos)
    throw FileWriteError(path_);
  std::string stored(value);
  if (TrimBlanks(value).size() != value.size() || EnclosedInQuotes(value))
    stored = "\"" + stored + "\"";
  document_.Set(section, key, stored);
  pending_.push_back({std::string(section), {std::string(key), std::move(stored)}});
}

void IniFileStore::Flush() {
  // Merge into the file as it is now, so that what others wrote meanwhile stays.
  std::error_code ec;
  std::optional<std::string> bytes = ReadFileBytes(path_);
  if (!bytes && std::filesystem::exists(path_, ec))
    throw FileWriteError(path_);  // there but unreadable: never overwrite what we cannot keep
  IniDocument merged(bytes.value_or(""));
  for (const auto& [section, keyValue] : pending_)
    merged.Set(section, keyValue.first, keyValue.second);
  WriteFileAtomically(path_, merged.Bytes());
  document_ = std::move(merged);
  pending_.clear();
}

// ---------------------------------------------------------------------------------------------
// The keys

namespace {

constexpr std::string_view kForm = "Form";
constexpr std::string_view kTrivane = "LT_Trivane";

using Slot = SettingSlot;

struct KeyRow {
  std::string_view section;
  std::string_view key;
  Slot slot;
  std::string_view control = {};  // for Rounding: the first of the three radio buttons
  std::string_view textDefault = {};
  int intDefault = 0;
  void (TForm1::*after)() = nullptr;  // the handler that follows the load
  RoundingMode commands::NumberSettings::*mode = nullptr;
};

using N = commands::NumberSettings;

// The file's keys in file order; reading and writing both follow it.
const KeyRow kKeys[] = {
    {kForm, "Top", Slot::Top},
    {kForm, "Left", Slot::Left},
    {kTrivane, "Kakudo", Slot::Edit, "Edit13", "180.0"},
    {kTrivane, "Yajirusi", Slot::Edit, "Edit14", "400.0"},
    {kTrivane, "Leader", Slot::CheckBox, "CheckBox3", {}, 1, &TForm1::CheckBox3Click},
    {kTrivane, "Kyuuseki", Slot::RadioGroup, "RadioGroup1", {}, 0},
    {kTrivane, "AllData", Slot::CheckBox, "CheckBox2", {}, 1},
    {kTrivane, "A_Hen", Slot::Edit, "Edit1", "8.0"},
    {kTrivane, "B_Hen", Slot::Edit, "Edit2", "10.0"},
    {kTrivane, "AutoCheck", Slot::CheckBox, "CheckBox1", {}, 1},
    {kTrivane, "Jouritu", Slot::UpDown, "UpDown5", {}, 3, &TForm1::UpDown5Click},
    {kTrivane, "Syakudo", Slot::UpDown, "UpDown3", {}, 3, &TForm1::UpDown3Click},
    {kTrivane, "Keta1", Slot::UpDown, "UpDown2", {}, 2, &TForm1::UpDown2Click},
    {kTrivane, "Keta2", Slot::UpDown, "UpDown6", {}, 4, &TForm1::UpDown6Click},
    {kTrivane, "Keta3", Slot::UpDown, "UpDown1", {}, 2, &TForm1::UpDown1Click},
    {kTrivane, "M_Layer", Slot::Edit, "Edit12", "H_TEXT"},
    {kTrivane, "H_Layer", Slot::Edit, "Edit15", "H_HEN"},
    {kTrivane, "T_Layer", Slot::Edit, "Edit19", "H_TAKASA"},
    {kTrivane,
     "Nagasa",
     Slot::Rounding,
     "RadioButton1",
     {},
     1,
     &TForm1::RadioButton1Click,
     &N::Nagasa},
    {kTrivane,
     "Menseki",
     Slot::Rounding,
     "RadioButton4",
     {},
     1,
     &TForm1::RadioButton4Click,
     &N::Menseki},
    {kTrivane,
     "Goukei",
     Slot::Rounding,
     "RadioButton7",
     {},
     1,
     &TForm1::RadioButton7Click,
     &N::Goukei},
    {kTrivane, "M_Taka1", Slot::Edit, "Edit3", "300"},
    {kTrivane, "N_Taka1", Slot::Edit, "Edit5", "400"},
    {kTrivane, "Hankei1", Slot::Edit, "Edit6", "500"},
    {kTrivane, "M_Taka2", Slot::Edit, "Edit9", "400"},
    {kTrivane, "G_Taka", Slot::Edit, "Edit10", "800"},
    {kTrivane, "Haba1", Slot::Edit, "Edit11", "1500,3000,3000,3000,4500"},
    {kTrivane, "Haba2", Slot::Edit, "Edit20", "1500,3000,3000,4500"},
    {kTrivane, "UseTextStyle", Slot::CheckBox, "CheckBox4", {}, 1},
    {kTrivane, "Keizoku", Slot::CheckBox, "CheckBox5", {}, 0},
    {kTrivane, "ProgId", Slot::ProgId},
    {kTrivane, "cadName", Slot::CadName},
};

// "RadioButton4" + 2 -> "RadioButton6".
std::string RadioButtonAfter(std::string_view first, int offset) {
  constexpr std::string_view prefix = "RadioButton";
  int number = 0;
  std::from_chars(first.data() + prefix.size(), first.data() + first.size(), number);
  return std::string(prefix) + std::to_string(number + offset);
}

}  // namespace

std::vector<SettingsKey> SettingsKeys() {
  std::vector<SettingsKey> keys;
  for (const KeyRow& row : kKeys)
    keys.push_back({row.section, row.key, row.slot, row.control});
  return keys;
}

void LoadSettings(TForm1& form, const SettingsStore& store, ScreenSize screen) {
  if (!store.Exists())
    return;
  ProgramState& state = form.State();
  for (const KeyRow& row : kKeys) {
    auto integer = [&](int fallback) { return ReadInteger(store, row.section, row.key, fallback); };
    auto text = [&](std::string_view fallback) {
      return store.ReadString(row.section, row.key, fallback);
    };
    switch (row.slot) {
      case Slot::Top:  // centred on the screen by default
        form.MoveTo(form.Left(), integer((screen.height - TForm1::kHeight) / 2));
        break;
      case Slot::Left:
        form.MoveTo(integer((screen.width - TForm1::kWidth) / 2), form.Top());
        break;
      case Slot::Edit:
        form.SetText(row.control, text(row.textDefault));
        break;
      case Slot::CheckBox:
        form.SetChecked(row.control, ReadBool(store, row.section, row.key, row.intDefault != 0));
        break;
      case Slot::RadioGroup: {
        const int last = static_cast<int>(form.Find(row.control).items.size()) - 1;
        form.SetItemIndex(row.control, std::clamp(integer(row.intDefault), 0, last));
        break;
      }
      case Slot::UpDown:
        form.SetPosition(row.control, integer(row.intDefault));
        break;
      case Slot::Rounding: {
        const int value = integer(row.intDefault);
        state.numbers.*row.mode = static_cast<RoundingMode>(value);
        // 1 四捨, 2 切上, anything else 切捨; the group's handler then sets the variable from
        // the checked button, so the mode ends as 0, 1 or 2.
        form.SetChecked(RadioButtonAfter(row.control, value == 1 || value == 2 ? value : 0), true);
        break;
      }
      case Slot::ProgId:
        state.link.ProgId = text(state.link.ProgId);
        break;
      case Slot::CadName:
        state.link.CadName = text(state.link.CadName);
        break;
    }
    // Also when setting the control raised nothing (it already held the value): the settings it
    // drives must follow it in every case.
    if (row.after != nullptr)
      (form.*row.after)();
  }
}

void SaveSettings(const TForm1& form, SettingsStore& store) {
  const ProgramState& state = form.State();
  for (const KeyRow& row : kKeys) {
    std::string value;
    switch (row.slot) {
      case Slot::Top:
        value = std::to_string(form.Top());
        break;
      case Slot::Left:
        value = std::to_string(form.Left());
        break;
      case Slot::Edit:
        value = form.Text(row.control);
        break;
      case Slot::CheckBox:
        value = form.Checked(row.control) ? "1" : "0";
        break;
      case Slot::RadioGroup:
        value = std::to_string(form.ItemIndex(row.control));
        break;
      case Slot::UpDown:
        value = std::to_string(form.Position(row.control));
        break;
      case Slot::Rounding:
        value = std::to_string(static_cast<int>(state.numbers.*row.mode));
        break;
      case Slot::ProgId:
        value = state.link.ProgId;
        break;
      case Slot::CadName:
        value = state.link.CadName;
        break;
    }
    store.WriteString(row.section, row.key, value);
  }
  store.Flush();
}

}  // namespace trivane::app
