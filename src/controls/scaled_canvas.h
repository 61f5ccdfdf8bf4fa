#pragma once

#include "controls/canvas.h"

namespace vantrel::controls {

// The one place where drawn controls meet the screen's resolution: a view, in 96-DPI pixels, of
// a canvas in device pixels. Models draw in the pixels their numbers are written in (an LED pitch
// of 5, a grid of 16, a margin of 3) and keep those numbers at every DPI; this view maps them.
//
// Edges are scaled, not sizes: an edge at x lands on the device pixel nearest x * dpi / 96, so two
// rectangles that share an edge still share it after scaling, with neither gap nor overlap (at
// 120 or 144 DPI neighbouring LEDs may differ by a device pixel in width). The canvas's own edges
// always land on the device's. A line is a scaled 96-DPI pixel thick wherever it lies, so grid
// lines stay crisp and equal; across the line, that band ends where its 96-DPI pixel ends. Text is drawn in
// the device's font for its resolution inside the scaled box, and measured back in 96-DPI pixels. Image lists
// are in device pixels already; only their position is scaled.
//
// Scrolling (blit) moves the content by a whole number of device pixels and the mapping with it,
// so that what is drawn next joins the moved content exactly, even where one 96-DPI step is not a
// whole number of device pixels (2 pixels at 120 DPI are 2.5).
class ScaledCanvas : public Canvas {
  public:
    ScaledCanvas(Canvas& device, int dpi) : device_(device), dpi_(dpi) {}

    int dpi() const { return dpi_; }
    void setDpi(int dpi);
    // Content that scrolls toward the left enters at the right edge: mapping from that edge keeps
    // the newest columns exactly as wide as the room the scroll made for them.
    void setAnchorRight(bool anchorRight) { anchorRight_ = anchorRight; }

    // The 96-DPI length nearest to a device length.
    static int toLogical(int devicePixels, int dpi);
    // Device edges of 96-DPI coordinates, and the thickness of a 96-DPI line.
    int deviceX(int x) const;
    int deviceY(int y) const;
    int lineWidth() const;

    Size size() const override;
    Size measure(std::wstring_view text, const Font& font) override;
    int textHeight(const Font& font) override;
    bool isAlphaNumeric(wchar_t c) override { return device_.isAlphaNumeric(c); }
    void fill(const Rect& rect, Color color) override;
    void line(int x1, int y1, int x2, int y2, Color color) override;
    void text(const Rect& box,
              std::wstring_view text,
              const Font& font,
              Color color,
              unsigned flags,
              const Rect* clip = nullptr) override;
    void blit(const Rect& source, int x, int y) override;
    void drawPicture(const Picture& picture, const Rect& dest) override;
    void drawImage(const ImageList& images, int index, int x, int y) override;

  private:
    // One axis: where the 96-DPI coordinate v lands, for a canvas of the given lengths, scrolled
    // by phase 96-DPI pixels, mapped from its start or from its end.
    int edge(int v, int logicalLength, int deviceLength, int phase, bool fromEnd) const;
    Rect deviceRect(const Rect& r) const;

    Canvas& device_;
    int dpi_;
    bool anchorRight_ = false;
    int phaseX_ = 0;
    int phaseY_ = 0;
};

}  // namespace vantrel::controls
