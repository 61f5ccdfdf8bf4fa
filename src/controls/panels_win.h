#pragma once

#include "controls/drawn_window_win.h"
#include "controls/panels.h"

namespace vantrel::controls {

class ShaderWindow : public DrawnWindow {
  public:
    TTvShader& model() { return model_; }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

  private:
    TTvShader model_;
};

class HeaderWindow : public DrawnWindow {
  public:
    HeaderWindow() : model_(source_) {}
    TTvHeader& model() { return model_; }
    void update(bool repaintWanted) {
        if (repaintWanted)
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

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
    TDProgressBar& model() { return *model_; }

    void setRange(int min, int max, bool extended) override;
    void setPosition(int pos) override;
    void setStep(int step) override;
    void startTimer(int ms) override;
    void stopTimer() override;

  private:
    static void CALLBACK timerProc(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;

    HWND window_ = nullptr;  // owned by the parent window
    std::unique_ptr<TDProgressBar> model_;
};

}  // namespace vantrel::controls
