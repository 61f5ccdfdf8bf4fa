#pragma once

#include <windows.h>

namespace vantrel {

// An export of ntdll, which every process has loaded; null where the system lacks it.
template <class Fn>
Fn ntdllProc(const char* name) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, name))) : nullptr;
}

using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG infoClass, PVOID buffer, ULONG size, PULONG returned);

// NtQuerySystemInformation, looked up once for the life of the process; null where ntdll lacks it.
NtQuerySystemInformationFn ntQuerySystemInformation();

}  // namespace vantrel
