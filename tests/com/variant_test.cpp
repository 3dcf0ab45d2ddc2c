// The owners of BSTRs, VARIANTs and SAFEARRAYs, the text conversions, and Value <-> VARIANT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "cad/com/com_object.h"
#include "cad/com/dispatch_server.h"
#include "cad/com/raii.h"
#include "cad/com/text.h"
#include "cad/com/variant.h"
#include "tests/com/com_fixture.h"
#include "tests/com/echo_object.h"

namespace trivane::cad::com::testing {
namespace {

// --- Owners --------------------------------------------------------------------------------------

// One constructor per automation type; other types must not convert into one of them.
static_assert(!std::is_constructible_v<ScopedVariant, long>);
static_assert(!std::is_constructible_v<ScopedVariant, unsigned>);
static_assert(!std::is_constructible_v<ScopedVariant, char>);
static_assert(!std::is_constructible_v<ScopedVariant, const char*>);
static_assert(!std::is_constructible_v<ScopedVariant, const wchar_t*>);
static_assert(!std::is_convertible_v<bool, ScopedVariant>);
static_assert(!std::is_copy_constructible_v<ScopedVariant>);

TEST(ScopedVariant, EachConstructorMakesItsOwnType) {
  EXPECT_EQ(ScopedVariant().type(), VT_EMPTY);
  EXPECT_EQ(ScopedVariant(true).type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&ScopedVariant(true).get()), VARIANT_TRUE);
  EXPECT_EQ(ScopedVariant(std::int16_t{1}).type(), VT_I2);
  EXPECT_EQ(ScopedVariant(std::int32_t{1}).type(), VT_I4);
  EXPECT_EQ(ScopedVariant(std::int64_t{1}).type(), VT_I8);
  EXPECT_EQ(ScopedVariant(1.0).type(), VT_R8);
  EXPECT_EQ(ScopedVariant(UniqueBstr(L"x")).type(), VT_BSTR);
  EXPECT_EQ(ScopedVariant(ComPtr<IDispatch>()).type(), VT_DISPATCH);
  EXPECT_EQ(ScopedVariant(UniqueSafeArray::Vector(VT_R8, 3), VT_R8).type(), VT_ARRAY | VT_R8);
}

TEST(ScopedVariant, MoveTakeAndReleaseLeaveTheSourceEmpty) {
  ScopedVariant a(UniqueBstr(L"面積"));
  ScopedVariant b(std::move(a));
  EXPECT_EQ(a.type(), VT_EMPTY);  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_EQ(BstrView(V_BSTR(&b.get())), L"面積");

  VARIANT raw = b.Release();
  EXPECT_EQ(b.type(), VT_EMPTY);
  ScopedVariant c = ScopedVariant::Take(raw);
  EXPECT_EQ(V_VT(&raw), VT_EMPTY);
  EXPECT_EQ(BstrView(V_BSTR(&c.get())), L"面積");
}

TEST(ScopedVariant, CopyIsDeep) {
  ScopedVariant a(UniqueBstr(L"求積"));
  ScopedVariant b = ScopedVariant::Copy(a.get());
  EXPECT_NE(V_BSTR(&a.get()), V_BSTR(&b.get()));
  EXPECT_EQ(BstrView(V_BSTR(&b.get())), L"求積");
}

TEST(UniqueBstr, KeepsEmbeddedNulsAndTreatsNullAsEmpty) {
  const UniqueBstr s(std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(s.view().size(), 3u);
  EXPECT_EQ(UniqueBstr().view(), L"");
  EXPECT_EQ(BstrView(nullptr), L"");
}

TEST(LockedSafeArray, GivesTheElementsOfTheRightTypeAndRank) {
  UniqueSafeArray a = UniqueSafeArray::Vector(VT_R8, 3);
  {
    LockedSafeArray<double> lock(a.get());
    ASSERT_EQ(lock.elements().size(), 3u);
    lock.elements()[2] = 7.5;
  }
  LockedSafeArray<double> again(a.get());
  EXPECT_EQ(again.elements()[2], 7.5);
}

TEST(LockedSafeArray, RefusesAnotherElementTypeOrRank) {
  UniqueSafeArray longs = UniqueSafeArray::Vector(VT_I4, 3);
  EXPECT_THROW(LockedSafeArray<double>{longs.get()}, AutomationError);
  // VT_I2 and VT_BOOL have the same size: the type, not the size, decides.
  UniqueSafeArray bools = UniqueSafeArray::Vector(VT_BOOL, 3);
  EXPECT_THROW(LockedSafeArray<std::int16_t>{bools.get()}, AutomationError);

  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
  UniqueSafeArray matrix = UniqueSafeArray::Adopt(SafeArrayCreate(VT_R8, 2, bounds));
  ASSERT_TRUE(matrix.get());
  try {
    LockedSafeArray<double> lock(matrix.get());
    FAIL() << "a two-dimensional array was accepted";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), kErrorTypeMismatch);
    EXPECT_NE(e.reason().find("one-dimensional"), std::string::npos) << e.reason();
  }
  // A refused array is not left locked: it can still be destroyed.
  EXPECT_EQ(SafeArrayDestroy(matrix.Release()), S_OK);
}

