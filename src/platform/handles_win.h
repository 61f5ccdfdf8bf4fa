#pragma once

#include <windows.h>

#include <unknwn.h>

#include "platform/handle.h"

namespace vantrel {

namespace handle_traits {
struct Kernel {
    using Type = HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::CloseHandle(h); }
};
struct File {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type h) noexcept { ::CloseHandle(h); }
};
struct RegKey {
    using Type = HKEY;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::RegCloseKey(h); }
};
template <class T>
struct Gdi {
    using Type = T;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DeleteObject(h); }
};
struct Icon {
    using Type = HICON;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DestroyIcon(h); }
};
struct Menu {
    using Type = HMENU;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DestroyMenu(h); }
};
struct MemoryDc {
    using Type = HDC;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DeleteDC(h); }
};
struct Window {
    using Type = HWND;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DestroyWindow(h); }
};
struct Module {
    using Type = HMODULE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::FreeLibrary(h); }
};
}  // namespace handle_traits

using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using FileHandle = UniqueHandle<handle_traits::File>;
using RegKeyHandle = UniqueHandle<handle_traits::RegKey>;
using BitmapHandle = UniqueHandle<handle_traits::Gdi<HBITMAP>>;
using FontHandle = UniqueHandle<handle_traits::Gdi<HFONT>>;
using BrushHandle = UniqueHandle<handle_traits::Gdi<HBRUSH>>;
using PenHandle = UniqueHandle<handle_traits::Gdi<HPEN>>;
using RegionHandle = UniqueHandle<handle_traits::Gdi<HRGN>>;
using IconHandle = UniqueHandle<handle_traits::Icon>;
using MenuHandle = UniqueHandle<handle_traits::Menu>;
using MemoryDcHandle = UniqueHandle<handle_traits::MemoryDc>;
using WindowHandle = UniqueHandle<handle_traits::Window>;
using ModuleHandle = UniqueHandle<handle_traits::Module>;

// A DC borrowed with GetDC, given back with ReleaseDC.
class WindowDc {
  public:
    explicit WindowDc(HWND wnd) noexcept : wnd_(wnd), dc_(::GetDC(wnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_)
            ::ReleaseDC(wnd_, dc_);
    }
    HDC get() const noexcept { return dc_; }

  private:
    HWND wnd_;
    HDC dc_;
};

// Selects a GDI object into a DC for one scope and puts the old one back.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR)
            ::SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Owning COM pointer.
template <class T>
class ComPtr {
  public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p) noexcept : p_(p) {}
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }
    void reset() noexcept {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

  private:
    T* p_ = nullptr;
};

}  // namespace vantrel
