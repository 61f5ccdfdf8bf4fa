#pragma once

#include <functional>

#include "controls/charts.h"
#include "controls/drawn_window_win.h"

namespace vantrel::controls {

// The scope keeps its picture in the back buffer: a tick draws two columns and scrolls the rest.
class ScopeWindow : public ModelWindow<TScope> {
  public:
    ~ScopeWindow() override;
    std::function<void()> OnUpdate;
    // As the base's, and the sampling timer follows the new interval and state.
    template <class F>
    void change(F f) {
        const bool wanted = applyChange(model_, f);
        restartTimer();
        clearIf(wanted);
    }

    void setBaseline1(int v) { clearIf(model_.setBaseline1(v)); }
    void setBaseline2(int v) { clearIf(model_.setBaseline2(v)); }
    void setGridsize(int v) { clearIf(model_.setGridsize(v)); }
    void setPosition(int v) { model_.setPosition(v); }
    void setInterval(int v);
    void setActive(bool v);
    // One sample now, as the timer takes it.
    void tick();

  protected:
    void paintBuffer(Canvas& canvas) override;
    void resized(int width, int height) override;
    bool keepsPicture() const override { return true; }
    bool scrollsFromTheRight() const override { return true; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void clearIf(bool wanted);
    void restartTimer();
};

class TrendWindow : public ModelWindow<TTamselTrend> {
  public:
    void addValue(int v) {
        model_.addValue(v);
        repaint();
    }

  protected:
    void paintBuffer(Canvas& canvas) override { model_.paint(canvas); }
};

}  // namespace vantrel::controls
