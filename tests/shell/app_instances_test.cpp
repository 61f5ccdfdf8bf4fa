#include "shell/app_instances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

namespace vantrel {
namespace {

// The shared bytes of one table, followed by bytes that no access may touch.
struct SharedTable {
    static constexpr unsigned char kCanary = 0xA5;
    std::array<unsigned char, kInstanceTableSize + 64> bytes{};
    int locked = 0;
    int maxLocked = 0;

    SharedTable() { std::fill(bytes.begin() + kInstanceTableSize, bytes.end(), kCanary); }
    bool canaryIntact() const {
        return std::all_of(bytes.begin() + kInstanceTableSize, bytes.end(),
                           [](auto b) { return b == kCanary; });
    }
    void set16(size_t at, uint16_t v) {
        bytes[at] = uint8_t(v);
        bytes[at + 1] = uint8_t(v >> 8);
    }
    uint16_t get16(size_t at) const { return uint16_t(bytes[at] | bytes[at + 1] << 8); }
    uint32_t slot(size_t i) const {
        const unsigned char* p = &bytes[4 + 4 * i];
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
};

class SharedStore final : public InstanceStore {
  public:
    explicit SharedStore(SharedTable& t) : t_(t) {}
    void lock() override { t_.maxLocked = std::max(t_.maxLocked, ++t_.locked); }
    void unlock() noexcept override { --t_.locked; }
    unsigned char* table() noexcept override {
        EXPECT_EQ(t_.locked, 1) << "the table is reached only under the lock";
        return t_.bytes.data();
    }

  private:
    SharedTable& t_;
};

// The desktop as the guard sees it, and every call made on it.
struct Desktop {
    std::vector<CopyWindows::TopWindow> windows;
    std::map<uint64_t, uint32_t> threads;
    std::set<uint64_t> iconic;
    std::set<uint64_t> answering;  // windows that answer the activation request
    uint64_t foreground = 0;
    bool setForegroundWorks = true;
    std::vector<std::string> calls;
};

class FakeWindows final : public CopyWindows {
  public:
    explicit FakeWindows(Desktop& d) : d_(d) {}
    std::vector<TopWindow> topLevelWindows() override { return d_.windows; }
    void allowForeground(uint32_t pid) override { d_.calls.push_back("allow " + std::to_string(pid)); }
    bool requestShow(uint64_t w, uint32_t sender) override {
        d_.calls.push_back("request " + std::to_string(w) + " from " + std::to_string(sender));
        return d_.answering.count(w) != 0;
    }
    bool isIconic(uint64_t w) override { return d_.iconic.count(w) != 0; }
    void restore(uint64_t w) override { d_.calls.push_back("restore " + std::to_string(w)); }
    uint64_t foregroundWindow() override { return d_.foreground; }
    uint32_t windowThread(uint64_t w) override { return d_.threads.count(w) ? d_.threads[w] : 0; }
    bool attachInput(uint32_t a, uint32_t b, bool on) override {
        d_.calls.push_back(std::string(on ? "attach " : "detach ") + std::to_string(a) + ">" +
                           std::to_string(b));
        return true;
    }
    bool setForeground(uint64_t w) override {
        d_.calls.push_back("foreground " + std::to_string(w));
        if (d_.setForegroundWorks)
            d_.foreground = w;
        return d_.setForegroundWorks;
    }