// --- Text ----------------------------------------------------------------------------------------

TEST(Text, Utf8AndUtf16RoundTrip) {
  const std::string cases[] = {"", "ASCII", "求積表", "ﾍﾛﾝ", "𠮷", std::string("a\0b", 3)};
  for (const std::string& s : cases)
    EXPECT_EQ(WideToUtf8(Utf8ToWide(s)), s);
  EXPECT_EQ(Utf8ToWide("三斜"), L"三斜");
}

TEST(Text, MalformedTextIsAnErrorNotAReplacement) {
  for (const std::string bad : {"\xff", "abc\xe6\xb1", "\xc0\xaf"}) {
    try {
      Utf8ToWide(bad);
      FAIL() << "accepted invalid UTF-8";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), kErrorInvalidArg);
    }
  }
  const wchar_t loneSurrogate[] = {L'a', static_cast<wchar_t>(0xD800), L'b'};
  EXPECT_THROW(WideToUtf8(std::wstring_view(loneSurrogate, 3)), AutomationError);
}

TEST(Text, HresultTextNamesTheCode) {
  EXPECT_NE(HresultText(DISP_E_UNKNOWNNAME).find("HRESULT 0x80020006"), std::string::npos);
  EXPECT_NE(HresultText(static_cast<HRESULT>(0x8123ABCD)).find("0x8123ABCD"), std::string::npos);
}

// --- Value -> VARIANT ----------------------------------------------------------------------------

TEST(ToVariant, GivesTheTypesACadExpects) {
  struct Case {
    const char* name;
    Value value;
    VARTYPE vt;
  };
  const Case cases[] = {
      {"empty", Value(), VT_EMPTY},
      {"bool", Value::Bool(true), VT_BOOL},
      {"int16", Value::Int16(1), VT_I2},
      {"int32", Value::Int32(1), VT_I4},
      {"object id", Value::Int64(1), VT_I8},
      {"double", Value::Double(1), VT_R8},
      {"text", Value::Text("a"), VT_BSTR},
      {"point", Value::Doubles({1, 2, 3}), VT_ARRAY | VT_R8},
      {"filter types", Value::Int16s({0}), VT_ARRAY | VT_I2},
      {"filter values", Value::Array({Value::Text("TEXT")}), VT_ARRAY | VT_VARIANT},
      {"nothing", Value::Ref(nullptr), VT_DISPATCH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToVariant(c.value).type(), c.vt);
  }
  const ScopedVariant yes = ToVariant(Value::Bool(true));
  EXPECT_EQ(V_BOOL(&yes.get()), VARIANT_TRUE);  // -1, not 1
}

