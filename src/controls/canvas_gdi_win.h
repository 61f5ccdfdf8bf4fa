#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "controls/canvas.h"
#include "controls/panels.h"
#include "platform/handles_win.h"

namespace vantrel::controls {

COLORREF toColorRef(Color color);

// A GDI font for a description at a DPI, created once and kept for the process (GUI thread).
HFONT cachedFont(const Font& font, int dpi);

// A picture decoded to premultiplied 32-bit pixels, drawn with its alpha.
class GdiPicture : public Picture {
  public:
    GdiPicture(BitmapHandle bitmap, int width, int height, std::vector<uint32_t> pixels);
    int width() const override { return width_; }
    int height() const override { return height_; }
    Color pixel(int x, int y) const override;
    HBITMAP bitmap() const { return bitmap_.get(); }

  private:
    BitmapHandle bitmap_;
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;  // 0xAARRGGBB, premultiplied
};

// Decodes a PNG (or any image the system's codecs read) from the module's resources.
std::shared_ptr<GdiPicture> loadPictureResource(HMODULE module, const wchar_t* name, const wchar_t* type);

// The program's header pictures: resources of type "TV_PICTURES" in the executable.
class ResourcePictureSource : public PictureSource {
  public:
    explicit ResourcePictureSource(HMODULE module = nullptr) : module_(module) {}
    std::shared_ptr<Picture> load(const wchar_t* name) override;

  private:
    HMODULE module_;
};

// An image list of the common controls, not owned.
class GdiImageList : public ImageList {
  public:
    explicit GdiImageList(HIMAGELIST list) : list_(list) {}
    int width() const override;
    int height() const override;
    int count() const override;
    HIMAGELIST handle() const { return list_; }

  private:
    HIMAGELIST list_;
};

// A canvas over a memory bitmap: the back buffer of a drawn control, copied to the window in
// one step so that nothing flickers.
class GdiCanvas : public Canvas {
  public:
    GdiCanvas(int width, int height, int dpi);
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;
    // Puts the DC's own bitmap back first: a bitmap still selected cannot be deleted.
    ~GdiCanvas() override;
    void resize(int width, int height);
    void setDpi(int dpi) { dpi_ = dpi; }
    int dpi() const { return dpi_; }
    HDC dc() const { return dc_.get(); }
    void present(HDC target, int x = 0, int y = 0) const;

    Size size() const override { return size_; }
    Size measure(std::wstring_view text, const Font& font) override;
    int textHeight(const Font& font) override;
    bool isAlphaNumeric(wchar_t c) override;
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
    MemoryDcHandle dc_;
    BitmapHandle bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    Size size_;
    int dpi_;
};

}  // namespace vantrel::controls
