#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/cpu_usage.h"
#include "platform/handles_win.h"
#include "platform/ntdll_win.h"

namespace vantrel {

namespace {

// SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION, as ntdll fills it for information class 8.
struct ProcessorPerformanceInfo {
    LARGE_INTEGER IdleTime;
    LARGE_INTEGER KernelTime;
    LARGE_INTEGER UserTime;
    LARGE_INTEGER Reserved1[2];
    ULONG Reserved2;
};
static_assert(sizeof(ProcessorPerformanceInfo) == 48);

constexpr ULONG kProcessorPerformanceInformation = 8;
constexpr ULONG kQueryBufferSize = 300000;

class WinPerfDataRegistry final : public PerfDataRegistry {
  public:
    long query(const std::wstring& name, uint8_t* buffer, uint32_t& size) override {
        DWORD type = 0;
        DWORD bytes = size;
        LONG status = ::RegQueryValueExW(HKEY_PERFORMANCE_DATA, name.c_str(), nullptr, &type, buffer, &bytes);
        size = bytes;
        return status;
    }
    void close() override { ::RegCloseKey(HKEY_PERFORMANCE_DATA); }
};

class WinCpuSource final : public CpuSource {
  public:
    PlatformVersion platform() override { return currentPlatformVersion(); }

    std::optional<std::vector<ProcessorTimes>> processorTimes() override {
        auto query = ntQuerySystemInformation();
        if (!query)
            return std::nullopt;
        // One entry per processor; the returned length says how many there are. The buffer is
        // kept between samples: only worker 2 samples, so it is never shared.
        std::vector<ProcessorPerformanceInfo>& table = table_;
        if (table.empty())
            table.resize(kQueryBufferSize / sizeof(ProcessorPerformanceInfo));
        ULONG returned = 0;
        LONG status = query(kProcessorPerformanceInformation, table.data(),
                            ULONG(table.size() * sizeof(ProcessorPerformanceInfo)), &returned);
        if (status < 0)
            return std::nullopt;
        size_t count = std::min<size_t>(returned / sizeof(ProcessorPerformanceInfo), table.size());
        if (count == 0)
            return std::nullopt;
        std::vector<ProcessorTimes> out(count);
        for (size_t i = 0; i < count; ++i)
            out[i] = {table[i].IdleTime.QuadPart, table[i].KernelTime.QuadPart, table[i].UserTime.QuadPart};
        return out;
    }

    PerfDataRegistry& perfData() override { return systemPerfDataRegistry(); }

    std::optional<uint32_t> dynDataValue(const std::wstring& key, const std::wstring& value) override {
        // HKEY_DYN_DATA exists only on the old consumer systems; elsewhere the open fails.
        RegKeyHandle k;
        if (::RegOpenKeyExW(HKEY_DYN_DATA, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD data = 0;
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (::RegQueryValueExW(k.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                               &size) != ERROR_SUCCESS ||
            size != sizeof(data))
            return std::nullopt;
        return uint32_t(data);
    }

    Clock& clock() override { return systemClock(); }

  private:
    std::vector<ProcessorPerformanceInfo> table_;
};

}  // namespace

PerfDataRegistry& systemPerfDataRegistry() {
    static WinPerfDataRegistry registry;
    return registry;
}

CpuSource& systemCpuSource() {
    static WinCpuSource source;
    return source;
}

}  // namespace vantrel
