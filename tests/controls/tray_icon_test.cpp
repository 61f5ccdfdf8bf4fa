#include "controls/tray_icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantrel {
namespace {

// Time that moves only when the test says so; the click timer fires when its time comes.
class FakeClock {
  public:
    class Timer : public TrayTimer {
      public:
        explicit Timer(FakeClock& clock) : clock_(clock) {}
        void start(uint32_t intervalMs) override {
            interval_ = intervalMs;
            due_ = clock_.now + intervalMs;
            running_ = intervalMs != 0;
        }
        void stop() override { running_ = false; }
        bool running() const override { return running_; }

        FakeClock& clock_;
        uint32_t interval_ = 0;
        uint32_t due_ = 0;
        bool running_ = false;
        TrayNotificationLogic* logic = nullptr;
    };

    void advance(uint32_t ms) {
        const uint32_t end = now + ms;
        for (Timer* t : timers)
            while (t->running_ && t->due_ <= end) {
                now = t->due_;
                t->due_ += t->interval_;  // a plain timer repeats until stopped
                t->logic->clickTimerFired();
            }
        now = end;
    }

    uint32_t now = 0;
    std::vector<Timer*> timers;
};

// Notification codes of the shell (lParam of the callback message).
constexpr uint32_t kMove = 0x0200, kLDown = 0x0201, kLUp = 0x0202, kLDbl = 0x0203, kRDown = 0x0204,
                   kRUp = 0x0205, kMDown = 0x0207, kMUp = 0x0208, kContext = 0x007B, kSelect = 0x0400,
                   kBalloonShow = 0x0402, kBalloonHide = 0x0403, kBalloonTimeout = 0x0404,
                   kBalloonClick = 0x0405;

// Records the events in order as short words.
class Icon : public TrayNotificationTarget {
  public:
    Icon() : timer(clock), logic(*this, timer) {
        timer.logic = &logic;
        clock.timers.push_back(&timer);
    }

    bool trayEnabled() const override { return enabled; }
    bool wantEnterExitEvents() const override { return enterExit; }
    bool hasDblClickHandler() const override { return dblHandler; }
    bool leftPopup() const override { return leftPopupOn; }
    bool hasAutoPopupMenu() const override { return menu; }
    TTrayNotifyStyle notifyStyle() const override { return style; }
    uint32_t doubleClickTime() const override { return 500; }
    TrayPoint cursorPos() const override { return cursor; }
    unsigned keyShiftState() const override { return keys; }

    void doClick() override { log.push_back("click@" + std::to_string(clock.now)); }
    void doDblClick() override { log.push_back("dbl"); }
    void doMouseDown(TMouseButton b, unsigned s, int x, int y) override { mouse("down", b, s, x, y); }
    void doMouseUp(TMouseButton b, unsigned s, int x, int y) override { mouse("up", b, s, x, y); }
    void doMouseMove(unsigned s, int x, int y) override {
        log.push_back("move" + std::to_string(s) + "@" + std::to_string(x) + "," + std::to_string(y));
    }
    void doMouseEnter() override { log.push_back("enter"); }
    void doMouseExit() override { log.push_back("exit"); }
    void doBalloonShow() override { log.push_back("bshow"); }
    void doBalloonHide() override { log.push_back("bhide"); }
    void doBalloonTimeout() override { log.push_back("btimeout"); }
    void doBalloonClick() override { log.push_back("bclick"); }
    void popupMenuAtCursor() override { log.push_back("popup"); }
    void runDefaultMenuItem() override { log.push_back("default"); }

    void mouse(const char* what, TMouseButton b, unsigned s, int x, int y) {
        const char* name = b == TMouseButton::Left ? "L" : b == TMouseButton::Right ? "R" : "M";
        log.push_back(std::string(what) + name + std::to_string(s) + "@" + std::to_string(x) + "," +
                      std::to_string(y));
    }
    void send(std::initializer_list<uint32_t> events, uint32_t gapMs = 0) {
        for (uint32_t e : events) {
            logic.notify(e);
            clock.advance(gapMs);
        }
    }

