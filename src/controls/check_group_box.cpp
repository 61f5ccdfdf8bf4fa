#include "controls/check_group_box.h"

namespace vantrel::controls {

void TCheckCustomGroupBox::setChecked(bool v) {
    if (v != checked_) {
        checked_ = v;
        if (setCheckBoxState)
            setCheckBoxState(v);
        // The check box's own click runs when its state changes...
        checkBoxClick();
    }
    // ...and the setter runs it once more in every case.
    checkBoxClick();
}

void TCheckCustomGroupBox::setCheckedEnables(bool v, bool groupEnabled) {
    checkedEnables_ = v;
    if (groupEnabled)
        checkBoxClick();
}

int TCheckCustomGroupBox::setCaption(const std::wstring& caption,
                                     int textWidth,
                                     int groupWidth,
                                     int checkLeft,
                                     int room,
                                     int extra) {
    if (!(textWidth + checkLeft + room < groupWidth))
        return -1;
    caption_ = caption;
    return textWidth + extra;
}

void TCheckCustomGroupBox::checkBoxClicked(bool newState) {
    checked_ = newState;
    checkBoxClick();
}

void TCheckCustomGroupBox::checkBoxClick() {
    if (OnClick)
        OnClick();
    if (enableContents)
        enableContents(contentsEnabled());
    if (OnCheckBoxClick)
        OnCheckBoxClick();
}

TCheckCustomGroupBox::EnableDecision TCheckCustomGroupBox::onEnable(bool groupEnabled,
                                                                    bool notificationEnabled) const {
    EnableDecision d;
    d.checkBoxEnabled = groupEnabled || contentsEnabled() || notificationEnabled;
    d.visitChildren = contentsEnabled();
    return d;
}

}  // namespace vantrel::controls
