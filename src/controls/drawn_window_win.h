#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

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

    WindowHandle window_;
    std::unique_ptr<GdiCanvas> buffer_;
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
