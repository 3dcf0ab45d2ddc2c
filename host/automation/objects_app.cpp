// Application, document, utility and idle-state objects of the host.
#include "host/automation/objects.h"

namespace trivane::host {

using cad::Value;

namespace {

class StateObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    if (r.Reads("IsQuiescent")) {
      r.args.Expect(0, 0);
      return Value::Bool(host().PollQuiescent());
    }
    r.Unknown();
  }
};

class ApplicationObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    if (r.Reads("ActiveDocument")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeDocument(hostRef()));
    }
    if (r.Reads("HWND")) {
      r.args.Expect(0, 0);
      return Value::Int64(host().hwnd());
    }
    // Each product answers only its own idle-state query.
    static constexpr std::pair<std::string_view, StateQuery> kQueries[] = {
        {"GetAcadState", StateQuery::Acad},
        {"GetGcadState", StateQuery::Gcad},
        {"GetZcadState", StateQuery::Zcad},
    };
    for (const auto& [name, query] : kQueries) {
      if (r.Calls(name) && StateQueryFor(host().progId()) == query) {
        r.args.Expect(0, 0);
        return Value::Ref(MakeState(hostRef()));
      }
    }
    r.Unknown();
  }
};

class UtilityObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    if (r.Calls("GetEntity")) {
      // GetEntity(out entity, out pick point, [prompt])
      r.args.Expect(2, 3);
      const std::string prompt = r.args.Has(2) ? r.args.Text(2) : std::string();
      const PickResult pick = host().AskEntity(r.member, prompt);
      r.args.SetOut(0, Value::Ref(MakeEntity(hostRef(), pick.entity)));
      r.args.SetOut(1, Value::Doubles({pick.point.x, pick.point.y, pick.point.z}));
      return Value();
    }
    if (r.Calls("GetPoint")) {
      // GetPoint([base point], [prompt]); the base point only rubber-bands on screen.
      r.args.Expect(0, 2);
      if (r.args.Has(0))
        r.args.Point(0);
      const std::string prompt = r.args.Has(1) ? r.args.Text(1) : std::string();
      const TAcadPoint p = host().AskPoint(r.member, prompt);
      return Value::Doubles({p.x, p.y, p.z});
    }
    if (r.Calls("TranslateCoordinates")) {
      // TranslateCoordinates(point, from, to, displacement, [normal]) between the world (0) and
      // the current user coordinate system (1).
      r.args.Expect(4, 5);
      const TAcadPoint p = r.args.Point(0);
      const std::int64_t from = r.args.Integer(1);
      const std::int64_t to = r.args.Integer(2);
      const CoordinateKind kind =
          r.args.Boolean(3) ? CoordinateKind::Displacement : CoordinateKind::Position;
      if (from < 0 || from > 1 || to < 0 || to > 1)
        r.Fail("only the world (0) and the user coordinate system (1) are supported",
               cad::kErrorInvalidArg);
      const SystemVariables& v = host().drawing().vars;
      const TAcadPoint world = from == 1 ? UcsToWorld(v, p, kind) : p;
      const TAcadPoint out = to == 1 ? WorldToUcs(v, world, kind) : world;
      return Value::Doubles({out.x, out.y, out.z});
    }
    if (r.Calls("Prompt")) {
      r.args.Expect(1, 1);
      host().log().Write(r.args.Text(0));
      return Value();
    }
    r.Unknown();
  }
};

class DocumentObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    Drawing& d = host().drawing();
    if (r.Reads("Utility")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeUtility(hostRef()));
    }
    if (r.Reads("ModelSpace")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeBlock(hostRef(), d.ModelSpaceId()));
    }
    if (r.Reads("PaperSpace")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeBlock(hostRef(), d.PaperSpaceId()));
    }
    if (r.Reads("Layers")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeLayers(hostRef()));
    }
    if (r.Reads("Blocks")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeBlocks(hostRef()));
    }
    if (r.Reads("SelectionSets")) {
      r.args.Expect(0, 0);
      return Value::Ref(MakeSelectionSets(hostRef()));
    }
    if (r.Calls("GetVariable")) {
      r.args.Expect(1, 1);
      return GetSystemVariable(d, r, r.args.Text(0));
    }
    if (r.Calls("SetVariable")) {
      r.args.Expect(2, 2);
      SetSystemVariable(d, r, r.args.Text(0), r.args[1]);
      return Value();
    }
    if (r.Calls("SendCommand")) {
      r.args.Expect(1, 1);
      host().SendCommand(r.args.Text(0));
      return Value();
    }
    if (r.Calls("StartUndoMark")) {
      r.args.Expect(0, 0);
      host().StartUndoMark();
      return Value();
    }
    if (r.Calls("EndUndoMark")) {
      r.args.Expect(0, 0);
      host().EndUndoMark();
      return Value();
    }
    if (r.Calls("Regen")) {
      r.args.Expect(1, 1);
      const std::int64_t which = r.args.Integer(0);
      if (which < 0 || which > 1)
        r.Fail("expected 0 (active viewport) or 1 (all viewports)", cad::kErrorInvalidArg);
      return Value();
    }
    if (r.Calls("ObjectIdToObject")) {
      r.args.Expect(1, 1);
      const ObjectId id = r.args.Integer(0);
      const Entity* e = d.FindEntity(id);
      if (!e)
        r.Fail("no object with ID " + std::to_string(id), cad::kErrorInvalidArg);
      return Value::Ref(MakeEntity(hostRef(), id));
    }
    r.Unknown();
  }
};

}  // namespace

cad::ObjectRef Host::Application() {
  return MakeApplication(shared_from_this());
}

cad::ObjectRef MakeApplication(std::shared_ptr<Host> host) {
  return std::make_shared<ApplicationObject>(std::move(host));
}
cad::ObjectRef MakeDocument(std::shared_ptr<Host> host) {
  return std::make_shared<DocumentObject>(std::move(host));
}
cad::ObjectRef MakeUtility(std::shared_ptr<Host> host) {
  return std::make_shared<UtilityObject>(std::move(host));
}
cad::ObjectRef MakeState(std::shared_ptr<Host> host) {
  return std::make_shared<StateObject>(std::move(host));
}

}  // namespace trivane::host
