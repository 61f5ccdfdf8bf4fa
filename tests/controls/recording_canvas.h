#pragma once

#include <string>
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

}  // namespace vantrel::controls::test
