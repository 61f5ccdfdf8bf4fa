#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// A hotkey value packs a key and its modifiers: bits 0-7 the virtual key, bits 8-12 unused,
// then Shift, Ctrl, Alt and the Windows key. 0 means "no hotkey".
using HotKeyValue = uint32_t;

inline constexpr HotKeyValue kHotKeyShift = 0x2000;
inline constexpr HotKeyValue kHotKeyCtrl = 0x4000;
inline constexpr HotKeyValue kHotKeyAlt = 0x8000;
inline constexpr HotKeyValue kHotKeyWin = 0x10000;
inline constexpr HotKeyValue kHotKeyUnusedBits = 0x1F00;

// The modifier flags RegisterHotKey takes and WM_HOTKEY reports.
inline constexpr uint16_t kModAlt = 0x0001;
inline constexpr uint16_t kModControl = 0x0002;
inline constexpr uint16_t kModShift = 0x0004;
inline constexpr uint16_t kModWin = 0x0008;

inline constexpr uint32_t kWmHotKey = 0x0312;

struct SplitHotKeyResult {
    uint16_t modifiers = 0;
    uint16_t key = 0;
    bool operator==(const SplitHotKeyResult&) const = default;
};

// The system's modifier flags and the virtual key of a value; bits 8-12 are dropped.
SplitHotKeyResult SplitHotKey(HotKeyValue value) noexcept;
// The value a WM_HOTKEY reports: modifier flags and key as the system gives them.
HotKeyValue HotKeyFromSystem(uint16_t modifiers, uint16_t key) noexcept;
// The global atom name a registration of this value is made under.
std::wstring HotKeyAtomName(HotKeyValue value);
inline constexpr wchar_t kHotKeyTestAtomName[] = L"HotKeyManagerHotKeyTest";

// Display names of the four modifiers, as the keyboard names them (unit-wide, see HotKeyToText).
struct ModifierNames {
    std::wstring shift = L"Shift";
    std::wstring ctrl = L"Ctrl";
    std::wstring alt = L"Alt";
    std::wstring win = L"Win";
};

// Page Up/Down, End, Home, the arrows, Insert and Delete: named as the cursor-block keys.
bool IsExtendedNavigationKey(uint8_t key) noexcept;
// The lParam-style request GetKeyNameText takes for a scan code; 0 when there is nothing to ask.
int32_t KeyNameRequest(uint32_t scanCode, uint8_t key) noexcept;
// The fixed English name of a media or browser key (166-183), empty for any other key.
std::wstring MediaKeyName(uint8_t key);
// The layout's name, unless it is useless (empty or one character) for a media key.
std::wstring KeyNameWithMediaFallback(std::wstring layoutName, uint8_t key);
// "Ctrl+", "Shift+", "Alt+", "Win+" in that fixed order, for the bits that are set.
std::wstring ModifierPrefix(HotKeyValue value, const ModifierNames& names);
// Prefix followed by the key's name; keyName gives the layout's name of a virtual key.
std::wstring HotKeyText(HotKeyValue value,
                        const ModifierNames& names,
                        const std::function<std::wstring(uint8_t key)>& keyName);
// The names the unit starts with: the keyboard's own names of Shift, Ctrl and Alt, and "WIN"
// instead of "Win" where the keyboard writes its Alt key in capitals only.
ModifierNames StartupModifierNames(const std::function<std::wstring(uint8_t key)>& keyName);
// Whether the unit loaded the US layout itself (and must unload it at shutdown).
bool MustUnloadUsLayout(const std::vector<uintptr_t>& installedLayouts, uintptr_t usLayout) noexcept;

// A keyboard layout loaded the first time it is asked for, so that merely linking the unit that
// holds it loads nothing, and given back at the end unless it was among the user's layouts
// before.
class OnDemandLayout {
  public:
    struct System {
        std::function<std::vector<uintptr_t>()> installed;  // the user's layouts now
        std::function<uintptr_t()> load;                    // 0 on failure
        std::function<void(uintptr_t)> unload;
    };
    explicit OnDemandLayout(System system) : system_(std::move(system)) {}
    OnDemandLayout(const OnDemandLayout&) = delete;
    OnDemandLayout& operator=(const OnDemandLayout&) = delete;
    ~OnDemandLayout();
    // The layout, loading it on the first call; 0 when it cannot be loaded (tried again later).
    uintptr_t get();

  private:
    System system_;
    uintptr_t layout_ = 0;
    bool unload_ = false;
};

// What the manager needs from the system: global atoms and hotkey registrations on the
// manager's hidden window.
class HotKeySystem {
  public:
    virtual ~HotKeySystem() = default;
    virtual uint16_t addAtom(const std::wstring& name) = 0;  // 0 on failure
    virtual void deleteAtom(uint16_t atom) = 0;
    virtual bool registerHotKey(uint16_t id, uint16_t modifiers, uint16_t key) = 0;
    virtual bool unregisterHotKey(uint16_t id) = 0;
    // Every message of the hidden window goes through sink before its default handling.
    using MessageSink = std::function<void(uint32_t message, uintptr_t wParam, intptr_t lParam)>;
    virtual void setMessageSink(MessageSink sink) = 0;
};

// Windows only: the system's hotkeys and atoms on a hidden window of the calling (GUI) thread.
std::unique_ptr<HotKeySystem> CreateWindowHotKeySystem();

// Owns the program's system-wide hotkeys: registers them under global atoms, keeps what it
// registered and reports a pressed combination with the id it was registered under.
class THotKeyManager {
  public:
    // No sender: the pressed value and the id AddHotKey returned for it.
    using TOnHotKeyPressed = std::function<void(HotKeyValue hotKey, uint16_t index)>;

    struct Entry {
        HotKeyValue HotKey = 0;
        uint16_t Index = 0;
    };

    explicit THotKeyManager(std::unique_ptr<HotKeySystem> system);
    THotKeyManager(const THotKeyManager&) = delete;
    THotKeyManager& operator=(const THotKeyManager&) = delete;
    ~THotKeyManager();

    // The id (a global atom, 0xC000-0xFFFF), or 0 when the system refused the combination.
    uint16_t AddHotKey(HotKeyValue hotKey);
    // The new id, or 0 when index is unknown or the new registration failed (the old one is
    // gone either way).
    uint16_t ChangeHotKey(uint16_t index, HotKeyValue newHotKey);
    // True when the system released the registration; the entry leaves the list regardless.
    bool RemoveHotKey(uint16_t index);
    void ClearHotKeys();

    TOnHotKeyPressed OnHotKeyPressed;

    const std::vector<Entry>& entries() const noexcept { return entries_; }
    // A message of the hidden window (public so that tests can deliver WM_HOTKEY themselves).
    void WndProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

  private:
    void removeAt(size_t position, bool& released);

    std::unique_ptr<HotKeySystem> system_;
    std::vector<Entry> entries_;
};

// Whether the combination can be registered now: a trial registration under its own atom that
// leaves nothing behind. A combination this program holds counts as unavailable.
bool IsHotKeyAvailable(HotKeySystem& system, HotKeyValue value);
// Windows only: the same on a hidden window of the calling thread.
bool IsHotKeyAvailable(HotKeyValue value);
// Windows only: "Ctrl+Alt+M"; with localized false the US layout's names and fixed modifiers.
std::wstring HotKeyToText(HotKeyValue value, bool localized);
// Windows only: the unit-wide modifier names (set up at program load).
const ModifierNames& LocalizedModifierNames();

}  // namespace vantrel
