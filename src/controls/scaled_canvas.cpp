#include "controls/scaled_canvas.h"

#include <algorithm>
#include <cstdlib>

#include "controls/dpi.h"

namespace vantrel::controls {

namespace {
// The mapping repeats every 96 pixels (96 pixels are exactly dpi device pixels), so a scroll
// phase is kept within one period and never grows.
int wrapPhase(int phase) {
    return ((phase % kBaseDpi) + kBaseDpi) % kBaseDpi;
}
}  // namespace

void ScaledCanvas::setDpi(int dpi) {
    dpi_ = dpi;
    phaseX_ = phaseY_ = 0;
}

int ScaledCanvas::toLogical(int devicePixels, int dpi) {
    if (dpi <= 0)
        return devicePixels;
    const long long p = static_cast<long long>(devicePixels) * kBaseDpi;
    return static_cast<int>(p >= 0 ? (p + dpi / 2) / dpi : -((-p + dpi / 2) / dpi));
}

int ScaledCanvas::edge(int v, int logicalLength, int deviceLength, int phase, bool fromEnd) const {
    // The canvas's own edges are the device's, whatever the rounding of its length did.
    if (v == 0)
        return 0;
    if (v == logicalLength)
        return deviceLength;
    if (fromEnd)
        return deviceLength - (scaleForDpi(logicalLength + phase, dpi_) - scaleForDpi(v + phase, dpi_));
    return scaleForDpi(v + phase, dpi_) - scaleForDpi(phase, dpi_);
}

int ScaledCanvas::deviceX(int x) const {
    const Size d = device_.size();
    return edge(x, toLogical(d.width, dpi_), d.width, phaseX_, anchorRight_);
}

int ScaledCanvas::deviceY(int y) const {
    const Size d = device_.size();
    return edge(y, toLogical(d.height, dpi_), d.height, phaseY_, false);
}

int ScaledCanvas::lineWidth() const {
    return std::max(1, scaleForDpi(1, dpi_));
}

Rect ScaledCanvas::deviceRect(const Rect& r) const {
    return {deviceX(r.left), deviceY(r.top), deviceX(r.right), deviceY(r.bottom)};
}

Size ScaledCanvas::size() const {
    const Size d = device_.size();
    return {toLogical(d.width, dpi_), toLogical(d.height, dpi_)};
}

Size ScaledCanvas::measure(std::wstring_view text, const Font& font) {
    const Size s = device_.measure(text, font);
    return {toLogical(s.width, dpi_), toLogical(s.height, dpi_)};
}

int ScaledCanvas::textHeight(const Font& font) {
    return toLogical(device_.textHeight(font), dpi_);
}

void ScaledCanvas::fill(const Rect& rect, Color color) {
    const Rect d = deviceRect(rect);
    if (!d.empty())
        device_.fill(d, color);
}

void ScaledCanvas::line(int x1, int y1, int x2, int y2, Color color) {
    const int t = lineWidth();
    // Across a line its band ends where its 96-DPI pixel ends, so a line on the last row or column
    // is never cut by the canvas's edge; along it the line covers the pixels from its start up to,
    // not including, its end.
    auto bandX = [&](int x) { return deviceX(x + 1) - t; };
    auto bandY = [&](int y) { return deviceY(y + 1) - t; };
    if (y1 == y2 || x1 == x2) {
        if (x1 == x2 && y1 == y2)
            return;
        Rect band;
        if (y1 == y2) {
            const int y = bandY(y1);
            band = x1 < x2 ? Rect{deviceX(x1), y, deviceX(x2), y + t}
                           : Rect{deviceX(x2 + 1), y, deviceX(x1 + 1), y + t};
        } else {
            const int x = bandX(x1);
            band = y1 < y2 ? Rect{x, deviceY(y1), x + t, deviceY(y2)}
                           : Rect{x, deviceY(y2 + 1), x + t, deviceY(y1 + 1)};
        }
        if (!band.empty())
            device_.fill(band, color);
        return;
    }
    // A slanted line: as many device lines side by side as the thickness, stacked across its main
    // direction, so that it meets straight lines of the same thickness.
    const bool flat = std::abs(x2 - x1) >= std::abs(y2 - y1);
    for (int k = 0; k < t; ++k) {
        if (flat)
            device_.line(deviceX(x1), bandY(y1) + k, deviceX(x2), bandY(y2) + k, color);
        else
            device_.line(bandX(x1) + k, deviceY(y1), bandX(x2) + k, deviceY(y2), color);
    }
}

void ScaledCanvas::text(const Rect& box,
                        std::wstring_view text,
                        const Font& font,
                        Color color,
                        unsigned flags,
                        const Rect* clip) {
    const Rect deviceClip = clip ? deviceRect(*clip) : Rect{};
    device_.text(deviceRect(box), text, font, color, flags, clip ? &deviceClip : nullptr);
}

void ScaledCanvas::blit(const Rect& source, int x, int y) {
    const Size d = device_.size();
    const int lw = toLogical(d.width, dpi_);
    const int lh = toLogical(d.height, dpi_);
    // The device distance the content moves, and the phase that keeps later drawing joined to it.
    auto shift = [&](int moved, int logicalLength, int& phase, bool fromEnd) {
        const int base = fromEnd ? logicalLength + phase : phase;
        const int delta = scaleForDpi(base, dpi_) - scaleForDpi(base - moved, dpi_);
        phase = wrapPhase(phase - moved);
        return delta;
    };
    const int dx = shift(x - source.left, lw, phaseX_, anchorRight_);
    const int dy = shift(y - source.top, lh, phaseY_, false);
    // Where the content lands, in the mapping that now holds; it comes from there less the move.
    const Rect dest = deviceRect({x, y, x + source.width(), y + source.height()});
    if (dest.empty())
        return;
    device_.blit({dest.left - dx, dest.top - dy, dest.right - dx, dest.bottom - dy}, dest.left, dest.top);
}

void ScaledCanvas::drawPicture(const Picture& picture, const Rect& dest) {
    const Rect d = deviceRect(dest);
    if (!d.empty())
        device_.drawPicture(picture, d);
}

void ScaledCanvas::drawImage(const ImageList& images, int index, int x, int y) {
    device_.drawImage(images, index, deviceX(x), deviceY(y));
}

}  // namespace vantrel::controls
