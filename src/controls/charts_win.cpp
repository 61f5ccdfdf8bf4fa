#include "controls/charts_win.h"

namespace vantrel::controls {

namespace {
constexpr UINT_PTR kSampleTimer = 1;
}

ScopeWindow::~ScopeWindow() {
    if (hwnd())
        ::KillTimer(hwnd(), kSampleTimer);
}

void ScopeWindow::paintBuffer(Canvas& canvas) {
    // A full repaint is a clear: the trace history lives only in the buffer.
    model_.clear(canvas);
    model_.setReady();
}

void ScopeWindow::resized(int width, int height) {
    model_.resize(width, height);
    if (hwnd())
        repaint();
}

void ScopeWindow::clearIf(bool wanted) {
    if (wanted)
        repaint();
}

void ScopeWindow::restartTimer() {
    if (!hwnd())
        return;
    ::KillTimer(hwnd(), kSampleTimer);
    if (model_.Active() && model_.period() > 0)
        ::SetTimer(hwnd(), kSampleTimer, UINT(model_.period()), nullptr);
}

void ScopeWindow::setInterval(int v) {
    model_.setInterval(v);
    restartTimer();
}

void ScopeWindow::setActive(bool v) {
    model_.setActive(v);
    restartTimer();
}

void ScopeWindow::tick() {
    model_.tick(buffer());
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    if (OnUpdate)
        OnUpdate();
}

LRESULT ScopeWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kSampleTimer) {
        tick();
        return 0;
    }
    return DrawnWindow::handleMessage(message, wParam, lParam);
}

}  // namespace vantrel::controls
