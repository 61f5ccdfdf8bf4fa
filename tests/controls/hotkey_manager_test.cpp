#include "controls/hotkey_manager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

TEST(HotKeyValueTest, SplitsIntoSystemFlagsAndKey) {
    struct Case {
        HotKeyValue value;
        uint16_t modifiers;
        uint16_t key;
    };
    const Case cases[] = {
        {49229, kModControl | kModAlt, 77},                // Ctrl+Alt+M
        {0x10000 + 0x2000 + 65, kModWin | kModShift, 65},  // Win+Shift+A
        {49229 | 0x1F00, kModControl | kModAlt, 77},       // bits 8-12 are ignored
        {0x4000 | 0x0800 | 33, kModControl, 33},           // the edit control's extended flag too
        {0x1E000 | 0xFE, kModWin | kModAlt | kModControl | kModShift, 0xFE},
        {0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SplitHotKey(c.value), (SplitHotKeyResult{c.modifiers, c.key}));
        // What WM_HOTKEY reports rebuilds the value without the unused bits.
        EXPECT_EQ(HotKeyFromSystem(c.modifiers, c.key), c.value & ~kHotKeyUnusedBits);
    }
    EXPECT_EQ(HotKeyAtomName(49229), L"HotKeyManagerHotKey49229");
}

TEST(HotKeyTextTest, PrefixesInFixedOrderAndKeyNames) {
    const ModifierNames names{L"Umschalt", L"Strg", L"Alt", L"Win"};
    auto layout = [](uint8_t key) -> std::wstring {
        if (key == 'M')
            return L"M";
        if (key == 179)
            return L"";  // the layout has no name for Play/Pause
        if (key == 175)
            return L"X";  // one character is no name either
        if (key == 166)
            return L"Back";  // a real name wins over the table
        if (key == 33)
            return L"Page Up";
        return L"";
    };
    struct Case {
        HotKeyValue value;
        const wchar_t* text;
    };
    const Case cases[] = {
        {49229, L"Strg+Alt+M"},
        {0x1E000 | 'M', L"Strg+Umschalt+Alt+Win+M"},
        {0x10000 | 0x2000 | 'M', L"Umschalt+Win+M"},
        {179, L"Play/Pause Media"},
        {0x4000 | 175, L"Strg+Volume Up"},
        {166, L"Back"},
        {0x8000 | 0x1F00 | 33, L"Alt+Page Up"},
        {0x4000 | 7, L"Strg+"},  // no scan code: just the prefix
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(HotKeyText(c.value, names, layout), c.text);
    }
    EXPECT_EQ(MediaKeyName(166), L"Browser Back");
    EXPECT_EQ(MediaKeyName(172), L"Browser Start/Home");
    EXPECT_EQ(MediaKeyName(183), L"Start Application 2");
    EXPECT_EQ(MediaKeyName(165), L"");
    EXPECT_EQ(MediaKeyName(184), L"");
    EXPECT_EQ(KeyNameWithMediaFallback(L"", 184), L"");
}

TEST(HotKeyTextTest, NavigationKeysAskForTheCursorBlockName) {
    for (uint8_t key : {33, 34, 35, 36, 37, 38, 39, 40, 45, 46}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(IsExtendedNavigationKey(key));
        EXPECT_EQ(KeyNameRequest(0x49, key), (0x49 << 16) | (1 << 24));
    }
    for (uint8_t key : {32, 41, 44, 47, 77, 105}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(IsExtendedNavigationKey(key));
        EXPECT_EQ(KeyNameRequest(0x32, key), 0x32 << 16);
    }
    EXPECT_EQ(KeyNameRequest(0, 'M'), 0);
}

TEST(HotKeyTextTest, StartupNamesComeFromTheKeyboard) {
    struct Case {
        const wchar_t* shift;
        const wchar_t* ctrl;
        const wchar_t* alt;
        const wchar_t* win;
    };
    const Case cases[] = {
        {L"Shift", L"Ctrl", L"Alt", L"Win"},    {L"MAJ", L"CTRL", L"ALT", L"WIN"},  // capitals only
        {L"Umschalt", L"Strg", L"", L"WIN"},     // an empty name passes the capitals test
        {L"SHIFT", L"CTRL", L"ALT GR", L"Win"},  // a space is not a capital
        {L"A", L"B", L"\u00c4LT", L"Win"},       // nor is a letter outside A-Z
    };
    for (const auto& c : cases) {
        auto layout = [&](uint8_t key) -> std::wstring {
            switch (key) {
                case 16:
                    return c.shift;
                case 17:
                    return c.ctrl;
                case 18:
                    return c.alt;
            }
            return L"?";
        };
        const ModifierNames n = StartupModifierNames(layout);
        EXPECT_EQ(n.shift, c.shift);
        EXPECT_EQ(n.ctrl, c.ctrl);
        EXPECT_EQ(n.alt, c.alt);
        EXPECT_EQ(n.win, c.win);
    }
    EXPECT_TRUE(MustUnloadUsLayout({0x04070407}, 0x04090409));
    EXPECT_FALSE(MustUnloadUsLayout({0x04070407, 0x04090409}, 0x04090409));
}

