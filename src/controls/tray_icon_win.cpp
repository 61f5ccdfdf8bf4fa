#include "controls/tray_icon_win.h"

#include <shlwapi.h>

#include <cwchar>
#include <map>
#include <vector>

#include "platform/messages_win.h"
#include "platform/process_shared.h"
#include "platform/trace_log.h"
#include "platform/window_class_win.h"

namespace vantrel {

namespace {

// A 32-bit build hands the shell the 936-byte record; the 64-bit one has the same fields with
// wider handles.
constexpr DWORD kRecordSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(void*) != 4 || kRecordSize == 936);

UINT registerTaskbarCreated() {
    // The shell sends it from common controls 4.71 on; every supported system has 6.
    DLLVERSIONINFO dvi{};
    dvi.cbSize = sizeof(dvi);
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    auto getVersion = comctl ? reinterpret_cast<DLLGETVERSIONPROC>(
                                   reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion")))
                             : nullptr;
    if (getVersion && SUCCEEDED(getVersion(&dvi)) &&
        (dvi.dwMajorVersion > 4 || (dvi.dwMajorVersion == 4 && dvi.dwMinorVersion >= 71)))
        return ::RegisterWindowMessageW(L"TaskbarCreated");
    return 0;
}

template <size_t N>
void copyText(wchar_t (&field)[N], const std::wstring& text) {
    const size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}

}  // namespace

// The one hidden window of the process that receives the shell's callbacks of every tray icon.
// Icons are named to the shell by a 32-bit number of their own (a 64-bit address does not fit
// the record's id) and looked up here, so a callback for an icon already destroyed is dropped.
class TTrayIconHandler : public ProcessShared<TTrayIconHandler> {
  public:
    HWND window() const noexcept { return window_.get(); }
    UINT add(TTrayIcon* icon) {
        const UINT id = nextId_++;
        icons_[id] = icon;
        return id;
    }
    void remove(UINT id) { icons_.erase(id); }
    // The owner of the menu now showing on the handler window (null when none is).
    void setMenuOwner(HWND owner) noexcept { menuOwner_ = owner; }
    HWND menuOwner() const noexcept { return menuOwner_; }
    bool taskbarCreatedAllowed() const noexcept { return taskbarCreatedAllowed_; }

  private:
    TTrayIconHandler() {
        HINSTANCE inst = ensureWindowClass(kClass, &TTrayIconHandler::windowProc);
        // A real (hidden) top-level window: the menu needs it as the foreground window.
        // It also hears the shell's "TaskbarCreated" broadcast, for every icon, owned or not.
        window_.reset(::CreateWindowExW(WS_EX_TOOLWINDOW, kClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        inst, nullptr));
        taskbarCreatedAllowed_ = allowThroughMessageFilter(window_.get(), TTrayIcon::TaskbarCreatedMessage());
    }

    // An elevated program gets no messages from the (unelevated) shell unless it lets them
    // through. ChangeWindowMessageFilterEx exists from Windows 7 on; looked up, not linked.
    static bool allowThroughMessageFilter(HWND window, UINT message) {
        using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
        static const auto filter = reinterpret_cast<FilterFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx")));
        constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
        return window && message && filter && filter(window, message, kAllow, nullptr);
    }

    // The taskbar was made anew (the shell restarted) and knows no icons: each one that was
    // shown is added again, with its current tip.
    void taskbarCreated() {
        std::vector<UINT> ids;
        for (const auto& entry : icons_)
            ids.push_back(entry.first);
        for (UINT id : ids) {
            auto it = icons_.find(id);
            if (it != icons_.end() && it->second->IconVisible())
                it->second->ShowIcon();
        }
    }

