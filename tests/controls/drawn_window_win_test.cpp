#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "controls/bars_win.h"
#include "controls/charts_win.h"
#include "controls/check_group_box_win.h"
#include "controls/dpi.h"
#include "controls/panels_win.h"
#include "controls/system_win_support.h"
#include "platform/handles_win.h"

namespace vantrel::controls {
namespace {

// A top-level window that records the messages its children pass up.
struct Parent {
    static std::vector<UINT>& seen() {
        static std::vector<UINT> s;
        return s;
    }
    static HBRUSH brush() {
        static HBRUSH b = ::CreateSolidBrush(RGB(1, 2, 3));
        return b;
    }
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        switch (m) {
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLOREDIT:
                seen().push_back(m);
                return reinterpret_cast<LRESULT>(brush());
            case WM_DRAWITEM:
            case WM_MEASUREITEM:
                seen().push_back(m);
                return TRUE;
            default:
                return ::DefWindowProcW(w, m, wp, lp);
        }
    }
    Parent() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelDrawnTestParent";
        ::RegisterClassW(&wc);
        window.reset(::CreateWindowExW(0, wc.lpszClassName, L"Parent", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                       50, 50, 400, 300, nullptr, nullptr, wc.hInstance, nullptr));
        seen().clear();
    }
    WindowHandle window;
};

class CountingGauge : public GaugeWindow {
  public:
    int paints = 0;

  protected:
    void paintBuffer(Canvas& canvas) override {
        ++paints;
        GaugeWindow::paintBuffer(canvas);
    }
};

TEST(DrawnWindowWinTest, ChangeRepaintsExactlyWhenTheModelAsks) {
    Parent parent;
    CountingGauge gauge;
    ASSERT_NE(gauge.create(parent.window.get(), 0, 0, 200, 20), nullptr);
    const int afterCreate = gauge.paints;
    gauge.change([](TGauge& m) { return m.setProgress(40); });
    EXPECT_EQ(gauge.paints, afterCreate + 1);
    EXPECT_EQ(gauge.model().Progress(), 40);
    gauge.change([](TGauge& m) { return m.setProgress(40); });  // same value: nothing to show
    EXPECT_EQ(gauge.paints, afterCreate + 1);
    gauge.change([](TGauge& m) { m.setForeColor(colors::kRed); });  // says nothing: repaint
    EXPECT_EQ(gauge.paints, afterCreate + 2);
}

TEST(DrawnWindowWinTest, AnOrientationChangeTurnsTheLedWindow) {
    Parent parent;
    RLedWindow led;
    ASSERT_NE(led.create(parent.window.get(), 0, 0, 23, 150), nullptr);
    ASSERT_EQ(led.model().Orientation(), TRLedOrientation::trVertical);
    led.change([](TRLed& m) { return m.setOrientation(TRLedOrientation::trHorizontal); });
    RECT rc{};
    ::GetClientRect(led.hwnd(), &rc);
    EXPECT_EQ(rc.right, 150);
    EXPECT_EQ(rc.bottom, 23);
    EXPECT_EQ(led.model().width(), 150);
}

// The program's controls drawn at each DPI, counted in the pixels they leave: the models keep
// their numbers and the windows turn them into device pixels.
TEST(DrawnWindowWinTest, ControlsKeepTheirCountsAtEveryDpi) {
    using test::colourRuns;
    using test::rgbOf;
    Parent parent;
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        auto s = [&](int v) { return scaleForDpi(v, dpi); };

        RLedWindow led;
        led.change([](TRLed& m) {
            m.setOrientation(TRLedOrientation::trHorizontal, true);
            m.setBreakPos(20);
            m.setPosition(50);
        });
        ASSERT_NE(led.create(parent.window.get(), 0, 0, s(382), s(23), 0, dpi), nullptr);
        EXPECT_EQ(led.model().width(), 382) << "the model keeps its size in 96-DPI pixels";
        EXPECT_EQ(led.model().ledCount(), 76);
        const test::Image leds = test::printClient(led.hwnd());
        ASSERT_EQ(leds.width, s(382));
        const int row = leds.height / 2;
        EXPECT_EQ(colourRuns(leds, row, rgbOf(colors::kLime)).size(), 38u);
        EXPECT_EQ(colourRuns(leds, row, rgbOf(halfColor(colors::kLime))).size(), 23u);
        EXPECT_EQ(colourRuns(leds, row, rgbOf(halfColor(colors::kRed))).size(), 15u);

        IndicatorWindow meter;
        ASSERT_NE(meter.create(parent.window.get(), 0, 0, s(48), s(45), 0, dpi), nullptr);
        meter.setPosition(50);
        const test::Image column = test::printClient(meter.hwnd());
        auto segments = [&](Color c) { return colourRuns(column, s(10), rgbOf(c), false).size(); };
        const size_t lit = segments(colors::kLime);
        EXPECT_EQ(lit + segments(halfColor(colors::kLime)), 14u);
        EXPECT_EQ(lit, 8u);

        // The scope's grid: a line every 16 pixels at 96 DPI, as many at every DPI, evenly apart.
        ScopeWindow scope;
        scope.change([](TScope& m) {
            m.setGridsize(16);
            m.setBaseline1(30);
            m.setBaseline2(50);
        });
        ASSERT_NE(scope.create(parent.window.get(), 0, 0, s(240), s(120), 0, dpi), nullptr);
        for (int i = 0; i < 20; ++i)
            scope.tick();
        const test::Image chart = test::printClient(scope.hwnd());
        const auto lines = colourRuns(chart, s(10), rgbOf(colors::kGreen));
        EXPECT_EQ(lines.size(), 15u);
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].first - lines[i - 1].first, 16 * dpi / 96) << "line " << i;
    }
}

