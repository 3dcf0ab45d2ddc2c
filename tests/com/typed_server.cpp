#include "tests/com/typed_server.h"

#include <array>
#include <exception>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "cad/com/dispatch_server.h"
#include "cad/com/text.h"
#include "cad/com/variant.h"
#include "cad/names.h"

namespace trivane::cad::com::testing {
namespace {

// --- The interfaces the library declares, as C++ vtables ---------------------------------------
// Each derives from IDispatch and lists its members in the order the library declares them, so
// that DispInvoke finds each at the offset the library lays out.

struct IUtilityMembers : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetEntity(IDispatch** object, VARIANT* pickedPoint,
                                              VARIANT prompt) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPoint(VARIANT point, VARIANT prompt,
                                             VARIANT* inputPoint) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetString(LONG hasSpaces, VARIANT prompt, BSTR* value) = 0;
};

struct ISelectionSetMembers : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Select(LONG mode, VARIANT point1, VARIANT point2,
                                           VARIANT filterType, VARIANT filterData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SelectOnScreen(VARIANT filterType, VARIANT filterData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SelectAtPoint(VARIANT point, VARIANT filterType,
                                                  VARIANT filterData) = 0;
};

struct IEntityMembers : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetXData(BSTR appName, VARIANT* xdataType,
                                             VARIANT* xdataValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetXData(VARIANT xdataType, VARIANT xdataValue) = 0;
};

struct IApplicationMembers : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetState(IDispatch** state) = 0;
};

// What an object is, as far as the library is concerned: the kinds with declared members, and
// the kinds that lead to them.
enum class Kind {
  Plain,
  Application,
  Document,
  Utility,
  SelectionSets,
  SelectionSet,
  Blocks,
  Block,
  Entity,
};

// The kind of the object that member `member` of a `parent` hands out.
Kind ChildKind(Kind parent, std::string_view member) {
  struct Rule {
    Kind parent;
    std::string_view member;
    Kind child;
  };
  static constexpr Rule kRules[] = {
      {Kind::Application, "ActiveDocument", Kind::Document},
      {Kind::Document, "Utility", Kind::Utility},
      {Kind::Document, "SelectionSets", Kind::SelectionSets},
      {Kind::Document, "ModelSpace", Kind::Block},
      {Kind::Document, "PaperSpace", Kind::Block},
      {Kind::Document, "Blocks", Kind::Blocks},
      {Kind::Document, "ObjectIdToObject", Kind::Entity},
      {Kind::Document, "HandleToObject", Kind::Entity},
      {Kind::SelectionSets, "Add", Kind::SelectionSet},
      {Kind::SelectionSets, "Item", Kind::SelectionSet},
      {Kind::SelectionSet, "Item", Kind::Entity},
      {Kind::Blocks, "Add", Kind::Block},
      {Kind::Blocks, "Item", Kind::Block},
      {Kind::Block, "Item", Kind::Entity},
      {Kind::Block, "AddLine", Kind::Entity},
      {Kind::Block, "AddText", Kind::Entity},
      {Kind::Block, "AddCircle", Kind::Entity},
      {Kind::Block, "AddLightWeightPolyline", Kind::Entity},
      {Kind::Block, "InsertBlock", Kind::Entity},
      {Kind::Utility, "GetEntity", Kind::Entity},
      {Kind::Entity, "Explode", Kind::Entity},
  };
  for (const Rule& r : kRules) {
    if (r.parent == parent && NamesEqual(r.member, member))
      return r.child;
  }
  return Kind::Plain;
}

constexpr const char* IdleQueryName(IdleQuery q) {
  switch (q) {
    case IdleQuery::GetGcadState:
      return "GetGcadState";
    case IdleQuery::GetZcadState:
      return "GetZcadState";
    case IdleQuery::GetAcadState:
    case IdleQuery::None:
      break;
  }
  return "GetAcadState";
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr))
    throw AutomationError(
        "", std::string("building the type library: ") + what + ": " + HresultText(hr),
        static_cast<std::int32_t>(hr));
}

// --- The type library ------------------------------------------------------------------------

