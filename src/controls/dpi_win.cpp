#include "controls/dpi_win.h"

#include "controls/dpi.h"
#include "platform/handles_win.h"

namespace vantrel::controls {

namespace {
template <class Fn>
Fn user32Function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int screenDpi() {
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}
}  // namespace

int windowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; Windows 7 has one DPI for the session.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi)
            return int(dpi);
    }
    return screenDpi();
}

Font systemMessageFont(int dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = user32Function<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    int metricsDpi = 0;
    if (forDpi && dpi > 0 && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0, UINT(dpi)))
        metricsDpi = dpi;
    else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
        metricsDpi = screenDpi();
    else
        return Font{};
    const LOGFONTW& lf = ncm.lfMessageFont;
    return fontFromMetrics(lf.lfFaceName, lf.lfHeight, lf.lfWeight, lf.lfItalic != FALSE, metricsDpi);
}

}  // namespace vantrel::controls
