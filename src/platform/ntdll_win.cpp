#include "platform/ntdll_win.h"

namespace vantrel {

NtQuerySystemInformationFn ntQuerySystemInformation() {
    static const auto fn = ntdllProc<NtQuerySystemInformationFn>("NtQuerySystemInformation");
    return fn;
}

}  // namespace vantrel
