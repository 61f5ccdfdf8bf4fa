#pragma once

#include <functional>

#include "controls/charts.h"
#include "controls/drawn_window_win.h"

namespace vantrel::controls {

// The scope keeps its picture in the back buffer: a tick draws two columns and scrolls the rest.
class ScopeWindow : public DrawnWindow {
  public:
    ~ScopeWindow() override;
    TScope& model() { return model_; }
    std::function<void()> OnUpdate;

    void setBaseline1(int v) { clearIf(model_.setBaseline1(v)); }
    void setBaseline2(int v) { clearIf(model_.setBaseline2(v)); }
    void setGridsize(int v) { clearIf(model_.setGridsize(v)); }
    void setPosition(int v) { model_.setPosition(v); }
    void setInterval(int v);
    void setActive(bool v);
    // One sample now, as the timer takes it.
    void tick();

  protected:
    void paintBuffer(GdiCanvas& canvas) override;
    void resized(int width, int height) override;
    bool keepsPicture() const override { return true; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void clearIf(bool wanted);
    void restartTimer();

    TScope model_;
};

class TrendWindow : public DrawnWindow {
  public:
    TTamselTrend& model() { return model_; }
    void addValue(int v) {
        model_.addValue(v);
        repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override { model_.paint(canvas); }

  private:
    TTamselTrend model_;
};

}  // namespace vantrel::controls
