#include "controls/scaled_canvas.h"

#include <gtest/gtest.h>

#include "controls/bars.h"
#include "controls/charts.h"
#include "controls/dpi.h"
#include "controls/recording_canvas.h"

namespace vantrel::controls {
namespace {

using test::PixelCanvas;
using test::RecordingCanvas;

constexpr int kDpis[] = {96, 120, 144, 192};

int device(int pixels96, int dpi) {
    return scaleForDpi(pixels96, dpi);
}

TEST(ScaledCanvasTest, AbuttingRectanglesStayAbuttingAndTheCanvasEdgesAreTheDevices) {
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        // The LED bar's pitch of 5 and a device width that does not scale evenly (383 at 96).
        for (int width : {382, 383}) {
            const int deviceWidth = device(width, dpi) + (width == 383 ? 1 : 0);
            RecordingCanvas target(deviceWidth, device(23, dpi));
            ScaledCanvas canvas(target, dpi);
            ASSERT_EQ(canvas.size().height, 23);
            const int logical = canvas.size().width;
            for (int x = 0; x < logical; x += 5)
                canvas.fill({x, 0, std::min(x + 5, logical), 23}, colors::kLime);
            const auto fills = target.of(RecordingCanvas::Kind::Fill);
            ASSERT_FALSE(fills.empty());
            EXPECT_EQ(fills.front().rect.left, 0);
            EXPECT_EQ(fills.back().rect.right, deviceWidth) << "the last edge is the device's";
            const int exact5 = 5 * dpi / 96;
            for (size_t i = 0; i < fills.size(); ++i) {
                EXPECT_EQ(fills[i].rect.top, 0);
                EXPECT_EQ(fills[i].rect.bottom, target.size().height);
                if (i > 0) {
                    EXPECT_EQ(fills[i].rect.left, fills[i - 1].rect.right) << "no gap, no overlap at " << i;
                }
                if (i + 1 < fills.size()) {
                    EXPECT_GE(fills[i].rect.width(), exact5);
                    EXPECT_LE(fills[i].rect.width(), (5 * dpi + 95) / 96);
                }
            }
        }
    }
}

TEST(ScaledCanvasTest, LinesHaveOneThicknessEverywhereAndEndWhereTheirPixelEnds) {
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        const int t = dpi >= 144 ? 2 : 1;
        RecordingCanvas target(device(100, dpi), device(50, dpi));
        ScaledCanvas canvas(target, dpi);
        EXPECT_EQ(canvas.lineWidth(), t);
        for (int y = 0; y < 50; ++y)
            canvas.line(0, y, 100, y, colors::kGreen);
        for (int x = 0; x < 100; ++x)
            canvas.line(x, 0, x, 50, colors::kGreen);
        for (const auto& f : target.of(RecordingCanvas::Kind::Fill)) {
            const bool horizontal = f.rect.width() > f.rect.height();
            EXPECT_EQ(horizontal ? f.rect.height() : f.rect.width(), t);
            // Inside the canvas, up to its last row and column.
            EXPECT_GE(f.rect.left, 0);
            EXPECT_GE(f.rect.top, 0);
            EXPECT_LE(f.rect.right, target.size().width);
            EXPECT_LE(f.rect.bottom, target.size().height);
        }
        target.ops.clear();
        // From 10 up to 20, and the same pixels drawn the other way round.
        canvas.line(10, 5, 20, 5, colors::kRed);
        canvas.line(19, 8, 9, 8, colors::kRed);
        const auto fills = target.of(RecordingCanvas::Kind::Fill);
        ASSERT_EQ(fills.size(), 2u);
        EXPECT_EQ(fills[0].rect.left, canvas.deviceX(10));
        EXPECT_EQ(fills[0].rect.right, canvas.deviceX(20));
        EXPECT_EQ(fills[1].rect.left, fills[0].rect.left);
        EXPECT_EQ(fills[1].rect.right, fills[0].rect.right);
        EXPECT_EQ(fills[0].rect.bottom, canvas.deviceY(6));
    }
}

TEST(ScaledCanvasTest, TextGoesInTheScaledBoxAndMeasuresBackIn96DpiPixels) {
    RecordingCanvas target(300, 150);  // 200 x 100 at 144 DPI
    ScaledCanvas canvas(target, 144);
    EXPECT_EQ(canvas.size(), (Size{200, 100}));
    const Rect clip{10, 10, 50, 30};
    canvas.text({10, 20, 110, 40}, L"61%", Font{}, colors::kBlack, kTextCenter, &clip);
    const auto texts = target.of(RecordingCanvas::Kind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rect, (Rect{15, 30, 165, 60}));
    EXPECT_EQ(texts[0].clip, (Rect{15, 15, 75, 45}));
    // The recording canvas measures 6 device pixels a character: 18 for three, 12 at 96 DPI.
    EXPECT_EQ(canvas.measure(L"abc", Font{}).width, 12);
}

