#include "controls/hotkey_manager.h"

#include <algorithm>
#include <array>

namespace vantrel {

SplitHotKeyResult SplitHotKey(HotKeyValue value) noexcept {
    SplitHotKeyResult r;
    r.key = static_cast<uint16_t>(value & 0xFF);
    if (value & kHotKeyWin)
        r.modifiers |= kModWin;
    if (value & kHotKeyAlt)
        r.modifiers |= kModAlt;
    if (value & kHotKeyCtrl)
        r.modifiers |= kModControl;
    if (value & kHotKeyShift)
        r.modifiers |= kModShift;
    return r;
}

HotKeyValue HotKeyFromSystem(uint16_t modifiers, uint16_t key) noexcept {
    HotKeyValue value = 0;
    if (modifiers & kModShift)
        value += kHotKeyShift;
    if (modifiers & kModControl)
        value += kHotKeyCtrl;
    if (modifiers & kModAlt)
        value += kHotKeyAlt;
    if (modifiers & kModWin)
        value += kHotKeyWin;
    return value + key;
}

std::wstring HotKeyAtomName(HotKeyValue value) {
    return L"HotKeyManagerHotKey" + std::to_wstring(value);
}

bool IsExtendedNavigationKey(uint8_t key) noexcept {
    return (key >= 33 && key <= 40) || key == 45 || key == 46;
}

int32_t KeyNameRequest(uint32_t scanCode, uint8_t key) noexcept {
    uint32_t request = (scanCode & 0xFFFF) << 16;
    if (IsExtendedNavigationKey(key))
        request |= 1u << 24;
    return static_cast<int32_t>(request);
}

std::wstring MediaKeyName(uint8_t key) {
    static constexpr std::array<const wchar_t*, 18> kNames = {
        L"Browser Back",        L"Browser Forward",    L"Browser Refresh",    L"Browser Stop",
        L"Browser Search",      L"Browser Favorites",  L"Browser Start/Home", L"Volume Mute",
        L"Volume Down",         L"Volume Up",          L"Next Track",         L"Previous Track",
        L"Stop Media",          L"Play/Pause Media",   L"Start Mail",         L"Select Media",
        L"Start Application 1", L"Start Application 2"};
    if (key < 166 || key > 183)
        return {};
    return kNames[key - 166];
}

std::wstring KeyNameWithMediaFallback(std::wstring layoutName, uint8_t key) {
    if (layoutName.size() <= 1 && key >= 166 && key <= 183)
        return MediaKeyName(key);
    return layoutName;
}

std::wstring ModifierPrefix(HotKeyValue value, const ModifierNames& names) {
    std::wstring prefix;
    if (value & kHotKeyCtrl)
        prefix += names.ctrl + L"+";
    if (value & kHotKeyShift)
        prefix += names.shift + L"+";
    if (value & kHotKeyAlt)
        prefix += names.alt + L"+";
    if (value & kHotKeyWin)
        prefix += names.win + L"+";
    return prefix;
}

std::wstring HotKeyText(HotKeyValue value,
                        const ModifierNames& names,
                        const std::function<std::wstring(uint8_t key)>& keyName) {
    const auto key = static_cast<uint8_t>(value & 0xFF);
    return ModifierPrefix(value, names) + KeyNameWithMediaFallback(keyName(key), key);
}

ModifierNames StartupModifierNames(const std::function<std::wstring(uint8_t key)>& keyName) {
    ModifierNames names;
    // The key's own name with no modifiers: values 16, 17 and 18 are Shift, Ctrl and Alt.
    const ModifierNames none;
    names.shift = HotKeyText(16, none, keyName);
    names.ctrl = HotKeyText(17, none, keyName);
    names.alt = HotKeyText(18, none, keyName);
    const bool capitalsOnly =
        std::all_of(names.alt.begin(), names.alt.end(), [](wchar_t c) { return c >= L'A' && c <= L'Z'; });
    if (capitalsOnly)
        names.win = L"WIN";
    return names;
}

bool MustUnloadUsLayout(const std::vector<uintptr_t>& installedLayouts, uintptr_t usLayout) noexcept {
    return std::find(installedLayouts.begin(), installedLayouts.end(), usLayout) == installedLayouts.end();
}

OnDemandLayout::~OnDemandLayout() {
    if (unload_ && system_.unload)
        system_.unload(layout_);
}

uintptr_t OnDemandLayout::get() {
    if (layout_ || !system_.load)
        return layout_;
    const std::vector<uintptr_t> installed =
        system_.installed ? system_.installed() : std::vector<uintptr_t>{};
    layout_ = system_.load();
    unload_ = layout_ && MustUnloadUsLayout(installed, layout_);
    return layout_;
}

THotKeyManager::THotKeyManager(std::unique_ptr<HotKeySystem> system) : system_(std::move(system)) {
    system_->setMessageSink(
        [this](uint32_t message, uintptr_t wParam, intptr_t lParam) { WndProc(message, wParam, lParam); });
}

THotKeyManager::~THotKeyManager() {
    ClearHotKeys();
    system_->setMessageSink(nullptr);
}

uint16_t THotKeyManager::AddHotKey(HotKeyValue hotKey) {
    const SplitHotKeyResult split = SplitHotKey(hotKey);
    const uint16_t atom = system_->addAtom(HotKeyAtomName(hotKey));
    if (atom == 0)
        return 0;
    if (!system_->registerHotKey(atom, split.modifiers, split.key)) {
        // Also the path of a value registered twice: the same name gave the same atom, so this
        // only drops the extra reference and the first registration stays intact.
        system_->deleteAtom(atom);
        return 0;
    }
    entries_.push_back({hotKey, atom});
    return atom;
}

void THotKeyManager::removeAt(size_t position, bool& released) {
    const uint16_t id = entries_[position].Index;
    released = system_->unregisterHotKey(id);
    system_->deleteAtom(id);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
}

uint16_t THotKeyManager::ChangeHotKey(uint16_t index, HotKeyValue newHotKey) {
    auto it =
        std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.Index == index; });
    if (it == entries_.end())
        return 0;
    bool released = false;
    removeAt(static_cast<size_t>(it - entries_.begin()), released);
    return AddHotKey(newHotKey);
}

