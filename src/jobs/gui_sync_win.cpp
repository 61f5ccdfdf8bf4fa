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

void runCall(LPARAM lp) {
    std::unique_ptr<std::shared_ptr<detail::GuiCall>> call(
        reinterpret_cast<std::shared_ptr<detail::GuiCall>*>(lp));
    (*call)->run();
}

LRESULT CALLBACK guiSyncProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == kRunCall) {
        runCall(lp);
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

// Waits on the handles and the thread's messages until wake says the wait is over. Messages go
// through the program's pump; a quit request is kept and posted again afterwards.
template <class Wake>
TWaitResult waitDispatching(DWORD count, const HANDLE* handles, Wake wake) {
    std::optional<int> quit;
    std::optional<TWaitResult> result;
    while (!(result = wake(WAIT_TIMEOUT))) {
        DWORD r = ::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 + count) {
            if (auto q = dispatchPendingMessages())
                quit = q;
        } else if (r < WAIT_OBJECT_0 + count) {
            result = wake(r - WAIT_OBJECT_0);
            if (result)
                break;
        } else {
            result = TWaitResult::kFailed;
            break;
        }
    }
    if (quit)
        ::PostQuitMessage(*quit);
    return *result;
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

void EndGuiThread() {
    if (!IsGuiThread())
        return;
    HWND wnd = gGuiWindow.exchange(nullptr);
    gGuiThreadId = 0;
    if (!wnd)
        return;
    // Calls already posted still run, so that no worker waits for one that is thrown away.
    MSG msg;
    while (::PeekMessageW(&msg, wnd, kRunCall, kRunCall, PM_REMOVE))
        runCall(msg.lParam);
    ::DestroyWindow(wnd);
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
    if (!wnd) {
        detail::reportNoGuiThread();
        return false;
    }
    auto call = std::make_shared<detail::GuiCall>();
    call->fn = fn;
    auto* message = new std::shared_ptr<detail::GuiCall>(call);
    if (!::PostMessageW(wnd, kRunCall, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        detail::reportNoGuiThread();  // the window is gone
        return false;
    }
    return call->await(abandon);
}

void ProcessMessages() {
    if (auto quit = dispatchPendingMessages())
        ::PostQuitMessage(*quit);  // left for the message loop that owns it
}

TWaitResult WaitWithMessages(Event& event) {
    HANDLE h = event.native();
    return waitDispatching(1, &h, [](DWORD signalled) -> std::optional<TWaitResult> {
        if (signalled == 0)
            return TWaitResult::kDone;
        return std::nullopt;
    });
}

TWaitResult WaitWithMessages(const TRoutine& Routine) {
    if (!Routine.DoneEvent)
        return TWaitResult::kDropped;  // never registered: its post was refused
    if (!Routine.State)
        return WaitWithMessages(*Routine.DoneEvent);
    HANDLE handles[2] = {Routine.DoneEvent->native(), Routine.State->Stopping.native()};
    return waitDispatching(2, handles, [&Routine](DWORD signalled) -> std::optional<TWaitResult> {
        if (signalled == 0)
            return TWaitResult::kDone;  // the wait took the auto-reset event
        return detail::jobWaitOutcome(Routine);
    });
}

}  // namespace vantrel
