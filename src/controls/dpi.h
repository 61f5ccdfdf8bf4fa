#pragma once

namespace vantrel::controls {

inline constexpr int kBaseDpi = 96;

// Layout constants are written for 96 DPI; this turns them into pixels at the window's DPI,
// rounding to the nearest pixel.
constexpr int scaleForDpi(int pixels96, int dpi) {
    const long long p = static_cast<long long>(pixels96) * dpi;
    return static_cast<int>(p >= 0 ? (p + kBaseDpi / 2) / kBaseDpi : -((-p + kBaseDpi / 2) / kBaseDpi));
}

// Point sizes to pixel heights (for fonts) at a DPI.
constexpr int pointsToPixels(int points, int dpi) {
    const long long p = static_cast<long long>(points) * dpi;
    return static_cast<int>((p + 36) / 72);
}

}  // namespace vantrel::controls