bool THotKeyManager::RemoveHotKey(uint16_t index) {
    auto it =
        std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.Index == index; });
    if (it == entries_.end())
        return false;
    bool released = false;
    removeAt(static_cast<size_t>(it - entries_.begin()), released);
    return released;
}

void THotKeyManager::ClearHotKeys() {
    while (!entries_.empty()) {
        bool released = false;
        removeAt(entries_.size() - 1, released);
    }
}

void THotKeyManager::WndProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message != kWmHotKey || !OnHotKeyPressed)
        return;
    const auto flags = static_cast<uint16_t>(static_cast<uintptr_t>(lParam) & 0xFFFF);
    const auto key = static_cast<uint16_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF);
    const HotKeyValue value = HotKeyFromSystem(flags, key);
    // Bits 8-12 never reach the system (the hotkey edit's extended-key flag lives there), so they
    // must not keep a registered value from matching what the system reports.
    const bool known = std::any_of(entries_.begin(), entries_.end(),
                                   [&](const Entry& e) { return (e.HotKey & ~kHotKeyUnusedBits) == value; });
    if (known)
        OnHotKeyPressed(value, static_cast<uint16_t>(wParam & 0xFFFF));
}

bool IsHotKeyAvailable(HotKeySystem& system, HotKeyValue value) {
    const uint16_t atom = system.addAtom(kHotKeyTestAtomName);
    const SplitHotKeyResult split = SplitHotKey(value);
    const bool registered = system.registerHotKey(atom, split.modifiers, split.key);
    if (registered)
        system.unregisterHotKey(atom);
    if (atom != 0)
        system.deleteAtom(atom);
    return registered;
}

}  // namespace vantrel
