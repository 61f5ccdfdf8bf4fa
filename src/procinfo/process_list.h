#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "jobs/types.h"
#include "platform/processes.h"

namespace vantrel {

class TRamRecovery;

// One row of the process list, posted by copy to the main window.
struct TAddProcToListParam {
    std::wstring ProcessId;  // decimal, unsigned, no leading zeros
    std::wstring Path;       // full image path, at most 260 characters
    std::wstring Name;       // image file name without folder
    int32_t MemoryKB = 0;    // working set (NT family) or committed private memory (older family)
    int32_t PriorityClass = 0;
};
class TAddProcToListParamT : public TValueT<TAddProcToListParam> {};

// Where one pass of the process list reports (worker 1 in the program).
class ProcessListSink {
  public:
    virtual ~ProcessListSink() = default;
    virtual void begin() = 0;
    virtual void add(const TAddProcToListParam& row) = 0;
    virtual void end() = 0;
};

// Decimal digits; the empty text for 0.
std::wstring CardinalToStr(uint32_t value);

// Reports one row unless it is the system process (id "4") or has no path. True when reported.
bool AddProcToList(ProcessListSink& sink,
                   const std::wstring& ProcessId,
                   const std::wstring& Path,
                   const std::wstring& Name,
                   int32_t MemoryKB,
                   int32_t PriorityClass);

// The committed private memory of a process in KB, from a walk over its address space.
int32_t GetPrivateBytesKB(Process& process, ProcessSystem& system);

// One pass: begin, a row per process (process-status functions on the NT family, a process
// snapshot otherwise), end. Stop is asked before each process; once it answers true the pass ends
// at once, without its end notice.
void ListProcessesRun(
    ProcessSystem& system,
    bool ntFamily,
    ProcessListSink& sink,
    const std::function<bool()>& stop = [] { return false; });

// The procedure of ProcessListRoutine (worker 2): Data is the engine object, Param is ignored.
void ListProcesses(void* Data, const void* Param);

}  // namespace vantrel
