// The MOVE command.
#include "host/command_line/prompts.h"

namespace trivane::host::command_line {

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

}  // namespace trivane::host::command_line