    static LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg != 0 && msg == TTrayIcon::TaskbarCreatedMessage() && instance_) {
            try {
                instance_->taskbarCreated();
            } catch (...) {
                VANTREL_ASSERT_FAILED(L"Assertion failure", "tray_icon");
            }
            return 0;
        }
        if (msg == kTrayCallbackMessage && instance_) {
            auto it = instance_->icons_.find(static_cast<UINT>(wp));
            if (it != instance_->icons_.end()) {
                try {
                    it->second->handleNotification(static_cast<uint32_t>(lp));
                    return 0;
                } catch (...) {
                    VANTREL_ASSERT_FAILED(L"Assertion failure", "tray_icon");
                    return ::DefWindowProcW(wnd, msg, wp, lp);
                }
            }
            return 0;
        }
        // The menu shown on this window belongs to the icon's owner: let it set up the items
        // before they show, and follow the selection.
        if ((msg == WM_INITMENUPOPUP || msg == WM_UNINITMENUPOPUP || msg == WM_MENUSELECT) && instance_ &&
            instance_->menuOwner_ && ::IsWindow(instance_->menuOwner_))
            return ::SendMessageW(instance_->menuOwner_, msg, wp, lp);
        if (IsHandlerGuardedMessage(msg))
            return 1;
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }

    static constexpr wchar_t kClass[] = L"VantrelTrayIconHandler";
    WindowHandle window_;
    std::map<UINT, TTrayIcon*> icons_;
    HWND menuOwner_ = nullptr;
    UINT nextId_ = 1;
    bool taskbarCreatedAllowed_ = false;
    friend class ProcessShared<TTrayIconHandler>;
};

// One reference to the handler and one entry in its table, given back however the icon's
// construction or destruction ends.
class TTrayIcon::HandlerRef {
  public:
    explicit HandlerRef(TTrayIcon* icon) : handler_(TTrayIconHandler::acquire()) {
        try {
            id_ = handler_.add(icon);
        } catch (...) {
            TTrayIconHandler::release();
            throw;
        }
    }
    HandlerRef(const HandlerRef&) = delete;
    HandlerRef& operator=(const HandlerRef&) = delete;
    ~HandlerRef() {
        handler_.remove(id_);
        TTrayIconHandler::release();
    }
    TTrayIconHandler& handler() const noexcept { return handler_; }
    UINT id() const noexcept { return id_; }

  private:
    TTrayIconHandler& handler_;
    UINT id_ = 0;
};

// The click logic's timer on a simple timer.
class TTrayIcon::ClickTimer final : public TrayTimer {
  public:
    explicit ClickTimer(TSimpleTimer& timer) : timer_(timer) {}
    void start(uint32_t ms) override {
        timer_.SetInterval(ms);
        timer_.Start();
    }
    void stop() override { timer_.Stop(); }
    bool running() const override { return timer_.Enabled(); }

  private:
    TSimpleTimer& timer_;
};

UINT TTrayIcon::TaskbarCreatedMessage() noexcept {
    static const UINT message = registerTaskbarCreated();
    return message;
}

bool TTrayIcon::TaskbarCreatedPassesFilter() const noexcept {
    return handler_.taskbarCreatedAllowed();
}

TTrayIcon::TTrayIcon(HWND owner)
    : owner_(owner),
      handlerRef_(std::make_unique<HandlerRef>(this)),
      handler_(handlerRef_->handler()),
      cycleTimer_(0, [this](TSimpleTimer&) { cycleTick(); }),
      clickTimer_(1000, nullptr),
      enterExitTimer_(kEnterExitInterval, [this](TSimpleTimer&) { logic_->enterExitTick(); }) {
    clickTimerAdapter_ = std::make_unique<ClickTimer>(clickTimer_);
    TrayNotificationTarget& target = *this;
    logic_ = std::make_unique<TrayNotificationLogic>(target, *clickTimerAdapter_);
    clickTimer_.SetOnTimer([this](TSimpleTimer&) { logic_->clickTimerFired(); });
    record_.cbSize = kRecordSize;
    record_.hWnd = handler_.window();
    record_.uID = handlerRef_->id();
    record_.uFlags = kTrayRecordFlags;
    record_.uCallbackMessage = kTrayCallbackMessage;
    if (owner_)
        subclassed_ = ::SetWindowSubclass(owner_, &TTrayIcon::ownerProc, reinterpret_cast<UINT_PTR>(this),
                                          reinterpret_cast<DWORD_PTR>(this));
}

