#include "controls/charts.h"

#include <gtest/gtest.h>

#include "controls/recording_canvas.h"

namespace vantrel::controls {
namespace {

using test::RecordingCanvas;

TScope programScope(int width = 208, int height = 120) {
    TScope scope(width, height);
    scope.setGridsize(16);
    scope.setLinecolor(colors::kYellow);
    scope.setBaseline1(30);
    scope.setBaseline2(50);
    scope.setInterval(100);
    scope.setReady();
    return scope;
}

TEST(ScopeTest, GridsizeIsStoredEvenTowardZero) {
    const std::pair<int, int> cases[] = {{16, 16}, {15, 14}, {3, 2}, {1, 2}, {0, 2}, {-7, 2}};
    for (auto [given, stored] : cases) {
        TScope scope;
        scope.setGridsize(given);
        EXPECT_EQ(scope.Gridsize(), stored) << given;
    }
}

TEST(ScopeTest, ClearDrawsGridAnchoredOnBaselineOneAndBothBaselines) {
    TScope scope = programScope();
    EXPECT_EQ(scope.baseline1Y(), 84);  // 120 - round(1.2 * 30)
    EXPECT_EQ(scope.baseline2Y(), 60);
    EXPECT_EQ(scope.yOf(45), 66) << "54 exactly";
    TScope odd(10, 50);
    odd.setBaseline1(25);
    EXPECT_EQ(odd.baseline1Y(), 38) << "12.5 rounds to the even 12";

    RecordingCanvas canvas(208, 120);
    scope.clear(canvas);
    const auto fills = canvas.of(RecordingCanvas::Kind::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color, colors::kBlack);
    std::vector<int> columns, rows;
    std::vector<std::pair<int, Color>> baselines;
    for (const auto& l : canvas.of(RecordingCanvas::Kind::Line)) {
        if (l.x1 == l.x2)
            columns.push_back(l.x1);
        else if (l.color == colors::kGreen)
            rows.push_back(l.y1);
        else
            baselines.push_back({l.y1, l.color});
    }
    EXPECT_EQ(columns.front(), 207);
    EXPECT_EQ(columns[1], 191);
    EXPECT_EQ(columns.back(), 15);
    EXPECT_EQ(rows, (std::vector<int>{68, 52, 36, 20, 4, 100, 116}));
    EXPECT_EQ(baselines, (std::vector<std::pair<int, Color>>{{84, colors::kRed}, {60, colors::kSilver}}));
    EXPECT_EQ(scope.lastY(), 84) << "the trace starts on baseline 1";
}

TEST(ScopeTest, TickScrollsTwoPixelsAndAGridLineEntersEveryEightTicks) {
    TScope scope = programScope();
    RecordingCanvas canvas(208, 120);
    scope.clear(canvas);
    std::vector<int> gridTicks;
    for (int t = 1; t <= 24; ++t) {
        canvas.ops.clear();
        if (scope.tick(canvas))
            gridTicks.push_back(t);
        const auto blits = canvas.of(RecordingCanvas::Kind::Blit);
        ASSERT_EQ(blits.size(), 1u);
        EXPECT_EQ(blits[0].rect, (Rect{2, 0, 208, 120}));
        EXPECT_EQ(blits[0].x1, 0);
    }
    EXPECT_EQ(gridTicks, (std::vector<int>{8, 16, 24}));
}

TEST(ScopeTest, TraceJoinsTheLastThreeSamples) {
    TScope scope = programScope();
    RecordingCanvas canvas(208, 120);
    scope.clear(canvas);
    scope.setPosition(50);
    scope.tick(canvas);
    canvas.ops.clear();
    scope.setPosition(100);
    scope.tick(canvas);
    std::vector<RecordingCanvas::Op> trace;
    for (const auto& l : canvas.of(RecordingCanvas::Kind::Line))
        if (l.color == colors::kYellow)
            trace.push_back(l);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ((std::vector<int>{trace[0].x1, trace[0].y1, trace[0].x2, trace[0].y2}),
              (std::vector<int>{204, 84, 206, 60}));
    EXPECT_EQ((std::vector<int>{trace[1].x1, trace[1].y1, trace[1].x2, trace[1].y2}),
              (std::vector<int>{206, 60, 208, 0}));
}

TEST(ScopeTest, BaselineSettersClearOnlyWhenReadyAndIntervalKeepsBaselines) {
    TScope fresh;
    EXPECT_FALSE(fresh.setBaseline1(30)) << "not ready: no clear";
    TScope scope = programScope();
    EXPECT_TRUE(scope.setBaseline1(20));
    RecordingCanvas canvas(208, 120);
    scope.clear(canvas);
    EXPECT_EQ(scope.lastY(), 96) << "the trace restarts at the new baseline";
    scope.setInterval(50);
    EXPECT_EQ(scope.baseline1Y(), 96);
    EXPECT_EQ(scope.baseline2Y(), 60);
    EXPECT_EQ(scope.period(), 500);
}

TEST(TrendTest, ClampsRangesAndValues) {
    TTamselTrend trend;
    trend.setDivisions(100);
    trend.addValue(150);
    EXPECT_EQ(trend.value(100), 100);
    trend.addValue(-5);
    EXPECT_EQ(trend.value(100), 0);
    EXPECT_EQ(trend.value(99), 100) << "older values shift down";

    const std::pair<int, int> divisions[] = {{1, 2}, {500, 100}, {37, 37}};
    for (auto [given, stored] : divisions) {
        TTamselTrend t;
        t.setDivisions(given);
        EXPECT_EQ(t.Divisions(), stored);
    }
    TTamselTrend range;
    range.setMinVal(100);
    EXPECT_EQ(range.MinVal(), 99);
    range.setMinVal(0);
    range.setMaxVal(-3);
    EXPECT_EQ(range.MaxVal(), 1);
    EXPECT_FALSE(range.setMaxVal(1)) << "unchanged: no repaint";
    EXPECT_FALSE(range.setGridXstep(0, 100));
    EXPECT_TRUE(range.setGridXstep(500, 100));
    EXPECT_EQ(range.GridXstep(), 100) << "capped at the width";

    TTamselTrend scaled;
    scaled.setAutoScale(true);
    scaled.addValue(250);
    EXPECT_EQ(scaled.MaxVal(), 250);
    EXPECT_EQ(scaled.value(20), 250);
}

TEST(TrendTest, PointsAreSpaced359HundredthsOn365Pixels) {
    TTamselTrend trend;
    trend.setDivisions(100);
    trend.setStyle(TTrendStyle::tsLine);
    for (int i = 0; i < 100; ++i)
        trend.addValue(50);
    trend.addValue(100);
    EXPECT_EQ(trend.point(0, 365, 106).x, 3);
    EXPECT_EQ(trend.point(1, 365, 106).x, 7);     // 6.59
    EXPECT_EQ(trend.point(10, 365, 106).x, 39);   // 38.9
    EXPECT_EQ(trend.point(99, 365, 106).x, 358);  // 358.41
    EXPECT_EQ(trend.point(0, 365, 106).y, 53);    // 106 - 50 * 100 / 100 - 3
    EXPECT_EQ(trend.point(99, 365, 106).y, 3);

    RecordingCanvas canvas(365, 106);
    trend.setColor(colors::kLime);
    trend.paint(canvas);
    int series = 0;
    for (const auto& l : canvas.of(RecordingCanvas::Kind::Line))
        series += l.color == colors::kLime;
    EXPECT_EQ(series, 99) << "one segment between each pair of points";
}

TEST(TrendTest, GridIsAnchoredOnTheRightEdge) {
    TTamselTrend trend;
    trend.setGridXstep(16, 365);
    EXPECT_EQ(trend.gridColumns(50), (std::vector<int>{34, 18, 2}));
    EXPECT_EQ(trend.gridRows(100), (std::vector<int>{90, 80, 70, 60, 50, 40, 30, 20, 10}));
    trend.setGridStyle(TTrendGrid::gsYGrid);
    EXPECT_TRUE(trend.gridColumns(50).empty());
    trend.setGridStyle(TTrendGrid::gsNone);
    EXPECT_TRUE(trend.gridRows(100).empty());
}

}  // namespace
}  // namespace vantrel::controls
