#pragma once

#include <array>
#include <string>
#include <vector>

#include "controls/canvas.h"

namespace vantrel::controls {

// An oscilloscope strip: the window samples Position on its own timer and the chart scrolls two
// pixels per sample. Its picture lives in a persistent bitmap; clear() and tick() draw into it.
class TScope {
  public:
    TScope() = default;
    TScope(int width, int height) : width_(width), height_(height) {}

    void resize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    int width() const { return width_; }
    int height() const { return height_; }

    // Setters that return true want the chart cleared (clear()) and repainted.
    int Baseline1() const { return baseline1_; }
    bool setBaseline1(int v);
    int Baseline2() const { return baseline2_; }
    bool setBaseline2(int v);
    int Gridsize() const { return gridsize_; }
    bool setGridsize(int v);
    bool Active() const { return active_; }
    void setActive(bool v);
    int Position() const { return position_; }
    void setPosition(int v) { position_ = v; }
    int Interval() const { return interval_; }
    void setInterval(int v);
    // Milliseconds between samples.
    int period() const { return interval_ * 10; }
    Color BackColor() const { return color_; }
    void setColor(Color c) { color_ = c; }
    void setGridcolor(Color c) { gridcolor_ = c; }
    void setLinecolor(Color c) { linecolor_ = c; }
    void setBase1color(Color c) { base1color_ = c; }
    void setBase2color(Color c) { base2color_ = c; }

    // Set once the control is constructed, loaded or painted; setters clear only when ready.
    bool ready() const { return ready_; }
    void setReady() { ready_ = true; }

    // y of a percentage of the height, measured from the bottom.
    int yOf(int percent) const;
    int baseline1Y() const { return base1y_; }
    int baseline2Y() const { return base2y_; }
    int lastY() const { return lastY_; }
    int gridCounter() const { return counter_; }
    // The horizontal grid rows: every Gridsize pixels above and below baseline 1.
    std::vector<int> gridRows() const;

    void clear(Canvas& canvas);
    // One sample: scroll, draw the newest two columns. Returns true when a vertical grid line
    // entered at the right edge.
    bool tick(Canvas& canvas);

  private:
    void computeBaselines();

    int width_ = 208;
    int height_ = 120;
    int baseline1_ = 50;
    int baseline2_ = 40;
    int gridsize_ = 16;
    bool active_ = false;
    int position_ = 50;
    int interval_ = 50;
    Color color_ = colors::kBlack;
    Color gridcolor_ = colors::kGreen;
    Color linecolor_ = colors::kLime;
    Color base1color_ = colors::kRed;
    Color base2color_ = colors::kSilver;
    bool ready_ = false;
    int base1y_ = 0;
    int base2y_ = 0;
    int prevY_ = 0;
    int lastY_ = 0;
    int counter_ = 1;
};

enum class TTrendStyle { tsBar, tsLine, tsScatter, ts3D, tsFilled };
enum class TTrendGrid { gsNone, gsXGrid, gsYGrid, gsFull };
enum TTrendOption : unsigned { toValues = 1, toTwin = 2 };

// A trend panel: the program pushes one value per refresh and the whole series is redrawn.
// Every setter returns true when the value changed and the control must repaint.
class TTamselTrend {
  public:
    static constexpr int kCapacity = 100;
    static constexpr int kMargin = 3;

    int MinVal() const { return minVal_; }
    bool setMinVal(int v);
    int MaxVal() const { return maxVal_; }
    bool setMaxVal(int v);
    int Divisions() const { return divisions_; }
    bool setDivisions(int v);
    unsigned Options() const { return options_; }
    bool setOptions(unsigned v);
    TTrendStyle Style() const { return style_; }
    bool setStyle(TTrendStyle v);
    bool setColor(Color c);
    bool setColorBase(Color c);
    bool setBackGroundColor(Color c);
    bool setGridStyle(TTrendGrid g);
    bool setGridColor(Color c);
    int GridXstep() const { return gridXstep_; }
    // Values <= 0 are ignored; values beyond the control's size are capped to it.
    bool setGridXstep(int v, int controlWidth);
    int GridYstep() const { return gridYstep_; }
    bool setGridYstep(int v, int controlHeight);
    bool AutoScale() const { return autoScale_; }
    bool setAutoScale(bool v);

    // Element index 1 ... 100, as the series numbers them.
    int value(int index) const { return series_[size_t(index - 1)]; }
    int value2(int index) const { return series2_[size_t(index - 1)]; }
    void addValue(int v);

    // Point k (0-based, element k + 1) of the visible series.
    Point point(int k, int width, int height) const;
    std::vector<int> gridColumns(int width) const;
    std::vector<int> gridRows(int height) const;
    void paint(Canvas& canvas) const;

  private:
    int minVal_ = 0;
    int maxVal_ = 100;
    int divisions_ = 20;
    unsigned options_ = 0;
    TTrendStyle style_ = TTrendStyle::tsBar;
    Color color_ = colors::kRed;
    Color colorBase_ = 0xFFFF00;
    Color background_ = colors::kWhite;
    TTrendGrid grid_ = TTrendGrid::gsFull;
    Color gridColor_ = colors::kSilver;
    int gridXstep_ = 10;
    int gridYstep_ = 10;
    bool autoScale_ = false;
    std::array<int, kCapacity> series_{};
    std::array<int, kCapacity> series2_{};
};

}  // namespace vantrel::controls
