// The call-by-name layer against objects that dispatch through a type library (typed_server.h),
// as a CAD's automation server does: the system's own argument coercion decides what is accepted.
// Each case once with the shapes the wrappers send, and once raw, with the shape a typed CAD
// refuses, so that the server is seen to be as strict as the CAD it stands for.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/automation.h"
#include "cad/com/com_object.h"
#include "cad/com/raii.h"
#include "cad/com/text.h"
#include "cad/objects.h"
#include "host/command_line/command_line.h"
#include "host/model/host.h"
#include "tests/com/com_fixture.h"
#include "tests/com/typed_server.h"

namespace trivane::cad::com::testing {
namespace {

using host::UserAnswer;

class TypedDispatch : public ComTest {
 protected:
  TypedDispatch()
      : host_(host::CreateHostWithCommandLine({.progId = "AutoCAD.Application"})),
        served_(ServeTyped(host_->Application(), IdleQuery::GetAcadState)),
        app_(std::make_shared<ComObject>(served_)),
        doc_(app_.ActiveDocument()) {
    const cad::Block modelSpace = doc_.ModelSpace();
    modelSpace.AddLine({0, 0, 0}, {10, 0, 0});
    modelSpace.AddLine({10, 0, 0}, {10, 10, 0});
  }

  // A raw IDispatch call by name, arguments in their natural order.
  static HRESULT RawCall(IDispatch& object, const wchar_t* name, std::vector<VARIANT> args) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (const HRESULT hr = object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        FAILED(hr))
      return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    ScopedVariant result;
    EXCEPINFO excep{};
    UINT argError = 0;
    const HRESULT hr =
        object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                      &params, result.Receive(), &excep, &argError);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return hr;
  }
  static VARIANT Text(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    return v;
  }
  static VARIANT Long(LONG i) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = i;
    return v;
  }
  static VARIANT Empty() {
    VARIANT v;
    VariantInit(&v);
    return v;
  }
  IDispatch& Raw(const Wrapper& w) {
    return *dynamic_cast<ComObject&>(*w.object()).dispatch().get();
  }

  std::shared_ptr<host::Host> host_;
  ComPtr<IDispatch> served_;
  cad::Application app_;
  cad::Document doc_;
};

TEST_F(TypedDispatch, GetEntityHandsOutTheEntityThroughADeclaredIDispatchOutParameter) {
  host_->user().Push(UserAnswer::Pick({10, 4, 0}));
  const PickedEntity picked = doc_.Utility().GetEntity("Select a side: ");
  EXPECT_EQ(picked.entity.EntityName(), "AcDbLine");
  EXPECT_EQ(picked.point.y, 4.0);
  // The entity is served typed too: its extended data goes through the declared members.
  picked.entity.SetXdata({1001, 1000}, {Value::Text("TRIVANE"), Value::Text("1")});
  const XdataValues xdata = picked.entity.GetXdata("TRIVANE");
  EXPECT_EQ(xdata.types, Value::Int16s({1001, 1000}));

  // The shape a typed CAD refuses: the entity's slot as a by-reference VARIANT.
  ScopedVariant entity;
  ScopedVariant point;
  VARIANT entityRef;
  V_VT(&entityRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&entityRef) = entity.InOut();
  VARIANT pointRef;
  V_VT(&pointRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&pointRef) = point.InOut();
  host_->user().Push(UserAnswer::Pick({10, 4, 0}));
  VARIANT prompt = Text(L"Select a side: ");
  EXPECT_EQ(RawCall(Raw(doc_.Utility()), L"GetEntity", {entityRef, pointRef, prompt}),
            DISP_E_TYPEMISMATCH);
  VariantClear(&prompt);
}

TEST_F(TypedDispatch, OmittedOptionalArgumentsAreLeftOutNotSentEmpty) {
  const SelectionSet set = doc_.SelectionSets().Add("SSTEMP_1");
  struct Case {
    const char* name;
    std::function<void()> call;
    int selected;  // -1: not a selection
  };
  const std::vector<Case> cases = {
      {"GetPoint without a base point",
       [&] {
         host_->user().Push(UserAnswer::Point({1, 2, 0}));
         EXPECT_EQ(doc_.Utility().GetPoint(std::nullopt, "Point: ").x, 1.0);
       },
       -1},
      {"Select all without points", [&] { set.Select(kSelectAll); }, 2},
      {"Select last without a filter", [&] { set.Select(kSelectLast); }, 1},
      {"Select all with a filter but no points",
       [&] { set.Select(kSelectAll, SelectionFilter::EntityType("CIRCLE")); }, 0},
      {"SelectOnScreen without a filter",
       [&] {
         host_->user().Push(UserAnswer::All());
         set.SelectOnScreen();
       },
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set.Clear();
    EXPECT_NO_THROW(c.call());
    if (c.selected >= 0) {
      EXPECT_EQ(set.Count(), c.selected);
    }
  }
  EXPECT_EQ(host_->user().Remaining(), 0u);

  // VT_EMPTY where an optional argument is left out is refused, as by the strictest CAD.
  EXPECT_EQ(RawCall(Raw(set), L"Select", {Long(kSelectAll), Empty(), Empty(), Empty(), Empty()}),
            DISP_E_EXCEPTION);
  EXPECT_EQ(RawCall(Raw(set), L"Select", {Long(kSelectAll)}), S_OK);
}

TEST_F(TypedDispatch, OnlyTheProductsOwnIdleQueryIsAMember) {
  const ComPtr<IDispatch> clone =
      ServeTyped(host::CreateHostWithCommandLine({.progId = "GCAD.Application"})->Application(),
                 IdleQuery::GetGcadState);
  const cad::Application application(std::make_shared<ComObject>(clone));
  EXPECT_TRUE(application.GetGcadState().IsQuiescent());
  for (const char* other : {"GetAcadState", "GetZcadState"}) {
    try {
      CallMethod(*application.object(), other);
      ADD_FAILURE() << other << " answered";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), kErrorUnknownMember) << other;
    }
  }
}

}  // namespace
}  // namespace trivane::cad::com::testing
