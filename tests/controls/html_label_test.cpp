#include "controls/html_label.h"

#include <gtest/gtest.h>

#include "controls/recording_canvas.h"

namespace vantrel::controls {
namespace {

using test::FixedMeasurer;
using test::RecordingCanvas;

class RecordingOpener : public LinkOpener {
  public:
    void open(const std::wstring& link) override { opened.push_back(link); }
    std::vector<std::wstring> opened;
};

class FakeImages : public ImageList {
  public:
    int width() const override { return 16; }
    int height() const override { return 16; }
    int count() const override { return 4; }
};

// The text chunks of a laid-out label, with what each shows.
struct Shown {
    std::wstring text;
    int x, y;
    unsigned style;
    Color color;
    bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << '"' << std::string(s.text.begin(), s.text.end()) << "\" at " << s.x << ',' << s.y
              << " style " << s.style << " colour " << std::hex << s.color << std::dec;
}

class HtmlLabelTest : public ::testing::Test {
  protected:
    HtmlLabelTest() : label(measurer, &opener) { label.setBounds(600, 100); }

    std::vector<Shown> shown() {
        std::vector<Shown> out;
        for (const auto& c : label.renderer().chunks())
            if (!c.text.empty())
                out.push_back({c.text, c.x, c.y, c.font.style, c.font.color});
        return out;
    }
    std::wstring joined() {
        std::wstring s;
        for (const auto& c : label.renderer().chunks())
            s += c.text;
        return s;
    }

    FixedMeasurer measurer;
    RecordingOpener opener;
    TTvHtmlLabel label;
};

constexpr int kLine = 13;  // 8 points + 5 with the fixed measurer

TEST_F(HtmlLabelTest, AvoidListNoteShowsBoldAndALinkThatOpensNothing) {
    label.setCaption(
        L"<B>NOTE:</B> Last optimization was not performed because at least one program in the <A "
        L"href=\"#1\">avoid list</A> is currently running.");
    const auto chunks = shown();
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0], (Shown{L"NOTE:", 0, 0, kBold, colors::kBlack}));
    EXPECT_EQ(chunks[1].text, L" ");
    EXPECT_EQ(chunks[1].style, 0u);
    const Shown* avoid = nullptr;
    for (const auto& c : chunks)
        if (c.text == L"avoid ")
            avoid = &c;
    ASSERT_NE(avoid, nullptr);
    EXPECT_EQ(avoid->color, colors::kBlue);
    EXPECT_EQ(avoid->style, unsigned(kUnderline));

