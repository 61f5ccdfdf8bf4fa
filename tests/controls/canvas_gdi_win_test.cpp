// The GDI canvas draws text exactly as wide as it measures it. Layouts (the HTML label above
// all) measure pieces of a line and draw each where the previous one ended, so any difference
// shows as gaps between words and underlines running past them. These tests read the drawn
// pixels back rather than compare two measurements.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/canvas_gdi_win.h"

namespace vantrel::controls {
namespace {

constexpr int kWidth = 400;
constexpr int kRow = 24;  // height of one test row, more than a line of these fonts

bool inked(const GdiCanvas& canvas, int x, int y) {
    return ::GetPixel(canvas.dc(), x, y) != RGB(255, 255, 255);
}

// The rightmost and leftmost inked columns within rows [top, top + kRow), or -1.
int inkRight(const GdiCanvas& canvas, int top) {
    for (int x = kWidth - 1; x >= 0; --x)
        for (int y = top; y < top + kRow; ++y)
            if (inked(canvas, x, y))
                return x;
    return -1;
}
int inkLeft(const GdiCanvas& canvas, int top) {
    for (int x = 0; x < kWidth; ++x)
        for (int y = top; y < top + kRow; ++y)
            if (inked(canvas, x, y))
                return x;
    return -1;
}

// 11 and 12 pixels at 96 DPI: the sizes where Wine's Tahoma draws embedded bitmap glyphs.
const Font kFonts[] = {
    {L"Tahoma", 8, 0},
    {L"Tahoma", 8, kUnderline},
    {L"Tahoma", 9, kBold},
    {L"Tahoma", 12, 0},
};

std::string narrow(std::wstring_view s) {
    return std::string(s.begin(), s.end());
}

TEST(GdiCanvasTest, PiecesDrawnAtTheirMeasuredOffsetsMatchTheWholeLine) {
    // The pieces the HTML label cuts this line into: each word with its trailing space.
    const std::vector<std::wstring> pieces{L"Last ",      L"optimization ", L"was ", L"not ",
                                           L"performed ", L"because ",      L"at ",  L"least ",
                                           L"Clipboard ", L"Values"};
    std::wstring whole;
    for (const auto& p : pieces)
        whole += p;
    GdiCanvas canvas(kWidth, 2 * kRow, 96);
    for (const Font& font : kFonts) {
        SCOPED_TRACE(narrow(font.name) + " " + std::to_string(font.size) + " style " +
                     std::to_string(font.style));
        canvas.fill({0, 0, kWidth, 2 * kRow}, colors::kWhite);
        canvas.text({0, 0, kWidth, kRow}, whole, font, colors::kBlack, kTextLeft);
        int x = 0;
        for (const auto& p : pieces) {
            canvas.text({x, kRow, kWidth, 2 * kRow}, p, font, colors::kBlack, kTextLeft);
            x += canvas.measure(p, font).width;
        }
        EXPECT_EQ(x, canvas.measure(whole, font).width);
        int differing = 0, firstDiff = -1;
        for (int px = 0; px < kWidth; ++px)
            for (int y = 0; y < kRow; ++y)
                if (inked(canvas, px, y) != inked(canvas, px, y + kRow)) {
                    ++differing;
                    if (firstDiff < 0)
                        firstDiff = px;
                }
        EXPECT_EQ(differing, 0) << "first differing column " << firstDiff;
    }
}

TEST(GdiCanvasTest, DrawnTextAndItsUnderlineEndWhereTheMeasureSays) {
    GdiCanvas canvas(kWidth, 2 * kRow, 96);
    for (const wchar_t* word : {L"Clipboard", L"Recommended", L"optimization"}) {
        for (int size : {8, 9}) {
            SCOPED_TRACE(narrow(word) + " at " + std::to_string(size) + " points");
            const Font plain{L"Tahoma", size, 0};
            const Font underlined{L"Tahoma", size, kUnderline};
            const int width = canvas.measure(word, plain).width;
            ASSERT_EQ(canvas.measure(word, underlined).width, width);
            canvas.fill({0, 0, kWidth, 2 * kRow}, colors::kWhite);
            canvas.text({0, 0, kWidth, kRow}, word, plain, colors::kBlack, kTextLeft);
            canvas.text({0, kRow, kWidth, 2 * kRow}, word, underlined, colors::kBlack, kTextLeft);
            // The underline covers the measured advance; the last letter ends within its side
            // bearing of it.
            EXPECT_EQ(inkRight(canvas, kRow), width - 1);
            EXPECT_GE(inkRight(canvas, 0), width - 3);
            EXPECT_LT(inkRight(canvas, 0), width);
        }
    }
}

TEST(GdiCanvasTest, RightAndCentredTextSitByTheMeasuredWidth) {
    GdiCanvas canvas(kWidth, kRow, 96);
    const Font font{L"Tahoma", 8, 0};
    const wchar_t* word = L"Recommended";
    const int width = canvas.measure(word, font).width;
    const Rect box{100, 0, 300, kRow};

    canvas.fill({0, 0, kWidth, kRow}, colors::kWhite);
    canvas.text(box, word, font, colors::kBlack, kTextRight);
    EXPECT_LT(inkRight(canvas, 0), box.right);
    EXPECT_GE(inkRight(canvas, 0), box.right - 3);
    EXPECT_LE(inkLeft(canvas, 0), box.right - width + 2);

    canvas.fill({0, 0, kWidth, kRow}, colors::kWhite);
    canvas.text(box, word, font, colors::kBlack, kTextCenter);
    const int left = inkLeft(canvas, 0) - box.left;
    const int right = box.right - 1 - inkRight(canvas, 0);
    EXPECT_LE(std::abs(left - right), 3) << "margins " << left << " and " << right;
}

}  // namespace
}  // namespace vantrel::controls
