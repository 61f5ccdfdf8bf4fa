#include <windows.h>

#include <gtest/gtest.h>

#include "platform/handles_win.h"
#include "platform/messages_win.h"
#include "platform/system.h"
#include "support/screenshot.h"

namespace vantrel {
namespace {

// The ground every GUI test stands on: a window appears on the virtual desktop, the screen can
// be read back, and the picture is saved where the test run keeps its screenshots.
TEST(WindowTest, AShownWindowCanBeCapturedAndItsPixelsReadBack) {
    BrushHandle brush(::CreateSolidBrush(RGB(200, 30, 60)));
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = brush.get();
    wc.lpszClassName = L"VantrelWindowTest";
    ASSERT_TRUE(::RegisterClassW(&wc));
    WindowHandle wnd(::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Window test", WS_POPUP | WS_VISIBLE,
                                       100, 120, 200, 150, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(wnd);
    ::SetForegroundWindow(wnd.get());
    ::UpdateWindow(wnd.get());
    for (int i = 0; i < 20; ++i) {
        dispatchPendingMessages();
        ::Sleep(25);
    }
    test::Image shot = test::captureScreen(0, 0, 1024, 768);
    ASSERT_EQ(shot.width, 1024);
    EXPECT_TRUE(test::saveScreenshot(shot, "window.png"));
    EXPECT_EQ(shot.pixel(200, 195), 0xC81E3Cu);  // inside the window
    EXPECT_NE(shot.pixel(50, 50), 0xC81E3Cu);    // outside it

    test::Image back = test::decodeStoredPng(readFile(L"screenshots\\window.png"));
    ASSERT_EQ(back.width, 1024);
    EXPECT_EQ(back.pixel(200, 195), 0xC81E3Cu);
    ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

}  // namespace
}  // namespace vantrel
