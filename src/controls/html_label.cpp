#include "controls/html_label.h"

#include <algorithm>
#include <climits>

#include "controls/dpi.h"

namespace vantrel::controls {

namespace {

wchar_t lowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c;
}

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::wstring lowerAscii(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out)
        c = lowerAscii(c);
    return out;
}

int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    c = lowerAscii(c);
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

struct NamedColor {
    const wchar_t* name;
    Color color;
};

// The colour constant names of the toolkit.
constexpr NamedColor kColorNames[] = {
    {L"clBlack", 0x000000},
    {L"clMaroon", 0x000080},
    {L"clGreen", 0x008000},
    {L"clOlive", 0x008080},
    {L"clNavy", 0x800000},
    {L"clPurple", 0x800080},
    {L"clTeal", 0x808000},
    {L"clGray", 0x808080},
    {L"clSilver", 0xC0C0C0},
    {L"clRed", 0x0000FF},
    {L"clLime", 0x00FF00},
    {L"clYellow", 0x00FFFF},
    {L"clBlue", 0xFF0000},
    {L"clFuchsia", 0xFF00FF},
    {L"clAqua", 0xFFFF00},
    {L"clWhite", 0xFFFFFF},
    {L"clMoneyGreen", 0xC0DCC0},
    {L"clSkyBlue", 0xF0CAA6},
    {L"clCream", 0xF0FBFF},
    {L"clMedGray", 0xA4A0A0},
    {L"clLtGray", 0xC0C0C0},
    {L"clDkGray", 0x808080},
    {L"clNone", 0x1FFFFFFF},
    {L"clDefault", 0x20000000},
    {L"clScrollBar", systemColor(0)},
    {L"clBackground", systemColor(1)},
    {L"clActiveCaption", systemColor(2)},
    {L"clInactiveCaption", systemColor(3)},
    {L"clMenu", systemColor(4)},
    {L"clWindow", systemColor(5)},
    {L"clWindowFrame", systemColor(6)},
    {L"clMenuText", systemColor(7)},
    {L"clWindowText", systemColor(8)},
    {L"clCaptionText", systemColor(9)},
    {L"clActiveBorder", systemColor(10)},
    {L"clInactiveBorder", systemColor(11)},
    {L"clAppWorkSpace", systemColor(12)},
    {L"clHighlight", systemColor(13)},
    {L"clHighlightText", systemColor(14)},
    {L"clBtnFace", systemColor(15)},
    {L"clBtnShadow", systemColor(16)},
    {L"clGrayText", systemColor(17)},
    {L"clBtnText", systemColor(18)},
    {L"clInactiveCaptionText", systemColor(19)},
    {L"clBtnHighlight", systemColor(20)},
    {L"cl3DDkShadow", systemColor(21)},
    {L"cl3DLight", systemColor(22)},
    {L"clInfoText", systemColor(23)},
    {L"clInfoBk", systemColor(24)},
    {L"clHotLight", systemColor(26)},
    {L"clGradientActiveCaption", systemColor(27)},
    {L"clGradientInactiveCaption", systemColor(28)},
    {L"clMenuHighlight", systemColor(29)},
    {L"clMenuBar", systemColor(30)},
};

}  // namespace

