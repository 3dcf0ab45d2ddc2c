// What the commands of the host's command line share: the prompts of one run (Session), the
// answers it replays when a waiting command runs on, and the commands themselves.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>
#include <variant>

#include "base/text.h"
#include "geometry/angle.h"
#include "host/bridge/dxf_bridge.h"
#include "host/command_line/command_line.h"
#include "host/dxf/io.h"
#include "host/dxf/tags.h"
#include "host/model/selection.h"
#include "host/model/shapes.h"

namespace trivane::host::command_line {

using cad::AutomationError;

// The member the host's prompts name in their errors: the commands come through SendCommand.
inline constexpr std::string_view kMember = "SendCommand";
// What the host's idle state counts down while a command waits: more polls than any wait makes.
inline constexpr int kWaitingBusyPolls = INT_MAX;

// "x,y" or "x,y,z"; with a leading "@" relative to `last` ("@" alone is `last`).
std::optional<TAcadPoint> ParsePoint(std::string_view s, const TAcadPoint& last);

// An option keyword: the answer is a prefix of it at least `shortest` letters long.
struct Keyword {
  std::string_view name;  // upper case
  std::size_t shortest = 1;
};
bool Matches(std::string_view answer, const Keyword& k);

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

}  // namespace trivane::host::command_line

namespace trivane::host {

struct CadCommandLine::Waiting {
  std::string command;
  std::vector<command_line::Reply> transcript;  // the answers taken so far, in order
  bool promptShown = false;                     // the prompt it waits at is on the log already
  std::optional<int> savedBusyPolls;
};

}  // namespace trivane::host

namespace trivane::host::command_line {

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

  // A number; Enter gives the default. A scale factor is asked again when it is 0.
  double AskNumber(std::string_view prompt, double fallback) {
    return AskNumberUntil(prompt, fallback, [](double) { return true; });
  }
  double AskNonzeroNumber(std::string_view prompt, double fallback) {
    return AskNumberUntil(prompt, fallback, [this](double v) {
      if (v != 0.0)
        return true;
      Message("Value must be nonzero.");
      return false;
    });
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
  // A number that `accepts` takes (it says why not when it refuses), asked until one is given.
  template <typename Accepts>
  double AskNumberUntil(std::string_view prompt, double fallback, Accepts accepts) {
    for (;;) {
      const std::string w = AskWord(prompt);
      if (w.empty())
        return fallback;
      const std::optional<double> v = ParseDecimal(w);
      if (!v)
        Message("Requires numeric value.");
      else if (accepts(*v))
        return *v;
    }
  }

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

// The commands.
void Boundary(Session& s);
void Insert(Session& s);
void Move(Session& s);
void Leader(Session& s);

}  // namespace trivane::host::command_line
