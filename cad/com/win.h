// The Windows and COM headers as this folder uses them. Include this instead of <windows.h>:
// it keeps min/max out, and it removes the A/W macros whose names the portable layers use as
// member names (Platform::MessageBox, Value::GetObject), so that both sides see the same names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#undef MessageBox
#undef GetObject
