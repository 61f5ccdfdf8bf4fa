#include "support/screenshot.h"

#include <windows.h>

#include "platform/handles_win.h"
#include "platform/system.h"

namespace vantrel::test {

Image captureScreen(int x, int y, int width, int height) {
    Image img;
    WindowDc screen(nullptr);
    MemoryDcHandle mem(::CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle dib(::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits)
        return img;
    {
        SelectGuard sel(mem.get(), dib.get());
        ::BitBlt(mem.get(), 0, 0, width, height, screen.get(), x, y, SRCCOPY);
        ::GdiFlush();
    }
    img.width = width;
    img.height = height;
    img.rgb.resize(size_t(width) * size_t(height) * 3);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        img.rgb[i * 3] = px[i * 4 + 2];
        img.rgb[i * 3 + 1] = px[i * 4 + 1];
        img.rgb[i * 3 + 2] = px[i * 4];
    }
    return img;
}

bool saveScreenshot(const Image& image, const std::string& name) {
    ::CreateDirectoryW(L"screenshots", nullptr);
    std::wstring path = L"screenshots\\" + std::wstring(name.begin(), name.end());
    ::DeleteFileW(path.c_str());
    return appendToFile(path, encodePng(image));
}

}  // namespace vantrel::test
