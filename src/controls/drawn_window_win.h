#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "controls/canvas_gdi_win.h"
#include "controls/scaled_canvas.h"

namespace vantrel::controls {

// The window half of a drawn control: a child window that paints through a cached back buffer
// and copies it in one step. Subclasses draw the model in paintBuffer(), in 96-DPI pixels: the
// buffer is in device pixels and a ScaledCanvas maps between the two, so a model keeps its
// numbers at every DPI.
class DrawnWindow {
  public:
    DrawnWindow() = default;
    DrawnWindow(const DrawnWindow&) = delete;
    DrawnWindow& operator=(const DrawnWindow&) = delete;
    virtual ~DrawnWindow();

    // Position and size in device pixels of the parent's client area (the parent scales its
    // layout). dpi 0 draws at the window's own DPI; a parent drawing at another one names it.
    HWND create(HWND parent, int x, int y, int width, int height, int id = 0, int dpi = 0);
    HWND hwnd() const { return window_.get(); }
    int dpi() const { return buffer_ ? buffer_->dpi() : 96; }
    // Draws at another DPI from now on (the parent then gives the window its new size). The
    // window follows a change of its parent's DPI by itself.
    void setDpi(int dpi);
    // A 96-DPI length in this window's device pixels.
    int toDevice(int pixels96) const;

    // Redraws the back buffer and asks for the copy.
    void repaint();

  protected:
    // Draws the whole buffer: in 96-DPI pixels, or in device pixels when devicePixels() says so.
    virtual void paintBuffer(Canvas& canvas) = 0;
    // Called before the first paint and after every size or DPI change, with the new size in the
    // units paintBuffer() draws in.
    virtual void resized(int /*width*/, int /*height*/) {}
    // A control that lays out text itself (the HTML label) works in device pixels: text advances
    // are not multiples of the DPI's scale, and words measured apart must still abut exactly.
    virtual bool devicePixels() const { return false; }
    // Content that scrolls in from the right edge (a chart) is mapped from that edge.
    virtual bool scrollsFromTheRight() const { return false; }
    // When true, the buffer keeps its picture between changes (a scrolling chart) and a size
    // change does not repaint it on its own.
    virtual bool keepsPicture() const { return false; }
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The canvas paintBuffer() gets, for drawing outside of it (a chart's tick).
    Canvas& buffer();
    GdiCanvas& deviceBuffer() { return *buffer_; }
    // Applies f to a model; true when a repaint is wanted: what f returns, or always when it
    // returns nothing (a model whose properties are plain fields cannot tell).
    template <class Model, class F>
    static bool applyChange(Model& model, F& f) {
        if constexpr (std::is_void_v<std::invoke_result_t<F&, Model&>>) {
            f(model);
            return true;
        } else {
            return static_cast<bool>(f(model));
        }
    }

  private:
    static void registerClass();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Tells the subclass the size in its units.
    void notifySize();

    WindowHandle window_;
    std::unique_ptr<GdiCanvas> buffer_;
    std::unique_ptr<ScaledCanvas> scaled_;
};

// A drawn control showing one model. The model is read through model(); it is changed only
// through change(), which repaints when the model's setter asks for it, so that no change is
// left unseen on screen.
template <class Model>
class ModelWindow : public DrawnWindow {
  public:
    const Model& model() const { return model_; }
    // f(Model&) sets properties and returns whether a repaint is wanted (or nothing: repaint).
    template <class F>
    void change(F f) {
        if (applyChange(model_, f))
            repaint();
    }

  protected:
    Model model_;
};

}  // namespace vantrel::controls