// What the drawn controls count at every DPI, read back from the device's pixels.
TEST(ScaledCanvasTest, ModelsKeepTheirCountsAtEveryDpi) {
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        // The LED bar of the CPU page: 76 LEDs, 38 lit at 50 %, 15 red at the far end.
        TRLed led(382, 23);
        led.setOrientation(TRLedOrientation::trHorizontal, true);
        led.setBreakPos(20);
        led.setPosition(50);
        PixelCanvas leds(device(382, dpi), device(23, dpi));
        ScaledCanvas ledView(leds, dpi);
        led.paint(ledView);
        const int middle = leds.size().height / 2;
        EXPECT_EQ(leds.runs(middle, colors::kLime).size(), 38u);
        EXPECT_EQ(leds.runs(middle, halfColor(colors::kLime)).size(), 23u);
        EXPECT_EQ(leds.runs(middle, halfColor(colors::kRed)).size(), 15u);
        for (Color c : {colors::kLime, halfColor(colors::kLime), halfColor(colors::kRed)})
            for (auto [x, width] : leds.runs(middle, c))
                EXPECT_GE(width, 3 * dpi / 96) << "an LED of 3 pixels at 96 DPI, at " << x;

        // The CPU meter: 14 segments in a column at 48 x 45, the bottom one lit at 0 %.
        TIndicator indicator;
        PixelCanvas meter(device(48, dpi), device(45, dpi));
        ScaledCanvas meterView(meter, dpi);
        indicator.paint(meterView);
        const int column = device(10, dpi);
        EXPECT_EQ(meter.columnRuns(column, halfColor(colors::kLime)).size(), 13u);
        EXPECT_EQ(meter.columnRuns(column, colors::kLime).size(), 1u);
    }
}

// The scope scrolls two 96-DPI pixels a sample, 2.5 device pixels at 120 DPI. Whatever the DPI
// and width, its vertical grid lines stay one thickness and exactly a grid step apart while they
// scroll, and the trace runs on without a break.
TEST(ScaledCanvasTest, ScrollingKeepsTheScopeGridEvenAndItsTraceWhole) {
    for (int dpi : kDpis) {
        for (int width : {240, 238}) {
            SCOPED_TRACE(std::to_string(dpi) + " DPI, width " + std::to_string(width));
            TScope scope(width, 120);
            scope.setGridsize(16);
            scope.setLinecolor(colors::kYellow);
            scope.setBaseline1(30);
            scope.setBaseline2(50);
            scope.setPosition(40);
            scope.setReady();
            PixelCanvas pixels(device(width, dpi), device(120, dpi));
            ScaledCanvas view(pixels, dpi);
            view.setAnchorRight(true);
            ASSERT_EQ(view.size().width, width);
            scope.clear(view);
            const int t = view.lineWidth();
            const int step = 16 * dpi / 96;
            const int gridRow = view.deviceY(10);   // between grid rows, away from the trace
            const int traceRow = view.deviceY(72);  // the trace at 40 %
            for (int tick = 1; tick <= 60; ++tick) {
                scope.tick(view);
                ASSERT_EQ(pixels.outsideReads, 0) << "tick " << tick << " scrolled in what is not there";
                const auto lines = pixels.runs(gridRow, colors::kGreen);
                ASSERT_GE(lines.size(), size_t(width / 16 - 1)) << "tick " << tick;
                for (size_t i = 1; i < lines.size(); ++i) {
                    EXPECT_EQ(lines[i].second, t) << "tick " << tick << ", line at " << lines[i].first;
                    EXPECT_EQ(lines[i].first - lines[i - 1].first, step)
                        << "tick " << tick << ", line at " << lines[i].first;
                }
                // The trace at 40 % runs on unbroken from where it got there to the right edge.
                if (tick < 2)
                    continue;  // the first sample only climbs from the baseline
                const auto trace = pixels.runs(traceRow, colors::kYellow);
                ASSERT_FALSE(trace.empty()) << "tick " << tick;
                EXPECT_EQ(trace.back().first + trace.back().second, pixels.size().width);
                if (tick >= 3) {
                    EXPECT_LE(trace.back().first, view.deviceX(width - 2 * (tick - 2))) << "tick " << tick;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vantrel::controls
