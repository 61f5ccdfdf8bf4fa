#include "controls/canvas_gdi_win.h"

#include <wincodec.h>

#include <map>
#include <tuple>
#include <vector>

#include "controls/dpi.h"

namespace vantrel::controls {

COLORREF toColorRef(Color color) {
    if (isSystemColor(color))
        return ::GetSysColor(int(color & 0xFF));
    return COLORREF(color & 0xFFFFFF);
}

HFONT cachedFont(const Font& font, int dpi) {
    using Key = std::tuple<std::wstring, int, unsigned, int>;
    static std::map<Key, FontHandle> cache;
    const Key key{font.name, font.size, font.style, dpi};
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second.get();
    LOGFONTW lf{};
    lf.lfHeight = -pointsToPixels(font.size, dpi);
    lf.lfWeight = (font.style & kBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.style & kItalic) ? TRUE : FALSE;
    lf.lfUnderline = (font.style & kUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (font.style & kStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);
    FontHandle handle(::CreateFontIndirectW(&lf));
    HFONT result = handle.get();
    cache.emplace(key, std::move(handle));
    return result ? result : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// ---- pictures -------------------------------------------------------------------------------

GdiPicture::GdiPicture(BitmapHandle bitmap, int width, int height, std::vector<uint32_t> pixels)
    : bitmap_(std::move(bitmap)), width_(width), height_(height), pixels_(std::move(pixels)) {}

Color GdiPicture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    const uint32_t p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
    const uint32_t a = p >> 24;
    auto channel = [&](int shift) { return a ? int(((p >> shift) & 0xFF) * 255 / a) : 0; };
    return rgb(channel(16), channel(8), channel(0));
}

namespace {
// The imaging factory's class id, kept here so no extra import library is needed.
const CLSID kWicFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

struct ComInit {
    ComInit() : ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComInit() {
        if (ok)
            ::CoUninitialize();
    }
    bool ok;
};
}  // namespace

std::shared_ptr<GdiPicture> loadPictureResource(HMODULE module, const wchar_t* name, const wchar_t* type) {
    if (!module)
        module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, name, type);
    if (!info)
        return nullptr;
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, info);
    if (!data || !size)
        return nullptr;

    ComInit com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(kWicFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                  factory.putVoid())))
        return nullptr;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT w = 0, h = 0;
    if (FAILED(converter->GetSize(&w, &h)) || !w || !h || w > 4096 || h > 4096)
        return nullptr;
    std::vector<uint32_t> pixels(size_t(w) * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, UINT(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data()))))
        return nullptr;

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = LONG(w);
    bi.bmiHeader.biHeight = -LONG(h);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return nullptr;
    memcpy(bits, pixels.data(), pixels.size() * 4);
    return std::make_shared<GdiPicture>(std::move(bitmap), int(w), int(h), std::move(pixels));
}

std::shared_ptr<Picture> ResourcePictureSource::load(const wchar_t* name) {
    return loadPictureResource(module_, name, L"TV_PICTURES");
}

int GdiImageList::width() const {
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(list_, &cx, &cy);
    return cx;
}

int GdiImageList::height() const {
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(list_, &cx, &cy);
    return cy;
}

int GdiImageList::count() const {
    return ::ImageList_GetImageCount(list_);
}

// ---- canvas ---------------------------------------------------------------------------------

GdiCanvas::GdiCanvas(int width, int height, int dpi) : dpi_(dpi) {
    WindowDc screen(nullptr);
    dc_.reset(::CreateCompatibleDC(screen.get()));
    ::SetBkMode(dc_.get(), TRANSPARENT);
    resize(width, height);
}

GdiCanvas::~GdiCanvas() {
    if (oldBitmap_)
        ::SelectObject(dc_.get(), oldBitmap_);
}

void GdiCanvas::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (bitmap_ && size_ == Size{width, height})
        return;
    WindowDc screen(nullptr);
    BitmapHandle fresh(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!fresh)
        return;
    HGDIOBJ previous = ::SelectObject(dc_.get(), fresh.get());
    if (!oldBitmap_)
        oldBitmap_ = previous;
    bitmap_ = std::move(fresh);  // the old bitmap is no longer selected, so it can go
    size_ = {width, height};
}

void GdiCanvas::present(HDC target, int x, int y) const {
    ::BitBlt(target, x, y, size_.width, size_.height, dc_.get(), 0, 0, SRCCOPY);
}

