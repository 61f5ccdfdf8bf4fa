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
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    if (rc.right != model_.width() || rc.bottom != model_.height())
        ::SetWindowPos(hwnd(), nullptr, 0, 0, model_.width(), model_.height(), SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace vantrel::controls
