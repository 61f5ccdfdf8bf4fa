#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// The message the shell sends for our tray icons: wParam names the icon, lParam the event.
inline constexpr uint32_t kTrayCallbackMessage = 0x0800;
inline constexpr size_t kTrayTipMax = 127;
inline constexpr size_t kBalloonTextMax = 255;
inline constexpr size_t kBalloonTitleMax = 63;
// Message, icon and tip: what every add and modify sends unless a balloon is on its way.
inline constexpr uint32_t kTrayRecordFlags = 7;
inline constexpr uint32_t kTrayInfoFlag = 0x10;
inline constexpr uint32_t kEnterExitInterval = 20;

// Balloon icon kinds, equal to the shell's balloon flag values.
enum class TBalloonHintIcon : uint32_t { None = 0, Info = 1, Warning = 2, Error = 3, Custom = 4 };

// Notification styles: legacy mouse messages, or the version-3 context-menu and select messages.
enum class TTrayNotifyStyle : uint32_t { Legacy = 0, Version3 = 1 };

enum class TMouseButton { Left, Right, Middle };
// Shift state bits of the mouse events.
inline constexpr unsigned kSsShift = 1, kSsAlt = 2, kSsCtrl = 4, kSsLeft = 8, kSsRight = 16, kSsMiddle = 32;
unsigned ButtonShiftState(TMouseButton button) noexcept;

// The tip the shell gets: the hint cut to 127 characters, empty when hidden.
std::wstring TrayTip(const std::wstring& hint, bool showHint);
std::wstring BalloonText(const std::wstring& text);
std::wstring BalloonTitle(const std::wstring& title);
uint32_t BalloonTimeoutMs(uint8_t seconds) noexcept;

// Cycling through an image list: the index shown after index, and a requested index kept in range.
int NextCycleIndex(int index, int count) noexcept;
int ClampIconIndex(int index, int count) noexcept;
// The lowest top-level menu position marked default.
std::optional<size_t> FirstDefaultItem(const std::vector<bool>& isDefault);
// Messages the shared hidden windows answer with 1 and never pass on, so that nothing closes
// them behind the components' backs.
bool IsHandlerGuardedMessage(uint32_t message) noexcept;

struct TrayPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TrayPoint&) const = default;
};

// A one-shot wait the click logic relies on (a simple timer on Windows, a fake clock in tests).
class TrayTimer {
  public:
    virtual ~TrayTimer() = default;
    virtual void start(uint32_t intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

// The tray icon as the notification logic sees it: its settings, the system's state and the
// events it raises.
class TrayNotificationTarget {
  public:
    virtual ~TrayNotificationTarget() = default;
    virtual bool trayEnabled() const = 0;
    virtual bool wantEnterExitEvents() const = 0;
    virtual bool hasDblClickHandler() const = 0;
    virtual bool leftPopup() const = 0;
    virtual bool hasAutoPopupMenu() const = 0;
    virtual TTrayNotifyStyle notifyStyle() const = 0;
    virtual uint32_t doubleClickTime() const = 0;
    virtual TrayPoint cursorPos() const = 0;
    virtual unsigned keyShiftState() const = 0;  // Shift, Alt, Ctrl as held now

    virtual void doClick() = 0;
    virtual void doDblClick() = 0;
    virtual void doMouseDown(TMouseButton button, unsigned shift, int x, int y) = 0;
    virtual void doMouseUp(TMouseButton button, unsigned shift, int x, int y) = 0;
    virtual void doMouseMove(unsigned shift, int x, int y) = 0;
    virtual void doMouseEnter() = 0;
    virtual void doMouseExit() = 0;
    virtual void doBalloonShow() = 0;
    virtual void doBalloonHide() = 0;
    virtual void doBalloonTimeout() = 0;
    virtual void doBalloonClick() = 0;
    virtual void popupMenuAtCursor() = 0;
    virtual void runDefaultMenuItem() = 0;
};

// Turns the shell's notifications into click, double-click, menu and mouse events. With a
// double-click handler a single click is reported only once the double-click time has passed
// without a second click, and a double click never also yields a click.
class TrayNotificationLogic {
  public:
    TrayNotificationLogic(TrayNotificationTarget& target, TrayTimer& clickTimer) noexcept
        : target_(target), clickTimer_(clickTimer) {}

    // lParam of the callback message.
    void notify(uint32_t event);
    void clickTimerFired();
    // Every 20 ms while enter/exit events are wanted.
    void enterExitTick();

    bool mouseOutside() const noexcept { return mouseOutside_; }

  private:
    TrayNotificationTarget& target_;
    TrayTimer& clickTimer_;
    bool clickStarted_ = false;
    bool clickReady_ = false;
    bool dblClicked_ = false;
    bool mouseOutside_ = true;
    TrayPoint lastPos_;
};

// The link label's rule: the URL follows the caption unless it was set on its own.
std::wstring UrlAfterCaptionChange(const std::wstring& url,
                                   const std::wstring& previousCaption,
                                   const std::wstring& newCaption);

}  // namespace vantrel
