#include "controls/tray_icon.h"

namespace vantrel {

namespace {
// The shell's mouse and balloon events (lParam of the callback message).
constexpr uint32_t kMouseMove = 0x0200;
constexpr uint32_t kLButtonDown = 0x0201;
constexpr uint32_t kLButtonUp = 0x0202;
constexpr uint32_t kLButtonDblClk = 0x0203;
constexpr uint32_t kRButtonDown = 0x0204;
constexpr uint32_t kRButtonUp = 0x0205;
constexpr uint32_t kMButtonDown = 0x0207;
constexpr uint32_t kMButtonUp = 0x0208;
constexpr uint32_t kContextMenu = 0x007B;
constexpr uint32_t kSelect = 0x0400;
constexpr uint32_t kKeySelect = 0x0401;
constexpr uint32_t kBalloonShow = 0x0402;
constexpr uint32_t kBalloonHide = 0x0403;
constexpr uint32_t kBalloonTimeout = 0x0404;
constexpr uint32_t kBalloonUserClick = 0x0405;
}  // namespace

unsigned ButtonShiftState(TMouseButton button) noexcept {
    switch (button) {
        case TMouseButton::Left:
            return kSsLeft;
        case TMouseButton::Right:
            return kSsRight;
        case TMouseButton::Middle:
            return kSsMiddle;
    }
    return 0;
}

std::wstring TrayTip(const std::wstring& hint, bool showHint) {
    if (!showHint || hint.empty())
        return {};
    return hint.substr(0, kTrayTipMax);
}

std::wstring BalloonText(const std::wstring& text) {
    return text.substr(0, kBalloonTextMax);
}

std::wstring BalloonTitle(const std::wstring& title) {
    return title.substr(0, kBalloonTitleMax);
}

uint32_t BalloonTimeoutMs(uint8_t seconds) noexcept {
    return uint32_t(seconds) * 1000;
}

int NextCycleIndex(int index, int count) noexcept {
    if (count <= 0)
        return 0;
    return index + 1 >= count ? 0 : index + 1;
}

int ClampIconIndex(int index, int count) noexcept {
    if (count <= 0 || index < 0)
        return 0;
    return index > count - 1 ? count - 1 : index;
}

std::optional<size_t> FirstDefaultItem(const std::vector<bool>& isDefault) {
    for (size_t i = 0; i < isDefault.size(); ++i)
        if (isDefault[i])
            return i;
    return std::nullopt;
}

bool IsHandlerGuardedMessage(uint32_t message) noexcept {
    switch (message) {
        case 0x0002:  // WM_DESTROY
        case 0x0010:  // WM_CLOSE
        case 0x0011:  // WM_QUERYENDSESSION
        case 0x0012:  // WM_QUIT
        case 0x0016:  // WM_ENDSESSION
        case 0x0082:  // WM_NCDESTROY
            return true;
    }
    return false;
}

void TrayNotificationLogic::notify(uint32_t event) {
    switch (event) {
        case kBalloonShow:
            target_.doBalloonShow();
            return;
        case kBalloonHide:
            target_.doBalloonHide();
            return;
        case kBalloonTimeout:
            target_.doBalloonTimeout();
            return;
        case kBalloonUserClick:
            target_.doBalloonClick();
            return;
    }
    if (!target_.trayEnabled())
        return;
    const TrayPoint pos = target_.cursorPos();
    const unsigned keys = target_.keyShiftState();
    const bool legacy = target_.notifyStyle() == TTrayNotifyStyle::Legacy;
    auto down = [&](TMouseButton b) { target_.doMouseDown(b, keys | ButtonShiftState(b), pos.x, pos.y); };
    auto up = [&](TMouseButton b) { target_.doMouseUp(b, keys | ButtonShiftState(b), pos.x, pos.y); };
    switch (event) {
        case kMouseMove:
            if (target_.wantEnterExitEvents() && mouseOutside_) {
                target_.doMouseEnter();
                mouseOutside_ = false;
            }
            target_.doMouseMove(keys, pos.x, pos.y);
            lastPos_ = pos;
            break;
        case kLButtonDown:
            if (target_.hasDblClickHandler())
                clickTimer_.start(target_.doubleClickTime());
            down(TMouseButton::Left);
            clickStarted_ = true;
            if (target_.leftPopup() && target_.hasAutoPopupMenu())
                target_.popupMenuAtCursor();
            break;
        case kLButtonUp:
            if (clickStarted_)
                clickReady_ = true;
            if (clickStarted_ && !clickTimer_.running()) {
                clickStarted_ = false;
                clickReady_ = false;
                target_.doClick();
            }
            clickStarted_ = false;
            up(TMouseButton::Left);
            break;
        case kLButtonDblClk:
            clickReady_ = false;
            dblClicked_ = true;
            target_.doDblClick();
            if (target_.hasAutoPopupMenu() && !target_.leftPopup())
                target_.runDefaultMenuItem();
            break;
        case kRButtonDown:
            down(TMouseButton::Right);
            if (target_.hasAutoPopupMenu())
                target_.popupMenuAtCursor();
            break;
        case kRButtonUp:
            if (legacy)
                up(TMouseButton::Right);
            break;
        case kContextMenu:
        case kSelect:
        case kKeySelect:
            if (!legacy)
                up(TMouseButton::Right);
            break;
        case kMButtonDown:
            down(TMouseButton::Middle);
            break;
        case kMButtonUp:
            up(TMouseButton::Middle);
            break;
    }
}

void TrayNotificationLogic::clickTimerFired() {
    clickTimer_.stop();
    if (!dblClicked_ && clickReady_) {
        clickReady_ = false;
        target_.doClick();
    }
    dblClicked_ = false;
}

void TrayNotificationLogic::enterExitTick() {
    if (!mouseOutside_ && !(target_.cursorPos() == lastPos_)) {
        mouseOutside_ = true;
        target_.doMouseExit();
    }
}

std::wstring UrlAfterCaptionChange(const std::wstring& url,
                                   const std::wstring& previousCaption,
                                   const std::wstring& newCaption) {
    if (url.empty() || url == previousCaption)
        return newCaption;
    return url;
}

}  // namespace vantrel
