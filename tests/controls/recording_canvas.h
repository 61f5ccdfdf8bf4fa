#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "controls/canvas.h"

namespace vantrel::controls::test {

// Fixed-width text: every character is 6 pixels wide (7 in bold), lines are size + 5 high.
class FixedMeasurer : public TextMeasurer {
  public:
    static int charWidth(const Font& f) { return (f.style & kBold) ? 7 : 6; }
    Size measure(std::wstring_view text, const Font& font) override {
        return {int(text.size()) * charWidth(font), textHeight(font)};
    }
    int textHeight(const Font& font) override { return font.size + 5; }
};

// Records every drawing call, for tests to assert geometry and colours.
class RecordingCanvas : public Canvas {
  public:
    enum class Kind { Fill, Line, Text, Blit, Picture, Image };
    struct Op {
        Kind kind = Kind::Fill;
        Rect rect;  // fill, text box, blit source, picture destination
        Color color = 0;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line; blit destination in x1, y1; image index in x2
        std::wstring text;
        Font font;
        unsigned flags = 0;
        bool clipped = false;
        Rect clip;
        const Picture* picture = nullptr;
    };

    explicit RecordingCanvas(int width = 100, int height = 100) : size_{width, height} {}

    static Op make(Kind kind, const Rect& rect, Color color = 0) {
        Op op;
        op.kind = kind;
        op.rect = rect;
        op.color = color;
        return op;
    }

    Size size() const override { return size_; }
    Size measure(std::wstring_view text, const Font& font) override { return measurer_.measure(text, font); }
    int textHeight(const Font& font) override { return measurer_.textHeight(font); }
    void fill(const Rect& rect, Color color) override { ops.push_back(make(Kind::Fill, rect, color)); }
    void line(int x1, int y1, int x2, int y2, Color color) override {
        Op op = make(Kind::Line, Rect{}, color);
        op.x1 = x1;
        op.y1 = y1;
        op.x2 = x2;
        op.y2 = y2;
        ops.push_back(op);
    }
    void text(const Rect& box,
              std::wstring_view t,
              const Font& font,
              Color color,
              unsigned flags,
              const Rect* clip) override {
        Op op = make(Kind::Text, box, color);
        op.text = std::wstring(t);
        op.font = font;
        op.flags = flags;
        if (clip) {
            op.clipped = true;
            op.clip = *clip;
        }
        ops.push_back(op);
    }
    void blit(const Rect& source, int x, int y) override {
        Op op = make(Kind::Blit, source);
        op.x1 = x;
        op.y1 = y;
        ops.push_back(op);
    }
    void drawPicture(const Picture& picture, const Rect& dest) override {
        Op op = make(Kind::Picture, dest);
        op.picture = &picture;
        ops.push_back(op);
    }
    void drawImage(const ImageList&, int index, int x, int y) override {
        Op op = make(Kind::Image, Rect{});
        op.x1 = x;
        op.y1 = y;
        op.x2 = index;
        ops.push_back(op);
    }

    std::vector<Op> of(Kind kind) const {
        std::vector<Op> out;
        for (const auto& op : ops)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }
    std::vector<Op> ops;

  private:
    Size size_;
    FixedMeasurer measurer_;
};

// The runs of positions 0 ... count - 1 where a test holds: where each starts and how long it is.
template <class F>
std::vector<std::pair<int, int>> runsWhere(int count, F holds) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i) {
        if (!holds(i))
            continue;
        if (!out.empty() && out.back().first + out.back().second == i)
            ++out.back().second;
        else
            out.push_back({i, 1});
    }
    return out;
}

// Pixels in memory, for what drawing leaves behind: fills, lines (the end point excluded, as GDI
// draws them) and blits are carried out; text and pictures leave nothing.
class PixelCanvas : public Canvas {
  public:
    PixelCanvas(int width, int height, Color background = colors::kBlack)
        : size_{width, height}, pixels_(size_t(width) * size_t(height), background) {}

    Color at(int x, int y) const { return pixels_[size_t(y) * size_t(size_.width) + size_t(x)]; }
    // The runs of one colour along a row, and down a column.
    std::vector<std::pair<int, int>> runs(int y, Color color) const {
        return runsWhere(size_.width, [&](int x) { return at(x, y) == color; });
    }
    std::vector<std::pair<int, int>> columnRuns(int x, Color color) const {
        return runsWhere(size_.height, [&](int y) { return at(x, y) == color; });
    }

    Size size() const override { return size_; }
    Size measure(std::wstring_view text, const Font& font) override { return measurer_.measure(text, font); }
    int textHeight(const Font& font) override { return measurer_.textHeight(font); }
    void fill(const Rect& rect, Color color) override {
        for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, size_.height); ++y)
            for (int x = std::max(rect.left, 0); x < std::min(rect.right, size_.width); ++x)
                set(x, y, color);
    }
    void line(int x1, int y1, int x2, int y2, Color color) override {
        const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
        const int steps = std::max(dx, dy);
        for (int i = 0; i < steps; ++i)
            set(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, color);
    }
    void text(const Rect&, std::wstring_view, const Font&, Color, unsigned, const Rect*) override {}
    void blit(const Rect& source, int x, int y) override {
        const std::vector<Color> before = pixels_;
        for (int sy = source.top; sy < source.bottom; ++sy)
            for (int sx = source.left; sx < source.right; ++sx) {
                if (!inside(sx, sy)) {
                    ++outsideReads;  // what GDI would copy from there is undefined
                    continue;
                }
                set(x + sx - source.left, y + sy - source.top,
                    before[size_t(sy) * size_t(size_.width) + size_t(sx)]);
            }
    }
    // Pixels blits asked for from outside the canvas.
    int outsideReads = 0;
    void drawPicture(const Picture&, const Rect&) override {}
    void drawImage(const ImageList&, int, int, int) override {}

  private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < size_.width && y < size_.height; }
    void set(int x, int y, Color c) {
        if (inside(x, y))
            pixels_[size_t(y) * size_t(size_.width) + size_t(x)] = c;
    }

    Size size_;
    std::vector<Color> pixels_;
    FixedMeasurer measurer_;
};

}  // namespace vantrel::controls::test