TEST(OnDemandLayoutTest, LoadedOnFirstUseOnceAndGivenBackOnlyWhenItWasNotInstalled) {
    struct Case {
        std::vector<uintptr_t> installed;
        uintptr_t loaded;
        int unloads;
    };
    const Case cases[] = {
        {{0x04070407}, 0x04090409, 1},              // loaded for us: given back
        {{0x04070407, 0x04090409}, 0x04090409, 0},  // the user's own: left alone
        {{0x04070407}, 0, 0},                       // could not be loaded: nothing to give back
    };
    for (const auto& c : cases) {
        int listed = 0, loads = 0, unloads = 0;
        uintptr_t unloaded = 0;
        {
            OnDemandLayout layout({[&] {
                                       ++listed;
                                       return c.installed;
                                   },
                                   [&] {
                                       ++loads;
                                       return c.loaded;
                                   },
                                   [&](uintptr_t l) {
                                       ++unloads;
                                       unloaded = l;
                                   }});
            EXPECT_EQ(loads + listed, 0) << "nothing happens before the layout is needed";
            EXPECT_EQ(layout.get(), c.loaded);
            layout.get();
            EXPECT_EQ(listed, c.loaded ? 1 : 2) << "loaded once; a failed load is tried again";
        }
        EXPECT_EQ(unloads, c.unloads);
        EXPECT_EQ(unloaded, c.unloads ? c.loaded : 0);
    }
    int loads = 0;
    {
        OnDemandLayout unused({nullptr, [&] { return uintptr_t(++loads); }, nullptr});
    }
    EXPECT_EQ(loads, 0) << "never needed, never loaded";
}

// Atoms and registrations as the system keeps them: reference-counted atoms by name, one
// holder per combination.
class FakeHotKeySystem : public HotKeySystem {
  public:
    struct Atom {
        std::wstring name;
        int refs = 0;
    };
    std::map<uint16_t, Atom> atoms;
    std::map<uint16_t, std::pair<uint16_t, uint16_t>> registered;  // id -> (modifiers, key)
    std::vector<uint16_t> unregistered;
    bool failUnregister = false;
    MessageSink sink;

    uint16_t addAtom(const std::wstring& name) override {
        for (auto& [id, a] : atoms)
            if (a.name == name && a.refs > 0) {
                ++a.refs;
                return id;
            }
        const uint16_t id = static_cast<uint16_t>(0xC000 + atoms.size());
        atoms[id] = {name, 1};
        return id;
    }
    void deleteAtom(uint16_t atom) override { --atoms.at(atom).refs; }
    bool registerHotKey(uint16_t id, uint16_t modifiers, uint16_t key) override {
        for (auto& [held, combo] : registered)
            if (held == id || combo == std::make_pair(modifiers, key))
                return false;
        registered[id] = {modifiers, key};
        return true;
    }
    bool unregisterHotKey(uint16_t id) override {
        unregistered.push_back(id);
        if (failUnregister)
            return false;
        return registered.erase(id) == 1;
    }
    void setMessageSink(MessageSink s) override { sink = std::move(s); }

    int liveAtoms() const {
        int n = 0;
        for (auto& [id, a] : atoms)
            n += a.refs;
        return n;
    }
    // What the system posts when a registered combination is pressed.
    void press(uint16_t id, uint16_t modifiers, uint16_t key) {
        sink(kWmHotKey, id, static_cast<intptr_t>((uint32_t(key) << 16) | modifiers));
    }
};

struct Manager {
    FakeHotKeySystem* sys;
    std::unique_ptr<THotKeyManager> manager;
    std::vector<std::pair<HotKeyValue, uint16_t>> pressed;
    Manager() {
        auto s = std::make_unique<FakeHotKeySystem>();
        sys = s.get();
        manager = std::make_unique<THotKeyManager>(std::move(s));
        manager->OnHotKeyPressed = [this](HotKeyValue v, uint16_t i) { pressed.emplace_back(v, i); };
    }
};

TEST(HotKeyManagerTest, SameValueTwiceKeepsTheFirstAndLeavesNoTrace) {
    Manager m;
    const uint16_t id = m.manager->AddHotKey(49229);
    EXPECT_GE(id, 0xC000);
    EXPECT_EQ(m.sys->atoms[id].name, L"HotKeyManagerHotKey49229");
    EXPECT_EQ(m.sys->registered[id], std::make_pair(uint16_t(kModControl | kModAlt), uint16_t(77)));
    EXPECT_EQ(m.manager->AddHotKey(49229), 0);
    EXPECT_EQ(m.manager->entries().size(), 1u);
    EXPECT_EQ(m.sys->atoms[id].refs, 1);  // the second reference was given back
    m.sys->press(id, kModControl | kModAlt, 77);
    EXPECT_EQ(m.pressed, (std::vector<std::pair<HotKeyValue, uint16_t>>{{49229, id}}));
}

