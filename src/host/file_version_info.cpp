#include "host/file_version_info.h"

#include <cstdio>

namespace {
// Fixed-part flag bits (VS_FF_*).
constexpr uint32_t kFlagDebug = 0x1;
constexpr uint32_t kFlagPreRelease = 0x2;
constexpr uint32_t kFlagPatched = 0x4;
constexpr uint32_t kFlagPrivateBuild = 0x8;
constexpr uint32_t kFlagInfoInferred = 0x10;
constexpr uint32_t kFlagSpecialBuild = 0x20;
}  // namespace

void FileVersionInfo::DeriveBuildFlags() {
    const uint32_t set = FileFlagsMask & FileFlags;
    IsDebug = (set & kFlagDebug) != 0;
    IsInfoInferred = (set & kFlagInfoInferred) != 0;
    IsPatched = (set & kFlagPatched) != 0;
    IsPreRelease = (set & kFlagPreRelease) != 0;
    IsPrivateBuild = (set & kFlagPrivateBuild) != 0;
    IsSpecialBuild = (set & kFlagSpecialBuild) != 0;
}

std::string& VersionText(FileVersionInfo& info, int index) {
    std::string* const fields[8] = {
        &info.CompanyName,    &info.FileDescription,  &info.FileVersion, &info.InternalName,
        &info.LegalCopyright, &info.OriginalFileName, &info.ProductName, &info.ProductVersion,
    };
    return *fields[index];
}

std::string StringFileInfoPath(uint16_t languageId, uint16_t codePage) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%04x%04x", languageId, codePage);
    return std::string("\\StringFileInfo\\") + hex;
}
