#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/processes.h"

namespace vantrel::test {

// One process of the fake table. Handles share it, so a handle keeps naming its process after the
// process has ended and its id has been given to another.
struct FakeProcess {
    uint32_t id = 0;
    std::wstring path = {};     // the image path; empty: it cannot be read
    std::wstring exeFile = {};  // the name the process table gives; empty: the path's file name
    uint32_t parentId = 0;
    uint64_t creationTime = 0;
    uint64_t workingSet = 0;
    uint32_t priorityClass = 0x20;
    uint32_t refuses = 0;  // kAccess* purposes that open refuses; every one with kRefusesAll
    bool alive = true;     // an ended process opens for nothing and answers nothing
    std::vector<MemoryRegion> regions = {};  // for the private-bytes walk; a query beyond them fails
    std::vector<ProcessTimes> times = {};    // one per call of times(); the last repeats
    bool trimOk = true;
    // With a clock: the share of one processor the process uses, so that its busy time grows with
    // the clock (creation time = id); negative: `times` answers.
    double share = -1;
};
inline constexpr uint32_t kRefusesAll = 0xFFFFFFFF;

struct FakeWindow {
    uintptr_t handle = 0;
    uint32_t processId = 0;
    std::wstring title = {};
    bool visible = true;
    uintptr_t owner = 0;
    uint32_t exStyle = 0;
};

// A process table and window list for native tests. It records what was asked of it.
class FakeProcessSystem final : public ProcessSystem {
  public:
    class Handle final : public Process {
      public:
        Handle(FakeProcessSystem& owner, std::shared_ptr<FakeProcess> p, uint32_t access)
            : owner_(owner), p_(std::move(p)), access_(access) {}
        std::optional<ProcessMemory> memory() override {
            owner_.tick();
            if (!p_->alive)
                return std::nullopt;
            return ProcessMemory{p_->workingSet, p_->workingSet / 2};
        }
        std::wstring imagePath() override {
            owner_.tick();
            return p_->alive ? p_->path : std::wstring();
        }
        uint32_t priorityClass() override { return p_->alive ? p_->priorityClass : 0; }
        bool setPriorityClass(uint32_t c) override {
            owner_.prioritySets.push_back({p_->id, c});
            if (!p_->alive || !(access_ & kAccessSetPriority))
                return false;
            p_->priorityClass = c;
            return true;
        }
        std::optional<MemoryRegion> queryRegion(uint64_t address) override {
            for (const auto& r : p_->regions) {
                if (address >= r.BaseAddress && address < r.BaseAddress + r.RegionSize)
                    return r;
            }
            return std::nullopt;
        }
        std::optional<ProcessTimes> times() override {
            owner_.tick();
            if (auto t = owner_.clockedTimes(*p_))
                return t;
            if (p_->times.empty())
                return std::nullopt;
            size_t i = std::min(timesCalls_++, p_->times.size() - 1);
            return p_->times[i];
        }
        bool emptyWorkingSet() override {
            owner_.trimmed.push_back(p_->id);
            return p_->alive && p_->trimOk;
        }
        bool terminate(uint32_t exitCode) override {
            owner_.terminated.push_back({p_->id, exitCode});
            if (!p_->alive || !(access_ & kAccessTerminate))
                return false;
            p_->alive = false;
            return true;
        }
        WaitResult wait(uint32_t) override {
            if (!(access_ & kAccessWait))
                return WaitResult::Failed;
            return p_->alive ? WaitResult::TimedOut : WaitResult::Ended;
        }

      private:
        FakeProcessSystem& owner_;
        std::shared_ptr<FakeProcess> p_;
        uint32_t access_;
        size_t timesCalls_ = 0;
    };

