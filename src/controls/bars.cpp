#include "controls/bars.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace vantrel::controls {

// ---- TIndicator -----------------------------------------------------------------------------

bool TIndicator::setPosition(int value) {
    position_ = std::clamp(value, 0, 100);
    return true;
}

bool TIndicator::setForeground(Color c) {
    foreground_ = c;
    return true;
}

bool TIndicator::setBackground(Color c) {
    background_ = c;
    return true;
}

int TIndicator::segmentCount(int height) {
    const int n = height / 3 - 2;
    return n < 0 ? 0 : n + 1;
}

int TIndicator::firstLitSegment(int height) const {
    const int n = height / 3 - 2;
    return roundEven(n / 100.0 * (100 - position_));
}

void TIndicator::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    canvas.fill({0, 0, s.width, s.height}, background_);
    const int n = s.height / 3 - 2;
    if (n < 0)
        return;
    const int lit = firstLitSegment(s.height);
    const Color off = halfColor(foreground_);
    for (int i = 0; i <= n; ++i) {
        const Color c = i < lit ? off : foreground_;
        const int y = 3 * i + 2;
        // Two rows, split by a two-pixel gap in the middle.
        canvas.fill({4, y, s.width / 2 - 1, y + 2}, c);
        canvas.fill({s.width / 2 + 1, y, s.width - 5, y + 2}, c);
    }
}

// ---- TRLed ----------------------------------------------------------------------------------

bool TRLed::setOrientation(TRLedOrientation o, bool loading) {
    if (o == orientation_)
        return false;
    orientation_ = o;
    if (!loading)
        std::swap(width_, height_);
    return true;
}

bool TRLed::setMaxValue(int v) {
    if (v == maxValue_)
        return false;
    maxValue_ = v;
    return true;
}

bool TRLed::setPosition(int v) {
    if (v > maxValue_)
        return false;
    position_ = v;
    return true;
}

bool TRLed::setBarSize(uint16_t v) {
    // A pitch of 0 would leave no LED to divide the length by.
    if (v == 0)
        return false;
    if (orientation_ == TRLedOrientation::trVertical) {
        if (v == barSize_ || v >= height_ - 4)
            return false;
    } else if (v >= width_ - 4) {
        return false;
    }
    barSize_ = v;
    return true;
}

bool TRLed::setBreakPos(uint8_t v) {
    if (v > 154)
        return false;
    breakPos_ = v;
    return true;
}

bool TRLed::setColorLow(Color c) {
    if (c == colorLow_)
        return false;
    colorLow_ = c;
    return true;
}

bool TRLed::setColorHi(Color c) {
    colorHi_ = c;
    return true;
}

bool TRLed::setBackColor(Color c) {
    backColor_ = c;
    return true;
}

int TRLed::ledCount() const {
    const int length = orientation_ == TRLedOrientation::trHorizontal ? width_ : height_;
    if (barSize_ == 0 || length < 2)
        return 0;
    return (length - 2) / barSize_;
}

int TRLed::litCount() const {
    // The position as a whole percentage of the full scale, kept in a byte.
    int p = 0;
    if (maxValue_ > 0)
        p = std::clamp(roundEven(double(position_) / maxValue_ * 100.0), 0, 255);
    return roundEven(ledCount() / 100.0 * p);
}

int TRLed::highCount() const {
    return roundEven(ledCount() * double(breakPos_) / 100.0);
}

std::vector<TRLed::Led> TRLed::leds() const {
    const int c = ledCount();
    const int lit = litCount();
    const int high = highCount();
    std::vector<Led> out;
    out.reserve(size_t(std::max(c, 0)));
    for (int k = 1; k <= c; ++k) {
        Led led;
        const int start = (k - 1) * barSize_ + 2;
        const int end = (k - 1) * barSize_ + barSize_;
        if (orientation_ == TRLedOrientation::trVertical) {
            led.rect = {2, start, width_ - 2, end};
            led.lit = k > c - lit;
            // The top H LEDs: the full end of a column that fills from the bottom.
            led.high = k <= high;
        } else {
            led.rect = {start, 2, end, height_ - 2};
            const int j = c - k + 1;
            led.lit = j > c - lit;
            led.high = c - k < high;
        }
        out.push_back(led);
    }
    return out;
}

