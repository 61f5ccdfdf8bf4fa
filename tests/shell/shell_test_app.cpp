// The program's entry with stand-in windows, for the Wine tests of the entry and the
// single-instance guard: it is started as the real program would be, with a real command line,
// and carries the program's own resources. What it does is appended to the file named by
// VANTREL_TEST_LOG, one line each:
//   "manifest dpi <awareness> comctl32 <path>"  at start (what the manifest gave the process)
//   "windows"                         the stand-in main window exists (hidden until the loop runs)
//   "target <n>", "progress <n>"      the shortcut form's progress window target and reports
//   "loop"                            the message loop runs
//   "activated by <pid>"              a second copy asked this one to show itself
// With VANTREL_TEST_HIDDEN=1 the window stays hidden (as in the tray), with
// VANTREL_TEST_MINIMIZED=1 it is shown minimised, and with VANTREL_TEST_HANG=1 the program stops
// answering messages once its window exists.
#include <windows.h>

#include <string>

#include "platform/system.h"
#include "resource_ids.h"
#include "shell/entry_win.h"

namespace vantrel {
namespace {

std::wstring env(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? value : L"";
}

void log(const std::string& line) {
    const std::wstring path = env(L"VANTREL_TEST_LOG");
    if (!path.empty())
        appendToFile(path, line + "\r\n");
}

void logManifestFacts() {
    // Which comctl32 the manifest's dependency chose: version 6 lives in its side-by-side folder.
    std::string comctl;
    if (HMODULE m = ::LoadLibraryW(L"comctl32.dll")) {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(m, path, MAX_PATH);
        comctl = toAnsi(path);
    }
    int awareness = -1;
    HMODULE user = ::GetModuleHandleW(L"user32.dll");
    using GetContextFn = HANDLE(WINAPI*)();
    using GetAwarenessFn = int(WINAPI*)(HANDLE);
    auto getContext = reinterpret_cast<GetContextFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    auto getAwareness = reinterpret_cast<GetAwarenessFn>(
        reinterpret_cast<void*>(::GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    if (getContext && getAwareness)
        awareness = getAwareness(getContext());
    log("manifest dpi " + std::to_string(awareness) + " comctl32 " + comctl);
}

UINT activateMessage() {
    static const UINT message = ::RegisterWindowMessageW(kActivateCopyMessageName);
    return message;
}

LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == activateMessage() && msg != 0) {
        ::ShowWindow(wnd, ::IsIconic(wnd) ? SW_RESTORE : SW_SHOW);
        ::SetForegroundWindow(wnd);
        log("activated by " + std::to_string(lp));
        return kActivateCopyAnswer;
    }
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

struct Reports {
    static void Progress(void*, const void* param) {
        log("progress " + std::to_string(*static_cast<const uint32_t*>(param)));
    }
};

class StandInWindows final : public AppWindows {
  public:
    explicit StandInWindows(ProcessObjects& objects) {
        objects.Routines().ProgressRoutine = objects.MTCore().RegisterRoutine(1, &Reports::Progress, nullptr);
        objects.MTCore().StartThreads(3, false);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kMainWindowClass;
        wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(VANTREL_IDI_APPLICATION));
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        ::RegisterClassExW(&wc);
        wnd_ = ::CreateWindowExW(WS_EX_APPWINDOW, kMainWindowClass, L"Vantrel", WS_OVERLAPPEDWINDOW, 100, 100,
                                 465, 531, nullptr, nullptr, wc.hInstance, nullptr);
        log("windows");
    }
    ~StandInWindows() override {
        if (::IsWindow(wnd_))
            ::DestroyWindow(wnd_);
    }

    void SetOptimizationRunning(bool) override {}
    bool ClearClipboardBeforeOptimizing() const override { return false; }
    void SetProgressTarget(uint32_t target) override { log("target " + std::to_string(target)); }
    uint64_t ApplicationWindow() const override { return reinterpret_cast<uintptr_t>(wnd_); }

    int RunMessageLoop() override {
        if (env(L"VANTREL_TEST_HIDDEN") != L"1")
            ::ShowWindow(wnd_, env(L"VANTREL_TEST_MINIMIZED") == L"1" ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
        log("loop");
        if (env(L"VANTREL_TEST_HANG") == L"1")
            ::Sleep(120000);
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        return int(msg.wParam);
    }

  private:
    HWND wnd_ = nullptr;
};

}  // namespace
}  // namespace vantrel

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace vantrel;
    logManifestFacts();
    return VantrelMain([](ProcessObjects& objects) { return std::make_unique<StandInWindows>(objects); });
}