// One parameter as the library declares it.
struct Param {
  const wchar_t* name;
  VARTYPE type;  // VT_VARIANT, VT_I4, VT_BSTR...
  int pointers;  // 0: by value, 1: a pointer (VT_DISPATCH is one already: IDispatch** is 1)
  USHORT flags;  // PARAMFLAG_*
};
struct Func {
  const wchar_t* name;
  std::vector<Param> params;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOpt = PARAMFLAG_FIN | PARAMFLAG_FOPT;
constexpr USHORT kOut = PARAMFLAG_FOUT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

// The first DISPID of the declared members; names served without declaration get small ones.
constexpr DISPID kFirstDeclaredId = 0x60010000;

class TypeLibrary {
 public:
  explicit TypeLibrary(IdleQuery idle) : idle_(idle) {
    Check(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"trivane_test_cad.tlb",
                         library_.Receive()),
          "CreateTypeLib2");
    GUID libraryId{};
    CoCreateGuid(&libraryId);
    Check(library_->SetGuid(libraryId), "SetGuid");
    Check(library_->SetName(const_cast<LPOLESTR>(L"TrivaneTestCad")), "SetName");
    ComPtr<ITypeLib> stdole;
    if (FAILED(LoadRegTypeLib(IID_StdOle, STDOLE2_MAJORVERNUM, STDOLE2_MINORVERNUM, STDOLE2_LCID,
                              stdole.Receive())))
      Check(LoadTypeLib(L"stdole2.tlb", stdole.Receive()), "LoadTypeLib(stdole2.tlb)");
    Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatchInfo_.Receive()), "IDispatch");

    utility_ = Interface(L"ITestUtility", {{L"GetEntity",
                                            {{L"Object", VT_DISPATCH, 1, kOut},
                                             {L"PickedPoint", VT_VARIANT, 1, kOut},
                                             {L"Prompt", VT_VARIANT, 0, kOpt}}},
                                           {L"GetPoint",
                                            {{L"Point", VT_VARIANT, 0, kOpt},
                                             {L"Prompt", VT_VARIANT, 0, kOpt},
                                             {L"InputPoint", VT_VARIANT, 1, kRetval}}},
                                           {L"GetString",
                                            {{L"HasSpaces", VT_I4, 0, kIn},
                                             {L"Prompt", VT_VARIANT, 0, kOpt},
                                             {L"Value", VT_BSTR, 1, kRetval}}}});
    selectionSet_ =
        Interface(L"ITestSelectionSet",
                  {{L"Select",
                    {{L"Mode", VT_I4, 0, kIn},
                     {L"Point1", VT_VARIANT, 0, kOpt},
                     {L"Point2", VT_VARIANT, 0, kOpt},
                     {L"FilterType", VT_VARIANT, 0, kOpt},
                     {L"FilterData", VT_VARIANT, 0, kOpt}}},
                   {L"SelectOnScreen",
                    {{L"FilterType", VT_VARIANT, 0, kOpt}, {L"FilterData", VT_VARIANT, 0, kOpt}}},
                   {L"SelectAtPoint",
                    {{L"Point", VT_VARIANT, 0, kIn},
                     {L"FilterType", VT_VARIANT, 0, kOpt},
                     {L"FilterData", VT_VARIANT, 0, kOpt}}}});
    entity_ = Interface(
        L"ITestEntity",
        {{L"GetXData",
          {{L"AppName", VT_BSTR, 0, kIn},
           {L"XDataType", VT_VARIANT, 1, kOut},
           {L"XDataValue", VT_VARIANT, 1, kOut}}},
         {L"SetXData", {{L"XDataType", VT_VARIANT, 0, kIn}, {L"XDataValue", VT_VARIANT, 0, kIn}}}});
    const std::wstring idleName = Utf8ToWide(IdleQueryName(idle));
    application_ =
        Interface(L"ITestApplication", {{idleName.c_str(), {{L"State", VT_DISPATCH, 1, kRetval}}}});
    for (const char* name : {"GetAcadState", "GetGcadState", "GetZcadState"})
      declared_.insert(FoldAsciiUpper(name));
  }

  IdleQuery idle() const { return idle_; }
  // The declared interface of a kind; null for the kinds without declared members.
  ITypeInfo* InfoOf(Kind kind) const {
    switch (kind) {
      case Kind::Utility:
        return utility_.get();
      case Kind::SelectionSet:
        return selectionSet_.get();
      case Kind::Entity:
        return entity_.get();
      case Kind::Application:
        return application_.get();
      default:
        return nullptr;
    }
  }
  // Declared by some interface of the library (case as GetIDsOfNames ignores it).
  bool Declares(std::wstring_view name) const {
    try {
      return declared_.contains(FoldAsciiUpper(WideToUtf8(name)));
    } catch (const AutomationError&) {
      return false;
    }
  }

 private:
  ComPtr<ITypeInfo> Interface(const wchar_t* name, const std::vector<Func>& funcs) {
    ComPtr<ICreateTypeInfo> create;
    Check(library_->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_INTERFACE, create.Receive()),
          "CreateTypeInfo");
    GUID id{};
    CoCreateGuid(&id);
    Check(create->SetGuid(id), "SetGuid");
    Check(create->SetTypeFlags(TYPEFLAG_FOLEAUTOMATION), "SetTypeFlags");
    HREFTYPE base = 0;
    Check(create->AddRefTypeInfo(dispatchInfo_.get(), &base), "AddRefTypeInfo");
    Check(create->AddImplType(0, base), "AddImplType");
    for (std::size_t f = 0; f < funcs.size(); ++f) {
      const Func& func = funcs[f];
      // Each parameter's type chain: T, T*, T** (the chain's links outlive AddFuncDesc).
      std::vector<std::array<TYPEDESC, 3>> chains(func.params.size());
      std::vector<ELEMDESC> elems(func.params.size());
      std::vector<LPOLESTR> names{const_cast<LPOLESTR>(func.name)};
      for (std::size_t i = 0; i < func.params.size(); ++i) {
        const Param& p = func.params[i];
        std::array<TYPEDESC, 3>& chain = chains[i];
        chain[0] = TYPEDESC{};
        chain[0].vt = p.type;
        for (int k = 1; k <= p.pointers; ++k) {
          chain[static_cast<std::size_t>(k)] = TYPEDESC{};
          chain[static_cast<std::size_t>(k)].vt = VT_PTR;
          chain[static_cast<std::size_t>(k)].lptdesc = &chain[static_cast<std::size_t>(k - 1)];
        }
        elems[i] = ELEMDESC{};
        elems[i].tdesc = chain[static_cast<std::size_t>(p.pointers)];
        elems[i].paramdesc.wParamFlags = p.flags;
        names.push_back(const_cast<LPOLESTR>(p.name));
      }
      FUNCDESC desc{};
      desc.memid = kFirstDeclaredId + static_cast<DISPID>(declared_.size());
      desc.funckind = FUNC_PUREVIRTUAL;
      desc.invkind = INVOKE_FUNC;
      desc.callconv = CC_STDCALL;
      desc.cParams = static_cast<SHORT>(func.params.size());
      desc.lprgelemdescParam = elems.data();
      desc.elemdescFunc.tdesc.vt = VT_HRESULT;
      Check(create->AddFuncDesc(static_cast<UINT>(f), &desc), "AddFuncDesc");
      Check(create->SetFuncAndParamNames(static_cast<UINT>(f), names.data(),
                                         static_cast<UINT>(names.size())),
            "SetFuncAndParamNames");
      declared_.insert(FoldAsciiUpper(WideToUtf8(func.name)));
    }
    Check(create->LayOut(), "LayOut");
    ComPtr<ITypeInfo> info = create.As<ITypeInfo>();
    if (!info)
      Check(E_NOINTERFACE, "ITypeInfo");
    return info;
  }

  IdleQuery idle_;
  ComPtr<ICreateTypeLib2> library_;
  ComPtr<ITypeInfo> dispatchInfo_;
  ComPtr<ITypeInfo> utility_;
  ComPtr<ITypeInfo> selectionSet_;
  ComPtr<ITypeInfo> entity_;
  ComPtr<ITypeInfo> application_;
  std::set<std::string, std::less<>> declared_;  // upper case
};

