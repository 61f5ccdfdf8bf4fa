#pragma once

#include <windows.h>

namespace vantrel::controls {

// The DPI a window is shown at: its own on systems with per-monitor awareness, the screen's
// otherwise.
int windowDpi(HWND window);

}  // namespace vantrel::controls
