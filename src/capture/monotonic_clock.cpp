#include "capture/monotonic_clock.h"

#include <windows.h>

namespace {
constexpr double kMillisecondsPerSecond = 1000.0;
}  // namespace

double MonotonicSecondsNow() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) {
        return static_cast<double>(GetTickCount64()) / kMillisecondsPerSecond;
    }
    QueryPerformanceCounter(&counter);
    // Whole seconds and the remainder apart, so the division keeps its precision.
    const LONGLONG whole = counter.QuadPart / frequency.QuadPart;
    const LONGLONG rest = counter.QuadPart % frequency.QuadPart;
    return static_cast<double>(whole) + static_cast<double>(rest) / static_cast<double>(frequency.QuadPart);
}
