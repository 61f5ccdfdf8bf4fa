// The check group box as a window: on a page that is not button-face grey, beside a standard
// group box, resized, and switched on and off with windows of every kind inside.
#include "controls/check_group_box_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "controls/canvas_gdi_win.h"
#include "controls/dpi_win.h"
#include "controls/system_win_support.h"
#include "support/screenshot.h"

namespace vantrel::controls {
namespace {

using test::PatternedParent;

HWND child(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0) {
    return ::CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

TEST(CheckGroupBoxWinTest, ShowsThePageUnderItAndAFrameLikeTheStandardGroupBoxBesideIt) {
    PatternedParent parent;
    CheckGroupBoxWindow box;
    ASSERT_NE(box.create(parent.window, 20, 20, 200, 120), nullptr);
    box.setFont(cachedFont(systemMessageFont(96), 96));
    box.setCaption(L"Automatic Optimization");
    HWND standard = child(parent.window, L"BUTTON", BS_GROUPBOX, 250, 20, 200, 120);
    ASSERT_NE(standard, nullptr);

    const test::Image ours = test::printClient(box.hwnd());
    const test::Image theirs = test::printClient(standard);
    ASSERT_EQ(ours.width, 200);
    // Inside the frame: the page, seen through.
    for (auto [x, y] : {std::pair{20, 60}, std::pair{100, 100}, std::pair{190, 40}})
        EXPECT_EQ(ours.pixel(x, y), PatternedParent::rgbAt(20 + x, 20 + y)) << x << ',' << y;
    // The frame's sides and bottom, pixel for pixel as the standard group box draws them.
    for (int y = 40; y < 110; y += 10)
        for (int x : {0, 1, 198, 199})
            EXPECT_EQ(ours.pixel(x, y), theirs.pixel(x, y)) << x << ',' << y;
    for (int x = 20; x < 180; x += 20)
        for (int y : {118, 119})
            EXPECT_EQ(ours.pixel(x, y), theirs.pixel(x, y)) << x << ',' << y;
    EXPECT_NE(ours.pixel(0, 60), PatternedParent::rgbAt(20, 80)) << "there is a frame";
}

TEST(CheckGroupBoxWinTest, AResizeLeavesNoOldFrameBehind) {
    PatternedParent parent;
    CheckGroupBoxWindow box;
    ASSERT_NE(box.create(parent.window, 20, 20, 200, 120), nullptr);
    ::ShowWindow(parent.window, SW_SHOW);
    ::SetForegroundWindow(parent.window);
    ::UpdateWindow(parent.window);
    test::pumpFor(300);
    POINT origin{0, 0};
    ::ClientToScreen(box.hwnd(), &origin);
    auto column = [&](int x) {  // the box's column x, rows 40 to 100, as the screen shows it
        const test::Image shot = test::captureScreen(origin.x + x, origin.y + 40, 1, 60);
        std::vector<uint32_t> out;
        for (int y = 0; y < shot.height; ++y)
            out.push_back(shot.pixel(0, y));
        return out;
    };
    std::vector<uint32_t> page;
    for (int y = 40; y < 100; ++y)
        page.push_back(PatternedParent::rgbAt(20 + 198, 20 + y));
    ASSERT_NE(column(198), page) << "the right side of the frame is drawn there";

    ::SetWindowPos(box.hwnd(), nullptr, 0, 0, 300, 160, SWP_NOMOVE | SWP_NOZORDER);
    ::UpdateWindow(parent.window);
    test::pumpFor(300);
    EXPECT_EQ(column(198), page) << "the old right side is gone";
    EXPECT_NE(column(298), std::vector<uint32_t>(60, PatternedParent::rgbAt(20 + 298, 60)));
}

TEST(CheckGroupBoxWinTest, EnablingTheGroupReachesEveryControlInside) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    PatternedParent parent;
    CheckGroupBoxWindow box;
    HWND w = box.create(parent.window, 10, 10, 400, 300);
    ASSERT_NE(w, nullptr);
    HWND list = child(w, WC_LISTVIEWW, LVS_REPORT, 10, 30, 150, 100);
    HWND combo = child(w, L"COMBOBOX", CBS_DROPDOWN, 170, 30, 120, 200);
    HWND edit = child(w, L"EDIT", WS_BORDER, 10, 140, 100, 20);
    // A panel is a container: it passes the state on to what it holds.
    HWND panel = child(w, L"STATIC", 0, 10, 170, 200, 60, WS_EX_CONTROLPARENT);
    HWND inner = child(panel, L"EDIT", WS_BORDER, 10, 10, 100, 20);
    ASSERT_TRUE(list && combo && edit && panel && inner);
    ASSERT_NE(::GetWindow(list, GW_CHILD), nullptr) << "a list view is made of windows too";
    ASSERT_NE(::GetWindow(combo, GW_CHILD), nullptr) << "and a combo box";
    const HWND all[] = {list, combo, edit, panel, inner};

    ::EnableWindow(w, FALSE);
    for (HWND c : all)
        EXPECT_FALSE(::IsWindowEnabled(c)) << "disabled with the group";
    EXPECT_TRUE(::IsWindowEnabled(box.checkBox())) << "its contents are on, so its check box stays";
    ::EnableWindow(w, TRUE);
    for (HWND c : all)
        EXPECT_TRUE(::IsWindowEnabled(c)) << "enabled again with the group";

    // Cleared: every control inside is off; ticked again: on, the check box on throughout.
    box.setChecked(false);
    for (HWND c : {list, combo, edit, panel})
        EXPECT_FALSE(::IsWindowEnabled(c));
    EXPECT_TRUE(::IsWindowEnabled(box.checkBox()));
    box.setChecked(true);
    for (HWND c : all)
        EXPECT_TRUE(::IsWindowEnabled(c));
}

}  // namespace
}  // namespace vantrel::controls