void TRLed::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    canvas.fill({0, 0, s.width, s.height}, backColor_);
    for (const Led& led : leds()) {
        const Color on = led.high ? colorHi_ : colorLow_;
        canvas.fill(led.rect, led.lit ? on : halfColor(on));
    }
}

// ---- TOrvelProgressBar ----------------------------------------------------------------------

Color gradientStep(Color from, Color to, int k, int n) {
    if (k < 1 || k > n)
        throw std::out_of_range("ColorIndex can't be less than 1 or greater than " + std::to_string(n));
    auto channel = [&](int a, int b) {
        if (n == 1)
            return a;
        // Multiply, then divide rounding half away from zero.
        const long long num = static_cast<long long>(k - 1) * (b - a);
        const long long den = n - 1;
        const long long q = (std::llabs(num) * 2 + den) / (2 * den);
        return a + int(num < 0 ? -q : q);
    };
    return rgb(channel(redOf(from), redOf(to)), channel(greenOf(from), greenOf(to)),
               channel(blueOf(from), blueOf(to)));
}

bool TOrvelProgressBar::resize(int width, int height) {
    if (width == width_ && height == height_)
        return false;
    width_ = width;
    height_ = height;
    return changed();
}

bool TOrvelProgressBar::setMin(int v) {
    min_ = v;
    return changed();
}
bool TOrvelProgressBar::setMax(int v) {
    max_ = v;
    return changed();
}

bool TOrvelProgressBar::setPosition(int v) {
    if (v == position_ || v > max_ || v < min_)
        return false;
    position_ = v;
    return true;
}

bool TOrvelProgressBar::setDirection(TProgressDirection d) {
    direction_ = d;
    return changed();
}
bool TOrvelProgressBar::setBarColorStyle(TBarColorStyle s) {
    style_ = s;
    return changed();
}
bool TOrvelProgressBar::setBarColor1(Color c) {
    color1_ = c;
    return changed();
}
bool TOrvelProgressBar::setBarColor2(Color c) {
    color2_ = c;
    return changed();
}
bool TOrvelProgressBar::setBarColor3(Color c) {
    color3_ = c;
    return changed();
}
bool TOrvelProgressBar::setBackgroundColor(Color c) {
    background_ = c;
    return changed();
}
bool TOrvelProgressBar::setShowBorder(bool v) {
    showBorder_ = v;
    return changed();
}
bool TOrvelProgressBar::setBorderColor1(Color c) {
    border1_ = c;
    return changed();
}
bool TOrvelProgressBar::setBorderColor2(Color c) {
    border2_ = c;
    return changed();
}
bool TOrvelProgressBar::setShowPosText(bool v) {
    showPosText_ = v;
    return changed();
}
bool TOrvelProgressBar::setPosTextPrefix(std::wstring v) {
    prefix_ = std::move(v);
    return changed();
}
bool TOrvelProgressBar::setPosTextSuffix(std::wstring v) {
    suffix_ = std::move(v);
    return changed();
}
bool TOrvelProgressBar::setPercentage(bool v) {
    percentage_ = v;
    return changed();
}
bool TOrvelProgressBar::setFont(Font f) {
    font_ = std::move(f);
    return changed();
}

int TOrvelProgressBar::innerLength() const {
    const int length = horizontal() ? width_ : height_;
    return std::max(0, showBorder_ ? length - 2 : length);
}

int TOrvelProgressBar::filledLength() const {
    if (!(min_ < position_) || max_ == min_)
        return 0;
    const double share = double(position_ - min_) / std::abs(double(max_) - min_);
    return std::min(innerLength(), roundEven(share * innerLength()));
}