TTrayIcon::~TTrayIcon() {
    // A menu loop still running below us on this thread must see that the icon is gone.
    alive_.reset();
    if (handler_.menuOwner() == owner_)
        handler_.setMenuOwner(nullptr);
    HideIcon();
    cycleTimer_.Stop();
    clickTimer_.Stop();
    enterExitTimer_.Stop();
    if (subclassed_)
        ::RemoveWindowSubclass(owner_, &TTrayIcon::ownerProc, reinterpret_cast<UINT_PTR>(this));
}

bool TTrayIcon::Loaded() {
    bool show = true;
    if (owner_ && OnStartup) {
        OnStartup(*this, show);
        if (!show)
            HideMainWindow();
    }
    loading_ = false;
    ModifyIcon();
    if (iconVisible_)
        ShowIcon();
    SetCycleIcons(cycleIcons_);
    SetWantEnterExitEvents(wantEnterExit_);
    sendVersion();
    return show;
}

bool TTrayIcon::sendVersion() {
    NOTIFYICONDATAW version = record_;
    version.uVersion = NotifyStyle == TTrayNotifyStyle::Version3 ? NOTIFYICON_VERSION : 0;
    return ::Shell_NotifyIconW(NIM_SETVERSION, &version) != FALSE;
}

bool TTrayIcon::notifyShell(DWORD operation) {
    record_.hIcon = icon_.get();
    copyText(record_.szTip, TrayTip(hint_, showHint_));
    return ::Shell_NotifyIconW(operation, &record_) != FALSE;
}

bool TTrayIcon::ShowIcon() {
    iconVisible_ = true;
    if (!notifyShell(NIM_ADD))
        return false;
    // The shell forgets the version with the icon (a re-created taskbar too).
    if (NotifyStyle == TTrayNotifyStyle::Version3)
        sendVersion();
    return true;
}

bool TTrayIcon::HideIcon() {
    iconVisible_ = false;
    return notifyShell(NIM_DELETE);
}

bool TTrayIcon::ModifyIcon() {
    return notifyShell(NIM_MODIFY);
}

bool TTrayIcon::ShowBalloonHint(const std::wstring& title,
                                const std::wstring& text,
                                TBalloonHintIcon icon,
                                uint8_t timeoutSeconds) {
    HideBalloonHint();
    record_.uFlags |= kTrayInfoFlag;
    copyText(record_.szInfo, BalloonText(text));
    copyText(record_.szInfoTitle, BalloonTitle(title));
    record_.uTimeout = BalloonTimeoutMs(timeoutSeconds);
    record_.dwInfoFlags = static_cast<DWORD>(icon);
    const bool shown = ModifyIcon();
    // Later modifications must leave the balloon alone.
    record_.uFlags = kTrayRecordFlags;
    return shown;
}

void TTrayIcon::HideBalloonHint() {
    record_.uFlags |= kTrayInfoFlag;
    record_.szInfo[0] = L'\0';
    ModifyIcon();
    record_.uFlags = kTrayRecordFlags;
}

bool TTrayIcon::BitmapToIcon(HBITMAP bitmap, IconHandle& target, COLORREF maskColor) {
    HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (!list)
        return false;
    HICON icon = nullptr;
    if (::ImageList_AddMasked(list, bitmap, maskColor) >= 0)
        icon = ::ImageList_GetIcon(list, 0, ILD_NORMAL);
    ::ImageList_Destroy(list);
    if (!icon)
        return false;
    target.reset(icon);
    return true;
}

void TTrayIcon::HideMainWindow() {
    if (!owner_)
        return;
    // The main window is its own taskbar button here, so hiding it also leaves the taskbar.
    ::ShowWindow(owner_, SW_HIDE);
}