// Records the position messages the system bar gets.
LRESULT CALLBACK countSetPos(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (m == PBM_SETPOS)
        ++*reinterpret_cast<int*>(data);
    return ::DefSubclassProc(w, m, wp, lp);
}

TEST(DrawnWindowWinTest, MarqueeTicksOnlyWhileAnimatingAndForgetsAWindowDestroyedWithItsParent) {
    Parent parent;
    DProgressBarWindow bar;
    HWND hwnd = bar.create(parent.window.get(), 0, 0, 200, 0);
    ASSERT_NE(hwnd, nullptr);
    int setPos = 0;
    ASSERT_TRUE(::SetWindowSubclass(hwnd, &countSetPos, 1, reinterpret_cast<DWORD_PTR>(&setPos)));
    constexpr UINT_PTR kMarqueeTimer = 0x7601;
    ::SendMessageW(hwnd, WM_TIMER, kMarqueeTimer, 0);  // a tick left over while not animating
    EXPECT_EQ(setPos, 0);
    bar.change([](TDProgressBar& m) {
        m.setSpeed(20);
        m.setAnimate(true);
    });
    EXPECT_TRUE(bar.model().Animate());
    EXPECT_TRUE(test::pumpUntil([&] { return setPos >= 2; }, 3000));
    bar.change([](TDProgressBar& m) { m.setAnimate(false); });
    const int seen = setPos;
    ::SendMessageW(hwnd, WM_TIMER, kMarqueeTimer, 0);
    test::pumpFor(100);
    EXPECT_EQ(setPos, seen);
    ::RemoveWindowSubclass(hwnd, &countSetPos, 1);

    parent.window.reset();
    EXPECT_EQ(bar.hwnd(), nullptr);
    bar.change([](TDProgressBar& m) { m.setPosition(5); });  // no window: the model still takes it
    EXPECT_EQ(bar.model().Position(), 5);
}

TEST(CheckGroupBoxWinTest, ClipsItsChildrenAndPassesTheirColourAndDrawingRequestsUp) {
    Parent parent;
    CheckGroupBoxWindow box;
    HWND w = box.create(parent.window.get(), 10, 10, 300, 150);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(::GetWindowLongPtrW(w, GWL_STYLE) & WS_CLIPCHILDREN, 0);
    HWND label = ::CreateWindowExW(0, L"STATIC", L"Inside", WS_CHILD | WS_VISIBLE, 10, 30, 100, 16, w,
                                   nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(label, nullptr);
    WindowDc dc(label);
    Parent::seen().clear();
    for (UINT m : {UINT(WM_CTLCOLORSTATIC), UINT(WM_CTLCOLORBTN), UINT(WM_CTLCOLOREDIT)})
        EXPECT_EQ(::SendMessageW(w, m, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(label)),
                  reinterpret_cast<LRESULT>(Parent::brush()));
    DRAWITEMSTRUCT draw{};
    MEASUREITEMSTRUCT measure{};
    EXPECT_EQ(::SendMessageW(w, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    EXPECT_EQ(::SendMessageW(w, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_EQ(Parent::seen(), (std::vector<UINT>{WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLOREDIT,
                                                 WM_DRAWITEM, WM_MEASUREITEM}));
}

}  // namespace
}  // namespace vantrel::controls
