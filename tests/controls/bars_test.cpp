#include "controls/bars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "controls/recording_canvas.h"

namespace vantrel::controls {
namespace {

using test::RecordingCanvas;

// Colour of each segment row as the indicator paints it (first fill is the background).
std::vector<Color> segmentColours(const RecordingCanvas& canvas) {
    std::vector<Color> out;
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    for (size_t i = 1; i + 1 < fills.size(); i += 2) {
        EXPECT_EQ(fills[i].color, fills[i + 1].color);  // both halves of a segment agree
        out.push_back(fills[i].color);
    }
    return out;
}

TEST(IndicatorTest, SegmentsAtTheProgramSizeFillFromTheBottom) {
    struct Case {
        int position;
        int stored;
        int lit;
    };
    const Case cases[] = {{0, 0, 1}, {50, 50, 8}, {100, 100, 14}, {150, 100, 14}, {-20, 0, 1}};
    for (const auto& c : cases) {
        TIndicator indicator;
        indicator.setPosition(c.position);
        EXPECT_EQ(indicator.Position(), c.stored);
        RecordingCanvas canvas(48, 45);
        indicator.paint(canvas);
        const auto colours = segmentColours(canvas);
        ASSERT_EQ(colours.size(), 14u) << "48 x 45 has 14 segments";
        const auto lit = std::count(colours.begin(), colours.end(), colors::kLime);
        EXPECT_EQ(lit, c.lit) << "position " << c.position;
        // Lit segments are the bottom ones; the others are the half colour.
        for (size_t i = 0; i < colours.size(); ++i)
            EXPECT_EQ(colours[i],
                      i >= colours.size() - size_t(lit) ? colors::kLime : halfColor(colors::kLime));
    }
}

TEST(IndicatorTest, SegmentGeometryLeavesATwoPixelGap) {
    TIndicator indicator;
    RecordingCanvas canvas(48, 45);
    indicator.paint(canvas);
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    EXPECT_EQ(fills[0].rect, (Rect{0, 0, 48, 45}));
    EXPECT_EQ(fills[0].color, colors::kBlack);
    EXPECT_EQ(fills[1].rect, (Rect{4, 2, 23, 4}));
    EXPECT_EQ(fills[2].rect, (Rect{25, 2, 43, 4}));
    EXPECT_EQ(fills.back().rect, (Rect{25, 41, 43, 43}));  // segment 13: rows 41 and 42
    RecordingCanvas tiny(20, 5);
    indicator.paint(tiny);
    EXPECT_EQ(tiny.ops.size(), 1u) << "too short for a segment: background only";
}

TEST(RLedTest, ProgramBarHas76LedsWith15RedAnd38LitAtHalf) {
    TRLed led(25, 152);
    led.setOrientation(TRLedOrientation::trHorizontal, true);
    led.resize(382, 23);
    led.setBreakPos(20);
    led.setPosition(50);
    EXPECT_EQ(led.ledCount(), 76);
    EXPECT_EQ(led.highCount(), 15);
    EXPECT_EQ(led.litCount(), 38);
    const auto leds = led.leds();
    for (int k = 1; k <= 76; ++k) {
        const auto& l = leds[size_t(k - 1)];
        EXPECT_EQ(l.lit, k <= 38) << k;
        EXPECT_EQ(l.high, k > 61) << k;
        EXPECT_EQ(l.rect, (Rect{(k - 1) * 5 + 2, 2, (k - 1) * 5 + 5, 21})) << k;
    }
    RecordingCanvas canvas(382, 23);
    led.paint(canvas);
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    ASSERT_EQ(fills.size(), 77u);
    EXPECT_EQ(fills[1].color, colors::kLime);
    EXPECT_EQ(fills[39].color, halfColor(colors::kLime));
    EXPECT_EQ(fills[76].color, halfColor(colors::kRed));
}

TEST(RLedTest, VerticalColumnFillsFromTheBottomWithTheHighShareOnTop) {
    TRLed led(25, 152);  // vertical by default: 30 LEDs
    led.setBreakPos(20);
    led.setPosition(100);
    ASSERT_EQ(led.ledCount(), 30);
    const auto leds = led.leds();
    EXPECT_EQ(std::count_if(leds.begin(), leds.end(), [](auto& l) { return l.high; }), 6);
    EXPECT_TRUE(leds[0].high);
    EXPECT_FALSE(leds[6].high);
    led.setPosition(10);
    const auto low = led.leds();
    EXPECT_TRUE(low[29].lit);
    EXPECT_TRUE(low[27].lit);
    EXPECT_FALSE(low[26].lit);
}

TEST(RLedTest, SettersIgnoreWhatTheyMust) {
    TRLed led(382, 23);
    led.setOrientation(TRLedOrientation::trHorizontal, true);
    led.setPosition(40);
    EXPECT_FALSE(led.setPosition(101)) << "above MaxValue: the previous value stays";
    EXPECT_EQ(led.Position(), 40);
    EXPECT_FALSE(led.setBreakPos(155));
    EXPECT_TRUE(led.setBreakPos(154));
    EXPECT_FALSE(led.setColorLow(colors::kLime)) << "unchanged colour: no repaint";
    EXPECT_TRUE(led.setColorHi(colors::kRed)) << "other colours always repaint";
    EXPECT_FALSE(led.setMaxValue(100));
    EXPECT_FALSE(led.setBarSize(0)) << "a pitch of 0 is refused";
    EXPECT_FALSE(led.setBarSize(378)) << "not below width - 4";
    EXPECT_TRUE(led.setBarSize(5)) << "horizontal: taken whenever it fits";
    EXPECT_TRUE(led.setOrientation(TRLedOrientation::trVertical));
    EXPECT_EQ(led.width(), 23);
    EXPECT_EQ(led.height(), 382);
    led.setMaxValue(0);
    EXPECT_EQ(led.litCount(), 0) << "a zero full scale lights nothing";
}

TEST(OrvelProgressBarTest, ProgramRampSpansTheLeftHalfAndIsUncovered) {
    TOrvelProgressBar bar(385, 25);
    bar.setBarColor1(33023);
    bar.setBarColor2(65408);
    bar.setBarColor3(65408);
    bar.setShowPosText(false);
    bar.setBackgroundColor(colors::kWhite);
    const auto& ramp = bar.ramp();
    ASSERT_EQ(ramp.size(), 383u);
    EXPECT_EQ(ramp[0], Color(33023));
    EXPECT_EQ(ramp[190], Color(65408)) << "the first half ends on the middle colour";
    EXPECT_EQ(ramp[95], gradientStep(33023, 65408, 96, 191));
    EXPECT_NE(ramp[95], ramp[0]);
    EXPECT_TRUE(std::all_of(ramp.begin() + 191, ramp.end(), [](Color c) { return c == 65408; }));

    bar.setPosition(25);
    EXPECT_EQ(bar.filledLength(), 96);
    RecordingCanvas canvas(385, 25);
    bar.paint(canvas);
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    // Column i of the ramp stays at x = 1 + i whatever the position.
    EXPECT_EQ(fills[0].rect, (Rect{1, 1, 2, 24}));
    EXPECT_EQ(fills[0].color, Color(33023));
    EXPECT_EQ(fills[95].color, ramp[95]);
    EXPECT_EQ(fills[383].rect, (Rect{97, 1, 384, 24}));
    EXPECT_EQ(fills[383].color, colors::kWhite);
    EXPECT_TRUE(canvas.of(RecordingCanvas::Kind::Text).empty());
}

TEST(OrvelProgressBarTest, DirectionsStartWithTheFirstColour) {
    struct Case {
        TProgressDirection direction;
        Rect firstColumn;
        Rect background;
    };
    const Case cases[] = {
        {TProgressDirection::pdLeftToRight, {1, 1, 2, 19}, {50, 1, 99, 19}},
        {TProgressDirection::pdRightToLeft, {98, 1, 99, 19}, {1, 1, 50, 19}},
        {TProgressDirection::pdTopToBottom, {1, 1, 99, 2}, {1, 10, 99, 19}},
        {TProgressDirection::pdBottomToTop, {1, 18, 99, 19}, {1, 1, 99, 10}},
    };
    for (const auto& c : cases) {
        TOrvelProgressBar bar(100, 20);
        bar.setDirection(c.direction);
        bar.setBarColorStyle(TBarColorStyle::cs2Colors);
        bar.setShowPosText(false);
        bar.setPosition(50);
        RecordingCanvas canvas(100, 20);
        bar.paint(canvas);
        const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
        EXPECT_EQ(fills[0].rect, c.firstColumn);
        EXPECT_EQ(fills[0].color, colors::kGreen);
        const size_t n = size_t(bar.innerLength());
        EXPECT_EQ(fills[n - 1].color, colors::kYellow);
        EXPECT_EQ(fills[n].rect, c.background) << int(c.direction);
    }
}

TEST(OrvelProgressBarTest, PositionRepaintsWithoutRebuildingAndIgnoresItsOwnValue) {
    TOrvelProgressBar bar(100, 20);
    bar.ramp();
    EXPECT_FALSE(bar.rampStale());
    EXPECT_TRUE(bar.setPosition(30));
    EXPECT_FALSE(bar.rampStale()) << "a position change keeps the cached ramp";
    EXPECT_FALSE(bar.setPosition(30)) << "same value: no repaint";
    EXPECT_FALSE(bar.setPosition(101));
    EXPECT_FALSE(bar.setPosition(-1));
    EXPECT_TRUE(bar.setBarColor2(colors::kRed));
    EXPECT_TRUE(bar.rampStale());
    bar.setMax(0);
    bar.setMin(0);
    EXPECT_EQ(bar.filledLength(), 0) << "an empty range fills nothing";
}

TEST(OrvelProgressBarTest, PositionText) {
    TOrvelProgressBar bar(100, 20);
    bar.setMax(200);
    bar.setPosition(50);
    bar.setPosTextPrefix(L"[");
    bar.setPosTextSuffix(L"]");
    EXPECT_EQ(bar.positionText(), L"[50]");
    bar.setPercentage(true);
    EXPECT_EQ(bar.positionText(), L"[25]");
}

TEST(GradientStepTest, EndsAndRangeError) {
    EXPECT_EQ(gradientStep(0, 0xFFFFFF, 1, 3), 0u);
    EXPECT_EQ(gradientStep(0, 0xFFFFFF, 2, 3), 0x808080u) << "127.5 rounds up";
    EXPECT_EQ(gradientStep(0, 0xFFFFFF, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(gradientStep(0xFF, 0, 2, 3), 0x7Fu) << "255 - 127.5: the step rounds away from zero";
    EXPECT_EQ(gradientStep(0x123456, 0, 1, 1), 0x123456u);
    try {
        gradientStep(0, 0, 4, 3);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "ColorIndex can't be less than 1 or greater than 3");
    }
}

TEST(GProgressTest, GradientBlocksAndRefusals) {
    TGProgress bar;
    bar.setGradientBar(true);
    bar.setColor(colors::kRed);
    bar.setColorEnd(colors::kLime);
    bar.setPosition(100);
    const auto blocks = bar.blocks(385, 16);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.front().first, (Rect{2, 2, 10, 14}));
    EXPECT_EQ(blocks.front().second, colors::kRed);
    EXPECT_EQ(blocks.back().second, colors::kLime);
    EXPECT_EQ(blocks[1].first.left, 12);
    bar.setPosition(0);
    EXPECT_TRUE(bar.blocks(385, 16).empty());
    EXPECT_THROW(bar.setMin(-1), std::invalid_argument);
    EXPECT_THROW(bar.setStep(-5), std::invalid_argument);
    bar.setMax(0);
    bar.setPosition(5);
    EXPECT_TRUE(bar.blocks(385, 16).empty()) << "Max equal to Min draws no block";
}

TEST(GaugeTest, FillAndLegibleText) {
    TGauge gauge;
    gauge.setForeColor(colors::kBlue);
    EXPECT_TRUE(gauge.setProgress(40));
    EXPECT_FALSE(gauge.setProgress(40));
    gauge.setProgress(140);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.setProgress(40);
    RecordingCanvas canvas(200, 17);
    gauge.paint(canvas);
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, (Rect{0, 0, 80, 17}));
    EXPECT_EQ(fills[0].color, colors::kBlue);
    EXPECT_EQ(fills[1].rect, (Rect{80, 0, 200, 17}));
    const auto texts = canvas.of(RecordingCanvas::Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, L"40%");
    EXPECT_EQ(texts[0].color, colors::kBlue);
    EXPECT_EQ(texts[0].clip, (Rect{80, 0, 200, 17}));
    EXPECT_EQ(texts[1].color, colors::kWhite);
    EXPECT_EQ(texts[1].clip, (Rect{0, 0, 80, 17}));
    EXPECT_EQ(canvas.of(RecordingCanvas::Kind::Line).size(), 0u) << "no border";
}

}  // namespace
}  // namespace vantrel::controls
