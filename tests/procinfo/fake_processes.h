#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "procinfo/processes.h"

namespace vantrel::test {

// A process table for the process list and the trimming.
struct FakeProcessEntry {
    uint32_t id = 0;
    std::wstring baseName = {};
    std::wstring path = {};
    uint64_t workingSet = 0;
    uint32_t priorityClass = 0x20;
    bool opens = true;
    std::vector<MemoryRegion> regions = {};  // for the private-bytes walk; a query beyond them fails
    std::vector<ProcessTimes> times = {};    // one per call of times(); the last repeats
    bool trimOk = true;
    // With a clock: the share of one processor the process uses, so that its busy time grows with
    // the clock (creation time = id); negative: `times` answers.
    double share = -1;
};

class FakeProcessSystem final : public ProcessSystem {
  public:
    class Opened final : public OpenedProcess {
      public:
        Opened(FakeProcessSystem& owner, FakeProcessEntry& e) : owner_(owner), e_(e) {}
        std::optional<ProcessMemory> memory() override {
            owner_.tick();
            return ProcessMemory{e_.workingSet, e_.workingSet / 2};
        }
        std::wstring baseName() override {
            owner_.tick();
            return e_.baseName;
        }
        std::wstring fileName() override { return e_.path; }
        uint32_t priorityClass() override { return e_.priorityClass; }
        std::optional<MemoryRegion> queryRegion(uint64_t address) override {
            for (const auto& r : e_.regions) {
                if (address >= r.BaseAddress && address < r.BaseAddress + r.RegionSize)
                    return r;
            }
            return std::nullopt;
        }
        std::optional<ProcessTimes> times() override {
            owner_.tick();
            if (auto t = owner_.clockedTimes(e_))
                return t;
            if (e_.times.empty())
                return std::nullopt;
            size_t i = std::min(timesCalls_++, e_.times.size() - 1);
            return e_.times[i];
        }
        bool emptyWorkingSet() override {
            owner_.trimmed.push_back(e_.id);
            return e_.trimOk;
        }

      private:
        FakeProcessSystem& owner_;
        FakeProcessEntry& e_;
        size_t timesCalls_ = 0;
    };

    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        enumCapacities.push_back(capacity);
        if (enumFails)
            return std::nullopt;
        uint32_t n = 0;
        for (const auto& e : entries) {
            if (n == capacity)
                break;
            ids[n++] = e.id;
        }
        return n * 4;
    }
    std::unique_ptr<OpenedProcess> open(uint32_t id, uint32_t access) override {
        opens.push_back({id, access});
        tick();
        for (auto& e : entries) {
            if (e.id == id && e.opens && id != 0)
                return std::make_unique<Opened>(*this, e);
        }
        return nullptr;
    }
    std::optional<std::vector<ToolhelpEntry>> snapshot() override {
        if (enumFails)
            return std::nullopt;
        std::vector<ToolhelpEntry> out;
        for (const auto& e : entries)
            out.push_back({e.id, e.path});
        return out;
    }
    std::optional<std::vector<std::pair<uint32_t, ProcessTimes>>> allProcessTimes() override {
        if (!timesTable)
            return std::nullopt;
        tick();
        std::vector<std::pair<uint32_t, ProcessTimes>> out;
        for (const auto& e : entries) {
            if (auto t = clockedTimes(e))
                out.push_back({e.id, *t});
            else if (!e.times.empty())
                out.push_back({e.id, e.times[std::min(tableCalls, e.times.size() - 1)]});
        }
        ++tableCalls;
        return out;
    }
    std::pair<uint64_t, uint64_t> applicationAddressRange() override { return {0x10000, 0x7FFEFFFF}; }

    // Every open, sample, memory and name call moves the clock on by callCost, as real calls take
    // time.
    void tick() {
        if (clockNow)
            *clockNow += callCost;
    }
    std::optional<ProcessTimes> clockedTimes(const FakeProcessEntry& e) const {
        if (!clockNow || e.share < 0)
            return std::nullopt;
        return ProcessTimes{e.id, uint64_t(e.share * double(*clockNow))};
    }

    std::vector<FakeProcessEntry> entries;
    uint64_t* clockNow = nullptr;  // 100-ns units
    uint64_t callCost = 0;
    bool enumFails = false;
    bool timesTable = false;  // all processes' times in one call
    size_t tableCalls = 0;
    std::vector<uint32_t> enumCapacities;
    std::vector<std::pair<uint32_t, uint32_t>> opens;
    std::vector<uint32_t> trimmed;
};

}  // namespace vantrel::test
