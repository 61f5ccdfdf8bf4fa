#include "controls/theme_win.h"

#include <shlwapi.h>
#include <uxtheme.h>
#include <vsstyle.h>

namespace vantrel::controls {

namespace {
// The standard controls beside ours are themed only when themes are on and the process uses
// version 6 of the common controls (through its manifest); otherwise they draw the classic look.
bool standardControlsThemed() {
    static const bool version6 = [] {
        HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
        auto getVersion = comctl ? reinterpret_cast<DLLGETVERSIONPROC>(
                                       reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion")))
                                 : nullptr;
        DLLVERSIONINFO dvi{};
        dvi.cbSize = sizeof(dvi);
        return getVersion && SUCCEEDED(getVersion(&dvi)) && dvi.dwMajorVersion >= 6;
    }();
    return version6 && ::IsAppThemed();
}
}  // namespace

void paintParentBackground(HWND child, HDC dc, const RECT& rect) {
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    RECT r = rect;
    ::DrawThemeParentBackground(child, dc, &r);
}

void drawGroupFrame(HWND window, HDC dc, const RECT& frame, bool enabled) {
    RECT r = frame;
    if (standardControlsThemed()) {
        if (HTHEME theme = ::OpenThemeData(window, L"BUTTON")) {
            const HRESULT drawn = ::DrawThemeBackground(theme, dc, BP_GROUPBOX,
                                                        enabled ? GBS_NORMAL : GBS_DISABLED, &r, nullptr);
            ::CloseThemeData(theme);
            if (SUCCEEDED(drawn))
                return;
        }
    }
    ::DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
}

}  // namespace vantrel::controls
