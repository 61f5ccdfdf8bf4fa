#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/canvas.h"

namespace vantrel::controls {

// The font of one node or chunk. Copying from another node (assign) takes name, colour, size and
// style only; a fresh font data has no hover colour (black) and no hover style.
struct TFontData {
    std::wstring name = L"MS Shell Dlg 2";
    Color color = colors::kBlack;
    int size = 8;
    unsigned style = 0;
    Color hoverColor = 0;
    unsigned hoverStyle = 0;

    void assign(const TFontData& other) {
        name = other.name;
        color = other.color;
        size = other.size;
        style = other.style;
    }
    Font font() const { return Font{name, size, style}; }
    Font hoverFont() const { return Font{name, size, hoverStyle}; }
};

struct THtmlNode {
    std::vector<std::unique_ptr<THtmlNode>> children;
    THtmlNode* parent = nullptr;
    std::wstring text;
    TFontData font;
    std::wstring link;  // empty, or "link:" and the href value
    int imageIndex = -1;
    int indentX = 0;

    THtmlNode* add(std::unique_ptr<THtmlNode> child);
};

// Attributes of a tag: items split at spaces and tabs outside quotes, "name=value", names
// compared without case, the last occurrence winning.
std::map<std::wstring, std::wstring> parseAttributes(std::wstring_view text);
// A colour attribute: constant name, decimal or "$" hexadecimal colour value, or "#RRGGBB".
bool parseColor(std::wstring_view value, Color& out);
// A whole integer (decimal, "$" or "0x" hexadecimal, optional sign), as the toolkit reads one.
bool parseInteger(std::wstring_view value, int& out);

class THtmlTag {
  public:
    THtmlTag(std::wstring name, bool container) : name_(std::move(name)), container_(container) {}
    virtual ~THtmlTag() = default;
    const std::wstring& name() const { return name_; }
    bool container() const { return container_; }
    virtual std::unique_ptr<THtmlNode> createNode() { return std::make_unique<THtmlNode>(); }
    virtual void apply(std::wstring_view /*attributes*/, THtmlNode& /*node*/) {}

