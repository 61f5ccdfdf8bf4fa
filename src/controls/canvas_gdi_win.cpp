#include "controls/canvas_gdi_win.h"

#include <wincodec.h>

#include <map>
#include <tuple>

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

Size GdiCanvas::measure(std::wstring_view text, const Font& font) {
    SelectGuard sel(dc_.get(), cachedFont(font, dpi_));
    SIZE s{};
    ::GetTextExtentPoint32W(dc_.get(), text.data(), int(text.size()), &s);
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
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    if (flags & kTextCenter)
        format |= DT_CENTER;
    else if (flags & kTextRight)
        format |= DT_RIGHT;
    if (flags & kTextVCenter)
        format |= DT_VCENTER;
    RECT r{box.left, box.top, box.right, box.bottom};
    ::DrawTextExW(dc_.get(), const_cast<wchar_t*>(std::wstring(text).c_str()), int(text.size()), &r, format,
                  nullptr);
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