    bool enabled = true, enterExit = false, dblHandler = true, leftPopupOn = false, menu = false;
    TTrayNotifyStyle style = TTrayNotifyStyle::Legacy;
    TrayPoint cursor{900, 750};
    unsigned keys = 0;
    std::vector<std::string> log;
    FakeClock clock;
    FakeClock::Timer timer;
    TrayNotificationLogic logic;
};

using Log = std::vector<std::string>;

TEST(TrayClickTest, SingleClickWaitsForTheDoubleClickTime) {
    Icon icon;
    icon.send({kLDown, kLUp}, 100);
    EXPECT_EQ(icon.log, (Log{"downL8@900,750", "upL8@900,750"}));
    icon.clock.advance(299);  // 499 ms after the press
    EXPECT_EQ(icon.log.size(), 2u);
    icon.clock.advance(1);
    EXPECT_EQ(icon.log.back(), "click@500");
    EXPECT_FALSE(icon.timer.running());
    icon.clock.advance(2000);
    EXPECT_EQ(icon.log.size(), 3u);  // once only
}

TEST(TrayClickTest, DoubleClickNeverAlsoClicks) {
    Icon icon;
    icon.menu = true;
    icon.send({kLDown, kLUp, kLDbl, kLUp}, 50);
    icon.clock.advance(5000);
    EXPECT_EQ(icon.log, (Log{"downL8@900,750", "upL8@900,750", "dbl", "default", "upL8@900,750"}));
    // The next single click is reported normally again.
    icon.log.clear();
    icon.send({kLDown, kLUp}, 10);
    icon.clock.advance(1000);
    EXPECT_EQ(icon.log.back(), "click@5700");
}

TEST(TrayClickTest, TableOfOtherNotifications) {
    struct Case {
        const char* name;
        std::vector<uint32_t> events;
        Log expected;
        bool dblHandler = true;
        bool menu = false;
        bool leftPopup = false;
        TTrayNotifyStyle style = TTrayNotifyStyle::Legacy;
        bool enabled = true;
    };
    const Case cases[] = {
        {"without a double-click handler the click comes on button up",
         {kLDown, kLUp},
         {"downL8@900,750", "click@0", "upL8@900,750"},
         false},
        {"double click without a menu runs no default item", {kLDbl}, {"dbl"}},
        {"left popup opens the menu on the press and keeps the default item out",
         {kLDown, kLDbl},
         {"downL8@900,750", "popup", "dbl"},
         true,
         true,
         true},
        {"right press opens the menu; legacy right up",
         {kRDown, kRUp},
         {"downR16@900,750", "popup", "upR16@900,750"},
         true,
         true},
        {"right press without a menu", {kRDown}, {"downR16@900,750"}},
        {"version 3 reports the right up as context menu or select",
         {kRUp, kContext, kSelect},
         {"upR16@900,750", "upR16@900,750"},
         true,
         false,
         false,
         TTrayNotifyStyle::Version3},
        {"legacy ignores the version 3 messages", {kContext, kSelect}, {}},
        {"middle button", {kMDown, kMUp}, {"downM32@900,750", "upM32@900,750"}},
        {"balloon notifications",
         {kBalloonShow, kBalloonHide, kBalloonTimeout, kBalloonClick},
         {"bshow", "bhide", "btimeout", "bclick"}},
        {"disabled: mouse ignored, balloons still reported",
         {kLDown, kLUp, kRDown, kMove, kBalloonClick},
         {"bclick"},
         true,
         true,
         false,
         TTrayNotifyStyle::Legacy,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Icon icon;
        icon.dblHandler = c.dblHandler;
        icon.menu = c.menu;
        icon.leftPopupOn = c.leftPopup;
        icon.style = c.style;
        icon.enabled = c.enabled;
        for (uint32_t e : c.events)
            icon.logic.notify(e);
        EXPECT_EQ(icon.log, c.expected);
    }
}

TEST(TrayClickTest, ShiftStateAndEnterExit) {
    Icon icon;
    icon.keys = kSsShift | kSsCtrl;
    icon.send({kRDown});
    EXPECT_EQ(icon.log.back(), "downR21@900,750");

    icon.log.clear();
    icon.enterExit = true;
    icon.send({kMove, kMove});
    EXPECT_EQ(icon.log, (Log{"enter", "move5@900,750", "move5@900,750"}));
    icon.logic.enterExitTick();  // still where it was seen over the icon
    EXPECT_FALSE(icon.logic.mouseOutside());
    icon.cursor = {10, 10};
    icon.logic.enterExitTick();
    icon.logic.enterExitTick();
    EXPECT_EQ(icon.log.back(), "exit");
    EXPECT_EQ(std::count(icon.log.begin(), icon.log.end(), "exit"), 1);
    icon.send({kMove});
    EXPECT_EQ(icon.log[icon.log.size() - 2], "enter");
}

TEST(TrayTextTest, TipAndBalloonLimits) {
    const std::wstring hint200(200, L'h');
    EXPECT_EQ(TrayTip(hint200, true), std::wstring(127, L'h'));
    EXPECT_EQ(TrayTip(hint200, false), L"");
    EXPECT_EQ(TrayTip(L"Free: 512 MB", true), L"Free: 512 MB");
    EXPECT_EQ(TrayTip(std::wstring(127, L'x'), true).size(), 127u);
    EXPECT_EQ(BalloonText(std::wstring(300, L't')).size(), 255u);
    EXPECT_EQ(BalloonText(L"Freed 10 MB\r\nNow free: 600 MB"), L"Freed 10 MB\r\nNow free: 600 MB");
    EXPECT_EQ(BalloonTitle(std::wstring(64, L'T')).size(), 63u);
    EXPECT_EQ(BalloonTitle(L"Optimization Completed"), L"Optimization Completed");
    EXPECT_EQ(BalloonTimeoutMs(10), 10000u);
    EXPECT_EQ(BalloonTimeoutMs(255), 255000u);
}

TEST(TrayTextTest, CyclingMenusAndGuardedMessages) {
    EXPECT_EQ(NextCycleIndex(0, 3), 1);
    EXPECT_EQ(NextCycleIndex(2, 3), 0);
    EXPECT_EQ(NextCycleIndex(0, 0), 0);
    EXPECT_EQ(ClampIconIndex(7, 3), 2);
    EXPECT_EQ(ClampIconIndex(1, 3), 1);
    EXPECT_EQ(ClampIconIndex(5, 0), 0);
    EXPECT_EQ(ClampIconIndex(-1, 3), 0);
    EXPECT_EQ(FirstDefaultItem({false, true, true}), std::optional<size_t>(1));
    EXPECT_EQ(FirstDefaultItem({false, false}), std::nullopt);
    for (uint32_t m : {0x0002u, 0x0010u, 0x0011u, 0x0012u, 0x0016u, 0x0082u})
        EXPECT_TRUE(IsHandlerGuardedMessage(m)) << m;
    for (uint32_t m : {0x0001u, 0x0113u, 0x0800u})
        EXPECT_FALSE(IsHandlerGuardedMessage(m)) << m;
}

TEST(LinkLabelTest, UrlFollowsTheCaptionUnlessSetOnItsOwn) {
    struct Case {
        const wchar_t* url;
        const wchar_t* previous;
        const wchar_t* caption;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"", L"", L"https://a.example/", L"https://a.example/"},
        {L"https://a.example/", L"https://a.example/", L"https://b.example/", L"https://b.example/"},
        {L"https://support.example/", L"Support", L"Get help", L"https://support.example/"},
        {L"https://a.example/", L"https://a.example/", L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlAfterCaptionChange(c.url, c.previous, c.caption), c.expected) << c.caption;
}

}  // namespace
}  // namespace vantrel
