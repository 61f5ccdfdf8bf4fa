// The gallery under Wine: every drawn control in one window, drawn at 96 and at 144 DPI and saved
// as screenshots/gallery.png and gallery-144.png. The counts a user sees (LEDs, meter segments,
// grid lines) are read back from the screenshot's pixels and are the same at both.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "controls/dpi.h"
#include "controls/system_win_support.h"
#include "gallery/gallery_win.h"
#include "support/screenshot.h"

namespace vantrel::controls {
namespace {

using test::colourRuns;
using test::rgbOf;

// The part of the virtual desktop above its taskbar.
constexpr int kScreenW = 1000, kScreenH = 700;

// The whole window as the screen shows it. One larger than the desktop is shown piece by piece,
// moved so that each piece lies on the screen, and the pieces put together.
test::Image captureWindow(HWND window) {
    RECT rc{};
    ::GetWindowRect(window, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    test::Image whole;
    whole.width = w;
    whole.height = h;
    whole.rgb.assign(size_t(w) * size_t(h) * 3, 0);
    for (int oy = 0; oy < h; oy += kScreenH - 100) {
        for (int ox = 0; ox < w; ox += kScreenW - 100) {
            ::SetWindowPos(window, nullptr, -ox, -oy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            test::pumpFor(700);
            const int pw = std::min(kScreenW, w - ox), ph = std::min(kScreenH, h - oy);
            const test::Image piece = test::captureScreen(0, 0, pw, ph);
            for (int y = 0; y < piece.height; ++y)
                std::copy_n(&piece.rgb[size_t(y) * size_t(pw) * 3], size_t(pw) * 3,
                            &whole.rgb[(size_t(oy + y) * size_t(w) + size_t(ox)) * 3]);
            if (ox + kScreenW >= w)
                break;
        }
        if (oy + kScreenH >= h)
            break;
    }
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return whole;
}

class GalleryTest : public ::testing::TestWithParam<int> {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ASSERT_NE(gallery.create(GetParam()), nullptr);
        ::ShowWindow(gallery.hwnd(), SW_SHOW);
        ::SetForegroundWindow(gallery.hwnd());
        ::UpdateWindow(gallery.hwnd());
        test::pumpFor(1500);
        // The scope samples on: the picture is taken of a still chart.
        gallery.scope.setActive(false);
        shot = captureWindow(gallery.hwnd());
        ASSERT_GT(shot.width, 0);
        RECT rc{};
        ::GetWindowRect(gallery.hwnd(), &rc);
        origin = {rc.left, rc.top};
    }
    int s(int pixels96) const { return scaleForDpi(pixels96, gallery.dpi()); }
    // A control's client point in the screenshot.
    POINT in(HWND control, int x, int y) const {
        POINT p{x, y};
        ::ClientToScreen(control, &p);
        return {p.x - origin.x, p.y - origin.y};
    }
    uint32_t at(HWND control, int x, int y) const {
        const POINT p = in(control, x, y);
        return shot.pixel(p.x, p.y);
    }
    // The screenshot's row through a control, as an image one pixel high.
    test::Image row(HWND control, int y) const {
        RECT rc{};
        ::GetClientRect(control, &rc);
        test::Image r;
        r.width = rc.right;
        r.height = 1;
        for (int x = 0; x < r.width; ++x) {
            const uint32_t p = at(control, x, y);
            r.rgb.insert(r.rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
        return r;
    }

    gallery::Gallery gallery;
    POINT origin{};
    test::Image shot;
};

TEST_P(GalleryTest, ScreenshotShowsTheSameCountsAtItsDpi) {
    const int dpi = GetParam();
    ASSERT_EQ(gallery.dpi(), dpi);
    RECT client{};
    ::GetClientRect(gallery.hwnd(), &client);
    EXPECT_EQ(client.right, s(900));
    ASSERT_TRUE(
        test::saveScreenshot(shot, dpi == 96 ? "gallery.png" : "gallery-" + std::to_string(dpi) + ".png"));

    // LED bar at 50 %: 76 LEDs, the first 38 lit, the last 15 red.
    const test::Image leds = row(gallery.led.hwnd(), s(11));
    EXPECT_EQ(colourRuns(leds, 0, rgbOf(colors::kLime)).size(), 38u);
    EXPECT_EQ(colourRuns(leds, 0, rgbOf(halfColor(colors::kLime))).size(), 23u);
    EXPECT_EQ(colourRuns(leds, 0, rgbOf(halfColor(colors::kRed))).size(), 15u);
    EXPECT_EQ(at(gallery.led.hwnd(), 0, 0), rgbOf(colors::kBlack));

    // The meter at 40 %: 14 segments, the bottom 6 lit.
    const POINT meter = in(gallery.indicator.hwnd(), s(10), 0);
    RECT meterRect{};
    ::GetClientRect(gallery.indicator.hwnd(), &meterRect);
    auto segments = [&](Color c) {
        size_t n = 0;
        for (auto [y, length] : colourRuns(shot, meter.x, rgbOf(c), false))
            n += y >= meter.y && y < meter.y + meterRect.bottom;
        return n;
    };
    EXPECT_EQ(segments(colors::kLime), 6u);
    EXPECT_EQ(segments(colors::kLime) + segments(halfColor(colors::kLime)), 14u);

    // The scope: a vertical grid line every 16 pixels at 96 DPI across its 240, evenly apart.
    const HWND scope = gallery.scope.hwnd();
    const auto lines = colourRuns(row(scope, s(8)), 0, rgbOf(colors::kGreen));
    EXPECT_GE(lines.size(), 14u);
    EXPECT_LE(lines.size(), 15u);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].first - lines[i - 1].first, s(16)) << "grid line " << i;
    // Its first baseline is a red row (the trace and grid may cross it here and there).
    const int y1 = gallery.scope.model().baseline1Y();
    const auto red = colourRuns(row(scope, s(y1 + 1) - 1), 0, rgbOf(colors::kRed));
    int redPixels = 0;
    for (auto [x, n] : red)
        redPixels += n;
    EXPECT_GT(redPixels, s(240) * 3 / 4) << "baseline 1 at y " << y1;

    // The trend: its series keeps a margin of 3 pixels at 96 DPI on the left.
    const test::Image trend = row(gallery.trend.hwnd(), s(60));
    int firstLime = -1;
    for (int x = 0; x < trend.width && firstLime < 0; ++x)
        for (int y = 0; y < s(116) && firstLime < 0; ++y)
            if (at(gallery.trend.hwnd(), x, y) == rgbOf(colors::kLime))
                firstLime = x;
    EXPECT_GE(firstLime, s(3) - 1);
    EXPECT_LE(firstLime, s(3) + 1);

    // Gauge: blue fill on the left, white on the right; the gradient bar starts orange.
    EXPECT_EQ(at(gallery.gaugeBefore.hwnd(), 2, 2), rgbOf(colors::kBlue));
    RECT gauge{};
    ::GetClientRect(gallery.gaugeBefore.hwnd(), &gauge);
    EXPECT_EQ(at(gallery.gaugeBefore.hwnd(), gauge.right - 2, 2), rgbOf(colors::kWhite));
    EXPECT_EQ(at(gallery.memoryBar.hwnd(), s(1), s(5)), rgbOf(33023));
}

TEST_P(GalleryTest, CheckGroupBoxDisablesItsContentsButNotItsCheckBox) {
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

INSTANTIATE_TEST_SUITE_P(AtDpi, GalleryTest, ::testing::Values(96, 144), [](const auto& param) {
    return std::to_string(param.param) + "Dpi";
});

}  // namespace
}  // namespace vantrel::controls
