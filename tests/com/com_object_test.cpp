// ComObject over DispatchServer over an automation object, in one process: every value type, put
// and get, out arguments, errors, objects, the DISPID cache, and DispatchServer's side of the
// IDispatch protocol driven by hand.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cad/com/com_object.h"
#include "cad/com/dispatch_server.h"
#include "cad/com/text.h"
#include "cad/com/variant.h"
#include "tests/com/com_fixture.h"
#include "tests/com/echo_object.h"

namespace trivane::cad::com::testing {
namespace {

class ComObjectTest : public ComTest {
 protected:
  std::shared_ptr<EchoObject> echo = std::make_shared<EchoObject>();
  std::shared_ptr<ComObject> com = std::make_shared<ComObject>(DispatchServer::Create(echo));

  AutomationError ErrorOf(std::string_view member, std::vector<Value> in = {}) {
    try {
      CallMethod(*com, member, std::move(in));
    } catch (const AutomationError& e) {
      return e;
    }
    ADD_FAILURE() << member << " did not fail";
    return AutomationError("", "");
  }
};

TEST_F(ComObjectTest, EveryValueTypeRoundTrips) {
  for (const NamedValue& c : RoundTripValues()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CallMethod(*com, "Echo", {c.value}), c.value);
    EXPECT_EQ(GetProperty(*com, "Echo", c.value), c.value);
  }
}

TEST_F(ComObjectTest, ArgumentsArriveInTheirNaturalOrder) {
  const Value args =
      CallMethod(*com, "Args", {Value::Int16(1), Value::Text("二"), Value::Double(3)});
  EXPECT_EQ(args, Value::Array({Value::Int16(1), Value::Text("二"), Value::Double(3)}));
}

TEST_F(ComObjectTest, PutThenGetKeepsTheValue) {
  PutProperty(*com, "Value", Value::Text("求積"));
  EXPECT_EQ(GetProperty(*com, "Value"), Value::Text("求積"));
  PutProperty(*com, "Value", Value::Doubles({1, 2, 0}));
  EXPECT_EQ(GetProperty(*com, "Value"), Value::Doubles({1, 2, 0}));
}

TEST_F(ComObjectTest, GetPutAndCallArriveAsSuch) {
  struct Case {
    const char* expected;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"Get", [&] { GetProperty(*com, "Value"); }},
      {"Put", [&] { PutProperty(*com, "Value", Value::Int32(1)); }},
      {"Call", [&] { CallMethod(*com, "Echo", {Value()}); }},
  };
  for (const Case& c : cases) {
    c.call();
    EXPECT_EQ(GetProperty(*com, "LastKind"), Value::Text(c.expected));
  }
}

TEST_F(ComObjectTest, OutArgumentsAreWrittenBack) {
  for (const NamedValue& c : RoundTripValues()) {
    SCOPED_TRACE(c.name);
    Arg args[2] = {Arg::In(c.value), Arg::Out()};
    EXPECT_EQ(CallMethod(*com, "Copy", args), Value::Text("copied"));
    EXPECT_EQ(args[1].value, c.value);
    EXPECT_EQ(args[0].value, c.value);  // an in argument is left alone
  }
}

TEST_F(ComObjectTest, AnOutArgumentCarriesItsValueIn) {
  Arg args[1] = {Arg{Value::Int32(41), true}};
  CallMethod(*com, "Increment", args);
  EXPECT_EQ(args[0].value, Value::Int32(42));
}

TEST_F(ComObjectTest, ErrorsNameTheMemberAndCarryTheReasonAndCode) {
  struct Case {
    const char* member;
    std::string reason;  // contained in the error's reason
    std::int32_t code;
  };
  const Case cases[] = {
      {"Fail", kFailReason, kErrorInvalidArg},
      {"Cancel", "input cancelled", kErrorCancelled},
      {"Throw", "not an automation error", kErrorFailed},
      {"NoSuchMember", "unknown member", kErrorUnknownMember},
      {"Echo", "expected 1 arguments", kErrorBadArgCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    const AutomationError e = ErrorOf(c.member);
    EXPECT_EQ(e.member(), c.member);
    EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    EXPECT_EQ(e.code(), c.code);
  }
  EXPECT_TRUE(ErrorOf("Cancel").cancelled());
}

TEST_F(ComObjectTest, ABadArgumentIsNamedByItsPosition) {
  const AutomationError e = ErrorOf("Args", {Value::Int16(1), Value::Text("\xff")});
  EXPECT_EQ(e.member(), "Args");
  EXPECT_NE(e.reason().find("argument 2"), std::string::npos) << e.reason();
  EXPECT_EQ(e.code(), kErrorInvalidArg);
}

TEST_F(ComObjectTest, ObjectsComeBackThroughCom) {
  const Value child = CallMethod(*com, "Child");
  ASSERT_NE(dynamic_cast<ComObject*>(child.GetObject().get()), nullptr);
  PutProperty(*child.GetObject(), "Value", Value::Int16(5));
  EXPECT_EQ(GetProperty(*child.GetObject(), "Value"), Value::Int16(5));
  EXPECT_TRUE(GetProperty(*com, "Value").IsEmpty());  // the child is another object
}

TEST_F(ComObjectTest, AnObjectPassedBackIsTheServedObjectItself) {
  EXPECT_EQ(CallMethod(*com, "IsSelf", {Value::Ref(com)}), Value::Bool(true));
  const Value child = CallMethod(*com, "Child");
  EXPECT_EQ(CallMethod(*com, "IsSelf", {child}), Value::Bool(false));
  EXPECT_EQ(CallMethod(*child.GetObject(), "IsSelf", {child}), Value::Bool(true));
}

TEST_F(ComObjectTest, NothingRoundTrips) {
  EXPECT_EQ(CallMethod(*com, "Echo", {Value::Ref(nullptr)}), Value::Ref(nullptr));
}

TEST_F(ComObjectTest, APutWithoutAValueIsRefused) {
  try {
    com->Invoke("Value", InvokeKind::Put, {});
    FAIL() << "accepted";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.member(), "Value");
    EXPECT_EQ(e.code(), kErrorBadArgCount);
  }
}

