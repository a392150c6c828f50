// The configuration dialog's rules that need no window.
#pragma once

#include <string>

#include "host/file_version_info.h"

inline constexpr int kLowestPriority = 0;
inline constexpr int kHighestPriority = 6;

// "Idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Real-Time"; "Unknown" otherwise.
const char* PriorityName(int priority);

// Where the priority track bar stands for a priority: 1..6 as is, anything else at 0.
int PriorityTrackPosition(int priority);

// The version line: FileVersion and the build-flag words, or empty without version texts.
std::string VersionLine(const FileVersionInfo* info);
