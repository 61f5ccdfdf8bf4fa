#include "controls/dpi.h"

#include <algorithm>

namespace vantrel::controls {

Font fontFromMetrics(std::wstring_view face, int height, int weight, bool italic, int metricsDpi) {
    Font font;
    if (!face.empty())
        font.name = std::wstring(face);
    if (height < 0)
        height = -height;
    // Through the height at 96 DPI, so that metrics read at any DPI give the same points (the
    // system rounds each DPI's height on its own: Tahoma's 11 pixels are 17 at 144 DPI, 8.5 points).
    if (height > 0 && metricsDpi > 0) {
        const int height96 = (height * kBaseDpi + metricsDpi / 2) / metricsDpi;
        font.size = std::max(1, (height96 * 72 + kBaseDpi / 2) / kBaseDpi);
    }
    font.style = (weight >= 600 ? kBold : 0u) | (italic ? kItalic : 0u);
    return font;
}

}  // namespace vantrel::controls
