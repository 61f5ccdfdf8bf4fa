// The gallery under Wine: every drawn control in one window, saved as screenshots/gallery.png,
// and a few pixels read back to prove the GDI canvas draws what the models say.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "gallery/gallery_win.h"
#include "support/screenshot.h"

namespace vantrel::controls {
namespace {

void pump(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    while (int(end - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
}

// Where a child's client origin lies on the screen.
POINT screenOrigin(HWND window) {
    POINT p{0, 0};
    ::ClientToScreen(window, &p);
    return p;
}

uint32_t rgbOf(Color c) {  // colour value to the image's 0xRRGGBB
    return uint32_t(redOf(c)) << 16 | uint32_t(greenOf(c)) << 8 | uint32_t(blueOf(c));
}

class GalleryTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ASSERT_NE(gallery.create(), nullptr);
        ::ShowWindow(gallery.hwnd(), SW_SHOW);
        ::SetForegroundWindow(gallery.hwnd());
        ::UpdateWindow(gallery.hwnd());
        pump(1500);
        RECT rc{};
        ::GetWindowRect(gallery.hwnd(), &rc);
        origin = {rc.left, rc.top};
        shot = test::captureScreen(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        ASSERT_GT(shot.width, 0);
    }
    uint32_t at(HWND control, int x, int y) const {
        const POINT p = screenOrigin(control);
        return shot.pixel(p.x - origin.x + x, p.y - origin.y + y);
    }

    gallery::Gallery gallery;
    POINT origin{};
    test::Image shot;
};

TEST_F(GalleryTest, ScreenshotShowsWhatTheModelsDraw) {
    ASSERT_TRUE(test::saveScreenshot(shot, "gallery.png"));

    // LED bar at 50 %: the first 38 of 76 LEDs lit in lime, the rest at half colour, the last
    // 15 in red.
    const auto leds = gallery.led.model().leds();
    ASSERT_EQ(leds.size(), 76u);
    auto ledPixel = [&](int k) {
        const Rect& r = leds[size_t(k - 1)].rect;
        return at(gallery.led.hwnd(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(ledPixel(1), rgbOf(colors::kLime));
    EXPECT_EQ(ledPixel(38), rgbOf(colors::kLime));
    EXPECT_EQ(ledPixel(39), rgbOf(halfColor(colors::kLime)));
    EXPECT_EQ(ledPixel(76), rgbOf(halfColor(colors::kRed)));
    EXPECT_EQ(at(gallery.led.hwnd(), 0, 0), rgbOf(colors::kBlack));

    // The scope's first baseline is a red row (the trace and grid may cross it here and there).
    const HWND scope = gallery.scope.hwnd();
    const int y1 = gallery.scope.model().baseline1Y();
    const int width = gallery.scope.model().width();
    int red = 0;
    for (int x = 0; x < width; ++x)
        red += at(scope, x, y1) == rgbOf(colors::kRed);
    EXPECT_GT(red, width * 3 / 4) << "baseline 1 at y " << y1;
    EXPECT_EQ(at(scope, 1, gallery.scope.model().baseline2Y()), rgbOf(colors::kSilver));

    // The indicator at 40 %: the bottom segment lit, the top one at half colour.
    const int rows = TIndicator::segmentCount(45);
    EXPECT_EQ(at(gallery.indicator.hwnd(), 8, 3 * (rows - 1) + 2), rgbOf(colors::kLime));
    EXPECT_EQ(at(gallery.indicator.hwnd(), 8, 2), rgbOf(halfColor(colors::kLime)));

    // Gauge: blue fill on the left, white on the right.
    EXPECT_EQ(at(gallery.gaugeBefore.hwnd(), 2, 2), rgbOf(colors::kBlue));
    RECT gauge{};
    ::GetClientRect(gallery.gaugeBefore.hwnd(), &gauge);
    EXPECT_EQ(at(gallery.gaugeBefore.hwnd(), gauge.right - 2, 2), rgbOf(colors::kWhite));

    // The gradient bar starts orange inside its border.
    EXPECT_EQ(at(gallery.memoryBar.hwnd(), 1, 5), rgbOf(33023));
}

TEST_F(GalleryTest, CheckGroupBoxDisablesItsContentsButNotItsCheckBox) {
    HWND box = gallery.disabledBox.hwnd();
    int children = 0;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (c == gallery.disabledBox.checkBox())
            continue;
        ++children;
        EXPECT_FALSE(::IsWindowEnabled(c));
    }
    EXPECT_EQ(children, 2);
    EXPECT_TRUE(::IsWindowEnabled(gallery.disabledBox.checkBox()));

    // A user click on the check box enables them.
    ::SendMessageW(gallery.disabledBox.checkBox(), BM_CLICK, 0, 0);
    EXPECT_TRUE(gallery.disabledBox.model().Checked());
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        EXPECT_TRUE(::IsWindowEnabled(c));

    // A caption too wide for the box is refused.
    EXPECT_FALSE(gallery.disabledBox.setCaption(std::wstring(200, L'W')));
    EXPECT_EQ(gallery.disabledBox.model().Caption(), L"Cleared: contents disabled");
}

}  // namespace
}  // namespace vantrel::controls
