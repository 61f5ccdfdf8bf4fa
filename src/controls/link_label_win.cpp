#include "controls/link_label_win.h"

#include <shellapi.h>

#include <algorithm>

#include "controls/canvas_gdi_win.h"
#include "controls/dpi.h"
#include "controls/dpi_win.h"
#include "controls/tray_icon.h"
#include "platform/trace_log.h"
#include "platform/window_class_win.h"

namespace vantrel {

namespace {

constexpr wchar_t kClass[] = L"VantrelAutoURLLabel";

// The hand cursor lives for the whole program: loaded when it starts, destroyed when it ends.
class LinkCursorUnit {
  public:
    LinkCursorUnit()
        : cursor_(static_cast<HCURSOR>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                    L"AUTOURLLABELCURSOR",
                                                    IMAGE_CURSOR,
                                                    0,
                                                    0,
                                                    LR_DEFAULTSIZE))) {}
    LinkCursorUnit(const LinkCursorUnit&) = delete;
    LinkCursorUnit& operator=(const LinkCursorUnit&) = delete;
    ~LinkCursorUnit() {
        if (cursor_)
            ::DestroyCursor(cursor_);
    }
    HCURSOR get() const noexcept { return cursor_; }

  private:
    HCURSOR cursor_;
};

LinkCursorUnit& linkCursorUnit() {
    static LinkCursorUnit unit;
    return unit;
}
[[maybe_unused]] const bool gLinkCursorLoaded = (linkCursorUnit(), true);

}  // namespace

HCURSOR TAutoURLLabel::LinkCursor() noexcept {
    return linkCursorUnit().get();
}

namespace {
// Sent to child windows after their parent's DPI changed (Windows 10 1607 on).
constexpr UINT kDpiChangedAfterParent = 0x02E3;
}  // namespace

TAutoURLLabel::TAutoURLLabel(HWND parent, int x, int y, int width, int height, int id, int dpi) {
    HINSTANCE inst = ensureWindowClass(kClass, &TAutoURLLabel::windowProc, ::LoadCursorW(nullptr, IDC_ARROW));
    setDpi(dpi > 0 ? dpi : controls::windowDpi(parent));
    if (width <= 0)
        width = controls::scaleForDpi(kDefaultWidth, dpi_);
    if (height <= 0) {
        WindowDc screen(nullptr);
        SelectGuard sel(screen.get(), font_);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(screen.get(), &tm);
        height = std::max(controls::scaleForDpi(kDefaultHeight, dpi_), int(tm.tmHeight));
    }
    window_.reset(::CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, this));
}

void TAutoURLLabel::setDpi(int dpi) {
    dpi_ = dpi;
    controls::Font font = controls::systemMessageFont(dpi);
    font.style |= controls::kUnderline;
    font_ = controls::cachedFont(font, dpi);
    if (window_)
        ::InvalidateRect(window_.get(), nullptr, TRUE);
}

TAutoURLLabel::~TAutoURLLabel() {
    // Messages sent while the window goes away find no label.
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void TAutoURLLabel::SetCaption(const std::wstring& caption) {
    url_ = UrlAfterCaptionChange(url_, previousCaption_, caption);
    caption_ = caption;
    previousCaption_ = caption;
    if (window_) {
        ::SetWindowTextW(window_.get(), caption_.c_str());
        ::InvalidateRect(window_.get(), nullptr, TRUE);
    }
}

void TAutoURLLabel::SetURL(const std::wstring& url) {
    url_ = url;
    if (window_)
        ::InvalidateRect(window_.get(), nullptr, TRUE);
}

bool TAutoURLLabel::OpenURL() const {
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", url_.c_str(), nullptr, nullptr, SW_RESTORE));
    return result > 32;
}

LRESULT CALLBACK TAutoURLLabel::windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TAutoURLLabel*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY && self) {
        // Destroyed with its parent: the label must not destroy the handle a second time later,
        // when it may name some other window.
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        if (self->window_.get() == wnd)
            (void)self->window_.release();
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }
    if (!self || !self->window_)
        return ::DefWindowProcW(wnd, msg, wp, lp);
    try {
        return self->handleMessage(msg, wp, lp);
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", "link_label");
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }
}

LRESULT TAutoURLLabel::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND wnd = window_.get();
    switch (msg) {
        case WM_SETCURSOR:
            if (!caption_.empty() && LOWORD(lp) == HTCLIENT && LinkCursor()) {
                ::SetCursor(LinkCursor());
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            // A link that cannot be opened is not worth a message.
            if (!caption_.empty())
                OpenURL();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(wnd, &ps);
            paint(dc);
            ::EndPaint(wnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case kDpiChangedAfterParent:
            setDpi(controls::windowDpi(wnd));
            return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

void TAutoURLLabel::paint(HDC dc) {
    RECT rc;
    ::GetClientRect(window_.get(), &rc);
    HWND parent = ::GetParent(window_.get());
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_.get())));
    ::FillRect(dc, &rc, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    SelectGuard font(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kLinkColor);
    ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &rc, DT_LEFT | DT_TOP | DT_NOPREFIX);
}

}  // namespace vantrel
