// Layers, blocks (model space among them) and selection sets of the host.
#include <algorithm>
#include <cmath>
#include <optional>

#include "host/automation/objects.h"

namespace trivane::host {

using cad::Value;

namespace {

Value PointValue(const TAcadPoint& p) {
  return Value::Doubles({p.x, p.y, p.z});
}

// The index argument of Item: a position counted from 0, or a name.
template <typename Records, typename NameOf>
std::size_t ItemIndex(const Request& r, const Records& records, NameOf nameOf) {
  r.args.Expect(1, 1);
  if (r.args[0].type() == Value::Type::Text) {
    const std::string& name = r.args[0].GetText();
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (NamesEqual(nameOf(records[i]), name))
        return i;
    }
    r.Fail("no item named " + name, cad::kErrorInvalidArg);
  }
  const std::int64_t i = r.args.Integer(0);
  if (i < 0 || i >= static_cast<std::int64_t>(records.size()))
    r.Fail("index " + std::to_string(i) + " out of range", cad::kErrorInvalidArg);
  return static_cast<std::size_t>(i);
}

// Count and Item, which every collection answers alike (Item by position or by name, giving
// make(record)); nullopt for any other member.
template <typename Records, typename NameOf, typename Make>
std::optional<Value> CollectionMember(const Request& r, const Records& records, NameOf nameOf,
                                      Make make) {
  if (r.Reads("Count")) {
    r.args.Expect(0, 0);
    return Value::Int32(static_cast<std::int32_t>(records.size()));
  }
  if (r.Calls("Item"))
    return Value::Ref(make(records[ItemIndex(r, records, nameOf)]));
  return std::nullopt;
}

class LayerObject final : public HostObject {
 public:
  LayerObject(std::shared_ptr<Host> host, ObjectId id) : HostObject(std::move(host)), id_(id) {}

 protected:
  Value Dispatch(Request& r) override {
    auto& layers = host().drawing().layers;
    auto it = std::find_if(layers.begin(), layers.end(),
                           [&](const LayerRecord& l) { return l.id == id_; });
    if (it == layers.end())
      r.Fail("the layer was deleted");
    if (r.Reads("Name")) {
      r.args.Expect(0, 0);
      return Value::Text(it->name);
    }
    if (r.Reads("ObjectID")) {
      r.args.Expect(0, 0);
      return Value::Int64(it->id);
    }
    r.Unknown();
  }

 private:
  ObjectId id_;
};

class LayersObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    Drawing& d = host().drawing();
    if (const std::optional<Value> v = CollectionMember(
            r, d.layers, [](const LayerRecord& l) { return l.name; },
            [&](const LayerRecord& l) { return MakeLayer(hostRef(), l.id); }))
      return *v;
    if (r.Calls("Add")) {
      // An existing name gives the existing layer.
      r.args.Expect(1, 1);
      const std::string name = r.args.Text(0);
      if (!IsValidSymbolName(name))
        r.Fail("invalid layer name \"" + name + "\"", cad::kErrorInvalidArg);
      const bool existed = d.FindLayer(name) != nullptr;
      LayerRecord& layer = d.AddLayer(name);
      layer.modified = layer.modified || !existed;
      return Value::Ref(MakeLayer(hostRef(), layer.id));
    }
    r.Unknown();
  }
};

class BlockObject final : public HostObject {
 public:
  BlockObject(std::shared_ptr<Host> host, ObjectId id) : HostObject(std::move(host)), id_(id) {}