  private:
    std::wstring name_;
    bool container_;
};

class TLinkTag : public THtmlTag {
  public:
    TLinkTag() : THtmlTag(L"a", true) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
    bool hover = false;
    Color linkColor = colors::kBlue;
    Color hoverColor = colors::kBlue;
    bool hoverUnderline = false;
};

class TFontTag : public THtmlTag {
  public:
    TFontTag() : THtmlTag(L"font", true) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TLineBreakTag : public THtmlTag {
  public:
    TLineBreakTag() : THtmlTag(L"br", false) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TBoldTag : public THtmlTag {
  public:
    TBoldTag() : THtmlTag(L"b", true) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TUnderlineTag : public THtmlTag {
  public:
    TUnderlineTag() : THtmlTag(L"u", true) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TIdentTag : public THtmlTag {
  public:
    TIdentTag() : THtmlTag(L"ind", false) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TDivTag : public THtmlTag {
  public:
    TDivTag() : THtmlTag(L"div", false) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

class TImageTag : public THtmlTag {
  public:
    TImageTag() : THtmlTag(L"img", false) {}
    void apply(std::wstring_view attributes, THtmlNode& node) override;
};

// Caption text to a tree of nodes. Malformed markup never fails: what is not a tag is text.
class THtmlParser {
  public:
    THtmlParser();
    THtmlNode& root() { return root_; }
    const THtmlNode& root() const { return root_; }
    void setLinkSettings(Color linkColor, Color hoverColor, bool hover, bool hoverUnderline);
    void parse(std::wstring_view caption, const TFontData& font);

  private:
    // The registered tag named by the text from pos up to the next ">", and that ">"'s index.
    THtmlTag* findTag(std::wstring_view caption, size_t pos, size_t& close) const;

    THtmlNode root_;
    std::vector<std::unique_ptr<THtmlTag>> tags_;
};

struct THtmlRenderChunk {
    TFontData font;
    int x = 0;
    int y = 0;
    std::wstring text;
    int width = 0;
    int height = 0;
    const THtmlNode* node = nullptr;
};

enum class TLabelAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// Lays the tree out into chunks, draws them and finds the link under a point.
class THtmlRenderer {
  public:
    // Words with their trailing separator; CR, LF and tab always stand alone.
    static std::vector<std::wstring> tokenize(std::wstring_view text, TextMeasurer& measurer);

    void layout(const THtmlNode& root, TextMeasurer& measurer, const Rect& rect);
    void draw(Canvas& canvas, const Rect& client) const;
    // The link node under the point (the nearest ancestor with a link), or null; remembers its
    // link text (cleared when there is none).
    const THtmlNode* hitTest(int x, int y, const Rect& client);
    const std::wstring& lastLink() const { return lastLink_; }

    const std::vector<THtmlRenderChunk>& chunks() const { return chunks_; }
    int totalHeight() const { return totalHeight_; }
    int maxWidth() const { return maxWidth_; }
    int lineWidth(int y) const;
    // Where a chunk is drawn, given the alignment.
    int chunkX(const THtmlRenderChunk& chunk, const Rect& client) const;

    bool wordBreak = true;
    TLabelAlignment alignment = TLabelAlignment::taLeftJustify;
    const ImageList* images = nullptr;
    int imagePadding = 0;
    const THtmlNode* hoverNode = nullptr;
    // Layout is in device pixels at this DPI (text is measured there); the lengths the markup
    // and the properties give in pixels (an indent, the image padding) are 96-DPI pixels.
    int dpi = 96;

  private:
    void layoutNode(const THtmlNode& node, TextMeasurer& measurer, const Rect& rect);

    std::vector<THtmlRenderChunk> chunks_;
    int penX_ = 0;
    int penY_ = 0;
    int totalHeight_ = 0;
    int maxWidth_ = 0;
    std::wstring lastLink_;
};

enum class TTvLabelType { ltCustom, ltNormal, ltHighlight, ltTitle, ltHeader };

// Preset fonts for the label types, one instance per process, with listeners told of changes.
class TTvStyle {
  public:
    struct Preset {
        Color color;
        int size;
        unsigned style;
        std::wstring name;
    };
    static TTvStyle& instance();

    Preset Normal{colors::kBlack, 9, 0, L"Tahoma"};
    Preset Title{colors::kWhite, 12, kBold, L"Tahoma"};
    Preset Highlight{0xF9D3AE, 9, 0, L"Tahoma"};
    Preset Header{0xC77A3D, 13, 0, L"Calibri"};
    Color PageControlGradientBegin = 0xE5AB48;
    Color PageControlGradientEnd = 0xB28831;

    using Handler = std::function<void(TTvStyle& sender)>;
    void RegisterListener(const void* listener, Handler handler);
    void UnregisterListener(const void* listener);
    void NotifyListeners();
    size_t listenerCount() const { return listeners_.size(); }

  private:
    std::map<const void*, Handler> listeners_;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

inline constexpr int crDefault = 0;
inline constexpr int crHandPoint = -21;

// Opens a link with the shell ("open", shown normally).
class LinkOpener {
  public:
    virtual ~LinkOpener() = default;
    virtual void open(const std::wstring& link) = 0;
};

// The HTML label: properties, parsing, layout, hover and clicks. The window half paints it and
// feeds it the mouse. Setters return true when the label must repaint.
class TTvHtmlLabel {
  public:
    TTvHtmlLabel(TextMeasurer& measurer, LinkOpener* opener);
    ~TTvHtmlLabel();
    TTvHtmlLabel(const TTvHtmlLabel&) = delete;
    TTvHtmlLabel& operator=(const TTvHtmlLabel&) = delete;

    // Asks the window to repaint when something outside a setter changed the label (the style).
    std::function<void()> onInvalidate;
    std::function<void(const std::wstring& linkId)> OnLinkClick;

    const std::wstring& Caption() const { return caption_; }
    bool setCaption(std::wstring_view caption);
    const std::vector<std::wstring>& HTMLText() const { return lines_; }
    bool setHTMLText(std::vector<std::wstring> lines);

    const TFontData& Font() const { return font_; }
    bool setFont(const TFontData& font);
    TLabelAlignment Alignment() const { return renderer_.alignment; }
    bool setAlignment(TLabelAlignment a);
    bool AutoHeight() const { return autoHeight_; }
    bool setAutoHeight(bool v);
    bool AutoWidth() const { return autoWidth_; }
    bool setAutoWidth(bool v);
    bool WordBreak() const { return renderer_.wordBreak; }
    bool setWordBreak(bool v);
    int LinkCursor() const { return linkCursor_; }
    bool setLinkCursor(int cursor);
    Color LinkColor() const { return linkColor_; }
    bool setLinkColor(Color c);
    Color LinkHoverColor() const { return linkHoverColor_; }
    bool setLinkHoverColor(Color c);
    bool LinkHover() const { return linkHover_; }
    bool setLinkHover(bool v);
    bool LinkHoverUnderline() const { return linkHoverUnderline_; }
    bool setLinkHoverUnderline(bool v);
    const ImageList* Images() const { return images_; }
    bool setImages(const ImageList* images);
    int ImagePadding() const { return imagePadding_; }
    bool setImagePadding(int v);
    TTvLabelType LabelType() const { return labelType_; }
    bool setLabelType(TTvLabelType t);
    TAlign Align() const { return align_; }
    void setAlign(TAlign a) { align_ = a; }

    // The DPI the label is shown at; the measurer must measure at it. Lays out again.
    int dpi() const { return renderer_.dpi; }
    bool setDpi(int dpi);
    // Bounds of the control, in device pixels; a width change is laid out at the next paint.
    void setBounds(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    // Run before every paint: the size the control should take (automatic size) after any
    // layout the width change needs.
    Size autoSize();
    void paint(Canvas& canvas);

    // Mouse: the cursor to show (crDefault or LinkCursor) and whether to repaint.
    struct MoveResult {
        int cursor = crDefault;
        bool repaint = false;
    };
    MoveResult mouseMove(int x, int y);
    bool mouseLeave();
    void mouseDown(int x, int y);

    const THtmlNode& root() const { return parser_.root(); }
    const THtmlRenderer& renderer() const { return renderer_; }
    const THtmlNode* hoverNode() const { return renderer_.hoverNode; }
    int layoutCount() const { return layoutCount_; }
    int parseCount() const { return parseCount_; }

  private:
    void reparse();
    void relayout();
    void applyLabelType();
    Rect client() const { return {0, 0, width_, height_}; }

    TextMeasurer& measurer_;
    LinkOpener* opener_;
    THtmlParser parser_;
    THtmlRenderer renderer_;
    std::wstring caption_;
    std::vector<std::wstring> lines_;
    TFontData font_;
    bool autoHeight_ = false;
    bool autoWidth_ = false;
    int linkCursor_ = crHandPoint;
    Color linkColor_ = colors::kBlue;
    Color linkHoverColor_ = colors::kBlue;
    bool linkHover_ = false;
    bool linkHoverUnderline_ = false;
    const ImageList* images_ = nullptr;
    int imagePadding_ = 0;
    TTvLabelType labelType_ = TTvLabelType::ltCustom;
    TAlign align_ = TAlign::alNone;
    int width_ = 0;
    int height_ = 0;
    int layoutWidth_ = -1;
    int layoutCount_ = 0;
    int parseCount_ = 0;
};

// The caption as lines (split at CR LF, CR or LF) and back (joined with CR LF, trailing CR and LF
// stripped).
std::vector<std::wstring> splitLines(std::wstring_view text);
std::wstring joinLines(const std::vector<std::wstring>& lines);

}  // namespace vantrel::controls
