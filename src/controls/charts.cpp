#include "controls/charts.h"

#include <algorithm>

namespace vantrel::controls {

// ---- TScope ---------------------------------------------------------------------------------

int TScope::yOf(int percent) const {
    return height_ - roundEven(height_ / 100.0 * percent);
}

void TScope::computeBaselines() {
    base1y_ = yOf(baseline1_);
    base2y_ = yOf(baseline2_);
}

bool TScope::setBaseline1(int v) {
    baseline1_ = v;
    computeBaselines();
    return ready_;
}

bool TScope::setBaseline2(int v) {
    baseline2_ = v;
    computeBaselines();
    return ready_;
}

bool TScope::setGridsize(int v) {
    // Stored even, rounded toward zero. Below 2 the grid loops would never advance (and the
    // vertical-line counter never match), so 2 is the smallest step kept.
    gridsize_ = std::max(2, v / 2 * 2);
    return ready_;
}

void TScope::setActive(bool v) {
    active_ = v;
    computeBaselines();
}

void TScope::setInterval(int v) {
    interval_ = v;
    computeBaselines();
}

std::vector<int> TScope::gridRows() const {
    std::vector<int> rows;
    for (int y = base1y_ - gridsize_; y >= 0; y -= gridsize_)
        rows.push_back(y);
    for (int y = base1y_ + gridsize_; y < height_; y += gridsize_)
        rows.push_back(y);
    return rows;
}

void TScope::clear(Canvas& canvas) {
    computeBaselines();
    canvas.fill({0, 0, width_, height_}, color_);
    for (int x = width_ - 1; x > 0; x -= gridsize_)
        canvas.line(x, 0, x, height_, gridcolor_);
    for (int y : gridRows())
        canvas.line(0, y, width_, y, gridcolor_);
    canvas.line(0, base1y_, width_, base1y_, base1color_);
    canvas.line(0, base2y_, width_, base2y_, base2color_);
    prevY_ = lastY_ = base1y_;
    counter_ = 1;
}

bool TScope::tick(Canvas& canvas) {
    const int w = width_;
    canvas.blit({2, 0, w, height_}, 0, 0);
    canvas.fill({w - 2, 0, w, height_}, color_);
    bool gridLine = false;
    if (counter_ == gridsize_ / 2) {
        canvas.line(w - 1, 0, w - 1, height_, gridcolor_);
        counter_ = 0;
        gridLine = true;
    }
    ++counter_;
    for (int y : gridRows())
        canvas.line(w - 2, y, w, y, gridcolor_);
    canvas.line(w - 2, base1y_, w, base1y_, base1color_);
    canvas.line(w - 2, base2y_, w, base2y_, base2color_);
    const int newY = yOf(position_);
    canvas.line(w - 4, prevY_, w - 2, lastY_, linecolor_);
    canvas.line(w - 2, lastY_, w, newY, linecolor_);
    prevY_ = lastY_;
    lastY_ = newY;
    return gridLine;
}

// ---- TTamselTrend ---------------------------------------------------------------------------

bool TTamselTrend::setMinVal(int v) {
    if (v >= maxVal_)
        v = maxVal_ - 1;
    if (v == minVal_)
        return false;
    minVal_ = v;
    return true;
}

bool TTamselTrend::setMaxVal(int v) {
    if (v <= minVal_)
        v = minVal_ + 1;
    if (v == maxVal_)
        return false;
    maxVal_ = v;
    return true;
}

bool TTamselTrend::setDivisions(int v) {
    v = std::clamp(v, 2, kCapacity);
    if (v == divisions_)
        return false;
    divisions_ = v;
    return true;
}

#define VANTREL_TREND_SETTER(name, member, type) \
    bool TTamselTrend::name(type v) {            \
        if (v == member)                         \
            return false;                        \
        member = v;                              \
        return true;                             \
    }
VANTREL_TREND_SETTER(setOptions, options_, unsigned)
VANTREL_TREND_SETTER(setStyle, style_, TTrendStyle)
VANTREL_TREND_SETTER(setColor, color_, Color)
VANTREL_TREND_SETTER(setColorBase, colorBase_, Color)
VANTREL_TREND_SETTER(setBackGroundColor, background_, Color)
VANTREL_TREND_SETTER(setGridStyle, grid_, TTrendGrid)
VANTREL_TREND_SETTER(setGridColor, gridColor_, Color)
VANTREL_TREND_SETTER(setAutoScale, autoScale_, bool)
#undef VANTREL_TREND_SETTER

bool TTamselTrend::setGridXstep(int v, int controlWidth) {
    if (v <= 0)
        return false;
    v = std::min(v, std::max(1, controlWidth));
    if (v == gridXstep_)
        return false;
    gridXstep_ = v;
    return true;
}

bool TTamselTrend::setGridYstep(int v, int controlHeight) {
    if (v <= 0)
        return false;
    v = std::min(v, std::max(1, controlHeight));
    if (v == gridYstep_)
        return false;
    gridYstep_ = v;
    return true;
}

void TTamselTrend::addValue(int v) {
    std::copy(series_.begin() + 1, series_.begin() + divisions_, series_.begin());
    if (v < minVal_)
        v = minVal_;
    if (autoScale_) {
        int top = v;
        for (int i = 0; i < kCapacity; ++i)
            top = std::max({top, series_[size_t(i)], series2_[size_t(i)]});
        if (top != maxVal_)
            maxVal_ = top <= minVal_ ? minVal_ + 1 : top;
    } else if (v > maxVal_) {
        v = maxVal_;
    }
    series_[size_t(divisions_ - 1)] = v;
}

Point TTamselTrend::point(int k, int width, int height) const {
    const double step = (width - 2.0 * kMargin) / divisions_;
    const int x = roundEven(kMargin + k * step);
    const int y = height - (value(k + 1) - minVal_) * (height - 2 * kMargin) / (maxVal_ - minVal_) - kMargin;
    return {x, y};
}

std::vector<int> TTamselTrend::gridColumns(int width) const {
    std::vector<int> xs;
    if (grid_ != TTrendGrid::gsXGrid && grid_ != TTrendGrid::gsFull)
        return xs;
    // Anchored on the right edge; the grid does not scroll.
    for (int i = gridXstep_; i <= width - 2; i += gridXstep_)
        xs.push_back(width - i);
    return xs;
}

std::vector<int> TTamselTrend::gridRows(int height) const {
    std::vector<int> ys;
    if (grid_ != TTrendGrid::gsYGrid && grid_ != TTrendGrid::gsFull)
        return ys;
    for (int v = minVal_ + 1; v < maxVal_; ++v) {
        if (v % gridYstep_ != 0)
            continue;
        const int p = (v - minVal_) * 100 / (maxVal_ - minVal_);
        ys.push_back(height - roundEven(p * height / 100.0));
    }
    return ys;
}

namespace {
Color shifted(Color c, int delta) {
    auto ch = [&](int v) { return std::clamp(v + delta, 0, 255); };
    return rgb(ch(redOf(c)), ch(greenOf(c)), ch(blueOf(c)));
}
}  // namespace

void TTamselTrend::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    const int w = s.width;
    const int h = s.height;
    canvas.fill({0, 0, w, h}, background_);
    for (int x : gridColumns(w))
        canvas.line(x, 0, x, h - 1, gridColor_);
    for (int y : gridRows(h))
        canvas.line(0, y, w, y, gridColor_);