namespace {
bool isSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Each character's advance and the size of the whole line, in the font selected on the DC. The
// advance is taken from the glyph as it is rasterised: that is what text output moves by, and on
// Windows it equals the text-extent figure. Under Wine the two differ for fonts with embedded
// bitmaps (its Tahoma at 11 and 12 pixels measures its outline widths and draws the narrower
// bitmap glyphs); a line composed of separately measured pieces then showed wide gaps, and
// underlines, drawn over the measured width, ran past the last letter. Text is drawn at these
// same advances (text()), so whatever they are, drawing and measuring agree.
SIZE characterAdvances(HDC dc, std::wstring_view text, std::vector<INT>& advances) {
    SIZE size{};
    advances.assign(text.size(), 0);
    int fit = 0;
    if (text.empty() ||
        !::GetTextExtentExPointW(dc, text.data(), int(text.size()), 0, &fit, advances.data(), &size)) {
        advances.clear();
        return size;
    }
    // Cumulative extents to single advances: the fallback when a glyph cannot be asked.
    for (size_t i = advances.size() - 1; i > 0; --i)
        advances[i] -= advances[i - 1];
    static constexpr MAT2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    std::vector<INT> glyphs(text.size());
    LONG width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        GLYPHMETRICS gm{};
        // A surrogate half has no glyph of its own: keep the extents for the whole text.
        if (isSurrogate(text[i]) ||
            ::GetGlyphOutlineW(dc, text[i], GGO_BITMAP, &gm, 0, nullptr, &kIdentity) == GDI_ERROR)
            return size;
        glyphs[i] = gm.gmCellIncX;
        width += gm.gmCellIncX;
    }
    advances = std::move(glyphs);
    size.cx = width;
    return size;
}
}  // namespace

Size GdiCanvas::measure(std::wstring_view text, const Font& font) {
    SelectGuard sel(dc_.get(), cachedFont(font, dpi_));
    std::vector<INT> advances;
    SIZE s = characterAdvances(dc_.get(), text, advances);
    if (text.empty())
        s.cy = textHeight(font);
    return {int(s.cx), int(s.cy)};
}

int GdiCanvas::textHeight(const Font& font) {
    SelectGuard sel(dc_.get(), cachedFont(font, dpi_));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc_.get(), &tm);
    return int(tm.tmHeight);
}

bool GdiCanvas::isAlphaNumeric(wchar_t c) {
    return ::IsCharAlphaNumericW(c) != FALSE;
}

void GdiCanvas::fill(const Rect& rect, Color color) {
    if (rect.empty())
        return;
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    ::SetDCBrushColor(dc_.get(), toColorRef(color));
    ::FillRect(dc_.get(), &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void GdiCanvas::line(int x1, int y1, int x2, int y2, Color color) {
    SelectGuard pen(dc_.get(), ::GetStockObject(DC_PEN));
    ::SetDCPenColor(dc_.get(), toColorRef(color));
    ::MoveToEx(dc_.get(), x1, y1, nullptr);
    ::LineTo(dc_.get(), x2, y2);
}

void GdiCanvas::text(const Rect& box,
                     std::wstring_view text,
                     const Font& font,
                     Color color,
                     unsigned flags,
                     const Rect* clip) {
    const int saved = ::SaveDC(dc_.get());
    if (clip)
        ::IntersectClipRect(dc_.get(), clip->left, clip->top, clip->right, clip->bottom);
    ::SelectObject(dc_.get(), cachedFont(font, dpi_));
    ::SetTextColor(dc_.get(), toColorRef(color));
    ::SetBkMode(dc_.get(), TRANSPARENT);
    ::SetTextAlign(dc_.get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // One line placed as DrawText places it (DT_SINGLELINE with the same alignment flags), but
    // drawn at the measured advances so that measure() and text() always agree.
    std::vector<INT> advances;
    const SIZE extent = characterAdvances(dc_.get(), text, advances);
    if (!advances.empty()) {
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc_.get(), &tm);
        int x = box.left;
        if (flags & kTextCenter)
            x = box.left + (box.width() - int(extent.cx)) / 2;
        else if (flags & kTextRight)
            x = box.right - int(extent.cx);
        int y = box.top;
        if (flags & kTextVCenter)
            y = box.top + (box.height() - int(tm.tmHeight)) / 2;
        const RECT r{box.left, box.top, box.right, box.bottom};
        ::ExtTextOutW(dc_.get(), x, y, ETO_CLIPPED, &r, text.data(), UINT(text.size()), advances.data());
    }
    ::RestoreDC(dc_.get(), saved);
}

void GdiCanvas::blit(const Rect& source, int x, int y) {
    ::BitBlt(dc_.get(), x, y, source.width(), source.height(), dc_.get(), source.left, source.top, SRCCOPY);
}

void GdiCanvas::drawPicture(const Picture& picture, const Rect& dest) {
    const auto* gdi = dynamic_cast<const GdiPicture*>(&picture);
    if (!gdi || dest.empty())
        return;
    MemoryDcHandle source(::CreateCompatibleDC(dc_.get()));
    SelectGuard sel(source.get(), gdi->bitmap());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc_.get(), dest.left, dest.top, dest.width(), dest.height(), source.get(), 0, 0,
                 gdi->width(), gdi->height(), blend);
}

void GdiCanvas::drawImage(const ImageList& images, int index, int x, int y) {
    if (const auto* gdi = dynamic_cast<const GdiImageList*>(&images))
        ::ImageList_Draw(gdi->handle(), index, dc_.get(), x, y, ILD_NORMAL);
}

}  // namespace vantrel::controls
