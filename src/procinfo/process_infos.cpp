#include "procinfo/process_infos.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {
// The properties the snapshot selects, in the order of the query.
const std::vector<std::wstring>& selectedProperties() {
    static const std::vector<std::wstring> names{L"Name", L"IDProcess", L"PageFileBytes",
                                                 L"PercentProcessorTime", L"WorkingSet"};
    return names;
}
}  // namespace

std::wstring ProcessQueryText() {
    const auto& p = selectedProperties();
    wchar_t query[256];
    std::swprintf(query, 256, L"SELECT %ls, %ls, %ls, %ls, %ls FROM %ls", p[0].c_str(), p[1].c_str(),
                  p[2].c_str(), p[3].c_str(), p[4].c_str(), L"Win32_PerfFormattedData_PerfProc_Process");
    return query;
}

bool TProcessInfo::EmptyWorkingSet() {
    auto process = owner_->Processes().open(uint32_t(ProcessId), kAccessTrim);
    if (!process)
        return false;
    return process->emptyWorkingSet();
}

TProcessInfos::TProcessInfos(ProcessSystem& processes,
                             WmiLocator& locator,
                             Clock& clock,
                             std::function<bool()> stop)
    : processes_(processes), locator_(locator), clock_(clock), stop_(std::move(stop)) {}

TProcessInfos::~TProcessInfos() = default;

TProcessInfo& TProcessInfos::Add() {
    list_.push_back(std::make_unique<TProcessInfo>(*this));
    return *list_.back();
}

void TProcessInfos::Refresh() {
    list_.clear();
    source_ = Source::None;
    try {
        RefreshFromService();
    } catch (const WmiError&) {
        list_.clear();
    }
    // A service that lists no process at all cannot answer this query (Wine has no such class).
    if (!list_.empty()) {
        source_ = Source::Service;
        return;
    }
    RefreshFromProcessTable();
    source_ = Source::ProcessTable;
}

void TProcessInfos::RefreshFromService() {
    if (!services_)
        services_ = locator_.connectServer(kWmiNamespace);
    services_->execQuery(ProcessQueryText(), selectedProperties(),
                         [this](const std::vector<WmiProperty>& properties) {
                             TProcessInfo& info = Add();
                             // An object without the property has no measured load: it must not pass as idle.
                             info.PercentProcessorTime = kUnknownLoad;
                             for (const auto& [name, value] : properties) {
                                 if (name == L"Name")
                                     info.Name = WmiText(value);
                                 else if (name == L"IDProcess")
                                     info.ProcessId = int32_t(WmiInteger(value));
                                 else if (name == L"PageFileBytes")
                                     info.PageFileBytes = WmiInteger(value);
                                 else if (name == L"PercentProcessorTime")
                                     info.PercentProcessorTime = WmiFloat(value);
                                 else if (name == L"WorkingSet")
                                     info.WorkingSet = WmiInteger(value);
                             }
                         });
}

void TProcessInfos::RefreshFromProcessTable() {
    auto ids = EnumAllProcessIds(processes_);
    if (!ids)
        throw std::runtime_error("the process table cannot be read");
    // Two samples of every process's times. Where the snapshot carries them all, the creation
    // time tells a process from a later one that was given the same id; otherwise the processes
    // stay open between the samples, which does the same.
    struct Sample {
        uint32_t id;
        std::unique_ptr<Process> process;
        std::optional<ProcessTimes> first;
    };
    // Each time is read right after its samples, so that the window is the one the busy times
    // cover, however long opening the processes takes.
    auto firstTable = timesTable();
    uint64_t t1 = clock_.now100ns();
    std::vector<Sample> samples;
    samples.reserve(ids->size());
    for (uint32_t id : *ids) {
        if (stop_())
            return;
        auto process = processes_.open(id, kAccessQuery);
        std::optional<ProcessTimes> times;
        if (firstTable)
            times = timesOf(*firstTable, id);
        samples.push_back({id, std::move(process), times});
    }
    if (!firstTable) {
        for (Sample& s : samples) {
            if (stop_())
                return;
            if (s.process)
                s.first = s.process->times();
        }
        t1 = clock_.now100ns();
    }
    clock_.sleep(kLoadSampleMs);
    std::vector<std::optional<ProcessTimes>> seconds(samples.size());
    if (firstTable) {
        if (auto secondTable = timesTable()) {
            for (size_t i = 0; i < samples.size(); ++i)
                seconds[i] = timesOf(*secondTable, samples[i].id);
        }
    } else {
        for (size_t i = 0; i < samples.size(); ++i) {
            if (stop_())
                return;
            if (samples[i].process)
                seconds[i] = samples[i].process->times();
        }
    }
    const uint64_t t2 = clock_.now100ns();
    const uint64_t elapsed = t2 - t1;

    for (size_t i = 0; i < samples.size(); ++i) {
        Sample& s = samples[i];
        const std::optional<ProcessTimes>& second = seconds[i];
        TProcessInfo& info = Add();
        info.ProcessId = int32_t(s.id);
        info.PercentProcessorTime = kUnknownLoad;
        if (s.first && second && elapsed > 0 && second->CreationTime == s.first->CreationTime &&
            second->BusyTime >= s.first->BusyTime) {
            // Whole percent of one processor, as the service's formatted counter gives it.
            info.PercentProcessorTime =
                std::floor(double(second->BusyTime - s.first->BusyTime) * 100.0 / double(elapsed));
        }
        if (!s.process)
            continue;
        if (auto memory = s.process->memory()) {
            info.WorkingSet = int64_t(memory->WorkingSetSize);
            info.PageFileBytes = int64_t(memory->PagefileUsage);
        }
        info.Name = imageNameFromPath(s.process->imagePath());
    }
}

std::optional<std::vector<ProcessEntry>> TProcessInfos::timesTable() {
    auto table = processes_.snapshot();
    if (!table || table->empty() || !table->front().BusyTime)
        return std::nullopt;
    return table;
}

std::optional<ProcessTimes> TProcessInfos::timesOf(const std::vector<ProcessEntry>& table, uint32_t id) {
    for (const ProcessEntry& e : table) {
        if (e.ProcessId == id && e.BusyTime)
            return ProcessTimes{e.CreationTime, *e.BusyTime};
    }
    return std::nullopt;
}

int32_t TProcessInfos::EmptyWorkingSets(bool IdleOnly) {
    int32_t trimmed = 0;
    for (const auto& info : list_) {
        if (stop_())
            break;
        if (IdleOnly && info->PercentProcessorTime != 0.0)
            continue;
        try {
            if (info->EmptyWorkingSet())
                ++trimmed;
        } catch (...) {
            // One process must not stop the others.
        }
    }
    return trimmed;
}

}  // namespace vantrel