  private:
    Desktop& d_;
};

std::unique_ptr<TAppInstances> copy(SharedTable& t, Desktop& d, uint32_t pid) {
    return std::make_unique<TAppInstances>(std::make_unique<SharedStore>(t), std::make_unique<FakeWindows>(d),
                                           pid);
}

TEST(AppInstancesTest, NamesComeFromTheUpperCasedPath) {
    const InstanceNames n = MakeInstanceNames(L"C:\\PROGRAM FILES\\VANTREL\\VANTREL.EXE");
    EXPECT_EQ(n.uniqueAppId, L"AppInstC:_PROGRAM FILES_VANTREL_VANTREL.EXE");
    EXPECT_EQ(n.lock, L"AppInstC:_PROGRAM FILES_VANTREL_VANTREL.EXE_Otx");
    EXPECT_EQ(n.table, L"AppInstC:_PROGRAM FILES_VANTREL_VANTREL.EXE_All");
}

TEST(AppInstancesTest, FirstCopyFixesTheLimitAndOnlyOneIsAdmitted) {
    SharedTable t;
    Desktop d;
    auto first = copy(t, d, 100);
    EXPECT_TRUE(EnsureSingleCopy(*first));
    EXPECT_EQ(first->MaxCopies(), 1);
    EXPECT_EQ(first->Count(), 1);
    {
        auto second = copy(t, d, 200);
        EXPECT_FALSE(EnsureSingleCopy(*second));
        EXPECT_EQ(second->Count(), 2) << "a refused copy is in the table until it ends";
        EXPECT_EQ(second->GetAllProcessIDs(1), 200u);
    }
    EXPECT_EQ(first->Count(), 1) << "the refused copy removed itself";
    EXPECT_EQ(first->GetAllProcessIDs(0), 100u);
    EXPECT_EQ(first->GetAllProcessIDs(1), 0u);
    EXPECT_EQ(first->GetAllProcessIDs(-1), 0u);

    // A later caller's limit does not change the first one's.
    auto third = copy(t, d, 300);
    EXPECT_FALSE(third->RegisterCopy(5));
    EXPECT_EQ(third->MaxCopies(), 1);

    first.reset();
    third.reset();
    auto fourth = copy(t, d, 400);
    EXPECT_TRUE(EnsureSingleCopy(*fourth)) << "a new start after every copy ended";
    EXPECT_EQ(t.maxLocked, 1);
}

TEST(AppInstancesTest, LimitAboveOneAdmitsThatManyAndUnregisterKeepsTheOrder) {
    SharedTable t;
    Desktop d;
    auto a = copy(t, d, 1);
    auto b = copy(t, d, 2);
    auto c = copy(t, d, 3);
    auto e = copy(t, d, 4);
    EXPECT_TRUE(a->RegisterCopy(3));
    EXPECT_TRUE(b->RegisterCopy(3));
    EXPECT_TRUE(c->RegisterCopy(3));
    EXPECT_FALSE(e->RegisterCopy(3));
    b->UnregisterCopy();
    EXPECT_EQ(a->Count(), 3);
    EXPECT_EQ(a->GetAllProcessIDs(0), 1u);
    EXPECT_EQ(a->GetAllProcessIDs(1), 3u);
    EXPECT_EQ(a->GetAllProcessIDs(2), 4u);
    b->UnregisterCopy();
    EXPECT_EQ(a->Count(), 3) << "an id not in the table changes nothing";
}

TEST(AppInstancesTest, HostileCountNeverReachesPastTheSlots) {
    struct Case {
        uint16_t maxCopies, count, limit;
        bool admitted;
    } cases[] = {
        {1, 257, 1, false},                        // the 258th copy
        {0, 257, 1, false},                        // this copy's limit is fixed first
        {0, 257, 0, true},                         // unlimited, but there is no slot left
        {1, 65535, 1, false},                      // corrupted
        {1000, 300, 1, true}, {1, 256, 1, false},  // the last slot is still written
    };
    for (const auto& c : cases) {
        SharedTable t;
        Desktop d;
        t.set16(0, c.maxCopies);
        t.set16(2, c.count);
        for (size_t i = 0; i < kInstanceSlots; ++i)
            t.bytes[4 + 4 * i] = uint8_t(i + 1);
        {
            auto g = copy(t, d, 0x12345678);
            EXPECT_EQ(g->RegisterCopy(c.limit), c.admitted) << c.count;
            EXPECT_LE(g->Count(), int(kInstanceSlots));
            EXPECT_EQ(g->GetAllProcessIDs(int(kInstanceSlots)), 0u);
            EXPECT_EQ(g->GetAllProcessIDs(int(c.count)), c.count < kInstanceSlots ? 0x12345678u : 0u);
            g->ActivateCopy(300);
        }  // unregistered here
        EXPECT_TRUE(t.canaryIntact()) << c.count;
        if (c.count < kInstanceSlots) {
            EXPECT_EQ(t.get16(2), c.count) << "registered, then removed again";
        }
    }

    // An id found in a table whose Count is out of range is removed within the slots.
    SharedTable t;
    Desktop d;
    t.set16(0, 1);
    t.set16(2, 60000);
    t.bytes[4 + 4 * 256] = 0x77;  // the id 0x77 in the last slot
    copy(t, d, 0x77).reset();
    EXPECT_EQ(t.get16(2), kInstanceSlots - 1);
    EXPECT_TRUE(t.canaryIntact());
}

TEST(AppInstancesTest, ActivationFindsTheOldestCopysMainWindowByProcessAndClass) {
    SharedTable t;
    Desktop d;
    auto first = copy(t, d, 100);
    ASSERT_TRUE(first->RegisterCopy(1));
    d.windows = {
        {11, 200, kMainWindowClass},      // another process
        {12, 100, L"TVantrelMainFormX"},  // a longer name with the same beginning
        {13, 100, L"TVantrelMainFor"},    // a shorter one
        {14, 100, L"tvantrelmainform"},   // another case
        {15, 100, kMainWindowClass},      // the one
        {16, 100, kMainWindowClass},      // a second of the same class comes later
    };
    EXPECT_EQ(first->GetAllAppWnds(0), 15u);
    EXPECT_EQ(first->GetAllAppWnds(1), 0u);

    auto second = copy(t, d, 200);
    d.threads = {{15, 5}, {99, 9}};
    d.foreground = 99;
    d.answering = {15};
    EXPECT_FALSE(EnsureSingleCopy(*second));
    const std::vector<std::string> expected = {"allow 100",     "request 15 from 200", "attach 9>5",
                                               "foreground 15", "detach 9>5",          "foreground 15"};
    EXPECT_EQ(d.calls, expected);
}

// Copy 100 runs with its main window 15 on thread 5; copy 200 activates it. The calls made, with
// the request that always goes first checked and left out.
std::vector<std::string> activateFirstCopy(Desktop& d) {
    SharedTable t;
    auto first = copy(t, d, 100);
    first->RegisterCopy(1);
    d.windows = {{15, 100, kMainWindowClass}};
    d.threads[15] = 5;
    copy(t, d, 200)->ActivateCopy(0);
    EXPECT_EQ(
        std::vector<std::string>(d.calls.begin(), d.calls.begin() + std::min<size_t>(2, d.calls.size())),
        (std::vector<std::string>{"allow 100", "request 15 from 200"}));
    return std::vector<std::string>(d.calls.begin() + std::min<size_t>(2, d.calls.size()), d.calls.end());
}

TEST(AppInstancesTest, RequestIsSentToHiddenCopiesAndMinimisedOnesAreRestoredWhenItIsNotAnswered) {
    struct Case {
        bool iconic, answers;
        bool restored;
    } cases[] = {
        {false, false, false},  // hidden in the tray, not answering: nothing more to do
        {false, true, false},
        {true, true, false},  // the window restored itself
        {true, false, true},  // not answered: the system's restore
    };
    for (const auto& c : cases) {
        Desktop d;
        d.foreground = 15;  // nothing more once it is in front
        if (c.iconic)
            d.iconic.insert(15);
        if (c.answers)
            d.answering.insert(15);
        EXPECT_EQ(activateFirstCopy(d),
                  c.restored ? std::vector<std::string>{"restore 15"} : std::vector<std::string>{})
            << c.iconic << c.answers;
    }
}

TEST(AppInstancesTest, ForegroundSteps) {
    struct Case {
        uint64_t foreground;
        uint32_t foregroundThread;
        bool works;
        std::vector<std::string> after;  // the calls after the request
    } cases[] = {
        {15, 5, true, {}},
        {20, 5, true, {"foreground 15"}},  // same thread: no attaching
        {20, 9, true, {"attach 9>5", "foreground 15", "detach 9>5", "foreground 15"}},
        {20, 9, false, {"attach 9>5", "foreground 15", "detach 9>5"}},  // gives up
        {0, 0, true, {"attach 0>5", "foreground 15", "detach 0>5", "foreground 15"}},
    };
    for (const auto& c : cases) {
        Desktop d;
        d.threads = {{20, c.foregroundThread}};
        d.foreground = c.foreground;
        d.setForegroundWorks = c.works;
        d.answering = {15};
        EXPECT_EQ(activateFirstCopy(d), c.after) << c.foreground << " " << c.works;
    }
}

TEST(AppInstancesTest, CopyWithoutMainWindowIsLeftAlone) {
    SharedTable t;
    Desktop d;
    auto first = copy(t, d, 100);
    first->RegisterCopy(1);
    d.windows = {{15, 100, L"VantrelGuiSync"}};
    auto second = copy(t, d, 200);
    EXPECT_FALSE(EnsureSingleCopy(*second));
    EXPECT_TRUE(d.calls.empty());
}

}  // namespace
}  // namespace vantrel
