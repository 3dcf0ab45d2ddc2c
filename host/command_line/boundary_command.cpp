// The BOUNDARY command: closed polylines around the points picked.
#include "host/command_line/prompts.h"

namespace trivane::host::command_line {

namespace {

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

}  // namespace

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

}  // namespace trivane::host::command_line
