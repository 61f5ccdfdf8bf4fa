#include "controls/theme_win.h"

#include <uxtheme.h>
#include <vsstyle.h>

namespace vantrel::controls {

void paintParentBackground(HWND child, HDC dc, const RECT& rect) {
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    RECT r = rect;
    ::DrawThemeParentBackground(child, dc, &r);
}

void drawGroupFrame(HWND window, HDC dc, const RECT& frame, bool enabled) {
    RECT r = frame;
    if (::IsAppThemed()) {
        if (HTHEME theme = ::OpenThemeData(window, L"BUTTON")) {
            const HRESULT drawn =
                ::DrawThemeBackground(theme, dc, BP_GROUPBOX, enabled ? GBS_NORMAL : GBS_DISABLED, &r, nullptr);
            ::CloseThemeData(theme);
            if (SUCCEEDED(drawn))
                return;
        }
    }
    ::DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
}

}  // namespace vantrel::controls