// --- DISPID cache --------------------------------------------------------------------------------

// An IDispatch in front of another that counts GetIDsOfNames per name and hands out DISPID 0
// (DISPID_VALUE) for one chosen name.
class CountingDispatch final : public IDispatch {
 public:
  CountingDispatch(ComPtr<IDispatch> inner, std::wstring zeroName)
      : inner_(std::move(inner)), zeroName_(std::move(zeroName)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return inner_->GetTypeInfoCount(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return inner_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    ++lookups[names[0]];
    const HRESULT hr = inner_->GetIDsOfNames(riid, names, count, locale, ids);
    if (SUCCEEDED(hr) && names[0] == zeroName_) {
      zeroTarget_ = ids[0];
      ids[0] = DISPID_VALUE;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* argError) override {
    invoked.push_back(id);
    return inner_->Invoke(id == DISPID_VALUE ? zeroTarget_ : id, riid, locale, flags, params,
                          result, excep, argError);
  }

  std::map<std::wstring, int> lookups;
  std::vector<DISPID> invoked;

 private:
  ULONG refs_ = 1;
  ComPtr<IDispatch> inner_;
  std::wstring zeroName_;
  DISPID zeroTarget_ = DISPID_UNKNOWN;
};

TEST_F(ComObjectTest, EachMemberIsLookedUpOnceIncludingDispidZero) {
  CountingDispatch counting(DispatchServer::Create(echo), L"Value");
  {
    ComObject o{ComPtr<IDispatch>(&counting)};
    PutProperty(o, "Value", Value::Int32(3));
    EXPECT_EQ(GetProperty(o, "Value"), Value::Int32(3));
    EXPECT_EQ(GetProperty(o, "Value"), Value::Int32(3));
    CallMethod(o, "Echo", {Value()});
    CallMethod(o, "Echo", {Value()});
    EXPECT_EQ(o.DispIdOf("Value"), DISPID_VALUE);
  }
  EXPECT_EQ(counting.lookups[L"Value"], 1);
  EXPECT_EQ(counting.lookups[L"Echo"], 1);
  EXPECT_EQ(counting.invoked.front(), DISPID_VALUE);
}

TEST_F(ComObjectTest, AFailedLookupIsNotCached) {
  CountingDispatch counting(DispatchServer::Create(echo), L"");
  {
    ComObject o{ComPtr<IDispatch>(&counting)};
    EXPECT_THROW(o.DispIdOf(std::string("bad\xff")), AutomationError);  // never reaches COM
    EXPECT_THROW(o.DispIdOf(""), AutomationError);
    EXPECT_THROW(o.DispIdOf(""), AutomationError);
  }
  EXPECT_EQ(counting.lookups[L""], 2);
}

// --- DispatchServer driven by hand ---------------------------------------------------------------

class DispatchServerTest : public ComTest {
 protected:
  std::shared_ptr<EchoObject> echo = std::make_shared<EchoObject>();
  ComPtr<IDispatch> server = DispatchServer::Create(echo);

  DISPID Id(const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[1] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(server->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    return id;
  }
};

TEST_F(DispatchServerTest, NamesGetStableIdsFromOne) {
  const DISPID echoId = Id(L"Echo");
  const DISPID valueId = Id(L"Value");
  EXPECT_GE(echoId, 1);
  EXPECT_NE(echoId, valueId);
  EXPECT_EQ(Id(L"Echo"), echoId);
}

TEST_F(DispatchServerTest, TakesTheArgumentsLastToFirst) {
  VARIANT rgvarg[3];
  for (int i = 0; i < 3; ++i) {
    VariantInit(&rgvarg[i]);
    V_VT(&rgvarg[i]) = VT_I4;
    V_I4(&rgvarg[i]) = 3 - i;  // rgvarg[0] is the last argument
  }
  DISPPARAMS params{rgvarg, nullptr, 3, 0};
  ScopedVariant result;
  ASSERT_EQ(server->Invoke(Id(L"Args"), IID_NULL, 0, DISPATCH_METHOD, &params, result.Receive(),
                           nullptr, nullptr),
            S_OK);
  EXPECT_EQ(FromVariant(result.get(), Side::Client),
            Value::Array({Value::Int32(1), Value::Int32(2), Value::Int32(3)}));
}

TEST_F(DispatchServerTest, APutNeedsTheNamedPutArgument) {
  ScopedVariant value(std::int32_t{5});
  VARIANT arg = ScopedVariant::Copy(value.get()).Release();
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS unnamed{&arg, nullptr, 1, 0};
  EXPECT_EQ(server->Invoke(Id(L"Value"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr,
                           nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  DISPPARAMS named{&arg, &putId, 1, 1};
  EXPECT_EQ(server->Invoke(Id(L"Value"), IID_NULL, 0, DISPATCH_PROPERTYPUTREF, &named, nullptr,
                           nullptr, nullptr),
            S_OK);
  EXPECT_EQ(GetProperty(*echo, "Value"), Value::Int32(5));
  // Named arguments other than a put's value are not supported.
  EXPECT_EQ(
      server->Invoke(Id(L"Echo"), IID_NULL, 0, DISPATCH_METHOD, &named, nullptr, nullptr, nullptr),
      DISP_E_NONAMEDARGS);
}

TEST_F(DispatchServerTest, AMethodAndPropertyGetTogetherIsACall) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_EQ(server->Invoke(Id(L"Value"), IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                           nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(GetProperty(*echo, "LastKind"), Value::Text("Call"));
}

TEST_F(DispatchServerTest, UnknownIdsAndInterfacesAreRefused) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(server->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(
      server->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(server->Invoke(Id(L"Echo"), IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                           nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchServerTest, AFailureFillsTheExceptionInfo) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXCEPINFO excep{};
  ASSERT_EQ(
      server->Invoke(Id(L"Fail"), IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &excep, nullptr),
      DISP_E_EXCEPTION);
  const UniqueBstr source = UniqueBstr::Adopt(excep.bstrSource);
  const UniqueBstr description = UniqueBstr::Adopt(excep.bstrDescription);
  EXPECT_EQ(WideToUtf8(source.view()), "Fail");
  EXPECT_EQ(WideToUtf8(description.view()), kFailReason);
  EXPECT_EQ(excep.scode, kErrorInvalidArg);
  // Without an EXCEPINFO the code itself comes back.
  EXPECT_EQ(
      server->Invoke(Id(L"Fail"), IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
      kErrorInvalidArg);
}

TEST_F(DispatchServerTest, AnArgumentItCannotReadIsReportedWithItsPosition) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  VARIANT args[2];
  args[1] = ScopedVariant(std::int32_t{1}).Release();  // the first argument
  args[0] = ScopedVariant(UniqueSafeArray::Adopt(SafeArrayCreate(VT_R8, 2, bounds)), VT_R8)
                .Release();  // the second, a matrix
  DISPPARAMS params{args, nullptr, 2, 0};
  EXCEPINFO excep{};
  UINT argError = 99;
  EXPECT_EQ(server->Invoke(Id(L"Args"), IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &excep,
                           &argError),
            DISP_E_EXCEPTION);
  const UniqueBstr source = UniqueBstr::Adopt(excep.bstrSource);
  const UniqueBstr description = UniqueBstr::Adopt(excep.bstrDescription);
  EXPECT_EQ(argError, 0u);  // rgvarg position of the second argument
  EXPECT_EQ(excep.scode, kErrorTypeMismatch);
  EXPECT_EQ(WideToUtf8(description.view()).rfind("argument 2:", 0), 0u)
      << WideToUtf8(description.view());
  for (VARIANT& v : args)
    VariantClear(&v);
}

TEST_F(DispatchServerTest, OutArgumentsAreWrittenOnlyOnSuccess) {
  ScopedVariant target(UniqueBstr(L"前"));
  VARIANT args[2];
  VariantInit(&args[0]);
  V_VT(&args[0]) = VT_BYREF | VT_VARIANT;  // the second argument, by reference
  V_VARIANTREF(&args[0]) = target.InOut();
  args[1] = ScopedVariant(UniqueBstr(L"後")).Release();
  DISPPARAMS params{args, nullptr, 2, 0};
  ASSERT_EQ(
      server->Invoke(Id(L"Copy"), IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
      S_OK);
  EXPECT_EQ(BstrView(V_BSTR(&target.get())), L"後");

  // Increment refuses a text, so the reference keeps what it held.
  DISPPARAMS one{args, nullptr, 1, 0};
  EXPECT_NE(server->Invoke(Id(L"Increment"), IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr,
                           nullptr),
            S_OK);
  EXPECT_EQ(BstrView(V_BSTR(&target.get())), L"後");
  VariantClear(&args[1]);
}

}  // namespace
}  // namespace trivane::cad::com::testing
