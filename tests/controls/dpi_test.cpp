#include "controls/dpi.h"

#include <gtest/gtest.h>

namespace vantrel::controls {
namespace {

TEST(DpiTest, ScalingRoundsHalvesUpAndRepeatsEvery96Pixels) {
    EXPECT_EQ(scaleForDpi(382, 144), 573);
    EXPECT_EQ(scaleForDpi(1, 144), 2) << "1.5";
    EXPECT_EQ(scaleForDpi(2, 120), 3) << "2.5";
    EXPECT_EQ(scaleForDpi(-1, 144), -1) << "-1.5 rounds up too";
    // The scroll arithmetic relies on this, on both sides of zero.
    for (int dpi : {96, 120, 144, 168, 192})
        for (int v = -200; v <= 200; ++v)
            ASSERT_EQ(scaleForDpi(v + 96, dpi), scaleForDpi(v, dpi) + dpi) << v << " at " << dpi;
}

TEST(DpiTest, SystemFontMetricsBecomePointsWhateverDpiTheyWereReadAt) {
    struct Case {
        const wchar_t* face;
        int height, weight;
        bool italic;
        int dpi;
        Font font;
    };
    const Case cases[] = {
        {L"Segoe UI", -12, 400, false, 96, {L"Segoe UI", 9, 0}},
        {L"Segoe UI", -15, 400, false, 120, {L"Segoe UI", 9, 0}},
        {L"Segoe UI", -18, 400, false, 144, {L"Segoe UI", 9, 0}},  // not 13.5 points
        {L"Segoe UI", -24, 400, false, 192, {L"Segoe UI", 9, 0}},
        {L"Tahoma", -11, 400, false, 96, {L"Tahoma", 8, 0}},
        {L"Tahoma", -17, 400, false, 144, {L"Tahoma", 8, 0}},  // 11.3 pixels at 96 DPI, not 8.5 points
        {L"Tahoma", -14, 400, false, 120, {L"Tahoma", 8, 0}},
        {L"Tahoma", 11, 700, true, 96, {L"Tahoma", 8, kBold | kItalic}},  // a cell height
        {L"Tahoma", -11, 600, false, 96, {L"Tahoma", 8, kBold}},          // semibold reads bold
        {L"", 0, 400, false, 96, Font{}},                                 // nothing known: the default
    };
    for (const auto& c : cases)
        EXPECT_EQ(fontFromMetrics(c.face, c.height, c.weight, c.italic, c.dpi), c.font)
            << c.height << " at " << c.dpi;
}

}  // namespace
}  // namespace vantrel::controls
