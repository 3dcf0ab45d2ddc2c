#include "host/model/host.h"

#include "cad/names.h"

namespace trivane::host {

using cad::AutomationError;

StateQuery StateQueryFor(std::string_view progId) {
  const std::string p = FoldName(progId);
  if (p.find("GCAD") != std::string::npos) {
    return cad::ProgIdVersion(p) < 24 ? StateQuery::Gcad : StateQuery::Acad;
  }
  if (p.find("ZWCAD") != std::string::npos)
    return StateQuery::Zcad;
  return StateQuery::Acad;
}

std::shared_ptr<Host> Host::Create(HostOptions options) {
  return std::shared_ptr<Host>(new Host(std::move(options)));
}

bool Host::PollQuiescent() {
  if (busyPolls_ > 0) {
    --busyPolls_;
    return false;
  }
  return true;
}

void Host::CountCall(std::string_view member) {
  auto it = calls_.find(member);
  if (it == calls_.end())
    it = calls_.emplace(std::string(member), 0).first;
  ++it->second;
}

std::int64_t Host::CallCount(std::string_view member) const {
  auto it = calls_.find(member);
  return it == calls_.end() ? 0 : it->second;
}

std::int64_t Host::TotalCalls() const {
  std::int64_t total = 0;
  for (const auto& [member, count] : calls_)
    total += count;
  return total;
}

namespace {

[[noreturn]] void Cancelled(CommandLog& log, std::string_view member) {
  log.Write("*Cancel*");
  log.EndLine();
  throw AutomationError(std::string(member), "input cancelled", cad::kErrorCancelled);
}

[[noreturn]] void WrongAnswer(CommandLog& log, std::string_view member, const UserAnswer& a,
                              std::string_view wanted) {
  log.Write(a.Describe());
  log.EndLine();
  throw AutomationError(
      std::string(member),
      "the scripted answer " + a.Describe() + " does not answer " + std::string(wanted),
      cad::kErrorFailed);
}

// A picked point: the prompt, the user's next answer (a point or a pick), snapped to the grid
// while SNAPMODE is 1; it becomes LASTPOINT. `what` names the prompt in a wrong-answer error.
TAcadPoint AskPickedPoint(CommandLog& log, ScriptedUser& user, SystemVariables& vars,
                          std::string_view member, std::string_view prompt, std::string_view what) {
  log.Write(prompt);
  const std::optional<UserAnswer> a = user.Next();
  if (!a || a->kind == UserAnswer::Kind::Cancel)
    Cancelled(log, member);
  if (a->kind != UserAnswer::Kind::Point && a->kind != UserAnswer::Kind::Pick)
    WrongAnswer(log, member, *a, what);
  TAcadPoint p = a->p1;
  if (vars.SNAPMODE == 1)
    p = SnapToGrid(vars, p);
  log.Write(FormatPoint(p));
  log.EndLine();
  vars.LASTPOINT = p;
  return p;
}

}  // namespace

TAcadPoint Host::AskPoint(std::string_view member, std::string_view prompt) {
  return AskPickedPoint(log_, user_, drawing_.vars, member, prompt, "a point prompt");
}

PickResult Host::AskEntity(std::string_view member, std::string_view prompt) {
  const TAcadPoint p =
      AskPickedPoint(log_, user_, drawing_.vars, member, prompt, "an entity prompt");
  const std::optional<ObjectId> id =
      NearestEntity(drawing_, p, PickTolerance(drawing_.vars), EntityFilter{});
  if (!id)
    throw AutomationError(std::string(member), "no entity at the picked point", cad::kErrorFailed);
  return PickResult{*id, p};
}

std::vector<ObjectId> Host::AskSelection(std::string_view member, const EntityFilter& filter) {
  log_.Write("Select objects: ");
  const std::optional<UserAnswer> a = user_.Next();
  if (!a || a->kind == UserAnswer::Kind::Cancel)
    Cancelled(log_, member);
  log_.Write(a->Describe());
  log_.EndLine();
  auto snapped = [&](const TAcadPoint& p) {
    return drawing_.vars.SNAPMODE == 1 ? SnapToGrid(drawing_.vars, p) : p;
  };
  std::vector<ObjectId> ids;
  switch (a->kind) {
    case UserAnswer::Kind::All:
      ids = SelectAll(drawing_, filter);
      break;
    case UserAnswer::Kind::Window:
      ids = SelectWindow(drawing_, Box::FromCorners(snapped(a->p1), snapped(a->p2)), filter);
      break;
    case UserAnswer::Kind::Crossing:
      ids = SelectCrossing(drawing_, Box::FromCorners(snapped(a->p1), snapped(a->p2)), filter);
      break;
    case UserAnswer::Kind::Point:
    case UserAnswer::Kind::Pick:
      if (auto id = NearestEntity(drawing_, snapped(a->p1), PickTolerance(drawing_.vars), filter))
        ids.push_back(*id);
      break;
    case UserAnswer::Kind::Cancel:
      break;
  }
  log_.Write(std::to_string(ids.size()) + " found");
  log_.EndLine();
  previous_ = ids;
  return ids;
}

ObjectId Host::CreateEntity(Shape shape, ObjectId owner) {
  Entity e;
  e.shape = std::move(shape);
  e.layer = drawing_.vars.CLAYER;
  e.modified = true;
  return drawing_.AddEntity(std::move(e), owner);
}

void Host::SendCommand(std::string_view text) {
  log_.Write(text);
  if (!interpreter_)
    return;
  try {
    interpreter_->Run(*this, text);
  } catch (const AutomationError& e) {
    if (!e.cancelled()) {
      log_.Write(e.what());
      log_.EndLine();
    }
  }
}

void Host::StartUndoMark() {
  if (undoDepth_++ == 0)
    drawing_.BeginUndoStep();
}

void Host::EndUndoMark() {
  if (undoDepth_ > 0 && --undoDepth_ == 0)
    drawing_.EndUndoStep();
}

bool Host::UndoLastStep() {
  return drawing_.UndoLastStep();
}

}  // namespace trivane::host