    const double step = (w - 2.0 * kMargin) / divisions_;
    const int barWidth = std::max(1, int(step) - 1);
    const int bottom = h - kMargin;
    auto drawSeries = [&](bool second, Color color) {
        Point prev{};
        for (int k = 0; k < divisions_; ++k) {
            Point p = point(k, w, h);
            if (second)
                p.y = h - (value2(k + 1) - minVal_) * (h - 2 * kMargin) / (maxVal_ - minVal_) - kMargin;
            switch (style_) {
                case TTrendStyle::tsLine:
                    if (k > 0)
                        canvas.line(prev.x, prev.y, p.x, p.y, color);
                    break;
                case TTrendStyle::tsScatter:
                    canvas.fill({p.x - 1, p.y - 1, p.x + 2, p.y + 2}, color);
                    break;
                case TTrendStyle::tsBar:
                    canvas.fill({p.x, p.y, p.x + barWidth, bottom}, color);
                    if (options_ & toValues)
                        canvas.text({p.x - 10, p.y - 12, p.x + barWidth + 10, p.y},
                                    std::to_wstring(value(k + 1)), Font{L"Arial", 6, 0}, color, kTextCenter);
                    break;
                case TTrendStyle::ts3D: {
                    const int half = std::max(1, barWidth / 2);
                    canvas.fill({p.x, p.y, p.x + half, bottom}, shifted(color, 60));
                    canvas.fill({p.x + half, p.y, p.x + barWidth, bottom}, shifted(color, -60));
                    break;
                }
                case TTrendStyle::tsFilled:
                    if (k > 0) {
                        // Fill under the line one column at a time.
                        for (int x = prev.x; x < p.x; ++x) {
                            const int y = prev.y + (p.y - prev.y) * (x - prev.x) / std::max(1, p.x - prev.x);
                            canvas.line(x, y, x, bottom, color);
                        }
                    }
                    break;
            }
            prev = p;
        }
    };
    drawSeries(false, color_);
    if (options_ & toTwin)
        drawSeries(true, colorBase_);
}

}  // namespace vantrel::controls
