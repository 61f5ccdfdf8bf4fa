#pragma once

#include <windows.h>

#include <string>

#include "platform/handles_win.h"

namespace vantrel {

// A label that opens its URL in the browser when clicked: blue, underlined, in the system's
// message font for its DPI, with the hand cursor of the program's own cursor resource
// "AUTOURLLABELCURSOR".
class TAutoURLLabel {
  public:
    // The default size, in 96-DPI pixels.
    static constexpr int kDefaultWidth = 100;
    static constexpr int kDefaultHeight = 16;
    static constexpr COLORREF kLinkColor = 0xFF0000;  // blue, as a BGR value

    // Position and size in device pixels of the parent; a width or height of 0 takes the default
    // at the label's DPI (never less than a line of its font). dpi 0: the parent's.
    TAutoURLLabel(HWND parent, int x, int y, int width = 0, int height = 0, int id = 0, int dpi = 0);
    TAutoURLLabel(const TAutoURLLabel&) = delete;
    TAutoURLLabel& operator=(const TAutoURLLabel&) = delete;
    ~TAutoURLLabel();

    HWND Handle() const noexcept { return window_.get(); }
    const std::wstring& Caption() const noexcept { return caption_; }
    // The URL follows the caption unless it was set to something else.
    void SetCaption(const std::wstring& caption);
    const std::wstring& URL() const noexcept { return url_; }
    void SetURL(const std::wstring& url);
    // Opens the URL as a click does; false when the shell could not.
    bool OpenURL() const;

    // The hand cursor, loaded at program start from the program's resources (null without one).
    static HCURSOR LinkCursor() noexcept;
    int Dpi() const noexcept { return dpi_; }
    HFONT Font() const noexcept { return font_; }

  private:
    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void paint(HDC dc);
    void setDpi(int dpi);

    WindowHandle window_;
    int dpi_ = 96;
    HFONT font_ = nullptr;  // from the process's font cache
    std::wstring caption_;
    std::wstring previousCaption_;
    std::wstring url_;
};

}  // namespace vantrel