void TTrayIcon::ShowMainWindow() {
    if (!owner_)
        return;
    if (::IsIconic(owner_))
        ::ShowWindow(owner_, SW_RESTORE);
    ::ShowWindow(owner_, SW_SHOW);
    ::SetForegroundWindow(owner_);
}

void TTrayIcon::minimizeToTrayStep() {
    HideMainWindow();
    SetIconVisible(true);
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    hint_ = hint;
    if (!loading_)
        ModifyIcon();
}

void TTrayIcon::SetShowHint(bool show) {
    showHint_ = show;
    if (!loading_)
        ModifyIcon();
}

void TTrayIcon::SetIcon(HICON icon) {
    // An icon that cannot be copied leaves the record without one.
    icon_.reset(icon ? ::CopyIcon(icon) : nullptr);
    if (!loading_)
        ModifyIcon();
}

void TTrayIcon::SetIconVisible(bool visible) {
    if (loading_) {
        iconVisible_ = visible;
        return;
    }
    if (visible)
        ShowIcon();
    else
        HideIcon();
}

void TTrayIcon::SetIconIndex(int index) {
    iconIndex_ = ClampIconIndex(index, iconList_ ? ::ImageList_GetImageCount(iconList_) : 0);
    if (!loading_)
        ModifyIcon();
}

void TTrayIcon::SetIconList(HIMAGELIST list) {
    iconList_ = list;
    SetIconIndex(iconIndex_);
}

void TTrayIcon::SetCycleIcons(bool cycle) {
    cycleIcons_ = cycle;
    if (loading_)
        return;
    if (cycle && iconList_) {
        cycleTimer_.SetInterval(cycleInterval_);
        cycleTimer_.Start();
    } else {
        cycleTimer_.Stop();
    }
}

void TTrayIcon::SetCycleInterval(uint32_t ms) {
    cycleInterval_ = ms;
    cycleTimer_.SetInterval(ms);
}

void TTrayIcon::cycleTick() {
    if (!iconList_)
        return;
    const int count = ::ImageList_GetImageCount(iconList_);
    if (count <= 0)
        return;
    IconHandle icon(::ImageList_GetIcon(iconList_, iconIndex_, ILD_NORMAL));
    const int next = NextCycleIndex(iconIndex_, count);
    if (OnCycle)
        OnCycle(*this, next);
    icon_ = std::move(icon);
    iconIndex_ = next;
    ModifyIcon();
}

void TTrayIcon::SetPopupMenu(HMENU menu, bool autoPopup) {
    popupMenu_ = menu;
    autoPopup_ = autoPopup;
}

void TTrayIcon::SetWantEnterExitEvents(bool want) {
    wantEnterExit_ = want;
    if (loading_)
        return;
    if (want)
        enterExitTimer_.Start();
    else
        enterExitTimer_.Stop();
}

TrayPoint TTrayIcon::cursorPos() const {
    POINT pt{};
    ::GetCursorPos(&pt);
    return {pt.x, pt.y};
}

unsigned TTrayIcon::keyShiftState() const {
    unsigned s = 0;
    if (::GetAsyncKeyState(VK_SHIFT) < 0)
        s |= kSsShift;
    if (::GetAsyncKeyState(VK_MENU) < 0)
        s |= kSsAlt;
    if (::GetAsyncKeyState(VK_CONTROL) < 0)
        s |= kSsCtrl;
    return s;
}

