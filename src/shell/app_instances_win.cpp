#include "shell/app_instances.h"

#include <windows.h>

#include <iterator>
#include <system_error>
#include <vector>

#include "platform/handles_win.h"

namespace vantrel {

namespace {
[[noreturn]] void fail(const char* what) {
    throw std::system_error(int(::GetLastError()), std::system_category(), what);
}

// A security descriptor owned by the current user, whose access list grants everyone (the world
// identity) the given access: a copy run by another account in the same session can open the
// object too.
class WorldAccess {
  public:
    explicit WorldAccess(DWORD access) {
        HANDLE rawToken = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken))
            fail("OpenProcessToken");
        KernelHandle token(rawToken);
        DWORD size = 0;
        ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        user_.resize(size);
        if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, user_.data(), size, &size))
            fail("GetTokenInformation");
        PSID userSid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;

        DWORD worldSize = sizeof(world_);
        if (!::CreateWellKnownSid(WinWorldSid, nullptr, world_, &worldSize))
            fail("CreateWellKnownSid");
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(world_));
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!::InitializeAcl(acl, DWORD(acl_.size()), ACL_REVISION) ||
            !::AddAccessAllowedAce(acl, ACL_REVISION, access, world_))
            fail("access list");
        if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !::SetSecurityDescriptorOwner(&descriptor_, userSid, FALSE) ||
            !::SetSecurityDescriptorGroup(&descriptor_, userSid, FALSE) ||
            !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE))
            fail("security descriptor");
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    WorldAccess(const WorldAccess&) = delete;
    WorldAccess& operator=(const WorldAccess&) = delete;

    SECURITY_ATTRIBUTES* attributes() noexcept { return &attributes_; }

  private:
    std::vector<unsigned char> user_;
    alignas(DWORD) unsigned char world_[SECURITY_MAX_SID_SIZE] = {};
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
};

struct ViewTraits {
    using Type = void*;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type view) noexcept { ::UnmapViewOfFile(view); }
};
using MappedView = UniqueHandle<ViewTraits>;

// The table in page-file-backed shared memory and the named mutex that guards it.
class SharedInstanceStore final : public InstanceStore {
  public:
    explicit SharedInstanceStore(const InstanceNames& names) {
        WorldAccess lockAccess(MUTEX_ALL_ACCESS);
        lock_.reset(::CreateMutexW(lockAccess.attributes(), FALSE, names.lock.c_str()));
        if (!lock_)
            fail("CreateMutexW");
        // A new page-file section is zero-filled by the system. Clearing it again here could wipe
        // a registration that a copy opening it in between has already made.
        WorldAccess tableAccess(0xF001F);
        mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, tableAccess.attributes(), PAGE_READWRITE, 0,
                                            DWORD(kInstanceTableSize), names.table.c_str()));
        if (!mapping_)
            fail("CreateFileMappingW");
        view_.reset(::MapViewOfFile(mapping_.get(), 0xF001F, 0, 0, kInstanceTableSize));
        if (!view_)
            fail("MapViewOfFile");
    }

    void lock() override {
        const DWORD r = ::WaitForSingleObject(lock_.get(), INFINITE);
        // An abandoned lock belonged to a copy that ended while holding it; it is ours now.
        if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED)
            fail("WaitForSingleObject");
    }
    void unlock() noexcept override { ::ReleaseMutex(lock_.get()); }
    unsigned char* table() noexcept override { return static_cast<unsigned char*>(view_.get()); }

  private:
    // Released in reverse: view, then the memory, then the lock.
    KernelHandle lock_;
    KernelHandle mapping_;
    MappedView view_;
};

HWND toWindow(uint64_t window) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}

class WinCopyWindows final : public CopyWindows {
  public:
    std::vector<TopWindow> topLevelWindows() override {
        std::vector<TopWindow> windows;
        ::EnumWindows(&collect, reinterpret_cast<LPARAM>(&windows));
        return windows;
    }

    void allowForeground(uint32_t processId) override { ::AllowSetForegroundWindow(processId); }

    bool requestShow(uint64_t window, uint32_t senderProcessId) override {
        static const UINT message = ::RegisterWindowMessageW(kActivateCopyMessageName);
        DWORD_PTR answer = 0;
        return message != 0 &&
               ::SendMessageTimeoutW(toWindow(window), message, 0, LPARAM(senderProcessId),
                                     SMTO_NORMAL | SMTO_ABORTIFHUNG, kActivateCopyTimeoutMs, &answer) &&
               intptr_t(answer) == kActivateCopyAnswer;
    }

    bool isIconic(uint64_t window) override { return ::IsIconic(toWindow(window)) != 0; }

    void restore(uint64_t window) override {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(toWindow(window), WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                              kActivateCopyTimeoutMs, &ignored);
    }

    uint64_t foregroundWindow() override { return reinterpret_cast<uintptr_t>(::GetForegroundWindow()); }

    uint32_t windowThread(uint64_t window) override {
        return ::GetWindowThreadProcessId(toWindow(window), nullptr);
    }

    bool attachInput(uint32_t thread, uint32_t toThread, bool attach) override {
        return ::AttachThreadInput(thread, toThread, attach) != 0;
    }

    bool setForeground(uint64_t window) override { return ::SetForegroundWindow(toWindow(window)) != 0; }

  private:
    static BOOL CALLBACK collect(HWND wnd, LPARAM param) {
        auto& windows = *reinterpret_cast<std::vector<TopWindow>*>(param);
        TopWindow w;
        w.window = reinterpret_cast<uintptr_t>(wnd);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(wnd, &pid);
        w.processId = pid;
        // One character more than the name, so that a longer class name never reads as it.
        wchar_t name[std::size(kMainWindowClass) + 1] = {};
        const int n = ::GetClassNameW(wnd, name, int(std::size(name)));
        w.className.assign(name, n > 0 ? size_t(n) : 0);
        try {
            windows.push_back(std::move(w));
        } catch (...) {
            return FALSE;
        }
        return TRUE;
    }
};
}  // namespace

std::unique_ptr<TAppInstances> CreateAppInstances(const std::wstring& executablePath) {
    std::wstring upper = executablePath;
    if (!upper.empty())
        ::CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return std::make_unique<TAppInstances>(std::make_unique<SharedInstanceStore>(MakeInstanceNames(upper)),
                                           std::make_unique<WinCopyWindows>(), ::GetCurrentProcessId());
}

}  // namespace vantrel
