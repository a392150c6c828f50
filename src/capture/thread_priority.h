// The capture thread's priorities as the configuration shows them (0..6: Idle, Lowest,
// Lower, Normal, Higher, Highest, Real-Time) and the platform's thread priority levels they
// stand for.
#pragma once

#include <cstdint>

inline constexpr int32_t kPriorityIdle = 0;
inline constexpr int32_t kPriorityHigher = 4;  // what a new capture thread runs at
inline constexpr int32_t kPriorityRealTime = 6;
inline constexpr int32_t kPriorityCount = 7;

// THREAD_PRIORITY_IDLE, _LOWEST, _BELOW_NORMAL, _NORMAL, _ABOVE_NORMAL, _HIGHEST,
// _TIME_CRITICAL.
inline constexpr int kPlatformPriorityLevels[kPriorityCount] = {-15, -2, -1, 0, 1, 2, 15};

inline constexpr bool IsPriorityIndex(int32_t index) { return index >= 0 && index < kPriorityCount; }

// The platform level of priority 0..6 (index must be valid).
inline constexpr int PlatformPriorityLevel(int32_t index) { return kPlatformPriorityLevels[index]; }

// The priority 0..6 of a platform level; a level outside the table maps to the nearest
// entry below it (or Idle).
inline constexpr int32_t PriorityIndexOf(int level) {
    int32_t index = kPriorityIdle;
    for (int32_t i = 0; i < kPriorityCount; ++i) {
        if (kPlatformPriorityLevels[i] <= level) index = i;
    }
    return index;
}