    std::vector<std::wstring> clicks;
    label.OnLinkClick = [&](const std::wstring& id) { clicks.push_back(id); };
    label.mouseDown(avoid->x + 2, avoid->y + 2);
    EXPECT_EQ(clicks, (std::vector<std::wstring>{L"#1"}));
    EXPECT_TRUE(opener.opened.empty());
    label.mouseDown(1, 1);  // on "NOTE:": no link, and the earlier link is not remembered
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(HtmlLabelTest, ExternalLinksAreOpenedAfterTheEventEvenWithoutHandler) {
    struct Case {
        const wchar_t* caption;
        const wchar_t* opened;  // null: nothing opened
    };
    const Case cases[] = {
        {L"<a href=\"http://example.test/x\">web</a>", L"http://example.test/x"},
        {L"<a href=\"mailto:someone@example.test\">mail</a>", L"mailto:someone@example.test"},
        {L"<a href=\"MAILTO:x@example.test\">mail</a>", nullptr},  // the test is case-sensitive
        {L"<a href=\"\">empty</a>", nullptr},
        {L"<a>none</a>", nullptr},
    };
    for (const auto& c : cases) {
        opener.opened.clear();
        label.setCaption(c.caption);
        label.mouseDown(2, 2);
        if (c.opened)
            EXPECT_EQ(opener.opened, (std::vector<std::wstring>{c.opened}));
        else
            EXPECT_TRUE(opener.opened.empty()) << std::wstring(c.caption).size();
    }
}

TEST_F(HtmlLabelTest, MarkupEdgeCases) {
    struct Case {
        const wchar_t* caption;
        const wchar_t* shown;  // all chunk text, CR LF breaks removed
        int lines;
    };
    const Case cases[] = {
        {L"one<br/>two", L"one<br/>two", 1},      // slash after the name: no tag
        {L"one<br />two", L"onetwo", 2},          // space before the slash: a break
        {L"one<BR>two", L"onetwo", 2},            // names ignore case
        {L"a < b and c", L"a < b and c", 1},      // no ">" anywhere
        {L"x<", L"x<", 1},                        // "<" as the last character
        {L"<unknown>text", L"<unknown>text", 1},  // unknown tags are text
        {L"<b>bold", L"bold", 1},                 // unclosed runs to the end
        {L"&amp; \tkept", L"&amp; \tkept", 1},    // no entities, no folding
        {L"first\r\nsecond", L"firstsecond", 2},  // a two-line caption
        {L"<div>", L" | ", 1},
    };
    for (const auto& c : cases) {
        label.setCaption(c.caption);
        EXPECT_EQ(joined(), c.shown) << std::string(c.caption, c.caption + wcslen(c.caption));
        int lines = 0, lastY = -1;
        for (const auto& chunk : label.renderer().chunks())
            if (chunk.y != lastY) {
                ++lines;
                lastY = chunk.y;
            }
        EXPECT_EQ(lines, c.lines) << std::string(c.caption, c.caption + wcslen(c.caption));
    }
}

TEST_F(HtmlLabelTest, WronglyNestedClosingTagIsShownAndStylesRunToTheEnd) {
    label.setCaption(L"<b>x<u>y</b>z</u>w");
    const auto chunks = shown();
    ASSERT_EQ(chunks.size(), 6u);
    EXPECT_EQ(chunks[0], (Shown{L"x", 0, 0, kBold, 0}));
    EXPECT_EQ(chunks[1].text, L"y<");
    EXPECT_EQ(chunks[2].text, L"/");
    EXPECT_EQ(chunks[3].text, L"b>") << "the closing tag of the outer element is shown";
    EXPECT_EQ(chunks[4].text, L"z");
    EXPECT_EQ(chunks[4].style, unsigned(kBold | kUnderline));
    EXPECT_EQ(chunks[5].text, L"w");
    EXPECT_EQ(chunks[5].style, unsigned(kBold)) << "</u> closed the u; the b is never closed";
    EXPECT_EQ(label.root().children.size(), 1u) << "the b element runs to the end";

    label.setCaption(L"<b>x<u>y</b>z");
    EXPECT_EQ(shown().back().style, unsigned(kBold | kUnderline)) << "bold and underlined to the end";
}

TEST_F(HtmlLabelTest, LinkAttributesIgnoreCaseAndQuotesAreOptional) {
    struct Case {
        const wchar_t* caption;
        const wchar_t* id;
    };
    const Case cases[] = {
        {L"<a HREF=#1>go</a>", L"#1"},
        {L"<A href=\"#1\">go</A>", L"#1"},
        {L"<a href='x y'>go</a>", L"'x y'"},  // single quotes group but are kept
        {L"<a href=\"say \"\"hi\"\"\">go</a>", L"say \"hi\""},
        {L"<a href=#1 href=#2>go</a>", L"#2"},  // the last one counts
    };
    for (const auto& c : cases) {
        std::wstring id;
        label.OnLinkClick = [&](const std::wstring& linkId) { id = linkId; };
        label.setCaption(c.caption);
        label.mouseDown(2, 2);
        EXPECT_EQ(id, c.id);
    }
}

TEST_F(HtmlLabelTest, FontColours) {
    struct Case {
        const wchar_t* caption;
        Color color;
    };
    const Case cases[] = {
        {L"<font color=#FF0000>t</font>", colors::kRed},   {L"<font color=$FF0000>t</font>", colors::kBlue},
        {L"<font color=clGreen>t</font>", colors::kGreen}, {L"<font color=\"255\">t</font>", colors::kRed},
        {L"<font color=#GG0000>t</font>", colors::kBlack},  // unparsable: unchanged
        {L"<font color=#FF00>t</font>", colors::kBlack},
    };
    for (const auto& c : cases) {
        label.setCaption(c.caption);
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0].color, c.color) << std::string(c.caption, c.caption + wcslen(c.caption));
    }
    label.setCaption(L"<font face=Arial size=12>t</font><font size=big>u</font>");
    const auto& chunks = label.renderer().chunks();
    EXPECT_EQ(chunks[0].font.name, L"Arial");
    EXPECT_EQ(chunks[0].font.size, 12);
    EXPECT_EQ(chunks[0].height, 17);
    EXPECT_EQ(chunks[1].font.size, 8);
}