 protected:
  Value Dispatch(Request& r) override {
    Drawing& d = host().drawing();
    BlockRecord* block = d.FindBlock(id_);
    if (!block)
      r.Fail("the block was deleted");
    if (r.Reads("Name")) {
      r.args.Expect(0, 0);
      return Value::Text(block->name);
    }
    if (r.Reads("Origin")) {
      r.args.Expect(0, 0);
      return PointValue(block->origin);
    }
    if (r.Reads("ObjectID")) {
      r.args.Expect(0, 0);
      return Value::Int64(block->id);
    }
    if (r.Reads("Count") || r.Calls("Item")) {
      return *CollectionMember(
          r, d.EntitiesOf(id_), [](ObjectId) { return std::string(); },
          [&](ObjectId entity) { return MakeEntity(hostRef(), entity); });
    }
    if (r.Calls("Delete")) {
      r.args.Expect(0, 0);
      if (id_ == d.ModelSpaceId() || id_ == d.PaperSpaceId())
        r.Fail("a layout block cannot be deleted");
      if (d.IsReferenced(block->name))
        r.Fail("the block " + block->name + " is referenced");
      d.DeleteBlock(id_);
      return Value();
    }
    if (r.Calls("AddLine")) {
      r.args.Expect(2, 2);
      return Added(LineShape{r.args.Point(0), r.args.Point(1)});
    }
    if (r.Calls("AddText")) {
      r.args.Expect(3, 3);
      TextShape t;
      t.string = r.args.Text(0);
      t.insertion = t.alignmentPoint = r.args.Point(1);
      t.height = r.args.Number(2);
      if (!(t.height > 0.0) || !std::isfinite(t.height))
        r.Fail("the text height must be positive", cad::kErrorInvalidArg);
      return Added(std::move(t));
    }
    if (r.Calls("AddCircle")) {
      r.args.Expect(2, 2);
      CircleShape c{r.args.Point(0), r.args.Number(1)};
      if (!(c.radius > 0.0) || !std::isfinite(c.radius))
        r.Fail("the radius must be positive", cad::kErrorInvalidArg);
      return Added(c);
    }
    if (r.Calls("AddLightWeightPolyline")) {
      r.args.Expect(1, 1);
      if (r.args[0].type() != Value::Type::DoubleArray)
        r.Fail("expected an array of doubles x0, y0, x1, y1, ...", cad::kErrorTypeMismatch);
      const auto& a = r.args[0].GetDoubles();
      if (a.size() < 4 || a.size() % 2 != 0)
        r.Fail("expected at least two vertices as x, y pairs", cad::kErrorInvalidArg);
      PolylineShape p;
      for (std::size_t i = 0; i < a.size(); i += 2)
        p.vertices.push_back(TAcadPoint{a[i], a[i + 1], 0.0});
      return Added(std::move(p));
    }
    if (r.Calls("InsertBlock")) {
      // InsertBlock(point, name, x scale, y scale, z scale, rotation)
      r.args.Expect(6, 6);
      InsertShape ins;
      ins.insertion = r.args.Point(0);
      const std::string name = r.args.Text(1);
      const BlockRecord* target = d.FindBlock(name);
      if (!target || target->id == d.ModelSpaceId() || target->id == d.PaperSpaceId())
        r.Fail("no block named " + name);
      ins.block = target->name;
      ins.xscale = r.args.Number(2);
      ins.yscale = r.args.Number(3);
      ins.zscale = r.args.Number(4);
      ins.rotation = r.args.Number(5);
      if (ins.xscale == 0.0 || ins.yscale == 0.0 || ins.zscale == 0.0)
        r.Fail("a scale factor is 0", cad::kErrorInvalidArg);
      return Added(std::move(ins));
    }
    r.Unknown();
  }

 private:
  Value Added(Shape shape) {
    return Value::Ref(MakeEntity(hostRef(), host().CreateEntity(std::move(shape), id_)));
  }

  ObjectId id_;
};

class BlocksObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    Drawing& d = host().drawing();
    if (const std::optional<Value> v = CollectionMember(
            r, d.blocks, [](const BlockRecord& b) { return b.name; },
            [&](const BlockRecord& b) { return MakeBlock(hostRef(), b.id); }))
      return *v;
    if (r.Calls("Add")) {
      // Add(origin, name); an existing name gives the existing block.
      r.args.Expect(2, 2);
      const TAcadPoint origin = r.args.Point(0);
      const std::string name = r.args.Text(1);
      if (!IsValidSymbolName(name))
        r.Fail("invalid block name \"" + name + "\"", cad::kErrorInvalidArg);
      const bool existed = d.FindBlock(name) != nullptr;
      BlockRecord& block = d.AddBlock(name, origin);
      block.modified = block.modified || !existed;
      return Value::Ref(MakeBlock(hostRef(), block.id));
    }
    r.Unknown();
  }
};

class SelectionSetObject final : public HostObject {
 public:
  SelectionSetObject(std::shared_ptr<Host> host, std::shared_ptr<SelectionSetData> set)
      : HostObject(std::move(host)), set_(std::move(set)) {}

