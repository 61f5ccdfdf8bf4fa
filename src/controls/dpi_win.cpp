#include "controls/dpi_win.h"

#include "controls/dpi.h"
#include "platform/handles_win.h"

namespace vantrel::controls {

int windowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; Windows 7 has one DPI for the session.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi)
            return int(dpi);
    }
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace vantrel::controls
