#pragma once

#include <memory>

#include "controls/drawn_window_win.h"
#include "controls/html_label.h"

namespace vantrel::controls {

// Opens "://" and "mailto:" links with the shell.
class ShellLinkOpener : public LinkOpener {
  public:
    void open(const std::wstring& link) override;
};

// The HTML label as a child window. The label draws no background of its own; the window fills
// its buffer with the parent's colour first.
class HtmlLabelWindow : public DrawnWindow {
  public:
    HtmlLabelWindow();
    TTvHtmlLabel& label() { return *label_; }
    void setBackground(Color c) {
        background_ = c;
        repaint();
    }
    // Applies a setter's answer.
    void update(bool repaintWanted) {
        if (repaintWanted)
            repaint();
    }

  protected:
    void paintBuffer(GdiCanvas& canvas) override;
    void resized(int width, int height) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    GdiCanvas measurer_;  // created once per label
    ShellLinkOpener opener_;
    std::unique_ptr<TTvHtmlLabel> label_;
    Color background_ = colors::kBtnFace;
    int cursor_ = crDefault;
    bool tracking_ = false;
};

}  // namespace vantrel::controls
