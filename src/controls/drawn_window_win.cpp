#include "controls/drawn_window_win.h"

#include <exception>

#include "controls/dpi.h"
#include "controls/dpi_win.h"
#include "platform/trace_log.h"

namespace vantrel::controls {

namespace {
constexpr wchar_t kClassName[] = L"VantrelDrawnControl";
// Sent to child windows after their parent's DPI changed (Windows 10 1607 on).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

}  // namespace

void DrawnWindow::registerClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &DrawnWindow::windowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

DrawnWindow::~DrawnWindow() {
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

HWND DrawnWindow::create(HWND parent, int x, int y, int width, int height, int id, int dpi) {
    registerClass();
    // The object is attached at WM_NCCREATE; window_ holds the handle from then on.
    HWND w = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               ::GetModuleHandleW(nullptr), this);
    if (!w)
        return nullptr;
    buffer_ = std::make_unique<GdiCanvas>(width, height, dpi > 0 ? dpi : windowDpi(w));
    scaled_ = std::make_unique<ScaledCanvas>(*buffer_, buffer_->dpi());
    scaled_->setAnchorRight(scrollsFromTheRight());
    notifySize();
    repaint();
    return w;
}

void DrawnWindow::setDpi(int dpi) {
    if (!buffer_ || dpi <= 0)
        return;
    buffer_->setDpi(dpi);
    scaled_->setDpi(dpi);
    notifySize();
    repaint();
}

int DrawnWindow::toDevice(int pixels96) const {
    return scaleForDpi(pixels96, dpi());
}

Canvas& DrawnWindow::buffer() {
    if (devicePixels())
        return *buffer_;
    return *scaled_;
}

void DrawnWindow::notifySize() {
    const Size s = buffer().size();
    resized(s.width, s.height);
}

void DrawnWindow::repaint() {
    if (!buffer_ || !window_)
        return;
    paintBuffer(buffer());
    ::InvalidateRect(window_.get(), nullptr, FALSE);
}

LRESULT DrawnWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND w = window_.get();
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the buffer covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(w, &ps);
            if (buffer_)
                buffer_->present(dc);
            ::EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            // A child that draws its parent's background under itself asks for this picture.
            if (buffer_)
                buffer_->present(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SIZE: {
            const int width = LOWORD(lParam), height = HIWORD(lParam);
            if (buffer_ && (buffer_->size() != Size{width, height})) {
                buffer_->resize(width, height);
                notifySize();
                if (!keepsPicture())
                    repaint();
            }
            return 0;
        }
        case kDpiChangedAfterParent:
            setDpi(windowDpi(w));
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(w, message, wParam, lParam);
}

LRESULT CALLBACK DrawnWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<DrawnWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created)
            created->window_.reset(window);
    }
    auto* self = reinterpret_cast<DrawnWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->handleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", "drawn_window");
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", "drawn_window");
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantrel::controls