const std::vector<Color>& TOrvelProgressBar::ramp() const {
    if (!regenerate_ && ramp_.size() == size_t(innerLength()))
        return ramp_;
    const int n = innerLength();
    ramp_.assign(size_t(n), color1_);
    // Every direction starts with BarColor1 where the bar starts, so the ramp is built from
    // the start; painting places it according to the direction.
    if (style_ == TBarColorStyle::cs2Colors) {
        for (int k = 1; k <= n; ++k)
            ramp_[size_t(k - 1)] = gradientStep(color1_, color2_, k, n);
    } else if (style_ == TBarColorStyle::cs3Colors) {
        const int first = n / 2;
        const int second = n - first;
        for (int k = 1; k <= first; ++k)
            ramp_[size_t(k - 1)] = gradientStep(color1_, color2_, k, first);
        for (int k = 1; k <= second; ++k)
            ramp_[size_t(first + k - 1)] = gradientStep(color2_, color3_, k, second);
    }
    regenerate_ = false;
    return ramp_;
}

std::wstring TOrvelProgressBar::positionText() const {
    int number = position_;
    if (percentage_)
        number = max_ == 0 ? 0 : roundEven(double(position_) / max_ * 100.0);
    return prefix_ + std::to_wstring(number) + suffix_;
}

void TOrvelProgressBar::paint(Canvas& canvas) const {
    const int b = showBorder_ ? 1 : 0;
    const Rect inner{b, b, width_ - b, height_ - b};
    const int n = innerLength();
    const int f = filledLength();
    const auto& colours = ramp();
    for (int i = 0; i < n; ++i) {
        const Color c = colours[size_t(i)];
        switch (direction_) {
            case TProgressDirection::pdLeftToRight:
                canvas.fill({inner.left + i, inner.top, inner.left + i + 1, inner.bottom}, c);
                break;
            case TProgressDirection::pdRightToLeft:
                canvas.fill({inner.right - i - 1, inner.top, inner.right - i, inner.bottom}, c);
                break;
            case TProgressDirection::pdTopToBottom:
                canvas.fill({inner.left, inner.top + i, inner.right, inner.top + i + 1}, c);
                break;
            case TProgressDirection::pdBottomToTop:
                canvas.fill({inner.left, inner.bottom - i - 1, inner.right, inner.bottom - i}, c);
                break;
        }
    }
    // The far end, not yet reached, shows the background: the ramp is uncovered, not squeezed.
    if (f < n) {
        switch (direction_) {
            case TProgressDirection::pdLeftToRight:
                canvas.fill({inner.left + f, inner.top, inner.right, inner.bottom}, background_);
                break;
            case TProgressDirection::pdRightToLeft:
                canvas.fill({inner.left, inner.top, inner.right - f, inner.bottom}, background_);
                break;
            case TProgressDirection::pdTopToBottom:
                canvas.fill({inner.left, inner.top + f, inner.right, inner.bottom}, background_);
                break;
            case TProgressDirection::pdBottomToTop:
                canvas.fill({inner.left, inner.top, inner.right, inner.bottom - f}, background_);
                break;
        }
    }
    if (showBorder_) {
        canvas.fill({0, 0, width_, 1}, border1_);
        canvas.fill({0, 0, 1, height_}, border1_);
        canvas.fill({0, height_ - 1, width_, height_}, border2_);
        canvas.fill({width_ - 1, 0, width_, height_}, border2_);
    }
    if (showPosText_)
        canvas.text({0, 0, width_, height_}, positionText(), font_, colors::kBlack,
                    kTextCenter | kTextVCenter);
}

// ---- TGProgress -----------------------------------------------------------------------------

namespace {
void refuseNegative(int v) {
    if (v < 0)
        throw std::invalid_argument("Value must be between 0 and 2147483647");
}
}  // namespace