void TTrayIcon::doClick() {
    if (OnClick)
        OnClick(*this);
}
void TTrayIcon::doDblClick() {
    if (OnDblClick)
        OnDblClick(*this);
}
void TTrayIcon::doMouseDown(TMouseButton b, unsigned s, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(*this, b, s, x, y);
}
void TTrayIcon::doMouseUp(TMouseButton b, unsigned s, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(*this, b, s, x, y);
}
void TTrayIcon::doMouseMove(unsigned s, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(*this, s, x, y);
}
void TTrayIcon::doMouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(*this);
}
void TTrayIcon::doMouseExit() {
    if (OnMouseExit)
        OnMouseExit(*this);
}
void TTrayIcon::doBalloonShow() {
    if (OnBalloonHintShow)
        OnBalloonHintShow(*this);
}
void TTrayIcon::doBalloonHide() {
    if (OnBalloonHintHide)
        OnBalloonHintHide(*this);
}
void TTrayIcon::doBalloonTimeout() {
    if (OnBalloonHintTimeout)
        OnBalloonHintTimeout(*this);
}
void TTrayIcon::doBalloonClick() {
    if (OnBalloonHintClick)
        OnBalloonHintClick(*this);
}

void TTrayIcon::popupMenuAtCursor() {
    POINT pt{};
    ::GetCursorPos(&pt);
    if (!popupMenu_)
        return;
    HWND wnd = handler_.window();
    // Messages dispatched below (the pending ones, then the menu's own loop) may destroy this
    // icon; nothing of it is touched once that happened.
    const std::weak_ptr<bool> alive = alive_;
    // The menu closes on a click elsewhere only while its window is in front.
    ::SetForegroundWindow(wnd);
    if (auto quit = dispatchPendingMessages())
        ::PostQuitMessage(*quit);
    if (alive.expired())
        return;
    HMENU menu = popupMenu_;
    HWND owner = owner_;
    // The menu tells its window (the handler's) about itself, which passes that on to the owner.
    handler_.setMenuOwner(owner);
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, wnd, nullptr));
    if (alive.expired())
        return;
    handler_.setMenuOwner(nullptr);
    ::PostMessageW(owner ? owner : wnd, WM_NULL, 0, 0);
    if (command && owner)
        ::SendMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void TTrayIcon::runDefaultMenuItem() {
    const int count = ::GetMenuItemCount(popupMenu_);
    std::vector<bool> isDefault;
    std::vector<UINT> ids;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE | MIIM_ID;
        ::GetMenuItemInfoW(popupMenu_, static_cast<UINT>(i), TRUE, &info);
        isDefault.push_back((info.fState & MFS_DEFAULT) != 0);
        ids.push_back(info.wID);
    }
    if (auto item = FirstDefaultItem(isDefault); item && owner_)
        ::SendMessageW(owner_, WM_COMMAND, MAKEWPARAM(ids[*item], 0), 0);
}

LRESULT CALLBACK
TTrayIcon::ownerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) noexcept {
    try {
        return reinterpret_cast<TTrayIcon*>(data)->ownerMessage(wnd, msg, wp, lp);
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", "tray_icon");
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }
}

LRESULT TTrayIcon::ownerMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    // What the main window's own handling must not miss; nothing here consumes the message.
    if (msg == WM_SIZE && wp == SIZE_MINIMIZED && MinimizeToTray) {
        minimizeToTrayStep();
    } else if (msg == WM_WINDOWPOSCHANGED && firstShow_) {
        // An MDI frame is only known to be complete here; any other owner was asked in Loaded.
        if (::FindWindowExW(wnd, nullptr, L"MDIClient", nullptr) && OnStartup) {
            bool show = true;
            OnStartup(*this, show);
            if (!show)
                HideMainWindow();
        }
        firstShow_ = false;
    } else if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_RESTORE) {
        if (::IsIconic(wnd))
            ::ShowWindow(wnd, SW_RESTORE);
    }

    if (msg == WM_SHOWWINDOW && wp == TRUE && lp == 0) {
        ::SetForegroundWindow(wnd);
    } else if ((msg == WM_SHOWWINDOW && wp == FALSE && lp == SW_PARENTCLOSING) ||
               (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_MINIMIZE)) {
        if (MinimizeToTray && OnMinimizeToTray) {
            OnMinimizeToTray(*this);
            minimizeToTrayStep();
            return 1;
        }
    }
    return ::DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace vantrel
