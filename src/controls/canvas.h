#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::controls {

// A colour value: blue-green-red with red in the low byte; a top byte of 0xFF names a system
// colour by its index (resolved by the canvas that draws it).
using Color = uint32_t;

constexpr Color rgb(int r, int g, int b) {
    return Color(r & 0xFF) | Color(g & 0xFF) << 8 | Color(b & 0xFF) << 16;
}
constexpr int redOf(Color c) {
    return int(c & 0xFF);
}
constexpr int greenOf(Color c) {
    return int(c >> 8 & 0xFF);
}
constexpr int blueOf(Color c) {
    return int(c >> 16 & 0xFF);
}
constexpr bool isSystemColor(Color c) {
    return (c >> 24) == 0xFF;
}
constexpr Color systemColor(int index) {
    return 0xFF000000u | Color(index);
}
// Each channel halved: the look of an unlit segment or LED.
constexpr Color halfColor(Color c) {
    return rgb(redOf(c) / 2, greenOf(c) / 2, blueOf(c) / 2);
}

namespace colors {
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kLime = 0x00FF00;
inline constexpr Color kGreen = 0x008000;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kYellow = 0x00FFFF;
inline constexpr Color kSilver = 0xC0C0C0;
inline constexpr Color kGray = 0x808080;
inline constexpr Color kNone = 0x1FFFFFFF;
inline constexpr Color kBtnFace = systemColor(15);
inline constexpr Color kBtnShadow = systemColor(16);
inline constexpr Color kBtnHighlight = systemColor(20);
inline constexpr Color kWindowText = systemColor(8);
}  // namespace colors

// Nearest integer, halves to the even one: the rounding every chart and bar formula uses.
inline int roundEven(double v) {
    return int(std::nearbyint(v));
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// Right and bottom are exclusive, as in GDI.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

enum FontStyle : unsigned { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

// A font by description; canvases create and cache the real object per resolution.
struct Font {
    std::wstring name = L"MS Shell Dlg 2";
    int size = 8;  // points
    unsigned style = 0;
    bool operator==(const Font&) const = default;
};

// Measures text for layout. The GDI canvas measures with the real font; tests use fixed widths.
class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;
    virtual Size measure(std::wstring_view text, const Font& font) = 0;
    // The font's line height (ascent plus descent).
    virtual int textHeight(const Font& font) = 0;
    // Letters and digits, for tokenising text into words.
    virtual bool isAlphaNumeric(wchar_t c);
};

// A picture held by the canvas's platform (a resource image, for example).
class Picture {
  public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // 0xAARRGGBB-free colour value of one pixel (alpha dropped).
    virtual Color pixel(int x, int y) const = 0;
};

// A row of equally sized images, addressed by index.
class ImageList {
  public:
    virtual ~ImageList() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int count() const = 0;
};

enum TextFlags : unsigned {
    kTextLeft = 0,
    kTextCenter = 1,
    kTextRight = 2,
    kTextVCenter = 4,
};

// What custom controls paint through. Every call names its own colour and font, so no state
// leaks from one call to the next. Drawing is clipped to the canvas.
class Canvas : public TextMeasurer {
  public:
    virtual Size size() const = 0;
    virtual void fill(const Rect& rect, Color color) = 0;
    // A straight line from (x1, y1) to (x2, y2), the end point excluded, as GDI draws it.
    virtual void line(int x1, int y1, int x2, int y2, Color color) = 0;
    // One line of text inside box, transparent background; clip (when given) limits it further.
    virtual void text(const Rect& box,
                      std::wstring_view text,
                      const Font& font,
                      Color color,
                      unsigned flags,
                      const Rect* clip = nullptr) = 0;
    // Copies a part of this canvas to another place of it (scrolling).
    virtual void blit(const Rect& source, int x, int y) = 0;
    // Draws a picture into dest, stretched when the sizes differ, blended by its alpha.
    virtual void drawPicture(const Picture& picture, const Rect& dest) = 0;
    virtual void drawImage(const ImageList& images, int index, int x, int y) = 0;
};

}  // namespace vantrel::controls
