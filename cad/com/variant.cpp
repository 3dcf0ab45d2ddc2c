#include "cad/com/variant.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cad/com/com_object.h"
#include "cad/com/dispatch_server.h"
#include "cad/com/text.h"

namespace trivane::cad::com {
namespace {

[[noreturn]] void Mismatch(const std::string& what) {
  throw AutomationError("", what, kErrorTypeMismatch);
}

std::string VarTypeText(VARTYPE vt) {
  return "VARTYPE " + std::to_string(vt);
}

template <typename T>
ScopedVariant VectorVariant(const std::vector<T>& items) {
  UniqueSafeArray array = UniqueSafeArray::Vector(SafeArrayElement<T>::kType, items.size());
  {
    LockedSafeArray<T> lock(array.get());
    std::copy(items.begin(), items.end(), lock.elements().begin());
  }
  return ScopedVariant(std::move(array), SafeArrayElement<T>::kType);
}

ScopedVariant ObjectVariant(const Value& v, const ServeObject& serve) {
  if (v == Value::Ref(nullptr))
    return ScopedVariant(ComPtr<IDispatch>());
  const ObjectRef& object = v.GetObject();
  if (const auto* com = dynamic_cast<const ComObject*>(object.get()))
    return ScopedVariant(com->dispatch());
  return ScopedVariant(serve ? serve(object) : DispatchServer::Create(object));
}

Value ObjectValue(IDispatch* dispatch, Side side) {
  if (!dispatch)
    return Value::Ref(nullptr);
  if (side == Side::Server) {
    if (ObjectRef served = DispatchServer::Served(dispatch))
      return Value::Ref(std::move(served));
  }
  return Value::Ref(std::make_shared<ComObject>(ComPtr<IDispatch>(dispatch)));
}

Value ToDoubleValue(const VARIANT& v) {
  ScopedVariant d;
  if (FAILED(VariantChangeType(d.Receive(), const_cast<VARIANT*>(&v), 0, VT_R8)))
    Mismatch("cannot read " + VarTypeText(V_VT(&v)) + " as a double");
  return Value::Double(V_R8(&d.get()));
}

// The size of one array element of type `element`; 0 for the types read otherwise.
UINT ElementSize(VARTYPE element) {
  switch (element) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    default:
      return 0;
  }
}

Value ArrayValue(SAFEARRAY* array, VARTYPE element, Side side) {
  if (!array) {
    // A VT_ARRAY VARIANT without an array: an empty array of the declared element type.
    if (element == VT_R8)
      return Value::Doubles({});
    if (element == VT_I2)
      return Value::Int16s({});
    return Value::Array({});
  }
  switch (element) {
    case VT_R8: {
      LockedSafeArray<double> lock(array);
      return Value::Doubles(std::vector<double>(lock.elements().begin(), lock.elements().end()));
    }
    case VT_I2: {
      LockedSafeArray<std::int16_t> lock(array);
      return Value::Int16s(
          std::vector<std::int16_t>(lock.elements().begin(), lock.elements().end()));
    }
    case VT_VARIANT: {
      LockedSafeArray<VARIANT> lock(array);
      Value::Variants items;
      items.reserve(lock.elements().size());
      for (const VARIANT& item : lock.elements())
        items.push_back(FromVariant(item, side));
      return Value::Array(std::move(items));
    }
    default:
      break;
  }
  // Arrays of objects (Explode), texts or other scalars: each element is read into a VARIANT of
  // the element type. Elements must fit the VARIANT's 8-byte data field.
  if (SafeArrayGetDim(array) != 1)
    Mismatch("expected a one-dimensional array, got " + std::to_string(SafeArrayGetDim(array)) +
             " dimensions");
  if (element == VT_DECIMAL || element == VT_RECORD || SafeArrayGetElemsize(array) > 8)
    Mismatch("arrays of " + VarTypeText(element) + " are not supported");
  // An array without a recorded element type is taken as the VARIANT says, when the size fits.
  VARTYPE actual = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(array, &actual))
          ? actual != element
          : SafeArrayGetElemsize(array) != ElementSize(element))
    Mismatch("array elements are not of the declared " + VarTypeText(element));
  LONG lower = 0;
  LONG upper = -1;
  ThrowIfFailed(SafeArrayGetLBound(array, 1, &lower), "SafeArrayGetLBound");
  ThrowIfFailed(SafeArrayGetUBound(array, 1, &upper), "SafeArrayGetUBound");
  Value::Variants items;
  for (LONG i = lower; i <= upper; ++i) {
    ScopedVariant item;
    VARIANT* raw = item.Receive();
    ThrowIfFailed(SafeArrayGetElement(array, &i, &V_I8(raw)), "SafeArrayGetElement");
    V_VT(raw) = element;  // set only now: the element data is owned from here on
    items.push_back(FromVariant(item.get(), side));
  }
  return Value::Array(std::move(items));
}

}  // namespace

