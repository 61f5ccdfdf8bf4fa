#pragma once

#include "controls/drawn_window_win.h"
#include "controls/panels.h"

namespace vantrel::controls {

// Its properties are plain fields: every change repaints.
class ShaderWindow : public ModelWindow<TTvShader> {
  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
};

// Not a ModelWindow: its model is built on the picture source, which must exist first.
class HeaderWindow : public DrawnWindow {
  public:
    HeaderWindow() : model_(source_) {}
    const TTvHeader& model() const { return model_; }
    template <class F>
    void change(F f) {
        if (applyChange(model_, f))
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }

  private:
    ResourcePictureSource source_;
    TTvHeader model_;
};

// The marquee bar: the system progress bar with the marquee style, driven by a timer.
class DProgressBarWindow : public ProgressBarDriver {
  public:
    DProgressBarWindow() = default;
    DProgressBarWindow(const DProgressBarWindow&) = delete;
    DProgressBarWindow& operator=(const DProgressBarWindow&) = delete;
    ~DProgressBarWindow() override;

    // Width and height in pixels; a height of 0 takes the system's scroll-bar width.
    HWND create(HWND parent, int x, int y, int width, int height);
    HWND hwnd() const { return window_; }
    const TDProgressBar& model() const { return *model_; }
    // The model drives the system control itself: nothing to repaint here. No-op before create().
    template <class F>
    void change(F f) {
        if (model_)
            f(*model_);
    }

    void setRange(int min, int max, bool extended) override;
    void setPosition(int pos) override;
    void setStep(int step) override;
    void startTimer(int ms) override;
    void stopTimer() override;

  private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

    HWND window_ = nullptr;  // owned by the parent window
    bool subclassed_ = false;
    std::unique_ptr<TDProgressBar> model_;
};

}  // namespace vantrel::controls
