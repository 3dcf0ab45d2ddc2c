#include "cli/script.h"

#include <algorithm>
#include <array>

#include "app/controls.h"
#include "app/settings.h"
#include "app/support.h"
#include "geometry/numbers.h"

namespace trivane::cli {
namespace {

constexpr std::array kButtons{
    ButtonName{"Button12", "分割", "split"},
    ButtonName{"Button10", "自動", "auto"},
    ButtonName{"Button6", "１点指示", "one-point"},
    ButtonName{"Button13", "群選択", "group"},
    ButtonName{"Button8", "２辺指示", "two-sides"},
    ButtonName{"Button4", "最大", "max"},
    ButtonName{"Button3", "作成", "table"},
    ButtonName{"Button1", "基準線", "base"},
    ButtonName{"Button9", "a-b反転", "swap"},
    ButtonName{"Button2", "文字回転", "rotate"},
    ButtonName{"Button5", "番号と円移動", "move-marker"},
    ButtonName{"Button11", "長さ記入", "length"},
    ButtonName{"Button15", "座標求積", "coords"},
    ButtonName{"Button16", "ﾎﾟﾘ選択", "coords-polyline"},
};

constexpr std::string_view kBlanks = " \t";

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

// The first word of `s` and the rest, blanks at its ends removed.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view s) {
  s = TrimBlanks(s);
  const std::size_t end = s.find_first_of(kBlanks);
  if (end == std::string_view::npos)
    return {s, {}};
  return {s.substr(0, end), TrimBlanks(s.substr(end))};
}

// The line without its comment: "#" at the start or after a blank begins one.
std::string_view StripComment(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
      return line.substr(0, i);
  }
  return line;
}

