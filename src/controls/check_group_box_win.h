#pragma once

#include <windows.h>

#include "controls/check_group_box.h"
#include "platform/handles_win.h"

namespace vantrel::controls {

// The check group box as a window: a group frame drawn as the standard group boxes draw theirs,
// over its parent's background (a themed page shows through), with a real check box as its
// caption. The controls inside are created as its children; their notifications go on to its
// parent. Its lengths are 96-DPI pixels scaled for the DPI it is shown at.
class CheckGroupBoxWindow {
  public:
    CheckGroupBoxWindow() = default;
    CheckGroupBoxWindow(const CheckGroupBoxWindow&) = delete;
    CheckGroupBoxWindow& operator=(const CheckGroupBoxWindow&) = delete;
    ~CheckGroupBoxWindow();

    // Position and size in device pixels; dpi 0: the window's own.
    HWND create(HWND parent, int x, int y, int width, int height, int id = 0, int dpi = 0);
    HWND hwnd() const { return window_.get(); }
    HWND checkBox() const { return checkBox_; }
    TCheckGroupBox& model() { return model_; }

    // Fits the check box to the font (its height, its caption's width).
    void setFont(HFONT font);
    int dpi() const { return dpi_; }
    // Another DPI: the check box's place and size follow; the owner then gives the font for it.
    void setDpi(int dpi);
    // False when the caption is too wide for the box (the previous one stays).
    bool setCaption(const std::wstring& caption);
    void setChecked(bool v) { model_.setChecked(v); }
    void setCheckedEnables(bool v) { model_.setCheckedEnables(v, ::IsWindowEnabled(hwnd()) != FALSE); }
    void setBoxAlignment(TBoxAlignment a);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void enableContents(bool enabled);
    void onEnable(bool enabled);
    void paint(HDC dc);
    void fitCheckBox();
    int textWidth(const std::wstring& text) const;
    int scaled(int pixels96) const;

    WindowHandle window_;
    HWND checkBox_ = nullptr;  // a child: destroyed with the group box
    HFONT font_ = nullptr;
    int dpi_ = 96;
    TCheckGroupBox model_;
};

}  // namespace vantrel::controls
