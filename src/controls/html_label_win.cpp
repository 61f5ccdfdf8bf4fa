#include "controls/html_label_win.h"

#include <shellapi.h>

#include <algorithm>

#include "controls/theme_win.h"

namespace vantrel::controls {

void ShellLinkOpener::open(const std::wstring& link) {
    ::ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HtmlLabelWindow::HtmlLabelWindow()
    : measurer_(1, 1, 96), label_(std::make_unique<TTvHtmlLabel>(measurer_, &opener_)) {
    label_->onInvalidate = [this] { repaint(); };
}

void HtmlLabelWindow::resized(int width, int height) {
    // Text is measured at the window's DPI: a new DPI means new widths, so a new layout.
    measurer_.setDpi(dpi());
    label_->setDpi(dpi());
    label_->setBounds(width, height);
}

void HtmlLabelWindow::takeFont(HFONT font) {
    LOGFONTW lf{};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf))
        return;
    font_ = font;
    TFontData data = label_->Font();
    data.name = lf.lfFaceName;
    if (lf.lfHeight != 0) {
        const int pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
        data.size = std::max(1, (pixels * 72 + dpi() / 2) / dpi());
    }
    data.style = (lf.lfWeight >= FW_SEMIBOLD ? kBold : 0u) | (lf.lfItalic ? kItalic : 0u) |
                 (lf.lfUnderline ? kUnderline : 0u) | (lf.lfStrikeOut ? kStrikeOut : 0u);
    label_->setFont(data);
}

void HtmlLabelWindow::paintBuffer(Canvas& canvas) {
    const Size wanted = label_->autoSize();
    const Size have = canvas.size();
    if (wanted != have && wanted.width > 0 && wanted.height > 0) {
        // Automatic size: the window takes the content's size, and WM_SIZE paints again.
        ::SetWindowPos(hwnd(), nullptr, 0, 0, wanted.width, wanted.height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (canvas.size() != have)
            return;
    }
    if (background_ == colors::kNone)
        paintParentBackground(hwnd(), deviceBuffer().dc(), RECT{0, 0, have.width, have.height});
    else
        canvas.fill({0, 0, have.width, have.height}, background_);
    label_->paint(canvas);
}

LRESULT HtmlLabelWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_MOUSEMOVE: {
            if (!tracking_) {
                TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd(), 0};
                tracking_ = ::TrackMouseEvent(&tme) != FALSE;
            }
            const auto result = label_->mouseMove(x, y);
            cursor_ = result.cursor;
            ::SetCursor(::LoadCursorW(nullptr, cursor_ == crHandPoint ? IDC_HAND : IDC_ARROW));
            if (result.repaint)
                repaint();
            return 0;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                ::SetCursor(::LoadCursorW(nullptr, cursor_ == crHandPoint ? IDC_HAND : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_MOUSELEAVE:
            tracking_ = false;
            cursor_ = crDefault;
            if (label_->mouseLeave())
                repaint();
            return 0;
        case WM_LBUTTONDOWN:
            label_->mouseDown(x, y);
            return 0;
        case WM_SETFONT:
            takeFont(reinterpret_cast<HFONT>(wParam));
            if (LOWORD(lParam))
                repaint();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        default:
            break;
    }
    return DrawnWindow::handleMessage(message, wParam, lParam);
}

}  // namespace vantrel::controls
