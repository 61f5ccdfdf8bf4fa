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

// The HTML label as a child window. The label draws no background of its own: the window shows
// its parent's under it (a themed page, a black chart panel), or a colour of its own when one is
// set. It lays itself out in device pixels and again whenever its DPI or its font changes; a
// WM_SETFONT gives it the font's face, size and style.
class HtmlLabelWindow : public DrawnWindow {
  public:
    HtmlLabelWindow();
    TTvHtmlLabel& label() { return *label_; }
    // colors::kNone: the parent's background (the default).
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
    void paintBuffer(Canvas& canvas) override;
    void resized(int width, int height) override;
    bool devicePixels() const override { return true; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void takeFont(HFONT font);

    GdiCanvas measurer_;  // created once per label
    ShellLinkOpener opener_;
    std::unique_ptr<TTvHtmlLabel> label_;
    Color background_ = colors::kNone;
    HFONT font_ = nullptr;  // the last WM_SETFONT, not owned
    int cursor_ = crDefault;
    bool tracking_ = false;
};

}  // namespace vantrel::controls
