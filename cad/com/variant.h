// Automation values to VARIANTs and back, with the types a CAD of the AutoCAD family expects.
//
//   Value            VARIANT
//   Empty            VT_EMPTY
//   Bool             VT_BOOL (VARIANT_TRUE is -1)
//   Int16/32/64      VT_I2 / VT_I4 / VT_I8
//   Double           VT_R8
//   Text (UTF-8)     VT_BSTR (UTF-16)
//   DoubleArray      VT_ARRAY | VT_R8        points, coordinates
//   Int16Array       VT_ARRAY | VT_I2        filter and extended-data type codes
//   VariantArray     VT_ARRAY | VT_VARIANT   filter and extended-data values
//   Object           VT_DISPATCH             a ComObject's own IDispatch, or a DispatchServer
//
// Arrays are one-dimensional; a lower bound other than 0 is read in index order. From a VARIANT,
// the narrower or unsigned integer types widen to the next Value integer that holds them, VT_R4,
// VT_CY, VT_DATE and VT_DECIMAL become doubles, VT_NULL and a missing optional argument
// (VT_ERROR DISP_E_PARAMNOTFOUND) become Empty, arrays of other element types (objects, texts,
// longs) become VariantArrays, and by-reference VARIANTs are read through. Anything else is a type
// mismatch (AutomationError with an empty member: the caller names it).
#pragma once

#include "cad/com/win.h"

#include <cstddef>
#include <functional>

#include "cad/automation.h"
#include "cad/com/raii.h"

namespace trivane::cad::com {

// How an object of this process is served when it goes out in a VARIANT (a result, an out
// argument, an element of an array); empty: as a DispatchServer of its own.
using ServeObject = std::function<ComPtr<IDispatch>(const ObjectRef& object)>;

ScopedVariant ToVariant(const Value& v, const ServeObject& serve = {});

// What an incoming IDispatch becomes. A client always talks to an object through a ComObject. A
// server gets its own objects back (a DispatchServer of this process, passed back by a client)
// as the very objects it serves, so that identity and type survive the round trip.
enum class Side { Client, Server };
Value FromVariant(const VARIANT& v, Side side);

// DISPPARAMS::rgvarg holds the arguments last to first: the position of natural argument i of n
// there (and, the mapping being its own inverse, the natural index of rgvarg position i). Every
// reversal of the argument order goes through here.
constexpr std::size_t DispParamsIndex(std::size_t i, std::size_t n) {
  return n - 1 - i;
}

}  // namespace trivane::cad::com
