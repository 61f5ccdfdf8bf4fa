#include "controls/bars_win.h"

namespace vantrel::controls {

void RLedWindow::setOrientation(TRLedOrientation o) {
    if (!model_.setOrientation(o))
        return;
    // The model swapped its sides; the window follows, and WM_SIZE repaints.
    ::SetWindowPos(hwnd(), nullptr, 0, 0, model_.width(), model_.height(), SWP_NOMOVE | SWP_NOZORDER);
    repaint();
}

}  // namespace vantrel::controls
