#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "jobs/thread_core.h"
#include "platform/processes.h"
#include "procinfo/wmi.h"

namespace vantrel {

class TProcessInfos;

// One process of a snapshot; owned by its TProcessInfos.
class TProcessInfo {
  public:
    explicit TProcessInfo(TProcessInfos& owner) : owner_(&owner) {}
    TProcessInfo(const TProcessInfo&) = delete;
    TProcessInfo& operator=(const TProcessInfo&) = delete;

    std::wstring Name;
    int32_t ProcessId = 0;
    int64_t PageFileBytes = 0;
    // Whole percent as the service formats it; NaN when the load could not be measured, so that
    // such a process never counts as idle.
    double PercentProcessorTime = 0;
    int64_t WorkingSet = 0;

    TProcessInfos& Owner() const noexcept { return *owner_; }
    // Trims this process's working set; false when the process could not be opened or trimmed.
    bool EmptyWorkingSet();

  private:
    TProcessInfos* owner_;
};

// A snapshot of the processes with their processor load, for trimming working sets. The service
// answers first; where it cannot (disabled, or without the per-process performance class), the
// process table is sampled twice instead. Stop is asked once per process while sampling and
// trimming; once it answers true the loop ends there (on the GUI thread it never does).
class TProcessInfos {
  public:
    explicit TProcessInfos(ProcessSystem& processes = systemProcesses(),
                           WmiLocator& locator = systemWmiLocator(),
                           Clock& clock = systemClock(),
                           std::function<bool()> stop = &StopRequested);
    TProcessInfos(const TProcessInfos&) = delete;
    TProcessInfos& operator=(const TProcessInfos&) = delete;
    ~TProcessInfos();

    // Takes a new snapshot in place of the last one. Throws when neither the service nor the
    // process table can be read. A stop while sampling leaves the processes sampled so far.
    void Refresh();
    int32_t Count() const noexcept { return int32_t(list_.size()); }
    TProcessInfo& ProcessInfoGet(int32_t AIndex) const { return *list_.at(size_t(AIndex)); }
    TProcessInfo& Add();
    // Trims every process, or with IdleOnly those whose load is exactly 0. Returns how many were
    // trimmed; a failure for one process does not stop the others.
    int32_t EmptyWorkingSets(bool IdleOnly);

    enum class Source { None, Service, ProcessTable };
    // Where the last Refresh took its snapshot from.
    Source LastSource() const noexcept { return source_; }
    ProcessSystem& Processes() const noexcept { return processes_; }

  private:
    void RefreshFromService();
    void RefreshFromProcessTable();
    // A snapshot that carries every process's times; nothing where the system gives none.
    std::optional<std::vector<ProcessEntry>> timesTable();
    static std::optional<ProcessTimes> timesOf(const std::vector<ProcessEntry>& table, uint32_t id);

    ProcessSystem& processes_;
    WmiLocator& locator_;
    Clock& clock_;
    std::function<bool()> stop_;
    std::unique_ptr<WmiServices> services_;  // connected on first need, kept for the object's life
    std::vector<std::unique_ptr<TProcessInfo>> list_;
    Source source_ = Source::None;
};

// The query of the snapshot and the namespace it runs in.
std::wstring ProcessQueryText();
inline constexpr const wchar_t* kWmiNamespace = L"root\\cimv2";
// How far apart the two samples of the process table are taken.
inline constexpr uint32_t kLoadSampleMs = 500;
// The load of a process that could not be measured; never equal to 0, so never idle.
inline constexpr double kUnknownLoad = std::numeric_limits<double>::quiet_NaN();

}  // namespace vantrel