// --- The served object ------------------------------------------------------------------------

class TypedServer;

// One declared interface of a TypedServer: its IUnknown and IDispatch are the server's own.
template <typename Members>
class Face : public Members {
 public:
  explicit Face(TypedServer& server) : server_(server) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* argError) override;

 protected:
  TypedServer& server_;
};

class UtilityFace final : public Face<IUtilityMembers> {
 public:
  using Face<IUtilityMembers>::Face;
  HRESULT STDMETHODCALLTYPE GetEntity(IDispatch** object, VARIANT* pickedPoint,
                                      VARIANT prompt) override;
  HRESULT STDMETHODCALLTYPE GetPoint(VARIANT point, VARIANT prompt, VARIANT* inputPoint) override;
  HRESULT STDMETHODCALLTYPE GetString(LONG hasSpaces, VARIANT prompt, BSTR* value) override;
};

class SelectionSetFace final : public Face<ISelectionSetMembers> {
 public:
  using Face<ISelectionSetMembers>::Face;
  HRESULT STDMETHODCALLTYPE Select(LONG mode, VARIANT point1, VARIANT point2, VARIANT filterType,
                                   VARIANT filterData) override;
  HRESULT STDMETHODCALLTYPE SelectOnScreen(VARIANT filterType, VARIANT filterData) override;
  HRESULT STDMETHODCALLTYPE SelectAtPoint(VARIANT point, VARIANT filterType,
                                          VARIANT filterData) override;
};

