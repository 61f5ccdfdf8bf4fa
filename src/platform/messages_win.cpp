#include "platform/messages_win.h"

#include <windows.h>

namespace vantrel {

std::optional<int> dispatchPendingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return static_cast<int>(msg.wParam);
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return std::nullopt;
}

}  // namespace vantrel
