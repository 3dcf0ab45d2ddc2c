// AutoLISP as the commands type it: (command ...), (princ ...), the symbol pause.
#include <stdexcept>

#include "host/command_line/command_line.h"
#include "host/command_line/prompts.h"

namespace trivane::host {

namespace {

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

}  // namespace trivane::host
