#include "controls/dpi.h"

#include <algorithm>

namespace vantrel::controls {

Font fontFromMetrics(std::wstring_view face, int height, int weight, bool italic, int metricsDpi) {
    Font font;
    if (!face.empty())
        font.name = std::wstring(face);
    if (height < 0)
        height = -height;
    if (height > 0 && metricsDpi > 0)
        font.size = std::max(1, (height * 72 + metricsDpi / 2) / metricsDpi);
    font.style = (weight >= 600 ? kBold : 0u) | (italic ? kItalic : 0u);
    return font;
}

}  // namespace vantrel::controls