 protected:
  Value Dispatch(Request& r) override {
    if (set_->deleted)
      r.Fail("the selection set " + set_->name + " was deleted");
    Drawing& d = host().drawing();
    if (r.Reads("Name")) {
      r.args.Expect(0, 0);
      return Value::Text(set_->name);
    }
    if (r.Reads("Count")) {
      r.args.Expect(0, 0);
      return Value::Int32(static_cast<std::int32_t>(set_->items.size()));
    }
    if (r.Calls("Item")) {
      r.args.Expect(1, 1);
      const std::int64_t i = r.args.Integer(0);
      if (i < 0 || i >= static_cast<std::int64_t>(set_->items.size()))
        r.Fail("index " + std::to_string(i) + " out of range", cad::kErrorInvalidArg);
      return Value::Ref(MakeEntity(hostRef(), set_->items[static_cast<std::size_t>(i)]));
    }
    if (r.Calls("Clear")) {
      r.args.Expect(0, 0);
      set_->items.clear();
      return Value();
    }
    if (r.Calls("Select")) {
      // Select(mode, [point 1], [point 2], [filter types], [filter values])
      r.args.Expect(1, 5);
      const std::int64_t mode = r.args.Integer(0);
      const EntityFilter filter = r.args.Filter(3);
      switch (mode) {
        case 0:  // window
        case 1: {
          if (!r.args.Has(1) || !r.args.Has(2))
            r.Fail("a window needs two corner points", cad::kErrorInvalidArg);
          const Box box = Box::FromCorners(r.args.Point(1), r.args.Point(2));
          Append(mode == 0 ? SelectWindow(d, box, filter) : SelectCrossing(d, box, filter));
          break;
        }
        case 3: {  // previous
          std::vector<ObjectId> ids;
          for (ObjectId id : host().previousSelection()) {
            const Entity* e = d.FindEntity(id);
            if (e && filter.Accepts(*e))
              ids.push_back(id);
          }
          Append(ids);
          break;
        }
        case 4: {  // last: the newest entity, through the filter
          const std::optional<ObjectId> id = d.Newest();
          if (id && filter.Accepts(*d.FindEntity(*id)))
            Append({*id});
          break;
        }
        case 5:  // all
          Append(SelectAll(d, filter));
          break;
        default:
          r.Fail("selection mode " + std::to_string(mode) + " is not supported",
                 cad::kErrorInvalidArg);
      }
      return Value();
    }
    if (r.Calls("SelectOnScreen")) {
      r.args.Expect(0, 2);
      const EntityFilter filter = r.args.Filter(0);
      Append(host().AskSelection(r.member, filter));
      return Value();
    }
    if (r.Calls("SelectAtPoint")) {
      // The point is in the current user coordinate system.
      r.args.Expect(1, 3);
      const TAcadPoint p = UcsToWorld(d.vars, r.args.Point(0), CoordinateKind::Position);
      const EntityFilter filter = r.args.Filter(1);
      if (auto id = NearestEntity(d, p, PickTolerance(d.vars), filter))
        Append({*id});
      return Value();
    }
    if (r.Calls("Erase")) {
      r.args.Expect(0, 0);
      for (ObjectId id : set_->items)
        d.EraseEntity(id);
      set_->items.clear();
      return Value();
    }
    if (r.Calls("Delete")) {
      r.args.Expect(0, 0);
      set_->deleted = true;
      std::erase(host().selectionSets(), set_);
      return Value();
    }
    r.Unknown();
  }

 private:
  void Append(const std::vector<ObjectId>& ids) {
    for (ObjectId id : ids) {
      if (std::find(set_->items.begin(), set_->items.end(), id) == set_->items.end())
        set_->items.push_back(id);
    }
  }

  std::shared_ptr<SelectionSetData> set_;
};

class SelectionSetsObject final : public HostObject {
 public:
  using HostObject::HostObject;

 protected:
  Value Dispatch(Request& r) override {
    auto& sets = host().selectionSets();
    using Set = std::shared_ptr<SelectionSetData>;
    if (const std::optional<Value> v = CollectionMember(
            r, sets, [](const Set& s) { return s->name; },
            [&](const Set& s) { return MakeSelectionSet(hostRef(), s); }))
      return *v;
    if (r.Calls("Add")) {
      r.args.Expect(1, 1);
      const std::string name = r.args.Text(0);
      if (name.empty())
        r.Fail("a selection set needs a name", cad::kErrorInvalidArg);
      for (const auto& s : sets) {
        if (NamesEqual(s->name, name))
          r.Fail("the selection set name " + name + " is in use");
      }
      auto set = std::make_shared<SelectionSetData>();
      set->name = name;
      sets.push_back(set);
      return Value::Ref(MakeSelectionSet(hostRef(), set));
    }
    r.Unknown();
  }
};

}  // namespace

cad::ObjectRef MakeLayers(std::shared_ptr<Host> host) {
  return std::make_shared<LayersObject>(std::move(host));
}
cad::ObjectRef MakeLayer(std::shared_ptr<Host> host, ObjectId layer) {
  return std::make_shared<LayerObject>(std::move(host), layer);
}
cad::ObjectRef MakeBlocks(std::shared_ptr<Host> host) {
  return std::make_shared<BlocksObject>(std::move(host));
}
cad::ObjectRef MakeBlock(std::shared_ptr<Host> host, ObjectId block) {
  return std::make_shared<BlockObject>(std::move(host), block);
}
cad::ObjectRef MakeSelectionSets(std::shared_ptr<Host> host) {
  return std::make_shared<SelectionSetsObject>(std::move(host));
}
cad::ObjectRef MakeSelectionSet(std::shared_ptr<Host> host, std::shared_ptr<SelectionSetData> set) {
  return std::make_shared<SelectionSetObject>(std::move(host), std::move(set));
}

}  // namespace trivane::host
