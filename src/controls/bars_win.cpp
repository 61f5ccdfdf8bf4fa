#include "controls/bars_win.h"

namespace vantrel::controls {

void RLedWindow::setOrientation(TRLedOrientation o) {
    if (!model_.setOrientation(o))
        return;
    // The model swapped its sides; the window follows, and WM_SIZE repaints.
    followModelSize();
    repaint();
}

void RLedWindow::followModelSize() {
    if (!hwnd())
        return;
    // The model's size is in 96-DPI pixels; the window's in device pixels.
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    const Size logical{ScaledCanvas::toLogical(rc.right, dpi()), ScaledCanvas::toLogical(rc.bottom, dpi())};
    if (logical != Size{model_.width(), model_.height()})
        ::SetWindowPos(hwnd(), nullptr, 0, 0, toDevice(model_.width()), toDevice(model_.height()),
                       SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace vantrel::controls
