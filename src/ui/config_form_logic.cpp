#include "ui/config_form_logic.h"

const char* PriorityName(int priority) {
    static const char* const names[] = {"Idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Real-Time"};
    return priority >= kLowestPriority && priority <= kHighestPriority ? names[priority] : "Unknown";
}

int PriorityTrackPosition(int priority) {
    return priority >= 1 && priority <= kHighestPriority ? priority : 0;
}

std::string VersionLine(const FileVersionInfo* info) {
    if (info == nullptr || !info->StringInfoRead) return std::string();
    std::string line = info->FileVersion;
    if (info->IsDebug) line += " Debug Build";
    if (info->IsInfoInferred) line += " Proxy Info";
    if (info->IsPatched) line += " Patched";
    if (info->IsPreRelease) line += " Pre-Release";
    if (info->IsPrivateBuild) line += " Private Build";
    if (info->IsSpecialBuild) line += " Special Build";
    return line;
}
