#pragma once

#include "controls/bars.h"
#include "controls/drawn_window_win.h"

namespace vantrel::controls {

// Each window repaints when its model's setter says so, and no more.
class IndicatorWindow : public DrawnWindow {
  public:
    TIndicator& model() { return model_; }
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

  private:
    TIndicator model_;
};

class RLedWindow : public DrawnWindow {
  public:
    TRLed& model() { return model_; }
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }
    void setOrientation(TRLedOrientation o);

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }
    void resized(int width, int height) override { model_.resize(width, height); }

  private:
    TRLed model_;
};

class OrvelProgressBarWindow : public DrawnWindow {
  public:
    TOrvelProgressBar& model() { return model_; }
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }
    void resized(int width, int height) override { model_.resize(width, height); }

  private:
    TOrvelProgressBar model_;
};

class GProgressWindow : public DrawnWindow {
  public:
    TGProgress& model() { return model_; }
    void setPosition(int v) {
        if (model_.setPosition(v))
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

  private:
    TGProgress model_;
};

class GaugeWindow : public DrawnWindow {
  public:
    TGauge& model() { return model_; }
    void setProgress(int v) {
        if (model_.setProgress(v))
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

  private:
    TGauge model_;
};

}  // namespace vantrel::controls
