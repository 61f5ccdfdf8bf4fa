#include "gallery/gallery_win.h"

#include "controls/canvas_gdi_win.h"
#include "controls/dpi.h"
#include "controls/dpi_win.h"

namespace vantrel::controls::gallery {

namespace {
constexpr wchar_t kClassName[] = L"VantrelControlsGallery";
constexpr int kClientWidth = 900;
constexpr int kClientHeight = 690;
}  // namespace

Gallery::Gallery() = default;

Gallery::~Gallery() {
    if (window_ && ::IsWindow(window_))
        ::DestroyWindow(window_);
    if (images_)
        ::ImageList_Destroy(images_);
}

int Gallery::s(int pixels96) const {
    return scaleForDpi(pixels96, dpi_);
}

HWND Gallery::child(const wchar_t* cls,
                    const wchar_t* text,
                    DWORD style,
                    int x,
                    int y,
                    int w,
                    int h,
                    HWND parent) {
    HWND c = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, s(x), s(y), s(w), s(h),
                               parent ? parent : window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(c, WM_SETFONT, WPARAM(font_), FALSE);
    // Frames go below the controls they surround: siblings clip one another, and a frame on top
    // would hide what lies inside it.
    if (lstrcmpW(cls, L"BUTTON") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX)
        frames_.push_back(c);
    if (lstrcmpW(cls, L"STATIC") == 0 && (style & SS_TYPEMASK) == SS_ETCHEDFRAME)
        frames_.push_back(c);
    return c;
}

TFontData Gallery::messageFont() const {
    const Font system = systemMessageFont(dpi_);
    TFontData f;
    f.name = system.name;
    f.size = system.size;
    f.style = system.style;
    return f;
}

HtmlLabelWindow& Gallery::label(int x, int y, int w, int h, const wchar_t* caption, HWND parent) {
    labels_.push_back(std::make_unique<HtmlLabelWindow>());
    HtmlLabelWindow& l = *labels_.back();
    l.create(parent ? parent : window_, s(x), s(y), s(w), s(h), 0, dpi_);
    l.label().setFont(messageFont());
    l.label().setCaption(caption);
    l.repaint();
    return l;
}

PanelWindow& Gallery::panel(Color color, int x, int y, int w, int h, HWND parent) {
    panels_.push_back(std::make_unique<PanelWindow>(color));
    panels_.back()->create(parent ? parent : window_, s(x), s(y), s(w), s(h), 0, dpi_);
    return *panels_.back();
}

HWND Gallery::create(int dpi) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Gallery::windowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    dpi_ = dpi > 0 ? dpi : windowDpi(nullptr);
    RECT rc{0, 0, s(kClientWidth), s(kClientHeight)};
    // No WS_CLIPCHILDREN: the window paints the dialog colour under the group boxes, which
    // leave their inside to the parent.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    ::AdjustWindowRect(&rc, style, FALSE);
    window_ = ::CreateWindowExW(0, kClassName, L"Vantrel controls", style, 0, 0, rc.right - rc.left,
                                rc.bottom - rc.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!window_)
        return nullptr;
    if (dpi <= 0)
        dpi_ = windowDpi(window_);
    build();
    return window_;
}

