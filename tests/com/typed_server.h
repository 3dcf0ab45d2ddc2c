// Objects served as a CAD's automation server serves them: through a type library.
//
//   ComPtr<IDispatch> app = ServeTyped(host->Application(), IdleQuery::GetGcadState);
//
// A CAD of this family describes its objects in a type library and lets the system dispatch calls
// through it (DispInvoke), so that every argument is coerced to the declared parameter type by the
// system's own rules before the member runs, and a shape the coercion cannot turn into the
// declared one is refused (DISP_E_TYPEMISMATCH). These servers do the same for the members a
// command's arguments can go wrong in, declared as the CADs document them:
//
//   Utility       GetEntity([out] IDispatch** Object, [out] VARIANT* PickedPoint,
//                           [in, optional] VARIANT Prompt)
//                 GetPoint([in, optional] VARIANT Point, [in, optional] VARIANT Prompt,
//                          [out, retval] VARIANT* InputPoint)
//                 GetString([in] long HasSpaces, [in, optional] VARIANT Prompt,
//                           [out, retval] BSTR* Value)
//   SelectionSet  Select([in] long Mode, [in, optional] VARIANT Point1, [in, optional] VARIANT
//                        Point2, [in, optional] VARIANT FilterType, [in, optional] VARIANT
//                        FilterData)
//                 SelectOnScreen([in, optional] VARIANT FilterType, [in, optional] VARIANT
//                                FilterData)
//                 SelectAtPoint([in] VARIANT Point, [in, optional] VARIANT FilterType,
//                               [in, optional] VARIANT FilterData)
//   any entity    GetXData([in] BSTR AppName, [out] VARIANT* XDataType, [out] VARIANT* XDataValue)
//                 SetXData([in] VARIANT XDataType, [in] VARIANT XDataValue)
//   Application   one idle-state query, [out, retval] IDispatch** (the product's own: the others
//                 are unknown names, DISP_E_UNKNOWNNAME from GetIDsOfNames)
//
// An optional argument left out comes as VT_ERROR DISP_E_PARAMNOTFOUND, or not at all; these
// servers refuse VT_EMPTY in its place (DISP_E_TYPEMISMATCH), as the strictest CAD would. Every
// other member is served by name as DispatchServer serves it, and the objects members hand out
// are served the same way, by what they are (a document's Utility is a Utility).
#pragma once

#include "cad/com/win.h"

#include <memory>

#include "cad/automation.h"
#include "cad/com/raii.h"
#include "cad/link.h"

namespace trivane::cad::com::testing {

// Serves a CAD's application object and, through it, every object reached from it. `idle` is the
// one idle-state query the application declares.
ComPtr<IDispatch> ServeTyped(ObjectRef application, IdleQuery idle);

}  // namespace trivane::cad::com::testing
