#include "controls/panels_win.h"

#include <commctrl.h>

namespace vantrel::controls {

namespace {
constexpr UINT_PTR kMarqueeTimer = 0x7601;
constexpr DWORD kMarqueeStyle = 0x08;  // PBS_MARQUEE
}  // namespace

DProgressBarWindow::~DProgressBarWindow() {
    if (window_ && ::IsWindow(window_))
        ::KillTimer(window_, kMarqueeTimer);
}

HWND DProgressBarWindow::create(HWND parent, int x, int y, int width, int height) {
    // Initialising the progress-bar class tells whether the 32-bit range message exists.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    const bool extended = ::InitCommonControlsEx(&icc) != FALSE;
    if (height <= 0)
        height = ::GetSystemMetrics(SM_CXVSCROLL);
    window_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | kMarqueeStyle, x, y, width,
                                height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    model_ = std::make_unique<TDProgressBar>(*this, extended);
    return window_;
}

void DProgressBarWindow::setRange(int min, int max, bool extended) {
    if (!window_)
        return;
    if (extended)
        ::SendMessageW(window_, PBM_SETRANGE32, WPARAM(min), LPARAM(max));
    else
        ::SendMessageW(window_, PBM_SETRANGE, 0, MAKELPARAM(min, max));
}

void DProgressBarWindow::setPosition(int pos) {
    if (window_)
        ::SendMessageW(window_, PBM_SETPOS, WPARAM(pos), 0);
}

void DProgressBarWindow::setStep(int step) {
    if (window_)
        ::SendMessageW(window_, PBM_SETSTEP, WPARAM(step), 0);
}

void DProgressBarWindow::startTimer(int ms) {
    if (window_)
        ::SetTimer(window_, kMarqueeTimer, UINT(ms), &DProgressBarWindow::timerProc);
}

void DProgressBarWindow::stopTimer() {
    if (window_)
        ::KillTimer(window_, kMarqueeTimer);
}

void CALLBACK DProgressBarWindow::timerProc(HWND window, UINT, UINT_PTR, DWORD) noexcept {
    // Each tick sends position 100, which moves the marquee on.
    ::SendMessageW(window, PBM_SETPOS, 100, 0);
}

}  // namespace vantrel::controls