void Gallery::build() {
    // The standard controls take the system's message font for the gallery's DPI, as the
    // program's windows do.
    Font message = systemMessageFont(dpi_);
    font_ = cachedFont(message, dpi_);
    message.style |= kBold;
    boldFont_ = cachedFont(message, dpi_);
    const Color lime = colors::kLime;

    // ---- Overview: CPU meter and memory history ----
    child(L"BUTTON", L"CPU Usage", BS_GROUPBOX, 8, 4, 100, 104);
    panel(colors::kBlack, 18, 22, 80, 78);
    HWND cpuPanel = panels_.back()->hwnd();
    indicator.create(cpuPanel, s(16), s(6), s(48), s(45), 0, dpi_);
    indicator.change([&](auto& m) {
        m.setForeground(lime);
        m.setBackground(colors::kBlack);
    });
    indicator.setPosition(40);
    auto& cpuText = label(0, 54, 80, 18, L"40 %", cpuPanel);
    cpuText.update(cpuText.label().setFont(TFontData{L"Tahoma", lime, 8, 0, 0, 0}));
    cpuText.update(cpuText.label().setAlignment(TLabelAlignment::taCenter));

    child(L"BUTTON", L"Physical Memory Usage History", BS_GROUPBOX, 116, 4, 324, 156);
    panel(colors::kBlack, 126, 22, 304, 128);
    HWND scopePanel = panels_.back()->hwnd();
    const wchar_t* scale[] = {L"4096 MB", L"2048 MB", L"0 MB"};
    const int scaleY[] = {2, 56, 108};
    for (int i = 0; i < 3; ++i) {
        auto& l = label(2, scaleY[i], 52, 16, scale[i], scopePanel);
        l.update(l.label().setFont(TFontData{L"Tahoma", lime, 8, 0, 0, 0}));
        l.update(l.label().setAlignment(TLabelAlignment::taRightJustify));
    }
    scope.change([&](auto& m) {
        m.setGridsize(16);
        m.setGridcolor(colors::kGreen);
        m.setLinecolor(colors::kYellow);
        m.setBase1color(colors::kRed);
        m.setBase2color(colors::kSilver);
        m.setBaseline1(30);
        m.setBaseline2(50);
        m.setInterval(100);
        m.setPosition(50);
    });
    scope.create(scopePanel, s(58), s(4), s(240), s(120), 0, dpi_);
    // The program switches the scope on at its first refresh; here it samples every 100 ms so
    // that a trace shows at once.
    scope.setPosition(62);
    scope.setInterval(10);
    scope.setActive(true);

    label(8, 166, 432, 30,
          L"<B>NOTE:</B> Last optimization was not performed because at least one program in the <A "
          L"href=\"#1\">avoid list</A> is currently running.");
    auto& stats = label(300, 200, 140, 16, L"<A href=\"#1\">Statistics</A>");
    stats.update(stats.label().setAlignment(TLabelAlignment::taRightJustify));
    auto& recommended = label(300, 218, 140, 16, L"<A href=\"#1\">Recommended Values</A>");
    recommended.update(recommended.label().setAlignment(TLabelAlignment::taRightJustify));
    auto& clipboard = label(8, 200, 200, 16, L"<A href=\"#1\">Clipboard Contents</A>");
    clipboard.update(clipboard.label().setWordBreak(false));
    clipboard.update(clipboard.label().setAutoWidth(true));
    auto& suspended =
        label(8, 218, 290, 30,
              L"Vantrel is currently <U>Suspended</U>. <A href=\"#1\">Click here</A> to resume the "
              L"regular optimizations.");
    TFontData grey = messageFont();
    grey.color = colors::kGray;
    suspended.update(suspended.label().setFont(grey));

    // Markup the program does not use itself, to show the rest of the label's tags.
    images_ = ::ImageList_Create(s(16), s(16), ILC_COLOR32 | ILC_MASK, 2, 0);
    ::ImageList_AddIcon(images_, ::LoadIconW(nullptr, IDI_INFORMATION));
    ::ImageList_AddIcon(images_, ::LoadIconW(nullptr, IDI_WARNING));
    imageList_ = std::make_unique<GdiImageList>(images_);
    auto& demo = label(8, 252, 432, 52,
                       L"<font color=#FF0000>red</font> <font color=$FF0000>blue</font> <font "
                       L"color=clGreen>green</font><div><b>bold</b> <u>underlined</u> <font face=Arial "
                       L"size=11>Arial 11</font><br>Indented:<ind x=120>value<ind x=240><img src=0> <img "
                       L"src=\"IDX:1\"> <a href=\"http://example.test/\">web link</a>");
    demo.update(demo.label().setImages(imageList_.get()));
    auto& title = label(8, 306, 210, 22, L"Title label");
    title.setBackground(TTvStyle::instance().PageControlGradientEnd);
    title.update(title.label().setLabelType(TTvLabelType::ltTitle));
    auto& headerLabel = label(226, 306, 214, 22, L"Header label");
    headerLabel.update(headerLabel.label().setLabelType(TTvLabelType::ltHeader));

    // ---- Optimization: the check group box ----
    autoOptimization.create(window_, s(8), s(334), s(432), s(150), 0, dpi_);
    autoOptimization.setFont(font_);
    autoOptimization.setCaption(L"Automatic Optimization");
    autoOptimization.setBoxAlignment(TBoxAlignment::taRightJustify);
    HWND box = autoOptimization.hwnd();
    child(L"STATIC",
          L"With Automatic Optimization, Vantrel can monitor your system and automatically optimize it when "
          L"needed without interrupting your work.",
          0, 12, 24, 408, 30, box);
    child(L"STATIC", L"Optimize automatically at:", 0, 12, 62, 150, 16, box);
    HWND edit = child(L"EDIT", L"512", WS_BORDER | ES_NUMBER, 170, 60, 60, 20, box);
    HWND updown =
        child(UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0, 0, box);
    ::SendMessageW(updown, UDM_SETBUDDY, WPARAM(edit), 0);
    ::SendMessageW(updown, UDM_SETRANGE32, 0, 4096);
    ::SendMessageW(updown, UDM_SETPOS32, 0, 512);
    child(L"STATIC", L"MB of free memory", 0, 240, 62, 120, 16, box);
    child(L"BUTTON", L"Don't auto-recover unless CPU usage is below ", BS_AUTOCHECKBOX, 12, 92, 260, 18, box);
    auto& rec = label(300, 124, 120, 16, L"<A href=\"#1\">Recommended Values</A>", box);
    rec.update(rec.label().setAlignment(TLabelAlignment::taRightJustify));
    autoOptimization.setChecked(true);

    disabledBox.create(window_, s(8), s(492), s(432), s(70), 0, dpi_);
    disabledBox.setFont(font_);
    disabledBox.setCaption(L"Cleared: contents disabled");
    child(L"STATIC", L"Recover memory automatically every", 0, 12, 28, 200, 16, disabledBox.hwnd());
    child(L"EDIT", L"30", WS_BORDER, 220, 26, 50, 20, disabledBox.hwnd());
    disabledBox.setChecked(false);

    // ---- Statistics: gauges and bars ----
    const int rx = 460;
    child(L"BUTTON", L"Statistics", BS_GROUPBOX, rx, 4, 430, 80);
    panel(colors::kWhite, rx + 200, 22, 220, 54);
    HWND white = panels_.back()->hwnd();
    HWND l8 = child(L"STATIC", L"Free memory before optimization:", SS_RIGHT, rx + 8, 26, 188, 16);
    HWND l20 = child(L"STATIC", L"Free memory after last optimization:", SS_RIGHT, rx + 8, 52, 188, 16);
    (void)l8;
    (void)l20;
    gaugeBefore.change([&](auto& m) {
        m.setForeColor(colors::kBlue);
        m.setFont(Font{messageFont().name, messageFont().size, 0});
        m.setProgress(38);
    });
    gaugeBefore.create(white, s(4), s(4), s(212), s(20), 0, dpi_);
    gaugeAfter.change([&](auto& m) {
        m.setForeColor(colors::kGreen);
        m.setFont(Font{messageFont().name, messageFont().size, 0});
        m.setProgress(61);
    });
    gaugeAfter.create(white, s(4), s(30), s(212), s(20), 0, dpi_);

    auto barSetup = [&](OrvelProgressBarWindow& bar, int y, int position) {
        bar.change([&](auto& m) {
            m.setBarColor1(33023);
            m.setBarColor2(65408);
            m.setBarColor3(65408);
            m.setShowPosText(false);
            m.setPosition(position);
        });
        bar.create(window_, s(rx + 20), s(y), s(385), s(25), 0, dpi_);
    };
    HWND l2 = child(L"STATIC", L"Physical Memory Available", 0, rx + 20, 92, 300, 16);
    ::SendMessageW(l2, WM_SETFONT, WPARAM(boldFont_), FALSE);
    barSetup(memoryBar, 110, 61);
    memoryBlocks.change([&](auto& m) {
        m.setGradientBar(true);
        m.setColor(colors::kRed);
        m.setColorEnd(colors::kLime);
        m.setPosition(61);
    });
    memoryBlocks.create(window_, s(rx + 20), s(138), s(385), s(16), 0, dpi_);
    HWND l6 = child(L"STATIC", L"Virtual Memory Available", 0, rx + 20, 162, 300, 16);
    ::SendMessageW(l6, WM_SETFONT, WPARAM(boldFont_), FALSE);
    barSetup(swapBar, 180, 35);

    // ---- CPU Performance: LED bar and history ----
    HWND l1 = child(L"STATIC", L"CPU Usage", 0, rx + 20, 216, 300, 16);
    ::SendMessageW(l1, WM_SETFONT, WPARAM(boldFont_), FALSE);
    child(L"STATIC", L"", SS_ETCHEDFRAME, rx + 18, 232, 386, 27);
    led.change([&](auto& m) {
        m.setOrientation(TRLedOrientation::trHorizontal, true);
        m.setBreakPos(20);
        m.setPosition(50);
    });
    led.create(window_, s(rx + 20), s(234), s(382), s(23), 0, dpi_);
    cpuBlocks.change([&](auto& m) {
        m.setGradientBar(true);
        m.setColor(colors::kLime);
        m.setColorEnd(colors::kRed);
        m.setPosition(50);
    });
    cpuBlocks.create(window_, s(rx + 20), s(264), s(385), s(16), 0, dpi_);

    child(L"BUTTON", L"CPU Usage History", BS_GROUPBOX, rx, 286, 430, 146);
    panel(colors::kBlack, rx + 20, 304, 369, 120);
    HWND trendPanel = panels_.back()->hwnd();
    trend.change([&](auto& m) {
        m.setDivisions(100);
        m.setStyle(TTrendStyle::tsLine);
        m.setColor(lime);
        m.setBackGroundColor(colors::kBlack);
        m.setGridColor(colors::kGreen);
        m.setGridXstep(16, 365);
    });
    // The chart is the panel less 2 pixels each side.
    trend.create(trendPanel, s(2), s(2), s(365), s(116), 0, dpi_);
    for (int i = 0; i < 100; ++i)
        trend.addValue(int(30 + 25 * ((i * 37) % 11) / 10 + (i % 7) * 3));

    // ---- Decorative panels ----
    shader.change([&](TTvShader& m) {
        m.FromColor = 16773847;
        m.ToColor = colors::kWhite;
        m.Direction = true;
        m.Caption = L"Update wizard strip";
        m.CaptionFont = Font{messageFont().name, messageFont().size, kBold};
        m.Alignment = kTextLeft;
    });
    shader.create(window_, s(rx), s(440), s(200), s(60), 0, dpi_);
    marquee.create(window_, s(rx + 212), s(460), s(218), s(17));
    marquee.change([&](auto& m) {
        m.setStep(50);
        m.setSpeed(50);
        m.setAnimate(true);
    });
    header.create(window_, s(rx), s(510), s(430), s(70), 0, dpi_);
    header2.create(window_, s(rx), s(588), s(430), s(70), 0, dpi_);
    header2.change([](TTvHeader& m) {
        // Each setter must run: no short-circuit between them.
        const bool style = m.setStyle(THeaderStyle::hsSilverGreen);
        const bool background = m.setBackgroundStyle(THeaderBackgroundStyle::hbsWaves);
        const bool texture = m.setHeaderTexture(THeaderTexture::htGrid);
        return style || background || texture;
    });

    for (HWND frame : frames_) {
        ::SetWindowLongPtrW(frame, GWL_STYLE, ::GetWindowLongPtrW(frame, GWL_STYLE) | WS_CLIPSIBLINGS);
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

LRESULT CALLBACK Gallery::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<Gallery*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_CTLCOLORSTATIC:
            // Labels on the white gauge panel keep the dialog colour: they sit beside it.
            break;
        case WM_GETMINMAXINFO:
            // Drawn at a DPI above the screen's, the gallery is larger than the screen: let it.
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {32000, 32000};
            return 0;
        case WM_DESTROY:
            if (self)
                self->window_ = nullptr;
            if (::GetWindowLongPtrW(window, GWLP_ID) == 0 && self && self->quitOnClose)
                ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantrel::controls::gallery
