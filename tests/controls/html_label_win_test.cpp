// The HTML label as a window: what it shows under its text, and its layout at another DPI or in
// another font.
#include "controls/html_label_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/canvas_gdi_win.h"
#include "controls/system_win_support.h"

namespace vantrel::controls {
namespace {

using test::PatternedParent;

TEST(HtmlLabelWinTest, ShowsItsParentsBackgroundUnderItsText) {
    PatternedParent parent;
    HtmlLabelWindow label;
    ASSERT_NE(label.create(parent.window, 40, 30, 200, 40), nullptr);
    label.update(label.label().setCaption(L"<A href=\"#1\">Statistics</A>"));
    const test::Image shot = test::printClient(label.hwnd());
    ASSERT_EQ(shot.width, 200);
    int page = 0, text = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            if (shot.pixel(x, y) == PatternedParent::rgbAt(40 + x, 30 + y))
                ++page;
            else if (shot.pixel(x, y) == test::rgbOf(colors::kBlue))
                ++text;
        }
    EXPECT_GT(text, 20) << "the link is drawn";
    EXPECT_GT(page, shot.width * shot.height * 9 / 10) << "everywhere else, the page it sits on";

    // A colour of its own covers the page.
    label.setBackground(colors::kWhite);
    EXPECT_EQ(test::printClient(label.hwnd()).pixel(150, 35), 0xFFFFFFu);
}

TEST(HtmlLabelWinTest, LaysItselfOutAgainForANewDpiOrFont) {
    PatternedParent parent;
    auto widthOf = [](HtmlLabelWindow& l) {
        l.repaint();  // automatic size happens as it paints
        RECT rc{};
        ::GetClientRect(l.hwnd(), &rc);
        return int(rc.right);
    };
    auto make = [&](HtmlLabelWindow& l, int dpi) {
        l.create(parent.window, 10, 10, 50, 20, 0, dpi);
        l.label().setFont(TFontData{L"Tahoma", colors::kBlack, 8, 0, 0, 0});
        l.label().setWordBreak(false);
        l.label().setAutoWidth(true);
        l.update(l.label().setCaption(L"Clipboard<ind x=120>Contents"));
    };
    HtmlLabelWindow at96, at144;
    make(at96, 96);
    make(at144, 144);
    const int w96 = widthOf(at96);
    const int w144 = widthOf(at144);
    // "Contents" starts at the indent, 120 pixels at 96 DPI, 180 at 144, and is measured in the
    // font at that DPI (hinting keeps the ratio from being exactly 1.5).
    auto indented = [](HtmlLabelWindow& l) { return l.label().renderer().chunks().back(); };
    EXPECT_EQ(indented(at96).x, 120);
    EXPECT_EQ(indented(at144).x, 180);
    EXPECT_EQ(w96, 120 + indented(at96).width);
    EXPECT_EQ(w144, 180 + indented(at144).width);
    EXPECT_GT(indented(at144).width * 10, indented(at96).width * 13);

    // The same label moved to 144 DPI takes the same width.
    at96.setDpi(144);
    EXPECT_EQ(at96.label().dpi(), 144);
    EXPECT_EQ(widthOf(at96), w144);

    // A font sent as to any control: its face, size and style become the label's.
    const HFONT big = cachedFont(Font{L"Tahoma", 16, kBold}, 144);
    ::SendMessageW(at144.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
    EXPECT_EQ(at144.label().Font().name, L"Tahoma");
    EXPECT_EQ(at144.label().Font().size, 16);
    EXPECT_EQ(at144.label().Font().style, unsigned(kBold));
    EXPECT_GT(widthOf(at144), w144 + indented(at144).width / 2);
    EXPECT_EQ(::SendMessageW(at144.hwnd(), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(big));
}

}  // namespace
}  // namespace vantrel::controls
