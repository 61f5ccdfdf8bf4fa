#pragma once

#include <string_view>

#include "controls/canvas.h"

namespace vantrel::controls {

inline constexpr int kBaseDpi = 96;

// Layout constants are written for 96 DPI; this turns them into pixels at the window's DPI: the
// nearest pixel, halves rounding up (toward +infinity, also below zero), so that a coordinate 96
// pixels further always lands exactly dpi pixels further.
constexpr int scaleForDpi(int pixels96, int dpi) {
    const long long p = static_cast<long long>(pixels96) * dpi + kBaseDpi / 2;
    return static_cast<int>(p >= 0 ? p / kBaseDpi : -((-p + kBaseDpi - 1) / kBaseDpi));
}

// Point sizes to pixel heights (for fonts) at a DPI.
constexpr int pointsToPixels(int points, int dpi) {
    const long long p = static_cast<long long>(points) * dpi;
    return static_cast<int>((p + 36) / 72);
}

// A system font's description from its LOGFONT figures as the system gave them for metricsDpi:
// the face, bold from semibold on, italic, and the character height (lfHeight; a positive cell
// height is taken as it stands) as the nearest whole point size at 96 DPI, the same whatever DPI
// the figures were read at; the font is then drawn at any DPI from its points. (A height that is
// no whole number of points, as Wine's 11-pixel Tahoma, is drawn at the nearest one.)
Font fontFromMetrics(std::wstring_view face, int height, int weight, bool italic, int metricsDpi);

}  // namespace vantrel::controls
