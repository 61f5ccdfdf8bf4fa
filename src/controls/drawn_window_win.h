#pragma once

#include <windows.h>

#include <memory>

#include "controls/canvas_gdi_win.h"

namespace vantrel::controls {

// The window half of a drawn control: a child window that paints through a cached back buffer
// and copies it in one step. Subclasses draw the model in paintBuffer().
class DrawnWindow {
  public:
    DrawnWindow() = default;
    DrawnWindow(const DrawnWindow&) = delete;
    DrawnWindow& operator=(const DrawnWindow&) = delete;
    virtual ~DrawnWindow();

    // Position and size in pixels of the parent's client area.
    HWND create(HWND parent, int x, int y, int width, int height, int id = 0);
    HWND hwnd() const { return window_.get(); }
    int dpi() const { return buffer_ ? buffer_->dpi() : 96; }

    // Redraws the back buffer and asks for the copy.
    void repaint();

  protected:
    virtual void paintBuffer(GdiCanvas& canvas) = 0;
    // Called before the first paint and after every size change, with the new size.
    virtual void resized(int /*width*/, int /*height*/) {}
    // When true, the buffer keeps its picture between changes (a scrolling chart) and a size
    // change does not repaint it on its own.
    virtual bool keepsPicture() const { return false; }
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    GdiCanvas& buffer() { return *buffer_; }

  private:
    static void registerClass();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    WindowHandle window_;
    std::unique_ptr<GdiCanvas> buffer_;
};

}  // namespace vantrel::controls
