#pragma once

// Helpers of the system-control tests under Wine: pumping messages, starting the helper
// process and real X input through xdotool.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/png.h"

namespace vantrel::test {

// Dispatches messages until done() holds or the time is up; returns done().
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

inline void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

// Starts a program with a command line; returns the process handle (null on failure).
inline HANDLE startProcess(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Waits for a process while this thread's windows keep answering; the exit code, or -1.
inline long waitExit(HANDLE process, DWORD timeoutMs = 20000) {
    DWORD code = 0;
    const bool ended =
        pumpUntil([&] { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    const bool read = ended && ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return read ? static_cast<long>(code) : -1;
}

inline long runProcess(const std::wstring& commandLine) {
    HANDLE p = startProcess(commandLine);
    return p ? waitExit(p) : -1;
}

// Wine starts Unix programs through "start /unix"; xdotool sends real X input to the virtual
// desktop, as a user's keyboard and mouse would.
inline long xdotool(const std::wstring& arguments) {
    return runProcess(L"start.exe /wait /unix /usr/bin/xdotool " + arguments);
}

// The folder of the test executable, where the helper programs are built.
inline std::wstring testProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// A top-down 32-bit bitmap of 0x00RRGGBB pixels, and where they are.
inline HBITMAP pixelBitmap(int width, int height, uint32_t*& pixels) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<uint32_t*>(bits);
    return bits ? bitmap : nullptr;
}

// A window's client area as it paints itself when asked to print it (WM_PRINTCLIENT), read back
// from a memory bitmap: what the window draws, whether or not it is on the screen.
inline Image printClient(HWND window) {
    RECT rc{};
    ::GetClientRect(window, &rc);
    Image image;
    if (rc.right <= 0 || rc.bottom <= 0)
        return image;
    uint32_t* px = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = pixelBitmap(rc.right, rc.bottom, px);
    if (bitmap) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        ::GdiFlush();
        image.width = rc.right;
        image.height = rc.bottom;
        image.rgb.resize(size_t(rc.right) * size_t(rc.bottom) * 3);
        for (size_t i = 0; i < size_t(rc.right) * size_t(rc.bottom); ++i) {
            image.rgb[i * 3] = uint8_t(px[i] >> 16);
            image.rgb[i * 3 + 1] = uint8_t(px[i] >> 8);
            image.rgb[i * 3 + 2] = uint8_t(px[i]);
        }
        ::SelectObject(dc, old);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return image;
}

// A BGR colour value (red in the low byte) as an image's 0xRRGGBB.
inline uint32_t rgbOf(uint32_t colorValue) {
    return (colorValue & 0xFF) << 16 | (colorValue & 0xFF00) | (colorValue >> 16 & 0xFF);
}

// The runs of one colour along a row or down a column of an image: where each starts and how long
// it is.
inline std::vector<std::pair<int, int>> colourRuns(const Image& image,
                                                   int at,
                                                   uint32_t rgb,
                                                   bool row = true) {
    std::vector<std::pair<int, int>> out;
    const int count = row ? image.width : image.height;
    for (int i = 0; i < count; ++i) {
        if ((row ? image.pixel(i, at) : image.pixel(at, i)) != rgb)
            continue;
        if (!out.empty() && out.back().first + out.back().second == i)
            ++out.back().second;
        else
            out.push_back({i, 1});
    }
    return out;
}

// A top-level window that paints a page that is not button-face grey, as a themed tab page is
// not: a gradient across, the same whether erased, printed or painted. Its pixel at a client
// point is known.
class PatternedParent {
  public:
    static uint32_t rgbAt(int x, int y) {  // 0xRRGGBB
        return uint32_t(40 + x % 200) << 16 | uint32_t(120 + y % 100) << 8 | 200u;
    }
    PatternedParent(int width = 500, int height = 360) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &PatternedParent::proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"VantrelPatternedParent";
        ::RegisterClassW(&wc);
        RECT rc{0, 0, width, height};
        ::AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
        window = ::CreateWindowExW(0, wc.lpszClassName, L"Patterned page",
                                   WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, rc.right - rc.left,
                                   rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~PatternedParent() {
        if (window)
            ::DestroyWindow(window);
    }
    PatternedParent(const PatternedParent&) = delete;
    PatternedParent& operator=(const PatternedParent&) = delete;
    HWND window = nullptr;

  private:
    // The page is drawn once into a bitmap, then copied wherever it is asked for.
    static void paint(HWND w, HDC dc) {
        RECT rc{};
        ::GetClientRect(w, &rc);
        static HDC page = nullptr;
        static SIZE pageSize{};
        if (!page || pageSize.cx != rc.right || pageSize.cy != rc.bottom) {
            uint32_t* px = nullptr;
            HBITMAP bitmap = pixelBitmap(rc.right, rc.bottom, px);
            if (!bitmap)
                return;
            for (int y = 0; y < rc.bottom; ++y)
                for (int x = 0; x < rc.right; ++x)
                    px[size_t(y) * size_t(rc.right) + size_t(x)] = rgbAt(x, y);
            if (!page)
                page = ::CreateCompatibleDC(nullptr);
            ::DeleteObject(::SelectObject(page, bitmap));  // the first time: the DC's own 1 x 1
            pageSize = {rc.right, rc.bottom};
        }
        ::BitBlt(dc, 0, 0, rc.right, rc.bottom, page, 0, 0, SRCCOPY);
    }
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        switch (m) {
            case WM_ERASEBKGND:
            case WM_PRINTCLIENT:
                paint(w, reinterpret_cast<HDC>(wp));
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = ::BeginPaint(w, &ps);
                ::EndPaint(w, &ps);
                (void)dc;
                return 0;
            }
            default:
                return ::DefWindowProcW(w, m, wp, lp);
        }
    }
};

}  // namespace vantrel::test