ScopedVariant ToVariant(const Value& v, const ServeObject& serve) {
  switch (v.type()) {
    case Value::Type::Empty:
      return ScopedVariant();
    case Value::Type::Bool:
      return ScopedVariant(v.GetBool());
    case Value::Type::Int16:
      return ScopedVariant(static_cast<std::int16_t>(v.ToInteger()));
    case Value::Type::Int32:
      return ScopedVariant(static_cast<std::int32_t>(v.ToInteger()));
    case Value::Type::Int64:
      return ScopedVariant(static_cast<std::int64_t>(v.ToInteger()));
    case Value::Type::Double:
      return ScopedVariant(v.ToDouble());
    case Value::Type::Text:
      return ScopedVariant(UniqueBstr(Utf8ToWide(v.GetText())));
    case Value::Type::DoubleArray:
      return VectorVariant(v.GetDoubles());
    case Value::Type::Int16Array:
      return VectorVariant(v.GetInt16s());
    case Value::Type::VariantArray: {
      const Value::Variants& items = v.GetArray();
      UniqueSafeArray array = UniqueSafeArray::Vector(VT_VARIANT, items.size());
      {
        LockedSafeArray<VARIANT> lock(array.get());
        // Each element is converted completely before it is stored; on an error the array
        // frees what it holds so far.
        for (std::size_t i = 0; i < items.size(); ++i)
          lock.elements()[i] = ToVariant(items[i], serve).Release();
      }
      return ScopedVariant(std::move(array), VT_VARIANT);
    }
    case Value::Type::Object:
      return ObjectVariant(v, serve);
  }
  Mismatch("unknown value type");
}

Value FromVariant(const VARIANT& v, Side side) {
  const VARTYPE vt = V_VT(&v);
  if (vt & VT_BYREF) {
    ScopedVariant target;
    ThrowIfFailed(VariantCopyInd(target.Receive(), const_cast<VARIANT*>(&v)), "VariantCopyInd");
    return FromVariant(target.get(), side);
  }
  if (vt & VT_ARRAY)
    return ArrayValue(V_ARRAY(&v), static_cast<VARTYPE>(vt & VT_TYPEMASK), side);
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return Value();
    case VT_ERROR:
      if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND)
        return Value();  // an optional argument left out
      Mismatch("VT_ERROR " + HresultText(V_ERROR(&v)));
    case VT_BOOL:
      return Value::Bool(V_BOOL(&v) != VARIANT_FALSE);
    case VT_I1:
      return Value::Int16(V_I1(&v));
    case VT_UI1:
      return Value::Int16(V_UI1(&v));
    case VT_I2:
      return Value::Int16(V_I2(&v));
    case VT_UI2:
      return Value::Int32(V_UI2(&v));
    case VT_I4:
      return Value::Int32(V_I4(&v));
    case VT_INT:
      return Value::Int32(V_INT(&v));
    case VT_UI4:
      return Value::Int64(V_UI4(&v));
    case VT_UINT:
      return Value::Int64(V_UINT(&v));
    case VT_I8:
      return Value::Int64(V_I8(&v));
    case VT_UI8:
      if (V_UI8(&v) > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max()))
        Mismatch("VT_UI8 value too large for a 64-bit integer");
      return Value::Int64(static_cast<std::int64_t>(V_UI8(&v)));
    case VT_R4:
      return Value::Double(V_R4(&v));
    case VT_R8:
      return Value::Double(V_R8(&v));
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL:
      return ToDoubleValue(v);
    case VT_BSTR:
      return Value::Text(WideToUtf8(BstrView(V_BSTR(&v))));
    case VT_DISPATCH:
      return ObjectValue(V_DISPATCH(&v), side);
    case VT_UNKNOWN: {
      IUnknown* unknown = V_UNKNOWN(&v);
      if (!unknown)
        return Value::Ref(nullptr);
      ComPtr<IDispatch> dispatch = ComPtr<IUnknown>(unknown).As<IDispatch>();
      if (!dispatch)
        Mismatch("an object without IDispatch");
      return ObjectValue(dispatch.get(), side);
    }
    default:
      Mismatch("unsupported " + VarTypeText(vt));
  }
}

}  // namespace trivane::cad::com
