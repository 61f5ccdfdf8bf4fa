#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/canvas.h"

namespace vantrel::controls {

// A column of two-row segments that fills from the bottom (the CPU meter on the Overview page).
// Setters return true when the control must repaint.
class TIndicator {
  public:
    int Position() const { return position_; }
    bool setPosition(int value);  // clamped to 0-100
    Color Foreground() const { return foreground_; }
    bool setForeground(Color c);
    Color Background() const { return background_; }
    bool setBackground(Color c);

    // Segments are numbered from the top; those from the first lit index on are lit.
    static int segmentCount(int height);
    int firstLitSegment(int height) const;
    void paint(Canvas& canvas) const;

  private:
    int position_ = 0;
    Color foreground_ = colors::kLime;
    Color background_ = colors::kBlack;
};

enum class TRLedOrientation { trHorizontal, trVertical };

// A row (or column) of LEDs; the share at the full end is drawn in the high colour.
class TRLed {
  public:
    TRLed() = default;
    TRLed(int width, int height) : width_(width), height_(height) {}

    void resize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    int width() const { return width_; }
    int height() const { return height_; }

    TRLedOrientation Orientation() const { return orientation_; }
    // Swaps width and height: the caller resizes the window to the new size.
    bool setOrientation(TRLedOrientation o, bool loading = false);
    int MaxValue() const { return maxValue_; }
    bool setMaxValue(int v);
    int Position() const { return position_; }
    bool setPosition(int v);  // values above MaxValue are ignored
    uint16_t BarSize() const { return barSize_; }
    bool setBarSize(uint16_t v);
    uint8_t BreakPos() const { return breakPos_; }
    bool setBreakPos(uint8_t v);  // ignored above 154
    Color ColorLow() const { return colorLow_; }
    bool setColorLow(Color c);
    Color ColorHi() const { return colorHi_; }
    bool setColorHi(Color c);
    Color BackColor() const { return backColor_; }
    bool setBackColor(Color c);

    int ledCount() const;
    int litCount() const;
    int highCount() const;
    struct Led {
        Rect rect;
        bool lit = false;
        bool high = false;
    };
    // LED k = 1 ... count, in the order the orientation numbers them.
    std::vector<Led> leds() const;
    void paint(Canvas& canvas) const;

  private:
    int width_ = 25;
    int height_ = 152;
    TRLedOrientation orientation_ = TRLedOrientation::trVertical;
    int maxValue_ = 100;
    int position_ = 0;
    uint16_t barSize_ = 5;
    uint8_t breakPos_ = 35;
    Color colorLow_ = colors::kLime;
    Color colorHi_ = colors::kRed;
    Color backColor_ = colors::kBlack;
};

enum class TProgressDirection { pdLeftToRight, pdRightToLeft, pdBottomToTop, pdTopToBottom };
enum class TBarColorStyle { cs1Color, cs2Colors, cs3Colors };

// Step k of n (1-based) between two colours, multiply-then-divide with rounding.
Color gradientStep(Color from, Color to, int k, int n);

// A bar whose colour ramp stays in place and is uncovered as the value grows.
class TOrvelProgressBar {
  public:
    TOrvelProgressBar() = default;
    TOrvelProgressBar(int width, int height) : width_(width), height_(height) {}
    bool resize(int width, int height);

    int Min() const { return min_; }
    bool setMin(int v);
    int Max() const { return max_; }
    bool setMax(int v);
    int Position() const { return position_; }
    // Unchanged, above Max or below Min: nothing happens. Otherwise repaints without rebuilding
    // the ramp.
    bool setPosition(int v);
    TProgressDirection Direction() const { return direction_; }
    bool setDirection(TProgressDirection d);
    TBarColorStyle BarColorStyle() const { return style_; }
    bool setBarColorStyle(TBarColorStyle s);
    bool setBarColor1(Color c);
    bool setBarColor2(Color c);
    bool setBarColor3(Color c);
    Color BackgroundColor() const { return background_; }
    bool setBackgroundColor(Color c);
    bool ShowBorder() const { return showBorder_; }
    bool setShowBorder(bool v);
    bool setBorderColor1(Color c);
    bool setBorderColor2(Color c);
    bool setShowPosText(bool v);
    bool setPosTextPrefix(std::wstring v);
    bool setPosTextSuffix(std::wstring v);
    bool setPercentage(bool v);
    bool setFont(Font f);

    // The inner length along the direction of growth.
    int innerLength() const;
    int filledLength() const;
    // The colour of each column (or row), from where the bar starts; rebuilt when stale.
    const std::vector<Color>& ramp() const;
    bool rampStale() const { return regenerate_; }
    std::wstring positionText() const;
    void paint(Canvas& canvas) const;

  private:
    bool changed() {
        regenerate_ = true;
        return true;
    }
    bool horizontal() const {
        return direction_ == TProgressDirection::pdLeftToRight ||
               direction_ == TProgressDirection::pdRightToLeft;
    }

    int width_ = 200;
    int height_ = 20;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    TProgressDirection direction_ = TProgressDirection::pdLeftToRight;
    TBarColorStyle style_ = TBarColorStyle::cs3Colors;
    Color color1_ = colors::kGreen;
    Color color2_ = colors::kYellow;
    Color color3_ = colors::kRed;
    Color background_ = colors::kBtnFace;
    bool showBorder_ = true;
    Color border1_ = colors::kBtnShadow;
    Color border2_ = colors::kBtnHighlight;
    bool showPosText_ = true;
    std::wstring prefix_;
    std::wstring suffix_;
    bool percentage_ = false;
    Font font_;
    mutable std::vector<Color> ramp_;
    mutable bool regenerate_ = true;
};

// A framed block bar (drawn under the gradient bars; never changed after creation).
class TGProgress {
  public:
    int Min() const { return min_; }
    void setMin(int v);  // negative values throw std::invalid_argument
    int Max() const { return max_; }
    void setMax(int v);
    int Position() const { return position_; }
    bool setPosition(int v);
    int Step() const { return step_; }
    void setStep(int v);
    bool setGradientBar(bool v);
    bool setSolid(bool v);
    bool setTransparent(bool v);
    bool setColor(Color c);
    bool setColorEnd(Color c);
    bool setFrameColor1(Color c);
    bool setFrameColor2(Color c);
    bool setBackgroundColor(Color c);

    // Blocks within the frame up to the position, left to right.
    std::vector<std::pair<Rect, Color>> blocks(int width, int height) const;
    void paint(Canvas& canvas) const;

  private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool gradient_ = false;
    bool solid_ = false;
    bool transparent_ = false;
    Color color_ = colors::kBlue;
    Color colorEnd_ = colors::kBlue;
    Color frame1_ = colors::kBtnShadow;
    Color frame2_ = colors::kBtnHighlight;
    Color background_ = colors::kBtnFace;
};

// The plain percentage gauge of the Statistics page: a filled bar in one colour with the
// percentage centred over it, no border.
class TGauge {
  public:
    int Progress() const { return progress_; }
    bool setProgress(int v);  // clamped to 0-100
    bool setForeColor(Color c);
    bool setBackColor(Color c);
    bool setFont(Font f);
    int filledWidth(int width) const;
    std::wstring text() const;
    void paint(Canvas& canvas) const;

  private:
    int progress_ = 0;
    Color fore_ = colors::kBlue;
    Color back_ = colors::kWhite;
    Font font_;
};

}  // namespace vantrel::controls