TEST(ToVariant, ArraysAreIndexedFromZero) {
  const ScopedVariant v = ToVariant(Value::Doubles({4, 5, 6}));
  LONG lower = -1;
  ASSERT_EQ(SafeArrayGetLBound(V_ARRAY(&v.get()), 1, &lower), S_OK);
  EXPECT_EQ(lower, 0);
}

TEST(ToVariant, InvalidUtf8TextIsRefused) {
  EXPECT_THROW(ToVariant(Value::Array({Value::Text("ok"), Value::Text("\xff")})), AutomationError);
}

class ObjectConversion : public ComTest {};

TEST_F(ObjectConversion, ACallersObjectIsServedAndComesBackAsItselfOnTheServerSide) {
  auto echo = std::make_shared<EchoObject>();
  const ScopedVariant v = ToVariant(Value::Ref(echo));
  ASSERT_EQ(v.type(), VT_DISPATCH);
  EXPECT_EQ(DispatchServer::Served(V_DISPATCH(&v.get())), echo);
  EXPECT_EQ(FromVariant(v.get(), Side::Server).GetObject(), echo);

  // A client always goes through COM.
  const Value client = FromVariant(v.get(), Side::Client);
  auto* com = dynamic_cast<ComObject*>(client.GetObject().get());
  ASSERT_NE(com, nullptr);
  EXPECT_EQ(com->dispatch().get(), V_DISPATCH(&v.get()));
}

TEST_F(ObjectConversion, AComObjectPassesItsOwnDispatch) {
  ComPtr<IDispatch> d = DispatchServer::Create(std::make_shared<EchoObject>());
  auto com = std::make_shared<ComObject>(d);
  const ScopedVariant v = ToVariant(Value::Ref(com));
  EXPECT_EQ(V_DISPATCH(&v.get()), d.get());
}

TEST_F(ObjectConversion, TheServedObjectLivesAsLongAsAReferenceToItsServer) {
  auto echo = std::make_shared<EchoObject>();
  {
    ComPtr<IDispatch> d = DispatchServer::Create(echo);
    ComPtr<IDispatch> copy = d;
    EXPECT_EQ(echo.use_count(), 2);
    d.reset();
    EXPECT_EQ(echo.use_count(), 2);
  }
  EXPECT_EQ(echo.use_count(), 1);
}

// --- VARIANT -> Value ----------------------------------------------------------------------------

VARIANT Raw(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  return v;
}

