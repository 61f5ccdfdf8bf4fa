#include "jobs/gui_sync.h"

#include <windows.h>

#include "jobs/gui_call.h"
#include "platform/messages_win.h"
#include "platform/window_class_win.h"

namespace vantrel {

namespace {
constexpr UINT kRunCall = WM_APP + 1;
constexpr wchar_t kGuiSyncClass[] = L"VantrelGuiSync";
std::atomic<DWORD> gGuiThreadId{0};
std::atomic<HWND> gGuiWindow{nullptr};

LRESULT CALLBACK guiSyncProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == kRunCall) {
        std::unique_ptr<std::shared_ptr<detail::GuiCall>> call(
            reinterpret_cast<std::shared_ptr<detail::GuiCall>*>(lp));
        (*call)->run();
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}
}  // namespace

void InitGuiThread() {
    if (gGuiWindow.load() && gGuiThreadId == ::GetCurrentThreadId())
        return;
    HINSTANCE inst = ensureWindowClass(kGuiSyncClass, guiSyncProc);
    HWND wnd = ::CreateWindowExW(0, kGuiSyncClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    gGuiThreadId = ::GetCurrentThreadId();
    gGuiWindow = wnd;
}

bool IsGuiThread() noexcept {
    return gGuiThreadId == ::GetCurrentThreadId();
}

bool RunOnGuiThread(const std::function<void()>& fn, Event& abandon) {
    if (IsGuiThread()) {
        fn();
        return true;
    }
    HWND wnd = gGuiWindow;
    if (!wnd)
        return false;
    auto call = std::make_shared<detail::GuiCall>();
    call->fn = fn;
    auto* message = new std::shared_ptr<detail::GuiCall>(call);
    if (!::PostMessageW(wnd, kRunCall, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return false;
    }
    return call->await(abandon);
}

void ProcessMessages() {
    if (auto quit = dispatchPendingMessages())
        ::PostQuitMessage(*quit);  // left for the message loop that owns it
}

void WaitWithMessages(Event& event) {
    HANDLE h = event.native();
    std::optional<int> quit;
    for (;;) {
        DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1)
            break;  // signalled, or the wait failed
        if (auto q = dispatchPendingMessages())
            quit = q;
    }
    if (quit)
        ::PostQuitMessage(*quit);
}

}  // namespace vantrel
