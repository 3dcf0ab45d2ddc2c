#include "host/model/wildcard.h"

#include <string>
#include <vector>

#include "host/model/utf8.h"

namespace trivane::host {
namespace {

char32_t Fold(char32_t c) {
  return (c >= U'a' && c <= U'z') ? c - U'a' + U'A' : c;
}
bool IsDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}
bool IsLetter(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

// One pattern element: a literal, a class of characters, or a star.
struct Element {
  enum class Kind { Literal, Any, Digit, Letter, Other, Class, Star } kind = Kind::Literal;
  char32_t literal = 0;
  bool negated = false;                               // for Class
  std::vector<std::pair<char32_t, char32_t>> ranges;  // for Class

  bool Matches(char32_t c) const {
    switch (kind) {
      case Kind::Literal:
        return Fold(c) == Fold(literal);
      case Kind::Any:
        return true;
      case Kind::Digit:
        return IsDigit(c);
      case Kind::Letter:
        return IsLetter(c);
      case Kind::Other:
        return !IsDigit(c) && !IsLetter(c);
      case Kind::Class: {
        bool in = false;
        for (const auto& [lo, hi] : ranges)
          in = in || (Fold(c) >= Fold(lo) && Fold(c) <= Fold(hi)) || (c >= lo && c <= hi);
        return in != negated;
      }
      case Kind::Star:
        return false;
    }
    return false;
  }
};

struct Alternative {
  bool negated = false;
  std::vector<Element> elements;
};

std::vector<Alternative> Parse(const std::u32string& p) {
  std::vector<Alternative> alts(1);
  bool atStart = true;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const char32_t c = p[i];
    Alternative& alt = alts.back();
    Element e;
    if (c == U',') {
      alts.emplace_back();
      atStart = true;
      continue;
    }
    if (c == U'~' && atStart) {
      alt.negated = !alt.negated;
      continue;
    }
    atStart = false;
    if (c == U'`' && i + 1 < p.size()) {
      e.literal = p[++i];
    } else if (c == U'*') {
      e.kind = Element::Kind::Star;
    } else if (c == U'?') {
      e.kind = Element::Kind::Any;
    } else if (c == U'#') {
      e.kind = Element::Kind::Digit;
    } else if (c == U'@') {
      e.kind = Element::Kind::Letter;
    } else if (c == U'.') {
      e.kind = Element::Kind::Other;
    } else if (c == U'[' && p.find(U']', i + 1) != std::u32string::npos) {
      e.kind = Element::Kind::Class;
      std::size_t j = i + 1;
      if (p[j] == U'~') {
        e.negated = true;
        ++j;
      }
      // A "]" right after the opening (or after "~") is a member, not the end.
      const std::size_t end = p.find(U']', p[j] == U']' ? j + 1 : j);
      if (end == std::u32string::npos) {
        e = Element{};
        e.literal = c;
      } else {
        for (std::size_t k = j; k < end; ++k) {
          if (k + 2 < end && p[k + 1] == U'-') {
            e.ranges.emplace_back(p[k], p[k + 2]);
            k += 2;
          } else {
            e.ranges.emplace_back(p[k], p[k]);
          }
        }
        i = end;
      }
    } else {
      e.literal = c;
    }
    alt.elements.push_back(std::move(e));
  }
  return alts;
}

// Classic backtracking over the last star: linear for patterns without stars, quadratic at worst.
bool MatchElements(const std::vector<Element>& els, const std::u32string& t) {
  std::size_t pi = 0, ti = 0;
  std::size_t starP = std::u32string::npos, starT = 0;
  while (ti < t.size()) {
    if (pi < els.size() && els[pi].kind == Element::Kind::Star) {
      starP = pi++;
      starT = ti;
    } else if (pi < els.size() && els[pi].Matches(t[ti])) {
      ++pi;
      ++ti;
    } else if (starP != std::u32string::npos) {
      pi = starP + 1;
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < els.size() && els[pi].kind == Element::Kind::Star)
    ++pi;
  return pi == els.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  const std::u32string t = DecodeUtf8(text);
  for (const Alternative& alt : Parse(DecodeUtf8(pattern))) {
    if (MatchElements(alt.elements, t) != alt.negated)
      return true;
  }
  return false;
}

}  // namespace trivane::host
