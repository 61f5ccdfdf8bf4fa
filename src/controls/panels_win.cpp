#include "controls/panels_win.h"

#include <commctrl.h>

#include "platform/trace_log.h"

namespace vantrel::controls {

namespace {
constexpr UINT_PTR kMarqueeTimer = 0x7601;
constexpr DWORD kMarqueeStyle = 0x08;  // PBS_MARQUEE
}  // namespace

DProgressBarWindow::~DProgressBarWindow() {
    if (window_ && ::IsWindow(window_)) {
        ::KillTimer(window_, kMarqueeTimer);
        if (subclassed_)
            ::RemoveWindowSubclass(window_, &DProgressBarWindow::subclassProc, 0);
    }
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
    // The marquee timer arrives as the bar's WM_TIMER and goes through the model.
    if (window_)
        subclassed_ = ::SetWindowSubclass(window_, &DProgressBarWindow::subclassProc, 0,
                                          reinterpret_cast<DWORD_PTR>(this)) != FALSE;
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
        ::SetTimer(window_, kMarqueeTimer, UINT(ms), nullptr);
}

void DProgressBarWindow::stopTimer() {
    if (window_)
        ::KillTimer(window_, kMarqueeTimer);
}

LRESULT CALLBACK DProgressBarWindow::subclassProc(HWND window,
                                                  UINT message,
                                                  WPARAM wParam,
                                                  LPARAM lParam,
                                                  UINT_PTR,
                                                  DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<DProgressBarWindow*>(data);
    if (message == WM_TIMER && wParam == kMarqueeTimer) {
        try {
            // The model moves the marquee on only while it is animating.
            if (self->model_)
                self->model_->tick();
            return 0;
        } catch (...) {
            VANTREL_ASSERT_FAILED(L"Assertion failure", "panels");
        }
    } else if (message == WM_NCDESTROY) {
        // Destroyed with its parent: the object keeps no handle that may later name another window.
        ::RemoveWindowSubclass(window, &DProgressBarWindow::subclassProc, 0);
        ::KillTimer(window, kMarqueeTimer);
        self->window_ = nullptr;
        self->subclassed_ = false;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace vantrel::controls
