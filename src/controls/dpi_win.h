#pragma once

#include <windows.h>

#include "controls/canvas.h"

namespace vantrel::controls {

// The DPI a window is shown at: its own on systems with per-monitor awareness, the screen's
// otherwise.
int windowDpi(HWND window);

// The system's message font (the font of message boxes and dialogs) as the font the controls
// draw with, for a window shown at dpi. Every window takes its font from here when it is created
// and again when its DPI changes (UseSystemMessageFont): cachedFont(systemMessageFont(dpi), dpi)
// is the HFONT for its standard controls, and the result's name the face for the controls that do
// not inherit the window's font. Read with SystemParametersInfoForDpi where the system has it
// (Windows 10 1607 on); elsewhere (Windows 7) the metrics are those of the session's one DPI and
// are converted from that.
Font systemMessageFont(int dpi);

}  // namespace vantrel::controls
