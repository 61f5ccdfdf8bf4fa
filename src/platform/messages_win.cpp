#include "platform/messages_win.h"

namespace vantrel {

namespace {
// Touched by the GUI thread only, like the windows they name.
HACCEL gAccelerators = nullptr;
HWND gAcceleratorWindow = nullptr;

bool isKeyboardMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool belongsTo(HWND window, HWND target) {
    return target == window || ::IsChild(window, target);
}

BOOL CALLBACK findDefaultButton(HWND child, LPARAM found) {
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    wchar_t cls[16] = {};
    ::GetClassNameW(child, cls, 16);
    if (::lstrcmpiW(cls, L"Button") == 0 && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
        ::IsWindowVisible(child) && ::IsWindowEnabled(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

bool handleDialogManagerMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case DM_GETDEFID: {
            HWND button = nullptr;
            ::EnumChildWindows(window, findDefaultButton, reinterpret_cast<LPARAM>(&button));
            result = button ? MAKELRESULT(::GetDlgCtrlID(button), DC_HASDEFID) : 0;
            return true;
        }
        case WM_NEXTDLGCTL: {
            // lParam set: wParam is the control; otherwise wParam asks for the previous one.
            HWND next = lp ? reinterpret_cast<HWND>(wp) : ::GetNextDlgTabItem(window, ::GetFocus(), wp != 0);
            if (next)
                ::SetFocus(next);
            result = 0;
            return true;
        }
        default:
            return false;
    }
}

void dispatchMessage(MSG& msg) {
    if (msg.hwnd && isKeyboardMessage(msg.message)) {
        if (gAccelerators && gAcceleratorWindow && belongsTo(gAcceleratorWindow, msg.hwnd) &&
            ::TranslateAcceleratorW(gAcceleratorWindow, gAccelerators, &msg))
            return;
        // IsDialogMessage also translates and dispatches what it does not use itself.
        if (HWND top = ::GetAncestor(msg.hwnd, GA_ROOT); top && ::IsDialogMessageW(top, &msg))
            return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

std::optional<int> dispatchPendingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return static_cast<int>(msg.wParam);
        dispatchMessage(msg);
    }
    return std::nullopt;
}

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return -1;  // only with an invalid filter window, which this loop never passes
        dispatchMessage(msg);
    }
}

void SetAccelerators(HACCEL table, HWND window) {
    gAccelerators = table;
    gAcceleratorWindow = window;
}

}  // namespace vantrel
