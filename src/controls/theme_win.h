#pragma once

#include <windows.h>

namespace vantrel::controls {

// Paints what the parent shows under a child (a themed tab page is not button-face grey) into
// the child's DC, at the child's own coordinates: the parent is asked to erase and print its
// client area there. Button face where the parent paints nothing.
void paintParentBackground(HWND child, HDC dc, const RECT& rect);

// A group box frame as the standard group boxes beside it draw theirs: the theme's frame where
// themes are active, the etched classic frame otherwise.
void drawGroupFrame(HWND window, HDC dc, const RECT& frame, bool enabled);

}  // namespace vantrel::controls