bool parseInteger(std::wstring_view v, int& out) {
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == L'-' || v[i] == L'+')) {
        negative = v[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i < v.size() && v[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < v.size() && v[i] == L'0' && (v[i + 1] == L'x' || v[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= v.size())
        return false;
    unsigned long long value = 0;
    for (; i < v.size(); ++i) {
        const int d = base == 16 ? hexDigit(v[i]) : (v[i] >= L'0' && v[i] <= L'9' ? v[i] - L'0' : -1);
        if (d < 0)
            return false;
        value = value * unsigned(base) + unsigned(d);
        // Hexadecimal takes the full 32 bits (colour values); decimal must fit an int.
        if (value > (base == 16 ? 0xFFFFFFFFull : 0x80000000ull))
            return false;
    }
    if (base == 10 && !negative && value > 0x7FFFFFFFull)
        return false;
    const long long signedValue = base == 16 ? static_cast<long long>(static_cast<int32_t>(uint32_t(value)))
                                             : static_cast<long long>(value);
    out = static_cast<int>(negative ? -signedValue : signedValue);
    return true;
}

bool parseColor(std::wstring_view v, Color& out) {
    for (const auto& named : kColorNames) {
        if (equalsNoCase(v, named.name)) {
            out = named.color;
            return true;
        }
    }
    int number = 0;
    if (parseInteger(v, number)) {
        out = static_cast<Color>(number);
        return true;
    }
    if (v.size() == 7 && v[0] == L'#') {
        int digits[6];
        for (int i = 0; i < 6; ++i) {
            digits[i] = hexDigit(v[size_t(i) + 1]);
            if (digits[i] < 0)
                return false;
        }
        out = rgb(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
        return true;
    }
    return false;
}

std::map<std::wstring, std::wstring> parseAttributes(std::wstring_view text) {
    std::vector<std::wstring> items;
    std::wstring current;
    wchar_t quote = 0;
    for (wchar_t c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            current += c;
        } else if (c == L'"' || c == L'\'') {
            quote = c;
            current += c;
        } else if (c == L' ' || c == L'\t') {
            if (!current.empty())
                items.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        items.push_back(std::move(current));

    std::map<std::wstring, std::wstring> out;
    for (const auto& item : items) {
        const size_t eq = item.find(L'=');
        if (eq == std::wstring::npos)
            continue;
        std::wstring value = item.substr(eq + 1);
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
            std::wstring inner;
            for (size_t i = 1; i + 1 < value.size(); ++i) {
                inner += value[i];
                if (value[i] == L'"' && i + 2 < value.size() && value[i + 1] == L'"')
                    ++i;  // a doubled quote stands for one
            }
            value = std::move(inner);
        }
        out[lowerAscii(std::wstring_view(item).substr(0, eq))] = std::move(value);
    }
    return out;
}

THtmlNode* THtmlNode::add(std::unique_ptr<THtmlNode> child) {
    child->parent = this;
    children.push_back(std::move(child));
    return children.back().get();
}

// ---- tags -----------------------------------------------------------------------------------

void TLinkTag::apply(std::wstring_view attributes, THtmlNode& node) {
    const auto attrs = parseAttributes(attributes);
    node.font.color = linkColor;
    if (!hover) {
        node.font.style |= kUnderline;
        node.font.hoverStyle = node.font.style;
        node.font.hoverColor = linkColor;
    } else {
        node.font.hoverColor = hoverColor;
        if (hoverUnderline)
            node.font.hoverStyle = node.font.style | kUnderline;
    }
    const auto href = attrs.find(L"href");
    node.link = L"link:" + (href == attrs.end() ? std::wstring() : href->second);
}

void TFontTag::apply(std::wstring_view attributes, THtmlNode& node) {
    const auto attrs = parseAttributes(attributes);
    if (auto it = attrs.find(L"color"); it != attrs.end()) {
        parseColor(it->second, node.font.color);
        node.font.hoverColor = node.font.color;
    }
    if (auto it = attrs.find(L"face"); it != attrs.end())
        node.font.name = it->second;
    if (auto it = attrs.find(L"size"); it != attrs.end()) {
        int size = 0;
        if (parseInteger(it->second, size))
            node.font.size = size;
    }
}

void TLineBreakTag::apply(std::wstring_view, THtmlNode& node) {
    node.text = L"\r\n";
}

void TBoldTag::apply(std::wstring_view, THtmlNode& node) {
    node.font.style |= kBold;
}

void TUnderlineTag::apply(std::wstring_view, THtmlNode& node) {
    node.font.style |= kUnderline;
}

void TIdentTag::apply(std::wstring_view attributes, THtmlNode& node) {
    node.indentX = 0;
    const auto attrs = parseAttributes(attributes);
    if (auto it = attrs.find(L"x"); it != attrs.end()) {
        node.text = L"\t";
        if (!parseInteger(it->second, node.indentX))
            node.indentX = -1;
    }
}

void TDivTag::apply(std::wstring_view, THtmlNode& node) {
    node.text = L" | ";
    node.font.color = colors::kSilver;
    node.font.hoverColor = colors::kSilver;
}

void TImageTag::apply(std::wstring_view attributes, THtmlNode& node) {
    node.imageIndex = -1;
    const auto attrs = parseAttributes(attributes);
    if (auto it = attrs.find(L"src"); it != attrs.end()) {
        std::wstring value = it->second;
        std::wstring upper = value;
        for (auto& c : upper)
            if (c >= L'a' && c <= L'z')
                c = wchar_t(c - L'a' + L'A');
        if (upper.find(L"IDX:") != std::wstring::npos)
            value = value.size() > 4 ? value.substr(4) : std::wstring();
        if (!parseInteger(value, node.imageIndex))
            node.imageIndex = -1;
    }
}

// ---- parser ---------------------------------------------------------------------------------

THtmlParser::THtmlParser() {
    tags_.push_back(std::make_unique<TLinkTag>());
    tags_.push_back(std::make_unique<TFontTag>());
    tags_.push_back(std::make_unique<TLineBreakTag>());
    tags_.push_back(std::make_unique<TBoldTag>());
    tags_.push_back(std::make_unique<TUnderlineTag>());
    tags_.push_back(std::make_unique<TIdentTag>());
    tags_.push_back(std::make_unique<TDivTag>());
    tags_.push_back(std::make_unique<TImageTag>());
}

void THtmlParser::setLinkSettings(Color linkColor, Color hoverColor, bool hover, bool hoverUnderline) {
    for (auto& tag : tags_) {
        if (auto* link = dynamic_cast<TLinkTag*>(tag.get())) {
            link->linkColor = linkColor;
            link->hoverColor = hoverColor;
            link->hover = hover;
            link->hoverUnderline = hoverUnderline;
        }
    }
}

THtmlTag* THtmlParser::findTag(std::wstring_view caption, size_t pos, size_t& close) const {
    close = caption.find(L'>', pos);
    if (close == std::wstring_view::npos)
        return nullptr;
    std::wstring_view text = caption.substr(pos, close - pos);
    std::wstring_view name = text.substr(0, text.find(L' '));
    for (const auto& tag : tags_)
        if (equalsNoCase(name, tag->name()))
            return tag.get();
    return nullptr;
}

void THtmlParser::parse(std::wstring_view caption, const TFontData& font) {
    root_.children.clear();
    root_.font.assign(font);
    THtmlNode* node = &root_;
    THtmlTag* current = nullptr;
    std::vector<THtmlTag*> stack;
    size_t pending = 0;
    auto emit = [&](size_t end) {
        if (end <= pending)
            return;
        auto text = std::make_unique<THtmlNode>();
        text->text = std::wstring(caption.substr(pending, end - pending));
        text->font.assign(node->font);
        node->add(std::move(text));
    };

    const size_t n = caption.size();
    for (size_t pos = 0; pos < n; ++pos) {
        if (caption[pos] != L'<')
            continue;
        size_t close = 0;
        // Only the innermost open element can be closed.
        if (current && current->container() && n - pos - 1 >= 2 && caption[pos + 1] == L'/' &&
            findTag(caption, pos + 2, close) == current) {
            emit(pos);
            pos = close;
            pending = pos + 1;
            current = stack.back();
            stack.pop_back();
            node = node->parent;
            continue;
        }
        if (pos + 1 >= n)
            continue;
        THtmlTag* tag = findTag(caption, pos + 1, close);
        if (!tag)
            continue;  // not a tag: the "<" stays part of the text
        emit(pos);
        const std::wstring_view tagText = caption.substr(pos + 1, close - pos - 1);
        pos = close;
        pending = pos + 1;
        stack.push_back(current);
        current = tag;
        auto element = tag->createNode();
        element->font.assign(node->font);
        node = node->add(std::move(element));
        const size_t space = tagText.find(L' ');
        tag->apply(space == std::wstring_view::npos ? std::wstring_view() : tagText.substr(space + 1), *node);
        if (!tag->container()) {
            current = stack.back();
            stack.pop_back();
            node = node->parent;
        }
    }
    emit(n);
}

// ---- renderer -------------------------------------------------------------------------------

std::vector<std::wstring> THtmlRenderer::tokenize(std::wstring_view text, TextMeasurer& measurer) {
    std::vector<std::wstring> tokens;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && measurer.isAlphaNumeric(text[j]))
            ++j;
        if (j == i) {
            ++j;  // a lone separator
        } else if (j < text.size() && text[j] != L'\r' && text[j] != L'\n' && text[j] != L'\t') {
            // The separator stays with its word, except line breaks and tabs, which must be seen
            // on their own to break a line or move to an indent.
            ++j;
        }
        tokens.emplace_back(text.substr(i, j - i));
        i = j;
    }
    return tokens;
}

void THtmlRenderer::layout(const THtmlNode& root, TextMeasurer& measurer, const Rect& rect) {
    chunks_.clear();
    penX_ = rect.left;
    penY_ = rect.top;
    totalHeight_ = 0;
    maxWidth_ = 0;
    layoutNode(root, measurer, rect);
    totalHeight_ += scaleForDpi(2, dpi);
}

void THtmlRenderer::layoutNode(const THtmlNode& node, TextMeasurer& measurer, const Rect& rect) {
    const Font font = node.font.font();
    const int lineHeight = measurer.textHeight(font);
    if (!node.text.empty() || node.imageIndex >= 0) {
        std::vector<std::wstring> tokens =
            node.text.empty() ? std::vector<std::wstring>{std::wstring()} : tokenize(node.text, measurer);
        for (size_t t = 0; t < tokens.size(); ++t) {
            std::wstring token = tokens[t];
            if (token == L"\r") {
                ++t;  // consumes the next token: a line break only when it is LF
                if (t < tokens.size() && tokens[t] == L"\n") {
                    maxWidth_ = std::max(maxWidth_, penX_);
                    penX_ = rect.left;
                    penY_ = std::max(totalHeight_, penY_ + lineHeight);
                }
                continue;
            }
            if (token == L"\t" && node.indentX > 0) {
                token.clear();
                penX_ = scaleForDpi(node.indentX, dpi);
            }
            Size size;
            if (node.imageIndex >= 0 && images)
                size = {images->width(), images->height() + scaleForDpi(imagePadding, dpi)};
            else if (token.empty())
                size = {0, lineHeight};
            else
                size = measurer.measure(token, font);
            totalHeight_ = std::max(totalHeight_, penY_ + size.height);
            // A token that starts at the left edge is never moved, however wide.
            if (wordBreak && penX_ + size.width > rect.right && penX_ != rect.left) {
                maxWidth_ = std::max(maxWidth_, penX_);
                penX_ = rect.left;
                penY_ = totalHeight_;
                totalHeight_ += size.height;
            }
            THtmlRenderChunk chunk;
            chunk.font = node.font;
            chunk.x = penX_;
            chunk.y = penY_;
            chunk.text = std::move(token);
            chunk.width = size.width;
            chunk.height = size.height;
            chunk.node = &node;
            chunks_.push_back(std::move(chunk));
            penX_ += size.width;
            maxWidth_ = std::max(maxWidth_, penX_);
        }
    }
    for (const auto& child : node.children)
        layoutNode(*child, measurer, rect);
}

int THtmlRenderer::lineWidth(int y) const {
    int width = 0;
    for (const auto& c : chunks_)
        if (c.y == y)
            width += c.width;
    return width;
}

int THtmlRenderer::chunkX(const THtmlRenderChunk& chunk, const Rect& client) const {
    switch (alignment) {
        case TLabelAlignment::taCenter:
            return (client.left + client.right) / 2 + chunk.x - lineWidth(chunk.y) / 2;
        case TLabelAlignment::taRightJustify:
            return client.right + chunk.x - lineWidth(chunk.y);
        case TLabelAlignment::taLeftJustify:
            break;
    }
    return chunk.x;
}

namespace {
bool underNode(const THtmlNode* node, const THtmlNode* ancestor) {
    for (; node; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}
}  // namespace

void THtmlRenderer::draw(Canvas& canvas, const Rect& client) const {
    for (size_t i = 0; i < chunks_.size(); ++i) {
        const THtmlRenderChunk& chunk = chunks_[i];
        const int x = chunkX(chunk, client);
        std::wstring_view text = chunk.text;
        // A word keeps its space in layout, but where a line wraps after it that space would
        // only show as an underline running on past the word.
        if (i + 1 == chunks_.size() || chunks_[i + 1].y != chunk.y)
            text = text.substr(0, text.find_last_not_of(L' ') + 1);
        if (!text.empty()) {
            // Hover look in every alignment: the chunk belongs to the hovered link.
            const bool hovered = hoverNode && underNode(chunk.node, hoverNode);
            const Font font = hovered ? hoverNode->font.hoverFont() : chunk.font.font();
            const Color color = hovered ? hoverNode->font.hoverColor : chunk.font.color;
            canvas.text({x, chunk.y, client.right, client.bottom}, text, font, color, kTextLeft);
        }
        if (images && chunk.node->imageIndex >= 0 && chunk.node->imageIndex < images->count())
            canvas.drawImage(*images, chunk.node->imageIndex, x, chunk.y);
    }
}

const THtmlNode* THtmlRenderer::hitTest(int x, int y, const Rect& client) {
    lastLink_.clear();
    for (const auto& chunk : chunks_) {
        const int left = chunkX(chunk, client);
        const Rect r{left, chunk.y, left + chunk.width, chunk.y + chunk.height};
        if (!r.contains(x, y))
            continue;
        for (const THtmlNode* n = chunk.node; n; n = n->parent) {
            if (!n->link.empty()) {
                lastLink_ = n->link;
                return n;
            }
        }
        return nullptr;
    }
    return nullptr;
}

// ---- style ----------------------------------------------------------------------------------

TTvStyle& TTvStyle::instance() {
    static TTvStyle style;
    return style;
}

void TTvStyle::RegisterListener(const void* listener, Handler handler) {
    listeners_[listener] = std::move(handler);
}

void TTvStyle::UnregisterListener(const void* listener) {
    listeners_.erase(listener);
}

void TTvStyle::NotifyListeners() {
    // A handler may register or unregister listeners: walk a copy.
    const auto snapshot = listeners_;
    for (const auto& [listener, handler] : snapshot)
        if (handler && listeners_.count(listener))
            handler(*this);
}

// ---- label ----------------------------------------------------------------------------------

std::vector<std::wstring> splitLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::wstring joinLines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const auto& line : lines) {
        text += line;
        text += L"\r\n";
    }
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    return text;
}

TTvHtmlLabel::TTvHtmlLabel(TextMeasurer& measurer, LinkOpener* opener)
    : measurer_(measurer), opener_(opener) {
    parser_.setLinkSettings(linkColor_, linkHoverColor_, linkHover_, linkHoverUnderline_);
    TTvStyle::instance().RegisterListener(this, [this](TTvStyle&) {
        applyLabelType();
        reparse();
        if (onInvalidate)
            onInvalidate();
    });
    reparse();
}

TTvHtmlLabel::~TTvHtmlLabel() {
    TTvStyle::instance().UnregisterListener(this);
}

bool TTvHtmlLabel::setCaption(std::wstring_view caption) {
    return setHTMLText(splitLines(caption));
}

bool TTvHtmlLabel::setHTMLText(std::vector<std::wstring> lines) {
    lines_ = std::move(lines);
    caption_ = joinLines(lines_);
    reparse();
    return true;
}

void TTvHtmlLabel::reparse() {
    ++parseCount_;
    parser_.parse(caption_, font_);
    renderer_.hoverNode = nullptr;  // the old tree is gone
    relayout();
}

void TTvHtmlLabel::relayout() {
    ++layoutCount_;
    renderer_.layout(parser_.root(), measurer_, client());
    layoutWidth_ = width_;
}

bool TTvHtmlLabel::setFont(const TFontData& font) {
    font_ = font;
    reparse();
    return true;
}

bool TTvHtmlLabel::setAlignment(TLabelAlignment a) {
    renderer_.alignment = a;
    return true;
}

bool TTvHtmlLabel::setAutoHeight(bool v) {
    autoHeight_ = v;
    relayout();
    return true;
}

bool TTvHtmlLabel::setAutoWidth(bool v) {
    autoWidth_ = v;
    if (v)
        renderer_.wordBreak = false;
    relayout();
    return true;
}

bool TTvHtmlLabel::setWordBreak(bool v) {
    renderer_.wordBreak = v;
    if (v)
        autoWidth_ = false;
    relayout();
    return true;
}

bool TTvHtmlLabel::setLinkCursor(int cursor) {
    linkCursor_ = cursor;
    return false;
}

bool TTvHtmlLabel::setLinkColor(Color c) {
    linkColor_ = c;
    parser_.setLinkSettings(linkColor_, linkHoverColor_, linkHover_, linkHoverUnderline_);
    reparse();
    return true;
}

bool TTvHtmlLabel::setLinkHoverColor(Color c) {
    linkHoverColor_ = c;
    parser_.setLinkSettings(linkColor_, linkHoverColor_, linkHover_, linkHoverUnderline_);
    reparse();
    return true;
}

bool TTvHtmlLabel::setLinkHover(bool v) {
    linkHover_ = v;
    parser_.setLinkSettings(linkColor_, linkHoverColor_, linkHover_, linkHoverUnderline_);
    reparse();
    return true;
}

bool TTvHtmlLabel::setLinkHoverUnderline(bool v) {
    linkHoverUnderline_ = v;
    parser_.setLinkSettings(linkColor_, linkHoverColor_, linkHover_, linkHoverUnderline_);
    reparse();
    return true;
}

bool TTvHtmlLabel::setImages(const ImageList* images) {
    images_ = images;
    renderer_.images = images;
    renderer_.imagePadding = imagePadding_;
    reparse();
    return true;
}

bool TTvHtmlLabel::setImagePadding(int v) {
    imagePadding_ = v;
    return false;
}

void TTvHtmlLabel::applyLabelType() {
    const TTvStyle& style = TTvStyle::instance();
    const TTvStyle::Preset* preset = nullptr;
    switch (labelType_) {
        case TTvLabelType::ltNormal:
            preset = &style.Normal;
            break;
        case TTvLabelType::ltHighlight:
            preset = &style.Highlight;
            break;
        case TTvLabelType::ltTitle:
            preset = &style.Title;
            break;
        case TTvLabelType::ltHeader:
            preset = &style.Header;
            break;
        case TTvLabelType::ltCustom:
            break;
    }
    if (preset) {
        font_.color = preset->color;
        font_.size = preset->size;
        font_.style = preset->style;
        font_.name = preset->name;
    }
}

bool TTvHtmlLabel::setLabelType(TTvLabelType t) {
    labelType_ = t;
    applyLabelType();
    reparse();
    return true;
}

bool TTvHtmlLabel::setDpi(int dpi) {
    if (dpi <= 0 || dpi == renderer_.dpi)
        return false;
    renderer_.dpi = dpi;
    relayout();
    return true;
}

void TTvHtmlLabel::setBounds(int width, int height) {
    width_ = width;
    height_ = height;
}

Size TTvHtmlLabel::autoSize() {
    Size size{width_, height_};
    bool sized = false;
    if (autoHeight_ && align_ != TAlign::alLeft && align_ != TAlign::alRight && align_ != TAlign::alClient) {
        size.height = renderer_.totalHeight();
        sized = true;
    }
    if (autoWidth_ && align_ != TAlign::alTop && align_ != TAlign::alBottom && align_ != TAlign::alClient) {
        size.width = renderer_.maxWidth();
        sized = true;
    }
    if (!sized && renderer_.wordBreak && width_ != layoutWidth_)
        relayout();
    return size;
}

void TTvHtmlLabel::paint(Canvas& canvas) {
    renderer_.draw(canvas, client());
}

TTvHtmlLabel::MoveResult TTvHtmlLabel::mouseMove(int x, int y) {
    MoveResult result;
    const THtmlNode* link = renderer_.hitTest(x, y, client());
    const std::wstring& text = renderer_.lastLink();
    if (text.size() >= 5 && equalsNoCase(std::wstring_view(text).substr(0, 5), L"link:"))
        result.cursor = linkCursor_;
    if (link != renderer_.hoverNode) {
        renderer_.hoverNode = link;
        result.repaint = true;
    }
    return result;
}

bool TTvHtmlLabel::mouseLeave() {
    if (!renderer_.hoverNode)
        return false;
    renderer_.hoverNode = nullptr;
    return true;
}

void TTvHtmlLabel::mouseDown(int x, int y) {
    renderer_.hitTest(x, y, client());
    const std::wstring& text = renderer_.lastLink();
    if (text.size() < 5 || !equalsNoCase(std::wstring_view(text).substr(0, 5), L"link:"))
        return;
    const std::wstring linkId = text.substr(5);
    if (linkId.empty())
        return;
    // The handler may close the window that owns this label: nothing of it is used afterwards.
    LinkOpener* opener = opener_;
    if (OnLinkClick)
        OnLinkClick(linkId);
    if (opener &&
        (linkId.find(L"://") != std::wstring::npos || linkId.find(L"mailto:") != std::wstring::npos))
        opener->open(linkId);
}

}  // namespace vantrel::controls
