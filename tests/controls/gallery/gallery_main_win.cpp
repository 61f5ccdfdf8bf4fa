// The drawn controls in one window, for looking at them by hand: controls_gallery.exe.
#include <windows.h>

#include <commctrl.h>

#include "gallery/gallery_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    vantrel::controls::gallery::Gallery gallery;
    gallery.quitOnClose = true;
    if (!gallery.create())
        return 1;
    ::ShowWindow(gallery.hwnd(), show);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
