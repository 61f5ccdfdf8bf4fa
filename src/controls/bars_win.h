#pragma once

#include "controls/bars.h"
#include "controls/drawn_window_win.h"

namespace vantrel::controls {

// Each window repaints when its model's setter says so, and no more.
class IndicatorWindow : public ModelWindow<TIndicator> {
  public:
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
};

class RLedWindow : public ModelWindow<TRLed> {
  public:
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }
    void setOrientation(TRLedOrientation o);
    // As the base's, and the window takes the model's size (an orientation change swaps sides).
    template <class F>
    void change(F f) {
        const bool wanted = applyChange(model_, f);
        followModelSize();
        if (wanted)
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
    void resized(int width, int height) override { model_.resize(width, height); }

  private:
    void followModelSize();
};

class OrvelProgressBarWindow : public ModelWindow<TOrvelProgressBar> {
  public:
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
    void resized(int width, int height) override { model_.resize(width, height); }
};

class GProgressWindow : public ModelWindow<TGProgress> {
  public:
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
};

class GaugeWindow : public ModelWindow<TGauge> {
  public:
    void setProgress(int v) {
        if (model_.setProgress(v))
            repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
};

}  // namespace vantrel::controls