TEST(HotKeyManagerTest, ChangeRemoveAndClear) {
    Manager m;
    const uint16_t a = m.manager->AddHotKey(49229);
    const uint16_t b = m.manager->AddHotKey(49236);
    const uint16_t c = m.manager->AddHotKey(49235);
    ASSERT_TRUE(a && b && c);
    // List positions are not ids.
    for (uint16_t position : {0, 1, 2}) {
        EXPECT_EQ(m.manager->ChangeHotKey(position, 0x6000 | 'Q'), 0);
        EXPECT_FALSE(m.manager->RemoveHotKey(position));
    }
    EXPECT_EQ(m.sys->registered.size(), 3u);

    // A change to a combination already held drops the old registration all the same.
    EXPECT_EQ(m.manager->ChangeHotKey(b, 49235), 0);
    EXPECT_EQ(m.sys->registered.size(), 2u);
    EXPECT_EQ(m.manager->entries().size(), 2u);

    const uint16_t d = m.manager->ChangeHotKey(a, 0x6000 | 'Q');
    EXPECT_NE(d, 0);
    EXPECT_EQ(m.manager->entries().back().HotKey, HotKeyValue(0x6000 | 'Q'));

    // An unregister the system refuses still drops the entry and its atom.
    m.sys->failUnregister = true;
    EXPECT_FALSE(m.manager->RemoveHotKey(c));
    EXPECT_EQ(m.manager->entries().size(), 1u);
    m.sys->failUnregister = false;

    const uint16_t e = m.manager->AddHotKey(49229);
    m.sys->unregistered.clear();
    m.manager->ClearHotKeys();
    EXPECT_EQ(m.sys->unregistered, (std::vector<uint16_t>{e, d}));  // last to first
    EXPECT_TRUE(m.manager->entries().empty());
    EXPECT_EQ(m.sys->liveAtoms(), 0);
}

TEST(HotKeyManagerTest, DispatchesOnlyKnownCombinations) {
    Manager m;
    const uint16_t id = m.manager->AddHotKey(0x10000 | 0x2000 | 0x0800 | 'A');  // edit flag in bit 11
    ASSERT_NE(id, 0);
    m.sys->press(id, kModWin | kModShift, 'A');
    m.sys->press(id, kModWin, 'A');                                        // not in the list
    m.sys->sink(0x0111, id, (uint32_t('A') << 16) | kModWin | kModShift);  // not a hotkey message
    EXPECT_EQ(m.pressed, (std::vector<std::pair<HotKeyValue, uint16_t>>{{0x12041, id}}));
    m.manager->RemoveHotKey(id);
    m.sys->press(id, kModWin | kModShift, 'A');  // arrives just after removal
    EXPECT_EQ(m.pressed.size(), 1u);
    // Without a handler a press of a registered key is dropped, and the registration is left
    // as it was: the next press after a handler is set again arrives.
    m.manager->OnHotKeyPressed = nullptr;
    const uint16_t other = m.manager->AddHotKey(49229);
    ASSERT_NE(other, 0);
    m.sys->press(other, kModControl | kModAlt, 77);
    EXPECT_EQ(m.pressed.size(), 1u);
    EXPECT_EQ(m.manager->entries().size(), 1u);
    m.manager->OnHotKeyPressed = [&](HotKeyValue v, uint16_t i) { m.pressed.emplace_back(v, i); };
    m.sys->press(other, kModControl | kModAlt, 77);
    ASSERT_EQ(m.pressed.size(), 2u);
    EXPECT_EQ(m.pressed.back(), std::make_pair(HotKeyValue(49229), other));
}

TEST(HotKeyManagerTest, AvailabilityIsATrialThatLeavesNothing) {
    Manager m;
    FakeHotKeySystem other;
    EXPECT_TRUE(IsHotKeyAvailable(other, 49229));
    EXPECT_TRUE(other.registered.empty());
    EXPECT_EQ(other.liveAtoms(), 0);
    ASSERT_EQ(other.atoms.begin()->second.name, L"HotKeyManagerHotKeyTest");

    m.manager->AddHotKey(49229);
    EXPECT_FALSE(IsHotKeyAvailable(*m.sys, 49229));  // held by this program: unavailable
    EXPECT_TRUE(IsHotKeyAvailable(*m.sys, 49236));
    EXPECT_EQ(m.sys->registered.size(), 1u);
    EXPECT_EQ(m.sys->liveAtoms(), 1);
}

}  // namespace
}  // namespace vantrel
