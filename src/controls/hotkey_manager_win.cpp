#include <windows.h>

#include "controls/hotkey_manager.h"
#include "platform/handles_win.h"
#include "platform/trace_log.h"
#include "platform/window_class_win.h"

namespace vantrel {

namespace {

constexpr wchar_t kWindowClass[] = L"VantrelHotKeyManager";

// Registrations live on a message-only window of the creating thread, so WM_HOTKEY arrives in
// that thread's message loop and nothing shows on screen.
class WindowHotKeySystem final : public HotKeySystem {
  public:
    WindowHotKeySystem() {
        HINSTANCE inst = ensureWindowClass(kWindowClass, &WindowHotKeySystem::windowProc);
        window_.reset(
            ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, this));
    }

    uint16_t addAtom(const std::wstring& name) override { return ::GlobalAddAtomW(name.c_str()); }
    void deleteAtom(uint16_t atom) override { ::GlobalDeleteAtom(atom); }
    bool registerHotKey(uint16_t id, uint16_t modifiers, uint16_t key) override {
        return window_ && ::RegisterHotKey(window_.get(), id, modifiers, key);
    }
    bool unregisterHotKey(uint16_t id) override { return window_ && ::UnregisterHotKey(window_.get(), id); }
    void setMessageSink(MessageSink sink) override { sink_ = std::move(sink); }

  private:
    static LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<WindowHotKeySystem*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && self->sink_) {
            try {
                self->sink_(msg, wp, lp);
            } catch (...) {
                VANTREL_ASSERT_FAILED(L"Assertion failure", "hotkey_manager");
            }
        }
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }

    WindowHandle window_;
    MessageSink sink_;
};

// Unit-wide key names, set up once when the program loads, and the US layout, loaded only when a
// text in its names is first asked for and released when the program ends.
class KeyNameUnit {
  public:
    KeyNameUnit()
        : usLayout_({[] {
                         HKL listed[100];
                         const int count = ::GetKeyboardLayoutList(100, listed);
                         std::vector<uintptr_t> installed;
                         for (int i = 0; i < count; ++i)
                             installed.push_back(reinterpret_cast<uintptr_t>(listed[i]));
                         return installed;
                     },
                     [] {
                         // 0x80: KLF_NOTELLSHELL, the shell has no business knowing about this load.
                         return reinterpret_cast<uintptr_t>(::LoadKeyboardLayoutW(L"00000409", 0x80));
                     },
                     [](uintptr_t layout) { ::UnloadKeyboardLayout(reinterpret_cast<HKL>(layout)); }}) {
        names_ = StartupModifierNames([this](uint8_t key) { return layoutKeyName(key, true); });
    }
    KeyNameUnit(const KeyNameUnit&) = delete;
    KeyNameUnit& operator=(const KeyNameUnit&) = delete;

    const ModifierNames& names() const noexcept { return names_; }

    std::wstring layoutKeyName(uint8_t key, bool localized) {
        HKL us = localized ? nullptr : reinterpret_cast<HKL>(usLayout_.get());
        const UINT scan =
            localized ? ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC) : ::MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, us);
        const LONG request = KeyNameRequest(scan, key);
        if (request == 0)
            return {};
        HKL previous = nullptr;
        if (us) {
            HKL active = ::GetKeyboardLayout(0);
            if (active != us) {
                previous = active;
                ::ActivateKeyboardLayout(us, 0);
            }
        }
        // The wide form: a localized name is kept whole even outside the ANSI code page.
        wchar_t buffer[256] = {};
        const int length = ::GetKeyNameTextW(request, buffer, 256);
        if (previous)
            ::ActivateKeyboardLayout(previous, 0);
        return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    }

  private:
    OnDemandLayout usLayout_;
    ModifierNames names_;
};

KeyNameUnit& keyNameUnit() {
    static KeyNameUnit unit;
    return unit;
}

// Start-up happens at program load, before any window exists.
[[maybe_unused]] const bool gKeyNamesStarted = (keyNameUnit(), true);

}  // namespace

std::unique_ptr<HotKeySystem> CreateWindowHotKeySystem() {
    return std::make_unique<WindowHotKeySystem>();
}

bool IsHotKeyAvailable(HotKeyValue value) {
    WindowHotKeySystem system;
    return IsHotKeyAvailable(system, value);
}

const ModifierNames& LocalizedModifierNames() {
    return keyNameUnit().names();
}

std::wstring HotKeyToText(HotKeyValue value, bool localized) {
    KeyNameUnit& unit = keyNameUnit();
    static const ModifierNames kFixed;
    return HotKeyText(value, localized ? unit.names() : kFixed,
                      [&](uint8_t key) { return unit.layoutKeyName(key, localized); });
}

}  // namespace vantrel
