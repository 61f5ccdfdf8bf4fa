#include "controls/check_group_box_win.h"

#include <algorithm>

#include "controls/dpi.h"
#include "controls/dpi_win.h"
#include "controls/theme_win.h"
#include "platform/trace_log.h"

namespace vantrel::controls {

namespace {
constexpr wchar_t kClassName[] = L"VantrelCheckGroupBox";
constexpr int kCheckBoxId = 1;
}  // namespace

CheckGroupBoxWindow::~CheckGroupBoxWindow() {
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

HWND CheckGroupBoxWindow::create(HWND parent, int x, int y, int width, int height, int id, int dpi) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        // A new size moves the frame's right and bottom edges: everything is painted again.
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &CheckGroupBoxWindow::windowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    HWND w = ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               ::GetModuleHandleW(nullptr), this);
    if (!w)
        return nullptr;
    dpi_ = dpi > 0 ? dpi : windowDpi(w);
    checkBox_ = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                                  scaled(kCheckBoxLeft), 0, scaled(kCheckBoxWidth), scaled(16), w,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCheckBoxId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(checkBox_, BM_SETCHECK, model_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    model_.setCheckBoxState = [this](bool checked) {
        ::SendMessageW(checkBox_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    model_.enableContents = [this](bool enabled) { enableContents(enabled); };
    return w;
}

int CheckGroupBoxWindow::scaled(int pixels96) const {
    return scaleForDpi(pixels96, dpi_);
}

int CheckGroupBoxWindow::textWidth(const std::wstring& text) const {
    WindowDc dc(hwnd());
    SelectGuard sel(dc.get(), font_ ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE s{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &s);
    return int(s.cx);
}

void CheckGroupBoxWindow::setFont(HFONT font) {
    font_ = font;
    ::SendMessageW(checkBox_, WM_SETFONT, WPARAM(font), TRUE);
    fitCheckBox();
}

void CheckGroupBoxWindow::setDpi(int dpi) {
    if (dpi <= 0)
        return;
    dpi_ = dpi;
    fitCheckBox();
}

void CheckGroupBoxWindow::fitCheckBox() {
    // The check box is as high as the text "ZZ", at the top, and as wide as its caption.
    WindowDc dc(hwnd());
    SelectGuard sel(dc.get(), font_ ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE s{};
    ::GetTextExtentPoint32W(dc.get(), L"ZZ", 2, &s);
    const int width = model_.Caption().empty() ? scaled(kCheckBoxWidth)
                                               : textWidth(model_.Caption()) + scaled(kCheckBoxExtra);
    ::SetWindowPos(checkBox_, nullptr, scaled(kCheckBoxLeft), 0, width, s.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

bool CheckGroupBoxWindow::setCaption(const std::wstring& caption) {
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    const int width = model_.setCaption(caption, textWidth(caption), rc.right, scaled(kCheckBoxLeft),
                                        scaled(kCaptionRoom), scaled(kCheckBoxExtra));
    if (width < 0)
        return false;
    ::SetWindowTextW(checkBox_, caption.c_str());
    RECT box{};
    ::GetWindowRect(checkBox_, &box);
    ::SetWindowPos(checkBox_, nullptr, 0, 0, width, box.bottom - box.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(checkBox_, nullptr, TRUE);
    return true;
}

void CheckGroupBoxWindow::setBoxAlignment(TBoxAlignment a) {
    model_.setBoxAlignment(a);
    LONG_PTR style = ::GetWindowLongPtrW(checkBox_, GWL_STYLE);
    style = a == TBoxAlignment::taLeftJustify ? (style | BS_LEFTTEXT) : (style & ~LONG_PTR(BS_LEFTTEXT));
    ::SetWindowLongPtrW(checkBox_, GWL_STYLE, style);
    ::InvalidateRect(checkBox_, nullptr, TRUE);
}

void CheckGroupBoxWindow::enableContents(bool enabled) {
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (child != checkBox_)
            ::EnableWindow(child, enabled);
}

namespace {
// A container (a page, a panel, a group box) passes the state on to what it holds; any other
// control takes it itself, whatever windows of its own it is made of (a list view's header, a
// combo box's edit field).
void enableTree(HWND window, bool enabled) {
    ::EnableWindow(window, enabled);
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    // A nested check group box keeps its own rule for its contents (its WM_ENABLE applies it).
    if (lstrcmpW(cls, kClassName) == 0)
        return;
    if (!(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT))
        return;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        enableTree(child, enabled);
}
}  // namespace

void CheckGroupBoxWindow::onEnable(bool enabled) {
    const auto decision = model_.onEnable(::IsWindowEnabled(hwnd()) != FALSE, enabled);
    ::EnableWindow(checkBox_, decision.checkBoxEnabled);
    if (!decision.visitChildren)
        return;
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (child != checkBox_)
            enableTree(child, enabled);
}

void CheckGroupBoxWindow::paint(HDC dc) {
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    paintParentBackground(hwnd(), dc, rc);
    RECT box{};
    ::GetWindowRect(checkBox_, &box);
    ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&box), 2);
    // The frame's top runs through the middle of the caption, and stops where the caption is (as
    // a standard group box leaves its text clear), also in what the check box asks for to draw
    // its own background.
    RECT frame{rc.left, rc.top + (box.bottom - box.top) / 2, rc.right, rc.bottom};
    const int saved = ::SaveDC(dc);
    ::ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
    drawGroupFrame(hwnd(), dc, frame, ::IsWindowEnabled(hwnd()) != FALSE);
    ::RestoreDC(dc, saved);
}

LRESULT CheckGroupBoxWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND w = hwnd();
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // painting covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(w, &ps);
            // Drawn off-screen and copied in one step, so a resize does not flicker.
            RECT rc{};
            ::GetClientRect(w, &rc);
            MemoryDcHandle memory(::CreateCompatibleDC(dc));
            BitmapHandle bitmap(
                ::CreateCompatibleBitmap(dc, std::max(1L, rc.right), std::max(1L, rc.bottom)));
            if (memory && bitmap) {
                SelectGuard sel(memory.get(), bitmap.get());
                paint(memory.get());
                ::BitBlt(dc, 0, 0, rc.right, rc.bottom, memory.get(), 0, 0, SRCCOPY);
            } else {
                paint(dc);
            }
            ::EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCheckBoxId && reinterpret_cast<HWND>(lParam) == checkBox_) {
                if (HIWORD(wParam) == BN_CLICKED)
                    model_.checkBoxClicked(::SendMessageW(checkBox_, BM_GETCHECK, 0, 0) == BST_CHECKED);
                return 0;
            }
            return ::SendMessageW(::GetParent(w), message, wParam, lParam);
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        // The form colours and owner-draws the controls inside as it does its own.
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            if (HWND parent = ::GetParent(w))
                return ::SendMessageW(parent, message, wParam, lParam);
            break;
        case WM_ENABLE:
            onEnable(wParam != FALSE);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(w, message, wParam, lParam);
}

LRESULT CALLBACK CheckGroupBoxWindow::windowProc(HWND window,
                                                 UINT message,
                                                 WPARAM wParam,
                                                 LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<CheckGroupBoxWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created)
            created->window_.reset(window);
    }
    auto* self = reinterpret_cast<CheckGroupBoxWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
        self->checkBox_ = nullptr;
    } else if (self) {
        try {
            return self->handleMessage(message, wParam, lParam);
        } catch (...) {
            VANTREL_ASSERT_FAILED(L"Assertion failure", "check_group_box");
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantrel::controls
