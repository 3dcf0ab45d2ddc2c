// The LEADER command.
#include "host/command_line/prompts.h"

namespace trivane::host::command_line {

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

}  // namespace trivane::host::command_line