TEST_F(HtmlLabelTest, IndentMovesToAnAbsolutePosition) {
    label.setCaption(L"Free:<ind x=120>512 MB<br>Total:<ind x=120>1024 MB<ind x=oops>!");
    const auto chunks = shown();
    EXPECT_EQ(chunks[1], (Shown{L"512 ", 120, 0, 0, 0}));
    EXPECT_EQ(chunks[4], (Shown{L"1024 ", 120, kLine, 0, 0}));
    EXPECT_EQ(chunks[chunks.size() - 2].text, L"\t") << "an indent of -1 leaves the tab as text";
}

TEST_F(HtmlLabelTest, TheMarkupsPixelsAreScaledForTheDpiAndTheLabelLaysOutAgain) {
    FakeImages images;         // 16 x 16 device pixels: image lists come at the screen's size
    label.setImagePadding(4);  // reaches the layout with the images
    label.setImages(&images);
    label.setCaption(L"Free:<ind x=120>512 MB<img src=1>");
    auto chunk = [&](size_t i) { return label.renderer().chunks()[i]; };
    ASSERT_EQ(label.renderer().chunks().size(), 5u);
    EXPECT_EQ(chunk(2).x, 120);
    EXPECT_EQ(chunk(4).height, 20);
    EXPECT_EQ(label.renderer().totalHeight(), 22);

    const int layouts = label.layoutCount();
    EXPECT_TRUE(label.setDpi(144));
    EXPECT_EQ(label.layoutCount(), layouts + 1) << "a new DPI measures everything anew";
    EXPECT_EQ(label.dpi(), 144);
    EXPECT_EQ(chunk(2).x, 180) << "the indent is 120 pixels at 96 DPI";
    EXPECT_EQ(chunk(4).height, 22) << "16 and the padding of 4 at 96 DPI";
    EXPECT_EQ(label.renderer().totalHeight(), 25);
    EXPECT_FALSE(label.setDpi(144)) << "the same DPI: nothing to do";
    EXPECT_EQ(label.layoutCount(), layouts + 1);
}

TEST_F(HtmlLabelTest, ImagesByIndexWithOrWithoutPrefix) {
    FakeImages images;
    label.setImages(&images);
    for (const wchar_t* caption : {L"a<img src=3>b", L"a<img src=\"IDX:3\">b", L"a<img src=idx:3>b"}) {
        label.setCaption(caption);
        const auto& chunks = label.renderer().chunks();
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[1].node->imageIndex, 3);
        EXPECT_EQ(chunks[1].width, 16);
        RecordingCanvas canvas(600, 100);
        label.paint(canvas);
        const auto drawn = canvas.of(RecordingCanvas::Kind::Image);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].x2, 3);
        EXPECT_EQ(drawn[0].x1, 6);
    }
    label.setCaption(L"<img src=9>");
    RecordingCanvas canvas(600, 100);
    label.paint(canvas);
    EXPECT_TRUE(canvas.of(RecordingCanvas::Kind::Image).empty()) << "outside the list: nothing drawn";
    EXPECT_EQ(label.renderer().chunks()[0].width, 16) << "...but its space is taken";
}

