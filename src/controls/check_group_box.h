#pragma once

#include <functional>
#include <string>

namespace vantrel::controls {

enum class TBoxAlignment { taLeftJustify, taRightJustify };

// Layout of the caption check box, in 96-DPI pixels.
inline constexpr int kCheckBoxLeft = 8;
inline constexpr int kCheckBoxWidth = 18;
inline constexpr int kCaptionRoom = 19;    // box and gap counted against the group's width
inline constexpr int kCheckBoxExtra = 21;  // box and gap added to the text width

// A group box whose caption is a check box that enables or disables what the box holds.
// The window half supplies the check box and the children through these callbacks.
class TCheckCustomGroupBox {
  public:
    std::function<void()> OnClick;
    std::function<void()> OnCheckBoxClick;
    // Sets Enabled of every control inside except the check box.
    std::function<void(bool enabled)> enableContents;
    // Sets the state of the check box itself.
    std::function<void(bool checked)> setCheckBoxState;

    bool Checked() const { return checked_; }
    void setChecked(bool v);
    bool CheckedEnables() const { return checkedEnables_; }
    void setCheckedEnables(bool v, bool groupEnabled);
    TBoxAlignment BoxAlignment() const { return alignment_; }
    void setBoxAlignment(TBoxAlignment a) { alignment_ = a; }
    const std::wstring& Caption() const { return caption_; }
    // Accepted only when the text fits beside the box: textWidth + left + 19 < groupWidth (all in
    // the same pixels). Returns the new check box width, or -1 when refused.
    int setCaption(const std::wstring& caption,
                   int textWidth,
                   int groupWidth,
                   int checkLeft = kCheckBoxLeft,
                   int room = kCaptionRoom,
                   int extra = kCheckBoxExtra);

    bool contentsEnabled() const { return checked_ == checkedEnables_; }

    // The check box was clicked by the user (its state already toggled).
    void checkBoxClicked(bool newState);
    // Check box click: OnClick, enable or disable the contents, OnCheckBoxClick.
    void checkBoxClick();

    // The window's enable notification: the check box's new state, and whether the windowed
    // children are to be visited (they take the notification's state).
    struct EnableDecision {
        bool checkBoxEnabled = false;
        bool visitChildren = false;
    };
    EnableDecision onEnable(bool groupEnabled, bool notificationEnabled) const;

  private:
    bool checked_ = true;
    bool checkedEnables_ = true;
    TBoxAlignment alignment_ = TBoxAlignment::taRightJustify;
    std::wstring caption_;
};

using TCheckGroupBox = TCheckCustomGroupBox;

}  // namespace vantrel::controls
