#include <windows.h>

#include "engine/cpu_optimizer.h"
#include "platform/handles_win.h"

namespace vantrel {

namespace {

class WinPriorityHandle final : public PriorityHandle {
  public:
    explicit WinPriorityHandle(HANDLE process) : process_(process) {}
    uint32_t priorityClass() override { return ::GetPriorityClass(process_.get()); }
    bool setPriorityClass(uint32_t priorityClass) override {
        return ::SetPriorityClass(process_.get(), priorityClass) != 0;
    }

  private:
    KernelHandle process_;
};

class WinForegroundSystem final : public ForegroundSystem {
  public:
    uintptr_t foregroundWindow() override { return reinterpret_cast<uintptr_t>(::GetForegroundWindow()); }
    bool isWindow(uintptr_t window) override { return ::IsWindow(reinterpret_cast<HWND>(window)) != 0; }
    uint32_t windowProcessId(uintptr_t window) override {
        DWORD process = 0;
        ::GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &process);
        return process;
    }
    uint32_t currentProcessId() override { return ::GetCurrentProcessId(); }
    std::unique_ptr<PriorityHandle> openProcess(uint32_t processId, uint32_t access) override {
        HANDLE h = ::OpenProcess(access, FALSE, processId);
        if (!h)
            return nullptr;
        return std::make_unique<WinPriorityHandle>(h);
    }
};

}  // namespace

ForegroundSystem& systemForeground() {
    static WinForegroundSystem system;
    return system;
}

}  // namespace vantrel