// "１" .. "９" (U+FF11..U+FF19, UTF-8 EF BC 91..99) become "1" .. "9".
std::string AsciiDigits(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i + 2 < s.size() && static_cast<unsigned char>(s[i]) == 0xEF &&
        static_cast<unsigned char>(s[i + 1]) == 0xBC &&
        static_cast<unsigned char>(s[i + 2]) >= 0x90 &&
        static_cast<unsigned char>(s[i + 2]) <= 0x99) {
      out += static_cast<char>('0' + (static_cast<unsigned char>(s[i + 2]) - 0x90));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string KnownButtons() {
  std::string list;
  for (const ButtonName& b : kButtons)
    list += (list.empty() ? "" : ", ") + std::string(b.caption) + " (" + std::string(b.alias) + ")";
  return list;
}

class Parser {
 public:
  explicit Parser(const std::string& file) : file_(file) {}

  void Line(int number, std::string_view raw) {
    const SourceLine where{file_, number};
    const std::string_view line = TrimBlanks(StripComment(raw));
    if (line.empty())
      return;
    const auto [keyword, rest] = SplitWord(line);
    if (SameWord(keyword, "set"))
      Add(where, line, ParseSet(where, rest));
    else if (SameWord(keyword, "number"))
      Add(where, line, ParseNumber(where, rest));
    else if (SameWord(keyword, "sysvar"))
      Add(where, line, ParseSysvar(where, rest));
    else if (SameWord(keyword, "click"))
      Add(where, line, ParseClick(where, rest));
    else if (SameWord(keyword, "undo") && TrimBlanks(rest).empty())
      Add(where, line, UndoAction{});
    else if (IsAnswerKeyword(keyword))
      Answer(where, keyword, rest);
    else
      throw LineError(where,
                      "unknown action \"" + std::string(keyword) +
                          "\" (set, number, sysvar, click, point, entity, select, cancel, undo)");
  }

  Script Take() { return std::move(script_); }

 private:
  static bool IsAnswerKeyword(std::string_view w) {
    return SameWord(w, "point") || SameWord(w, "entity") || SameWord(w, "select") ||
           SameWord(w, "cancel");
  }

  void Add(const SourceLine& where, std::string_view line, Action action) {
    script_.steps.push_back(Step{where, std::string(line), std::move(action)});
    // An answer belongs to the click right above it (comments and blank lines between are fine).
    answersOpen_ = std::holds_alternative<ClickAction>(script_.steps.back().action);
  }

  static SetAction ParseSet(const SourceLine& where, std::string_view rest) {
    const auto [key, value] = SplitWord(rest);
    if (key.empty())
      throw LineError(where, "set needs a settings key and a value: set KEY VALUE");
    for (const app::SettingsKey& k : app::SettingsKeys()) {
      if (SameWord(k.key, key))
        return SetAction{std::string(k.key), std::string(value)};
    }
    std::string keys;
    for (const app::SettingsKey& k : app::SettingsKeys())
      keys += (keys.empty() ? "" : ", ") + std::string(k.key);
    throw LineError(where, "unknown settings key \"" + std::string(key) + "\" (" + keys + ")");
  }

  static NumberAction ParseNumber(const SourceLine& where, std::string_view rest) {
    const std::optional<int> n = ParseInteger(rest);
    if (!n || *n < 1 || *n > app::kMaxTriangleNumber)
      throw LineError(where, "number needs a whole number from 1 to " +
                                 std::to_string(app::kMaxTriangleNumber) + ", got \"" +
                                 std::string(rest) + "\"");
    return NumberAction{*n};
  }

  static SysvarAction ParseSysvar(const SourceLine& where, std::string_view rest) {
    const auto [name, value] = SplitWord(rest);
    if (name.empty() || value.empty())
      throw LineError(where, "sysvar needs a variable name and a value: sysvar NAME VALUE");
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return SysvarAction{std::move(upper), std::string(value)};
  }

  static ClickAction ParseClick(const SourceLine& where, std::string_view rest) {
    const ButtonName* button = FindButton(rest);
    if (!button)
      throw LineError(where,
                      "unknown button \"" + std::string(rest) + "\" (" + KnownButtons() + ")");
    return ClickAction{button, {}};
  }

  static TAcadPoint Point(const SourceLine& where, std::string_view text, std::string_view what) {
    const std::optional<TAcadPoint> p = ParsePoint(text);
    if (!p)
      throw LineError(where, std::string(what) + " needs a point X,Y or X,Y,Z, got \"" +
                                 std::string(text) + "\"");
    return *p;
  }

  static host::UserAnswer Window(const SourceLine& where, std::string_view kind,
                                 std::string_view corners) {
    const auto [first, second] = SplitWord(corners);
    const auto [secondPoint, extra] = SplitWord(second);
    if (first.empty() || secondPoint.empty() || !extra.empty())
      throw LineError(where, "select " + std::string(kind) + " needs two corners: select " +
                                 std::string(kind) + " X1,Y1 X2,Y2");
    const TAcadPoint a = Point(where, first, "a window corner");
    const TAcadPoint b = Point(where, secondPoint, "a window corner");
    return SameWord(kind, "window") ? host::UserAnswer::Window(a, b)
                                    : host::UserAnswer::Crossing(a, b);
  }

  void Answer(const SourceLine& where, std::string_view keyword, std::string_view rest) {
    if (!answersOpen_)
      throw LineError(where, "an answer with no click above it: \"" + std::string(keyword) +
                                 "\" must follow the click whose prompt it answers");
    host::UserAnswer answer;
    if (SameWord(keyword, "point")) {
      answer = host::UserAnswer::Point(Point(where, rest, "point"));
    } else if (SameWord(keyword, "entity")) {
      answer = host::UserAnswer::Pick(Point(where, rest, "entity"));
    } else if (SameWord(keyword, "cancel")) {
      if (!rest.empty())
        throw LineError(where, "cancel takes nothing after it");
      answer = host::UserAnswer::Cancel();
    } else {
      const auto [kind, corners] = SplitWord(rest);
      if (SameWord(kind, "all") && corners.empty())
        answer = host::UserAnswer::All();
      else if (SameWord(kind, "window") || SameWord(kind, "crossing"))
        answer = Window(where, kind, corners);
      else
        throw LineError(where, "select needs all, window X1,Y1 X2,Y2 or crossing X1,Y1 X2,Y2");
    }
    std::get<ClickAction>(script_.steps.back().action).answers.push_back({where, answer});
  }

  const std::string& file_;
  Script script_;
  bool answersOpen_ = false;
};

}  // namespace

std::span<const ButtonName> CommandButtons() {
  return kButtons;
}

const ButtonName* FindButton(std::string_view word) {
  word = TrimBlanks(word);
  const std::string ascii = AsciiDigits(word);
  for (const ButtonName& b : kButtons) {
    if (word == b.caption || ascii == AsciiDigits(b.caption) || SameWord(word, b.alias) ||
        SameWord(word, b.control))
      return &b;
  }
  return nullptr;
}

std::optional<TAcadPoint> ParsePoint(std::string_view text) {
  const std::vector<std::string> parts = SplitCommaList(text);
  if (parts.size() != 2 && parts.size() != 3)
    return std::nullopt;
  double v[3] = {0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::optional<double> d = ParseDecimal(parts[i]);
    if (!d)
      return std::nullopt;
    v[i] = *d;
  }
  return TAcadPoint{v[0], v[1], v[2]};
}

Script ParseScript(std::string_view text, const std::string& file) {
  if (text.starts_with(app::kByteOrderMark))
    text.remove_prefix(app::kByteOrderMark.size());
  Parser parser(file);
  int number = 0;
  for (const std::string& line : app::SplitLines(text))
    parser.Line(++number, line);
  return parser.Take();
}

Script ReadScriptFile(const std::filesystem::path& path) {
  const std::optional<std::string> bytes = app::ReadFileBytes(path);
  if (!bytes)
    throw UsageError(PathText(path) + ": cannot read the script");
  return ParseScript(*bytes, PathText(path));
}

}  // namespace trivane::cli
