#pragma once

#include <oaidl.h>

#include "procinfo/wmi.h"

namespace vantrel {

// A property value as the scripting interface hands it over: texts, Booleans and floating point
// as they are; every other kind as a 64-bit integer where it converts to one, else as text.
WmiValue WmiValueOf(VARIANT* v);

}  // namespace vantrel