class EntityFace final : public Face<IEntityMembers> {
 public:
  using Face<IEntityMembers>::Face;
  HRESULT STDMETHODCALLTYPE GetXData(BSTR appName, VARIANT* xdataType,
                                     VARIANT* xdataValue) override;
  HRESULT STDMETHODCALLTYPE SetXData(VARIANT xdataType, VARIANT xdataValue) override;
};

class ApplicationFace final : public Face<IApplicationMembers> {
 public:
  using Face<IApplicationMembers>::Face;
  HRESULT STDMETHODCALLTYPE GetState(IDispatch** state) override;
};

// An argument refused before the member runs.
struct Refused {
  HRESULT code;
  std::string reason;
};

class TypedServer final : public IDispatch {
 public:
  static ComPtr<IDispatch> Create(ObjectRef object, Kind kind,
                                  std::shared_ptr<const TypeLibrary> library) {
    return ComPtr<IDispatch>::Adopt(new TypedServer(std::move(object), kind, std::move(library)));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object)
      return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    // The untyped server answers the rest (it is how this process recognises its own objects).
    return plain_->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
      delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count)
      return E_POINTER;
    *count = info_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info)
      return E_POINTER;
    *info = nullptr;
    if (!info_ || index != 0)
      return DISP_E_BADINDEX;
    info_->AddRef();
    *info = info_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    if (riid != IID_NULL)
      return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
      return E_INVALIDARG;
    if (info_ && SUCCEEDED(info_->GetIDsOfNames(names, 1, ids))) {
      for (UINT i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    // A member the library declares for other objects is not one of this object's.
    if (names[0] && library_->Declares(names[0])) {
      for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return plain_->GetIDsOfNames(riid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* argError) override {
    if (info_ && id >= kFirstDeclaredId) {
      if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
      return DispInvoke(face_, info_, id, flags, params, result, excep, argError);
    }
    return plain_->Invoke(id, riid, locale, flags, params, result, excep, argError);
  }

  // Calls `member` on the served object. Errors become the HRESULT DispInvoke passes on, with the
  // description in the thread's error information.
  HRESULT Forward(const char* member, std::span<Arg> args, Value* result) {
    try {
      Value r = object_->Invoke(member, InvokeKind::Call, args);
      if (result)
        *result = std::move(r);
      return S_OK;
    } catch (const AutomationError& e) {
      return Fail(member, e.reason(), static_cast<HRESULT>(e.code()));
    } catch (const std::exception& e) {
      return Fail(member, e.what(), E_FAIL);
    }
  }
  HRESULT Fail(const char* member, const std::string& reason, HRESULT code) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
      try {
        create->SetSource(const_cast<LPOLESTR>(Utf8ToWide(member).c_str()));
        create->SetDescription(const_cast<LPOLESTR>(Utf8ToWide(reason).c_str()));
      } catch (const AutomationError&) {
        // An unreadable text: the code alone.
      }
      if (ComPtr<IErrorInfo> info = create.As<IErrorInfo>())
        SetErrorInfo(0, info.get());
    }
    return FAILED(code) ? code : E_FAIL;
  }

  // An in argument of a declared VARIANT. An optional one left out is VT_ERROR
  // DISP_E_PARAMNOTFOUND (an empty value here); VT_EMPTY in its place is refused.
  static Value In(const VARIANT& v, bool optional) {
    if (optional && V_VT(&v) == VT_EMPTY)
      throw Refused{DISP_E_TYPEMISMATCH,
                    "an optional argument left out must be VT_ERROR DISP_E_PARAMNOTFOUND"};
    return FromVariant(v, Side::Server);
  }

  // A value that member `member` hands out, as a VARIANT (objects served by their kind).
  ScopedVariant Out(const Value& v, std::string_view member) {
    const std::shared_ptr<const TypeLibrary> library = library_;
    const Kind child = ChildKind(kind_, member);
    return ToVariant(v, [&](const ObjectRef& object) { return Create(object, child, library); });
  }

  template <typename Body>
  HRESULT Run(const char* member, Body&& body) {
    try {
      return body();
    } catch (const Refused& r) {
      return Fail(member, r.reason, r.code);
    } catch (const AutomationError& e) {
      return Fail(member, e.reason(), static_cast<HRESULT>(e.code()));
    } catch (const std::exception& e) {
      return Fail(member, e.what(), E_FAIL);
    }
  }

  const TypeLibrary& library() const { return *library_; }

 private:
  TypedServer(ObjectRef object, Kind kind, std::shared_ptr<const TypeLibrary> library)
      : object_(std::move(object)), kind_(kind), library_(std::move(library)) {
    const std::shared_ptr<const TypeLibrary> lib = library_;
    plain_ = DispatchServer::Create(object_, [lib, kind](const ObjectRef& o, std::string_view m) {
      return Create(o, ChildKind(kind, m), lib);
    });
    info_ = library_->InfoOf(kind_);
    switch (kind_) {
      case Kind::Utility:
        face_ = &faces_.emplace<UtilityFace>(*this);
        break;
      case Kind::SelectionSet:
        face_ = &faces_.emplace<SelectionSetFace>(*this);
        break;
      case Kind::Entity:
        face_ = &faces_.emplace<EntityFace>(*this);
        break;
      case Kind::Application:
        face_ = &faces_.emplace<ApplicationFace>(*this);
        break;
      default:
        break;
    }
  }
  ~TypedServer() = default;

  LONG refs_ = 1;
  ObjectRef object_;
  Kind kind_;
  std::shared_ptr<const TypeLibrary> library_;
  ComPtr<IDispatch> plain_;
  ITypeInfo* info_ = nullptr;  // owned by the library
  std::variant<std::monostate, UtilityFace, SelectionSetFace, EntityFace, ApplicationFace> faces_;
  IDispatch* face_ = nullptr;  // in faces_; its vtable is the one info_ lays out
};