TEST_F(HtmlLabelTest, WrappingMovesWordsButNeverATokenAtTheLeftEdge) {
    label.setBounds(60, 100);  // ten characters
    label.setCaption(L"aaaa bbbbb cc");
    label.autoSize();
    auto chunks = shown();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0], (Shown{L"aaaa ", 0, 0, 0, 0}));
    EXPECT_EQ(chunks[1], (Shown{L"bbbbb ", 0, kLine, 0, 0})) << "its trailing space crosses the edge";
    EXPECT_EQ(chunks[2], (Shown{L"cc", 36, kLine, 0, 0}));
    EXPECT_EQ(label.renderer().totalHeight(), 2 * kLine + 2);

    label.setCaption(L"abcdefghijklmnopqrstuvwxyz end");
    chunks = shown();
    EXPECT_EQ(chunks[0].x, 0);
    EXPECT_EQ(chunks[0].y, 0) << "a token wider than the label stays on its line";
    EXPECT_EQ(chunks[1].y, kLine);

    label.setWordBreak(false);
    EXPECT_EQ(shown()[1].y, 0);
}

TEST_F(HtmlLabelTest, AlignmentShiftsEachLine) {
    label.setBounds(100, 40);
    label.setCaption(L"ab<br>abcd");
    struct Case {
        TLabelAlignment alignment;
        int first, second;
    };
    const Case cases[] = {{TLabelAlignment::taLeftJustify, 0, 0},
                          {TLabelAlignment::taRightJustify, 88, 76},
                          {TLabelAlignment::taCenter, 44, 38}};
    for (const auto& c : cases) {
        EXPECT_TRUE(label.setAlignment(c.alignment));
        RecordingCanvas canvas(100, 40);
        label.paint(canvas);
        const auto texts = canvas.of(RecordingCanvas::Kind::Text);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].rect, (Rect{c.first, 0, 100, 40}));
        EXPECT_EQ(texts[1].rect.left, c.second);
    }
    // Hit testing follows the drawn position.
    label.setCaption(L"<a href=#1>go</a>");
    std::wstring id;
    label.OnLinkClick = [&](const std::wstring& linkId) { id = linkId; };
    label.mouseDown(2, 2);
    EXPECT_EQ(id, L"") << "the link is at the centre now";
    label.mouseDown(50, 2);
    EXPECT_EQ(id, L"#1");
}

// Letters 6 pixels wide (8 in bold) and a space of 2: a label that measured a word without its
// space, or added a space of its own, would draw its words apart from where they belong.
class NarrowSpaceMeasurer : public TextMeasurer {
  public:
    Size measure(std::wstring_view text, const Font& font) override {
        int width = 0;
        for (wchar_t c : text)
            width += c == L' ' ? 2 : (font.style & kBold) ? 8 : 6;
        return {width, textHeight(font)};
    }
    int textHeight(const Font& font) override { return font.size + 5; }
};

TEST(HtmlLabelDrawingTest, WordsAreDrawnEachWhereTheOneBeforeEnded) {
    NarrowSpaceMeasurer measurer;
    TTvHtmlLabel label(measurer, nullptr);
    label.setBounds(300, 40);
    label.setCaption(L"<B>NOTE:</B> Last <U>optimization</U> was <A href=\"#1\">Click here</A> to resume.");
    struct Expected {
        const wchar_t* text;
        int x;  // left-aligned
        unsigned style;
    };
    const Expected expected[] = {
        {L"NOTE:", 0, kBold},
        {L" ", 40, 0},
        {L"Last ", 42, 0},
        {L"optimization", 68, kUnderline},
        {L" ", 140, 0},
        {L"was ", 142, 0},
        {L"Click ", 162, kUnderline},
        {L"here", 194, kUnderline},
        {L" ", 218, 0},
        {L"to ", 220, 0},
        {L"resume.", 234, 0},
    };
    constexpr int kLineWidth = 276;
    for (auto alignment : {TLabelAlignment::taLeftJustify, TLabelAlignment::taRightJustify}) {
        label.setAlignment(alignment);
        RecordingCanvas canvas(300, 40);
        label.paint(canvas);
        const auto texts = canvas.of(RecordingCanvas::Kind::Text);
        ASSERT_EQ(texts.size(), std::size(expected));
        const int shift = alignment == TLabelAlignment::taRightJustify ? 300 - kLineWidth : 0;
        for (size_t i = 0; i < texts.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(texts[i].text, expected[i].text);
            EXPECT_EQ(texts[i].rect, (Rect{expected[i].x + shift, 0, 300, 40}));
            EXPECT_EQ(texts[i].font.style, expected[i].style) << "underlines stop with their words";
        }
        const auto& last = texts.back();
        EXPECT_EQ(last.rect.left + measurer.measure(last.text, last.font).width, kLineWidth + shift);
    }
    EXPECT_EQ(label.renderer().lineWidth(0), kLineWidth);

    // Wrapped after "Click ": the line ends with the word, and so does its underline.
    label.setAlignment(TLabelAlignment::taLeftJustify);
    label.setBounds(200, 40);
    label.autoSize();
    RecordingCanvas canvas(200, 40);
    label.paint(canvas);
    const auto texts = canvas.of(RecordingCanvas::Kind::Text);
    ASSERT_EQ(texts.size(), std::size(expected));
    EXPECT_EQ(texts[6].text, L"Click");
    EXPECT_EQ(texts[7].text, L"here");
    EXPECT_EQ(texts[7].rect.left, 0);
}