TEST(FromVariant, WidensTheTypesValueDoesNotHave) {
  struct Case {
    const char* name;
    VARIANT in;
    Value expected;
  };
  VARIANT i1 = Raw(VT_I1);
  V_I1(&i1) = -5;
  VARIANT ui1 = Raw(VT_UI1);
  V_UI1(&ui1) = 200;
  VARIANT ui2 = Raw(VT_UI2);
  V_UI2(&ui2) = 65535;
  VARIANT ui4 = Raw(VT_UI4);
  V_UI4(&ui4) = 4000000000u;
  VARIANT vint = Raw(VT_INT);
  V_INT(&vint) = -9;
  VARIANT r4 = Raw(VT_R4);
  V_R4(&r4) = 1.5f;
  VARIANT cy = Raw(VT_CY);
  V_CY(&cy).int64 = 12345;  // 1.2345
  VARIANT missing = Raw(VT_ERROR);
  V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
  VARIANT boolOne = Raw(VT_BOOL);
  V_BOOL(&boolOne) = 1;  // any non-zero VARIANT_BOOL is true
  const Case cases[] = {
      {"VT_I1", i1, Value::Int16(-5)},
      {"VT_UI1", ui1, Value::Int16(200)},
      {"VT_UI2", ui2, Value::Int32(65535)},
      {"VT_UI4", ui4, Value::Int64(4000000000)},
      {"VT_INT", vint, Value::Int32(-9)},
      {"VT_R4", r4, Value::Double(1.5)},
      {"VT_CY", cy, Value::Double(1.2345)},
      {"VT_NULL", Raw(VT_NULL), Value()},
      {"missing optional argument", missing, Value()},
      {"VARIANT_BOOL 1", boolOne, Value::Bool(true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FromVariant(c.in, Side::Client), c.expected);
  }
}

TEST(FromVariant, ReadsThroughReferences) {
  double d = 2.5;
  VARIANT byRef = Raw(VT_BYREF | VT_R8);
  V_R8REF(&byRef) = &d;
  EXPECT_EQ(FromVariant(byRef, Side::Client), Value::Double(2.5));

  ScopedVariant inner(UniqueBstr(L"内側"));
  VARIANT variantRef = Raw(VT_BYREF | VT_VARIANT);
  V_VARIANTREF(&variantRef) = inner.InOut();
  EXPECT_EQ(FromVariant(variantRef, Side::Client), Value::Text("内側"));
}

TEST(FromVariant, ArraysOfOtherElementTypesBecomeVariantArrays) {
  UniqueSafeArray longs = UniqueSafeArray::Vector(VT_I4, 2);
  for (LONG i = 0; i < 2; ++i) {
    LONG x = 10 * (i + 1);
    ASSERT_EQ(SafeArrayPutElement(longs.get(), &i, &x), S_OK);
  }
  EXPECT_EQ(FromVariant(ScopedVariant(std::move(longs), VT_I4).get(), Side::Client),
            Value::Array({Value::Int32(10), Value::Int32(20)}));

  UniqueSafeArray texts = UniqueSafeArray::Vector(VT_BSTR, 2);
  const wchar_t* words[] = {L"文字", L""};
  for (LONG i = 0; i < 2; ++i) {
    UniqueBstr b(words[i]);
    ASSERT_EQ(SafeArrayPutElement(texts.get(), &i, b.get()), S_OK);  // copies the string
  }
  EXPECT_EQ(FromVariant(ScopedVariant(std::move(texts), VT_BSTR).get(), Side::Client),
            Value::Array({Value::Text("文字"), Value::Text("")}));
}

TEST(FromVariant, AnArrayOfObjectsBecomesObjects) {
  StaScope sta;
  auto echo = std::make_shared<EchoObject>();
  UniqueSafeArray objects = UniqueSafeArray::Vector(VT_DISPATCH, 1);
  ComPtr<IDispatch> d = DispatchServer::Create(echo);
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(objects.get(), &i, d.get()), S_OK);  // adds a reference
  const Value v = FromVariant(ScopedVariant(std::move(objects), VT_DISPATCH).get(), Side::Server);
  ASSERT_EQ(v.GetArray().size(), 1u);
  EXPECT_EQ(v.GetArray()[0].GetObject(), echo);
}

TEST(FromVariant, ANonZeroLowerBoundIsReadInIndexOrder) {
  SAFEARRAYBOUND bound{3, 1};
  UniqueSafeArray a = UniqueSafeArray::Adopt(SafeArrayCreate(VT_R8, 1, &bound));
  ASSERT_TRUE(a.get());
  for (LONG i = 1; i <= 3; ++i) {
    double x = i * 1.5;
    ASSERT_EQ(SafeArrayPutElement(a.get(), &i, &x), S_OK);
  }
  EXPECT_EQ(FromVariant(ScopedVariant(std::move(a), VT_R8).get(), Side::Client),
            Value::Doubles({1.5, 3.0, 4.5}));
}

TEST(FromVariant, AnArrayVariantWithoutAnArrayIsEmpty) {
  EXPECT_EQ(FromVariant(Raw(VT_ARRAY | VT_R8), Side::Client), Value::Doubles({}));
  EXPECT_EQ(FromVariant(Raw(VT_ARRAY | VT_I2), Side::Client), Value::Int16s({}));
  EXPECT_EQ(FromVariant(Raw(VT_ARRAY | VT_VARIANT), Side::Client), Value::Array({}));
}

