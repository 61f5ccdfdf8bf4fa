#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "controls/bars_win.h"
#include "controls/charts_win.h"
#include "controls/check_group_box_win.h"
#include "controls/html_label_win.h"
#include "controls/panels_win.h"

namespace vantrel::controls::gallery {

// A plain coloured panel (the black panels the charts sit on, the white one behind the gauges).
class PanelWindow : public DrawnWindow {
  public:
    explicit PanelWindow(Color color) : color_(color) {}

  protected:
    void paintBuffer(Canvas& canvas) override {
        canvas.fill({0, 0, canvas.size().width, canvas.size().height}, color_);
    }

  private:
    Color color_;
};

// One window showing every drawn control with the main window's settings. Test-only.
class Gallery {
  public:
    Gallery();
    ~Gallery();
    Gallery(const Gallery&) = delete;
    Gallery& operator=(const Gallery&) = delete;

    // dpi 0: the screen's; any other draws the whole gallery at that DPI.
    HWND create(int dpi = 0);
    HWND hwnd() const { return window_; }
    int dpi() const { return dpi_; }
    // The gallery program ends its message loop when the window closes.
    bool quitOnClose = false;

    IndicatorWindow indicator;
    ScopeWindow scope;
    TrendWindow trend;
    RLedWindow led;
    OrvelProgressBarWindow memoryBar;
    OrvelProgressBarWindow swapBar;
    GProgressWindow memoryBlocks;
    GProgressWindow cpuBlocks;
    GaugeWindow gaugeBefore;
    GaugeWindow gaugeAfter;
    CheckGroupBoxWindow autoOptimization;
    CheckGroupBoxWindow disabledBox;
    ShaderWindow shader;
    DProgressBarWindow marquee;
    HeaderWindow header;
    HeaderWindow header2;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void build();
    int s(int pixels96) const;
    HWND child(const wchar_t* cls,
               const wchar_t* text,
               DWORD style,
               int x,
               int y,
               int w,
               int h,
               HWND parent = nullptr);
    HtmlLabelWindow& label(int x, int y, int w, int h, const wchar_t* caption, HWND parent = nullptr);
    PanelWindow& panel(Color color, int x, int y, int w, int h, HWND parent = nullptr);
    TFontData messageFont() const;

    HWND window_ = nullptr;
    int dpi_ = 96;
    HFONT font_ = nullptr;  // from the process's font cache
    HFONT boldFont_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::unique_ptr<GdiImageList> imageList_;
    std::vector<std::unique_ptr<HtmlLabelWindow>> labels_;
    std::vector<std::unique_ptr<PanelWindow>> panels_;
    std::vector<HWND> frames_;
};

}  // namespace vantrel::controls::gallery
