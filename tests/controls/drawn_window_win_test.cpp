#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "controls/bars_win.h"
#include "controls/check_group_box_win.h"
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