TEST_F(HtmlLabelTest, HoverChangesCursorAndLookOnlyWhenAsked) {
    label.setCaption(L"x <a href=#1>link</a>");
    auto move = label.mouseMove(20, 2);
    EXPECT_EQ(move.cursor, crHandPoint);
    EXPECT_TRUE(move.repaint);
    EXPECT_FALSE(label.mouseMove(21, 2).repaint) << "same link: no repaint";
    EXPECT_EQ(label.mouseMove(1, 2).cursor, crDefault);
    EXPECT_FALSE(label.mouseLeave()) << "nothing hovered any more";

    label.setLinkHover(true);
    label.setLinkHoverUnderline(true);
    label.setLinkHoverColor(colors::kRed);
    EXPECT_EQ(shown()[1].style, 0u) << "not underlined until hovered";
    label.mouseMove(20, 2);
    RecordingCanvas canvas(600, 100);
    label.paint(canvas);
    const auto texts = canvas.of(RecordingCanvas::Kind::Text);
    EXPECT_EQ(texts[1].color, colors::kRed);
    EXPECT_EQ(texts[1].font.style, unsigned(kUnderline));
    EXPECT_EQ(texts[0].color, colors::kBlack);
    EXPECT_TRUE(label.mouseLeave());
}

TEST_F(HtmlLabelTest, CaptionLinesAndAutomaticSize) {
    label.setCaption(L"one\r\ntwo\r\n");
    EXPECT_EQ(label.Caption(), L"one\r\ntwo");
    EXPECT_EQ(label.HTMLText(), (std::vector<std::wstring>{L"one", L"two"}));
    label.setHTMLText({L"a", L"bcd", L""});
    EXPECT_EQ(label.Caption(), L"a\r\nbcd");

    label.setAutoWidth(true);
    EXPECT_FALSE(label.WordBreak());
    EXPECT_EQ(label.autoSize(), (Size{18, 100}));
    label.setWordBreak(true);
    EXPECT_FALSE(label.AutoWidth());
    label.setAutoHeight(true);
    EXPECT_EQ(label.autoSize().height, 2 * kLine + 2);
    label.setAlign(TAlign::alClient);
    EXPECT_EQ(label.autoSize().height, 100) << "a client-aligned label keeps its height";
}

