#include "platform/window_class_win.h"

namespace vantrel {

HINSTANCE ensureWindowClass(const wchar_t* name, WNDPROC proc, HCURSOR cursor) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    if (!::GetClassInfoW(inst, name, &wc)) {
        wc.lpfnWndProc = proc;
        wc.hInstance = inst;
        wc.hCursor = cursor;
        wc.lpszClassName = name;
        ::RegisterClassW(&wc);
    }
    return inst;
}

}  // namespace vantrel
