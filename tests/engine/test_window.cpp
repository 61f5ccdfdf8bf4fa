// A window program for the CPU optimizer tests: shows a window titled by its argument, brings it
// to the front and runs until it is closed or ended.
#include <windows.h>

namespace {

// Closing the window destroys it (the default handling of WM_CLOSE), which ends the program.
LRESULT CALLBACK windowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"VantrelEngineTestWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassW(&wc);
    HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, commandLine, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                 300, 200, nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return 1;
    ::SetForegroundWindow(wnd);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}