    // Adds a process to the end of the table (or in place of one of the same id).
    std::shared_ptr<FakeProcess> add(FakeProcess process) {
        auto p = std::make_shared<FakeProcess>(std::move(process));
        for (auto& existing : processes) {
            if (existing->id == p->id) {
                existing = p;
                return p;
            }
        }
        processes.push_back(p);
        return p;
    }
    // A program with one application window.
    std::shared_ptr<FakeProcess> program(uintptr_t window, uint32_t id, uint32_t priorityClass = 0x20) {
        auto p = add({.id = id, .priorityClass = priorityClass});
        windows.push_back({window, id});
        return p;
    }
    void closeWindow(uintptr_t window) {
        std::erase_if(windows, [window](const FakeWindow& w) { return w.handle == window; });
    }

    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        enumCapacities.push_back(capacity);
        if (enumFails)
            return std::nullopt;
        uint32_t n = 0;
        for (const auto& p : processes) {
            if (n == capacity)
                break;
            ids[n++] = p->id;
        }
        return n * 4;
    }
    std::optional<std::vector<ProcessEntry>> snapshot() override {
        if (enumFails)
            return std::nullopt;
        tick();
        std::vector<ProcessEntry> out;
        for (const auto& p : processes) {
            ProcessEntry e{p->id, p->parentId, p->exeFile.empty() ? imageNameFromPath(p->path) : p->exeFile,
                           timesTable ? p->creationTime : 0, std::nullopt};
            if (timesTable) {
                if (auto t = clockedTimes(*p)) {
                    e.CreationTime = t->CreationTime;
                    e.BusyTime = t->BusyTime;
                } else if (!p->times.empty()) {
                    const ProcessTimes& sample = p->times[std::min(snapshotCalls, p->times.size() - 1)];
                    e.CreationTime = sample.CreationTime;
                    e.BusyTime = sample.BusyTime;
                }
            }
            out.push_back(std::move(e));
        }
        ++snapshotCalls;
        return out;
    }
    std::unique_ptr<Process> open(uint32_t id, uint32_t access) override {
        opens.push_back({id, access});
        tick();
        // Searched from the process after the last one opened: passes open in table order, and
        // a long table must not make the double, rather than the pass, the cost of a benchmark.
        for (size_t n = 0; n < processes.size(); ++n) {
            const size_t i = (lastOpened_ + 1 + n) % processes.size();
            auto& p = processes[i];
            if (p->id != id)
                continue;
            lastOpened_ = i;
            if (id != 0 && p->alive && (p->refuses & access) == 0)
                return std::make_unique<Handle>(*this, p, access);
            return nullptr;
        }
        return nullptr;
    }
    uint32_t currentProcessId() override { return self; }
    std::pair<uint64_t, uint64_t> applicationAddressRange() override { return {0x10000, 0x7FFEFFFF}; }

    uintptr_t foregroundWindow() override { return front; }
    bool isWindow(uintptr_t w) override { return find(w) != nullptr; }
    uint32_t windowProcessId(uintptr_t w) override {
        const FakeWindow* window = find(w);
        return window ? window->processId : 0;
    }
    std::vector<WindowInfo> topLevelWindows() override {
        std::vector<WindowInfo> out;
        for (const auto& w : windows)
            out.push_back({w.handle, w.processId, w.visible, w.owner, w.exStyle});
        return out;
    }
    uintptr_t desktopWindow() override { return desktop; }
    std::wstring windowTitle(uintptr_t w, size_t maxChars) override {
        titleReads.push_back({w, maxChars});
        const FakeWindow* window = find(w);
        return window ? window->title.substr(0, maxChars) : std::wstring();
    }
    bool restoreWindow(uintptr_t w) override {
        restored.push_back(w);
        const FakeWindow* window = find(w);
        return window && window->visible;
    }

    // Every open, sample, memory and path call moves the clock on by callCost, as real calls take
    // time.
    void tick() {
        if (clockNow)
            *clockNow += callCost;
    }
    std::optional<ProcessTimes> clockedTimes(const FakeProcess& p) const {
        if (!clockNow || p.share < 0)
            return std::nullopt;
        return ProcessTimes{p.id, uint64_t(p.share * double(*clockNow))};
    }

    std::vector<std::shared_ptr<FakeProcess>> processes;
    std::vector<FakeWindow> windows;  // front to back
    uintptr_t front = 0;
    uintptr_t desktop = 0x10010;
    uint32_t self = 1;
    uint64_t* clockNow = nullptr;  // 100-ns units
    uint64_t callCost = 0;
    bool enumFails = false;   // neither the id list nor a snapshot can be had
    bool timesTable = false;  // the snapshot carries every process's times
    size_t snapshotCalls = 0;

    std::vector<uint32_t> enumCapacities;
    std::vector<std::pair<uint32_t, uint32_t>> opens;         // id, access
    std::vector<std::pair<uint32_t, uint32_t>> prioritySets;  // id, class
    std::vector<uint32_t> trimmed;
    std::vector<std::pair<uint32_t, uint32_t>> terminated;  // id, exit code
    std::vector<uintptr_t> restored;
    std::vector<std::pair<uintptr_t, size_t>> titleReads;

  private:
    size_t lastOpened_ = 0;

    const FakeWindow* find(uintptr_t w) const {
        for (const auto& window : windows) {
            if (window.handle == w)
                return &window;
        }
        return nullptr;
    }
};

}  // namespace vantrel::test
