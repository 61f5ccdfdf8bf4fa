#include "shell/process_objects.h"

#include "platform/trace_log.h"

namespace vantrel {

ProcessObjects::ProcessObjects(TRoutineProc listProcesses)
    : log_(traceLog()), ramRecovery_(core_, routines_, listProcesses) {}

ProcessObjects::~ProcessObjects() = default;

TAppInstances& ProcessObjects::AdoptGuard(std::unique_ptr<TAppInstances> guard) {
    guard_ = std::move(guard);
    return *guard_;
}

}  // namespace vantrel
