#include "resource_usage.h"

#include <windows.h>
#include <psapi.h>

namespace {

constexpr uintptr_t kHandleStep = 4;             // handle values are multiples of four
constexpr unsigned kHandleProbeMissLimit = 1024;  // values past the last handle found

// Counts the handle values that name an open handle, up to a long run of free values.
unsigned long ProbeHandleCount() {
    unsigned long count = 0;
    unsigned misses = 0;
    for (uintptr_t value = kHandleStep; misses < kHandleProbeMissLimit; value += kHandleStep) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

struct WindowCount {
    DWORD Process;
    unsigned long Count;
};

BOOL CALLBACK CountChildWindow(HWND, LPARAM count) {
    ++reinterpret_cast<WindowCount*>(count)->Count;
    return TRUE;
}

BOOL CALLBACK CountTopLevelWindow(HWND window, LPARAM count) {
    auto* windows = reinterpret_cast<WindowCount*>(count);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == windows->Process) {
        ++windows->Count;
        EnumChildWindows(window, &CountChildWindow, count);
    }
    return TRUE;
}

}  // namespace

ResourceUsage SampleResourceUsage() {
    ResourceUsage usage;
    HANDLE process = GetCurrentProcess();
    DWORD handles = 0;
    usage.Handles = GetProcessHandleCount(process, &handles) && handles > 0 ? handles : ProbeHandleCount();

    WindowCount windows{GetCurrentProcessId(), 0};
    EnumWindows(&CountTopLevelWindow, reinterpret_cast<LPARAM>(&windows));
    usage.Windows = windows.Count;
    usage.GdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    usage.UserObjects = GetGuiResources(process, GR_USEROBJECTS);

    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        usage.PrivateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        usage.WorkingSetBytes = counters.WorkingSetSize;
    }
    return usage;
}

std::string FormatResourceUsage(const char* stage, const ResourceUsage& usage) {
    return std::string("resources ") + stage + ": handles=" + std::to_string(usage.Handles) +
           " windows=" + std::to_string(usage.Windows) + " gdi=" + std::to_string(usage.GdiObjects) +
           " user=" + std::to_string(usage.UserObjects) + " private_bytes=" + std::to_string(usage.PrivateBytes) +
           " working_set=" + std::to_string(usage.WorkingSetBytes);
}