// An array built as some servers build them: a bare descriptor (SafeArrayAllocDescriptor) that
// records no element type (no FADF_HAVEVARTYPE), of `rank` dimensions of `count` elements of
// `size` bytes, filled with the bytes of `fill`.
template <typename T>
UniqueSafeArray UntypedArray(UINT rank, ULONG count, ULONG size, const std::vector<T>& fill) {
  SAFEARRAY* a = nullptr;
  if (FAILED(SafeArrayAllocDescriptor(rank, &a)))
    return {};
  UniqueSafeArray owned = UniqueSafeArray::Adopt(a);
  a->cbElements = size;
  for (UINT d = 0; d < rank; ++d)
    a->rgsabound[d] = SAFEARRAYBOUND{count, 0};
  if (FAILED(SafeArrayAllocData(a)))
    return {};
  std::memcpy(a->pvData, fill.data(), std::min<std::size_t>(fill.size() * sizeof(T), size * count));
  return owned;
}

TEST(FromVariant, AnArrayWithoutARecordedElementTypeIsReadAsTheVariantSays) {
  struct Case {
    const char* name;
    VARTYPE element;
    UniqueSafeArray array;
    Value expected;  // Empty: refused
  };
  Case cases[] = {
      {"doubles", VT_R8, UntypedArray<double>(1, 3, 8, {1.5, -2, 3}), Value::Doubles({1.5, -2, 3})},
      {"shorts", VT_I2, UntypedArray<std::int16_t>(1, 2, 2, {1001, -4}), Value::Int16s({1001, -4})},
      {"longs", VT_I4, UntypedArray<std::int32_t>(1, 2, 4, {7, 8}),
       Value::Array({Value::Int32(7), Value::Int32(8)})},
      {"doubles of the wrong size", VT_R8, UntypedArray<float>(1, 2, 4, {1, 2}), Value()},
      {"longs of the wrong size", VT_I4, UntypedArray<double>(1, 2, 8, {1, 2}), Value()},
      {"doubles of two dimensions", VT_R8, UntypedArray<double>(2, 2, 8, {1, 2, 3, 4}), Value()},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.array.get());
    ASSERT_EQ(c.array.ElementType(), VT_EMPTY);  // records no element type
    const ScopedVariant v(std::move(c.array), c.element);
    if (c.expected.IsEmpty()) {
      EXPECT_THROW(FromVariant(v.get(), Side::Client), AutomationError);
    } else {
      EXPECT_EQ(FromVariant(v.get(), Side::Client), c.expected);
    }
  }
}

TEST(FromVariant, RefusesWhatItCannotRepresent) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  ScopedVariant matrix(UniqueSafeArray::Adopt(SafeArrayCreate(VT_R8, 2, bounds)), VT_R8);
  VARIANT error = Raw(VT_ERROR);
  V_ERROR(&error) = E_FAIL;
  VARIANT huge = Raw(VT_UI8);
  V_UI8(&huge) = ~0ULL;
  const wchar_t lone[] = {static_cast<wchar_t>(0xDC00)};
  ScopedVariant badText(UniqueBstr(std::wstring_view(lone, 1)));
  // The VARIANT says doubles, the array holds longs.
  ScopedVariant lying;
  V_VT(lying.InOut()) = VT_ARRAY | VT_R8;
  V_ARRAY(lying.InOut()) = UniqueSafeArray::Vector(VT_I4, 2).Release();

  struct Case {
    const char* name;
    const VARIANT* in;
  };
  const Case cases[] = {
      {"two dimensions", &matrix.get()},   {"an error code", &error},
      {"VT_UI8 too large", &huge},         {"unpaired surrogate", &badText.get()},
      {"mislabelled array", &lying.get()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      FromVariant(*c.in, Side::Client);
      ADD_FAILURE() << "accepted";
    } catch (const AutomationError& e) {
      EXPECT_NE(e.code(), 0);
    }
  }
}

TEST(RoundTrip, EveryValueTypeComesBackUnchanged) {
  for (const NamedValue& c : RoundTripValues()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FromVariant(ToVariant(c.value).get(), Side::Client), c.value);
  }
}

}  // namespace
}  // namespace trivane::cad::com::testing
