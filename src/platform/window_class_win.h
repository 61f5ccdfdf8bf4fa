#pragma once

#include <windows.h>

namespace vantrel {

// Registers a window class of this module once per process (a later call finds it registered)
// and returns the module instance to create its windows with.
HINSTANCE ensureWindowClass(const wchar_t* name, WNDPROC proc, HCURSOR cursor = nullptr);

}  // namespace vantrel