template <typename Members>
HRESULT Face<Members>::QueryInterface(REFIID riid, void** object) {
  return server_.QueryInterface(riid, object);
}
template <typename Members>
ULONG Face<Members>::AddRef() {
  return server_.AddRef();
}
template <typename Members>
ULONG Face<Members>::Release() {
  return server_.Release();
}
template <typename Members>
HRESULT Face<Members>::GetTypeInfoCount(UINT* count) {
  return server_.GetTypeInfoCount(count);
}
template <typename Members>
HRESULT Face<Members>::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
  return server_.GetTypeInfo(index, locale, info);
}
template <typename Members>
HRESULT Face<Members>::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                     DISPID* ids) {
  return server_.GetIDsOfNames(riid, names, count, locale, ids);
}
template <typename Members>
HRESULT Face<Members>::Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excep, UINT* argError) {
  return server_.Invoke(id, riid, locale, flags, params, result, excep, argError);
}

// Writes an out VARIANT*: what it held is cleared first.
void Store(VARIANT* target, ScopedVariant value) {
  VariantClear(target);
  *target = value.Release();
}

HRESULT UtilityFace::GetEntity(IDispatch** object, VARIANT* pickedPoint, VARIANT prompt) {
  return server_.Run("GetEntity", [&] {
    if (!object || !pickedPoint)
      return E_POINTER;
    Arg args[3] = {Arg::Out(), Arg::Out(), Arg::In(TypedServer::In(prompt, true))};
    if (const HRESULT hr = server_.Forward("GetEntity", args, nullptr); FAILED(hr))
      return hr;
    ScopedVariant entity = server_.Out(args[0].value, "GetEntity");
    ScopedVariant point = server_.Out(args[1].value, "GetEntity");
    if (entity.type() != VT_DISPATCH)
      return server_.Fail("GetEntity", "no entity", E_FAIL);
    VARIANT raw = entity.Release();
    *object = V_DISPATCH(&raw);  // the reference passes to the caller
    Store(pickedPoint, std::move(point));
    return S_OK;
  });
}

