#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/simple_timer_win.h"
#include "controls/tray_icon.h"
#include "platform/handles_win.h"

namespace vantrel {

class TTrayIconHandler;

// The program's icon in the notification area: adds, updates and removes it, shows its tip and
// balloons, turns the shell's mouse notifications into events, hides the owner (main) window to
// the tray and brings it back, and puts the icon back when the taskbar is re-created.
class TTrayIcon : private TrayNotificationTarget {
  public:
    using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
    using TMouseEvent = std::function<void(TTrayIcon& sender, TMouseButton, unsigned shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TTrayIcon& sender, unsigned shift, int x, int y)>;
    using TCycleEvent = std::function<void(TTrayIcon& sender, int nextIndex)>;
    using TStartupEvent = std::function<void(TTrayIcon& sender, bool& showMainForm)>;

    // owner: the main window (may be null); its window procedure is hooked while the icon lives.
    explicit TTrayIcon(HWND owner);
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;
    ~TTrayIcon() override;

    // Once the owner is built and the properties set: asks OnStartup whether the main window is
    // to be shown (hiding it when not), then sends the icon. Returns the answer.
    bool Loaded();

    bool ShowBalloonHint(const std::wstring& title,
                         const std::wstring& text,
                         TBalloonHintIcon icon,
                         uint8_t timeoutSeconds);
    void HideBalloonHint();
    // A 16 x 16 bitmap to an icon, pixels of the mask colour transparent. False when the system
    // could not make the icon.
    static bool BitmapToIcon(HBITMAP bitmap, IconHandle& target, COLORREF maskColor);
    bool Refresh() { return ModifyIcon(); }
    void ShowMainWindow();
    void HideMainWindow();

    const std::wstring& Hint() const noexcept { return hint_; }
    void SetHint(const std::wstring& hint);
    void SetShowHint(bool show);
    HICON Icon() const noexcept { return icon_.get(); }
    // Keeps a copy of the icon.
    void SetIcon(HICON icon);
    bool IconVisible() const noexcept { return iconVisible_; }
    void SetIconVisible(bool visible);
    int IconIndex() const noexcept { return iconIndex_; }
    void SetIconIndex(int index);
    void SetIconList(HIMAGELIST list);  // not owned
    void SetCycleIcons(bool cycle);
    void SetCycleInterval(uint32_t ms);
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // Commands of the menu go to the owner as WM_COMMAND. Not owned.
    void SetPopupMenu(HMENU menu, bool autoPopup = true);
    void SetLeftPopup(bool on) { leftPopup_ = on; }
    void SetWantEnterExitEvents(bool want);
    bool MinimizeToTray = false;
    TTrayNotifyStyle NotifyStyle = TTrayNotifyStyle::Legacy;

    TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseExit;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;
    TNotifyEvent OnBalloonHintShow, OnBalloonHintHide, OnBalloonHintTimeout, OnBalloonHintClick;
    TNotifyEvent OnMinimizeToTray;
    TStartupEvent OnStartup;

    // The record handed to the shell (for tests and diagnostics).
    const NOTIFYICONDATAW& IconRecord() const noexcept { return record_; }
    // The registered "TaskbarCreated" message (0 where the shell is too old to send it). The
    // process's handler window hears it and shows every icon again that was shown.
    static UINT TaskbarCreatedMessage() noexcept;
    // Whether the handler window lets that message through the message filter (it must, for an
    // elevated program to hear the unelevated shell).
    bool TaskbarCreatedPassesFilter() const noexcept;

    virtual bool ShowIcon();
    virtual bool HideIcon();
    virtual bool ModifyIcon();

  private:
    friend class TTrayIconHandler;
    class ClickTimer;
    class HandlerRef;

    bool notifyShell(DWORD operation);
    bool sendVersion();
    void minimizeToTrayStep();
    void cycleTick();
    void handleNotification(uint32_t event) { logic_->notify(event); }
    static LRESULT CALLBACK ownerProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    LRESULT ownerMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

    // The notification logic's view of this icon.
    bool trayEnabled() const override { return enabled_; }
    bool wantEnterExitEvents() const override { return wantEnterExit_; }
    bool hasDblClickHandler() const override { return static_cast<bool>(OnDblClick); }
    bool leftPopup() const override { return leftPopup_; }
    bool hasAutoPopupMenu() const override { return popupMenu_ && autoPopup_; }
    TTrayNotifyStyle notifyStyle() const override { return NotifyStyle; }
    uint32_t doubleClickTime() const override { return ::GetDoubleClickTime(); }
    TrayPoint cursorPos() const override;
    unsigned keyShiftState() const override;
    void doClick() override;
    void doDblClick() override;
    void doMouseDown(TMouseButton b, unsigned s, int x, int y) override;
    void doMouseUp(TMouseButton b, unsigned s, int x, int y) override;
    void doMouseMove(unsigned s, int x, int y) override;
    void doMouseEnter() override;
    void doMouseExit() override;
    void doBalloonShow() override;
    void doBalloonHide() override;
    void doBalloonTimeout() override;
    void doBalloonClick() override;
    void popupMenuAtCursor() override;
    void runDefaultMenuItem() override;

    HWND owner_;
    std::unique_ptr<HandlerRef> handlerRef_;
    TTrayIconHandler& handler_;
    // Expires when the icon is destroyed, for code that dispatches messages.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    NOTIFYICONDATAW record_{};
    std::wstring hint_;
    bool showHint_ = true;
    bool enabled_ = true;
    IconHandle icon_;
    bool iconVisible_ = false;
    int iconIndex_ = 0;
    HIMAGELIST iconList_ = nullptr;
    bool cycleIcons_ = false;
    uint32_t cycleInterval_ = 0;
    HMENU popupMenu_ = nullptr;
    bool autoPopup_ = true;
    bool leftPopup_ = false;
    bool wantEnterExit_ = false;
    bool loading_ = true;
    bool firstShow_ = true;
    bool subclassed_ = false;
    TSimpleTimer cycleTimer_;
    TSimpleTimer clickTimer_;
    TSimpleTimer enterExitTimer_;
    std::unique_ptr<ClickTimer> clickTimerAdapter_;
    std::unique_ptr<TrayNotificationLogic> logic_;
};

}  // namespace vantrel
