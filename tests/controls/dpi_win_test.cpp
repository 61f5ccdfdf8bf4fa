#include "controls/dpi_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/canvas_gdi_win.h"
#include "platform/handles_win.h"

namespace vantrel::controls {
namespace {

int lineHeight(HFONT font) {
    WindowDc screen(nullptr);
    SelectGuard sel(screen.get(), font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(screen.get(), &tm);
    return int(tm.tmHeight);
}

TEST(DpiWinTest, TheSystemMessageFontIsOneFontDrawnLargerAtHigherDpi) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0));
    const Font at96 = systemMessageFont(96);
    EXPECT_EQ(at96.name, ncm.lfMessageFont.lfFaceName);
    EXPECT_GE(at96.size, 6);
    EXPECT_LE(at96.size, 12);
    const int height96 = lineHeight(cachedFont(at96, 96));
    for (int dpi : {120, 144, 192}) {
        const Font font = systemMessageFont(dpi);
        EXPECT_EQ(font, at96) << "the same face and points at " << dpi << " DPI";
        const int height = lineHeight(cachedFont(font, dpi));
        EXPECT_LE(std::abs(height * 96 - height96 * dpi), 2 * dpi) << height << " pixels high at " << dpi;
    }
}

}  // namespace
}  // namespace vantrel::controls