void TGProgress::setMin(int v) {
    refuseNegative(v);
    min_ = v;
}
void TGProgress::setMax(int v) {
    refuseNegative(v);
    max_ = v;
}
void TGProgress::setStep(int v) {
    refuseNegative(v);
    step_ = v;
}
bool TGProgress::setPosition(int v) {
    if (v == position_)
        return false;
    position_ = v;
    return true;
}
bool TGProgress::setGradientBar(bool v) {
    gradient_ = v;
    return true;
}
bool TGProgress::setSolid(bool v) {
    solid_ = v;
    return true;
}
bool TGProgress::setTransparent(bool v) {
    transparent_ = v;
    return true;
}
bool TGProgress::setColor(Color c) {
    color_ = c;
    return true;
}
bool TGProgress::setColorEnd(Color c) {
    colorEnd_ = c;
    return true;
}
bool TGProgress::setFrameColor1(Color c) {
    frame1_ = c;
    return true;
}
bool TGProgress::setFrameColor2(Color c) {
    frame2_ = c;
    return true;
}
bool TGProgress::setBackgroundColor(Color c) {
    background_ = c;
    return true;
}

std::vector<std::pair<Rect, Color>> TGProgress::blocks(int width, int height) const {
    std::vector<std::pair<Rect, Color>> out;
    const int inner = width - 4;
    // An empty range fills nothing rather than dividing by zero.
    if (max_ <= min_ || inner <= 0)
        return out;
    const int pos = std::clamp(position_, min_, max_);
    const int filled = int(static_cast<long long>(pos - min_) * inner / (max_ - min_));
    const int total = std::max(1, width / 10);
    const int blockWidth = solid_ ? 10 : 8;
    int index = 1;
    for (int x = 0; x < filled; x += 10, ++index) {
        const Color c = gradient_ ? gradientStep(color_, colorEnd_, std::min(index, total), total) : color_;
        out.push_back({Rect{2 + x, 2, 2 + std::min(x + blockWidth, filled), height - 2}, c});
    }
    return out;
}

void TGProgress::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    if (!transparent_)
        canvas.fill({1, 1, s.width - 1, s.height - 1}, background_);
    canvas.fill({0, 0, s.width, 1}, frame1_);
    canvas.fill({0, 0, 1, s.height}, frame1_);
    canvas.fill({0, s.height - 1, s.width, s.height}, frame2_);
    canvas.fill({s.width - 1, 0, s.width, s.height}, frame2_);
    for (const auto& [rect, color] : blocks(s.width, s.height))
        canvas.fill(rect, color);
}

// ---- TGauge ---------------------------------------------------------------------------------

bool TGauge::setProgress(int v) {
    v = std::clamp(v, 0, 100);
    if (v == progress_)
        return false;
    progress_ = v;
    return true;
}
bool TGauge::setForeColor(Color c) {
    fore_ = c;
    return true;
}
bool TGauge::setBackColor(Color c) {
    back_ = c;
    return true;
}
bool TGauge::setFont(Font f) {
    font_ = std::move(f);
    return true;
}

int TGauge::filledWidth(int width) const {
    return int(static_cast<long long>(width) * progress_ / 100);
}

std::wstring TGauge::text() const {
    return std::to_wstring(progress_) + L"%";
}

void TGauge::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    const int f = filledWidth(s.width);
    const Rect filled{0, 0, f, s.height};
    const Rect rest{f, 0, s.width, s.height};
    canvas.fill(filled, fore_);
    canvas.fill(rest, back_);
    // The figure reads in the bar's colour over the empty part and in the background colour
    // over the filled part, so it stays legible wherever the edge falls.
    const Rect all{0, 0, s.width, s.height};
    canvas.text(all, text(), font_, fore_, kTextCenter | kTextVCenter, &rest);
    canvas.text(all, text(), font_, back_, kTextCenter | kTextVCenter, &filled);
}

}  // namespace vantrel::controls