HRESULT UtilityFace::GetPoint(VARIANT point, VARIANT prompt, VARIANT* inputPoint) {
  return server_.Run("GetPoint", [&] {
    if (!inputPoint)
      return E_POINTER;
    Arg args[2] = {Arg::In(TypedServer::In(point, true)), Arg::In(TypedServer::In(prompt, true))};
    Value r;
    if (const HRESULT hr = server_.Forward("GetPoint", args, &r); FAILED(hr))
      return hr;
    Store(inputPoint, server_.Out(r, "GetPoint"));
    return S_OK;
  });
}

HRESULT UtilityFace::GetString(LONG hasSpaces, VARIANT prompt, BSTR* value) {
  return server_.Run("GetString", [&] {
    if (!value)
      return E_POINTER;
    Arg args[2] = {Arg::In(Value::Int32(hasSpaces)), Arg::In(TypedServer::In(prompt, true))};
    Value r;
    if (const HRESULT hr = server_.Forward("GetString", args, &r); FAILED(hr))
      return hr;
    *value = UniqueBstr(Utf8ToWide(r.GetText())).Release();
    return S_OK;
  });
}

HRESULT SelectionSetFace::Select(LONG mode, VARIANT point1, VARIANT point2, VARIANT filterType,
                                 VARIANT filterData) {
  return server_.Run("Select", [&] {
    Arg args[5] = {Arg::In(Value::Int32(mode)), Arg::In(TypedServer::In(point1, true)),
                   Arg::In(TypedServer::In(point2, true)),
                   Arg::In(TypedServer::In(filterType, true)),
                   Arg::In(TypedServer::In(filterData, true))};
    return server_.Forward("Select", args, nullptr);
  });
}

HRESULT SelectionSetFace::SelectOnScreen(VARIANT filterType, VARIANT filterData) {
  return server_.Run("SelectOnScreen", [&] {
    Arg args[2] = {Arg::In(TypedServer::In(filterType, true)),
                   Arg::In(TypedServer::In(filterData, true))};
    return server_.Forward("SelectOnScreen", args, nullptr);
  });
}

HRESULT SelectionSetFace::SelectAtPoint(VARIANT point, VARIANT filterType, VARIANT filterData) {
  return server_.Run("SelectAtPoint", [&] {
    Arg args[3] = {Arg::In(TypedServer::In(point, false)),
                   Arg::In(TypedServer::In(filterType, true)),
                   Arg::In(TypedServer::In(filterData, true))};
    return server_.Forward("SelectAtPoint", args, nullptr);
  });
}

HRESULT EntityFace::GetXData(BSTR appName, VARIANT* xdataType, VARIANT* xdataValue) {
  return server_.Run("GetXData", [&] {
    if (!xdataType || !xdataValue)
      return E_POINTER;
    Arg args[3] = {Arg::In(Value::Text(WideToUtf8(BstrView(appName)))), Arg::Out(), Arg::Out()};
    if (const HRESULT hr = server_.Forward("GetXdata", args, nullptr); FAILED(hr))
      return hr;
    ScopedVariant types = server_.Out(args[1].value, "GetXData");
    ScopedVariant values = server_.Out(args[2].value, "GetXData");
    Store(xdataType, std::move(types));
    Store(xdataValue, std::move(values));
    return S_OK;
  });
}

HRESULT EntityFace::SetXData(VARIANT xdataType, VARIANT xdataValue) {
  return server_.Run("SetXData", [&] {
    Arg args[2] = {Arg::In(TypedServer::In(xdataType, false)),
                   Arg::In(TypedServer::In(xdataValue, false))};
    return server_.Forward("SetXdata", args, nullptr);
  });
}

HRESULT ApplicationFace::GetState(IDispatch** state) {
  const char* name = IdleQueryName(server_.library().idle());
  return server_.Run(name, [&] {
    if (!state)
      return E_POINTER;
    Value r;
    if (const HRESULT hr = server_.Forward(name, {}, &r); FAILED(hr))
      return hr;
    ScopedVariant served = server_.Out(r, name);
    if (served.type() != VT_DISPATCH)
      return server_.Fail(name, "no state object", E_FAIL);
    VARIANT raw = served.Release();
    *state = V_DISPATCH(&raw);
    return S_OK;
  });
}

}  // namespace

ComPtr<IDispatch> ServeTyped(ObjectRef application, IdleQuery idle) {
  return TypedServer::Create(std::move(application), Kind::Application,
                             std::make_shared<const TypeLibrary>(idle));
}

}  // namespace trivane::cad::com::testing