TEST_F(HtmlLabelTest, SettersReparseRelayoutOrOnlyStoreAsDocumented) {
    label.setCaption(L"text");
    struct Step {
        const char* name;
        std::function<bool()> set;
        int parses, layouts;
        bool repaint;
    };
    const Step steps[] = {
        {"Font", [&] { return label.setFont(label.Font()); }, 1, 1, true},
        {"LinkColor", [&] { return label.setLinkColor(colors::kRed); }, 1, 1, true},
        {"LabelType", [&] { return label.setLabelType(TTvLabelType::ltCustom); }, 1, 1, true},
        {"WordBreak", [&] { return label.setWordBreak(true); }, 0, 1, true},
        {"AutoHeight", [&] { return label.setAutoHeight(false); }, 0, 1, true},
        {"Alignment", [&] { return label.setAlignment(TLabelAlignment::taCenter); }, 0, 0, true},
        {"LinkCursor", [&] { return label.setLinkCursor(crDefault); }, 0, 0, false},
        {"ImagePadding", [&] { return label.setImagePadding(3); }, 0, 0, false},
    };
    for (const auto& s : steps) {
        const int parses = label.parseCount(), layouts = label.layoutCount();
        EXPECT_EQ(s.set(), s.repaint) << s.name;
        EXPECT_EQ(label.parseCount() - parses, s.parses) << s.name;
        EXPECT_EQ(label.layoutCount() - layouts, s.layouts) << s.name;
    }
    // Width changes are laid out at the next paint, and only once.
    const int layouts = label.layoutCount();
    label.setBounds(300, 100);
    label.autoSize();
    label.autoSize();
    EXPECT_EQ(label.layoutCount() - layouts, 1);
}

TEST_F(HtmlLabelTest, LabelTypesFollowTheStyleAndItsListeners) {
    TTvStyle& style = TTvStyle::instance();
    const auto saved = style.Title;
    int invalidated = 0;
    label.onInvalidate = [&] { ++invalidated; };
    label.setLabelType(TTvLabelType::ltTitle);
    EXPECT_EQ(label.Font().name, L"Tahoma");
    EXPECT_EQ(label.Font().size, 12);
    EXPECT_EQ(label.Font().style, unsigned(kBold));
    EXPECT_EQ(label.Font().color, colors::kWhite);
    style.Title.size = 20;
    style.NotifyListeners();
    EXPECT_EQ(label.Font().size, 20);
    EXPECT_EQ(invalidated, 1);
    style.Title = saved;
    {
        FixedMeasurer m;
        const size_t before = style.listenerCount();
        TTvHtmlLabel other(m, nullptr);
        EXPECT_EQ(style.listenerCount(), before + 1);
    }
    const size_t after = style.listenerCount();
    style.NotifyListeners();
    EXPECT_EQ(style.listenerCount(), after) << "a destroyed label unregistered itself";
    label.setLabelType(TTvLabelType::ltCustom);
    style.Header.size = 30;
    style.NotifyListeners();
    EXPECT_NE(label.Font().size, 30) << "ltCustom leaves the font alone";
    style.Header.size = 13;
}

TEST(HtmlRendererTest, CarriageReturnWithoutLineFeedIsDroppedWithTheNextToken) {
    FixedMeasurer measurer;
    THtmlNode root;
    root.text = L"a\rb c";
    THtmlRenderer renderer;
    renderer.layout(root, measurer, {0, 0, 200, 50});
    std::wstring shown;
    for (const auto& c : renderer.chunks()) {
        shown += c.text;
        EXPECT_EQ(c.y, 0);
    }
    EXPECT_EQ(shown, L"ac");
    EXPECT_EQ(THtmlRenderer::tokenize(L"word, next\r\nend", measurer),
              (std::vector<std::wstring>{L"word,", L" ", L"next", L"\r", L"\n", L"end"}));
}

TEST(HtmlParserTest, IntegersAndAttributes) {
    int v = 0;
    EXPECT_TRUE(parseInteger(L"$FF", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(parseInteger(L"-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_FALSE(parseInteger(L"12a", v));
    EXPECT_FALSE(parseInteger(L"", v));
    EXPECT_FALSE(parseInteger(L"99999999999", v));
    const auto attrs = parseAttributes(L"  A=1\tb=\"two words\" c noeq d='x y' ");
    EXPECT_EQ(attrs.at(L"a"), L"1");
    EXPECT_EQ(attrs.at(L"b"), L"two words");
    EXPECT_EQ(attrs.at(L"d"), L"'x y'");
    EXPECT_EQ(attrs.count(L"c"), 0u);
}

}  // namespace
}  // namespace vantrel::controls
