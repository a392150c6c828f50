// A file's version information, as the version reader fills it.
#pragma once

#include <cstdint>
#include <string>

struct FileVersionInfo {
    bool StringInfoRead = false;  // all eight version texts were found
    bool FixedInfoRead = false;   // the fixed part was read
    std::string LanguageName;
    std::string CodePageName;  // never filled
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
    uint16_t LanguageId = 0;
    uint16_t CodePage = 0;
    uint32_t FileVersionMS = 0;
    uint32_t FileVersionLS = 0;
    uint32_t ProductVersionMS = 0;
    uint32_t ProductVersionLS = 0;
    uint32_t FileFlagsMask = 0;
    uint32_t FileFlags = 0;
    bool IsDebug = false;
    bool IsInfoInferred = false;
    bool IsPatched = false;
    bool IsPreRelease = false;
    bool IsPrivateBuild = false;
    bool IsSpecialBuild = false;
    uint32_t FileOS = 0;
    uint32_t FileType = 0;
    uint32_t FileSubtype = 0;
    uint32_t FileDateMS = 0;
    uint32_t FileDateLS = 0;

    void Reset() { *this = FileVersionInfo{}; }

    // Sets the six build flags from FileFlagsMask and FileFlags: a flag is on when its bit
    // is set in both.
    void DeriveBuildFlags();
};

// The version texts in the order they are read; reading stops at the first one missing.
inline constexpr const char* kVersionTextNames[8] = {
    "CompanyName",  "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFileName", "ProductName", "ProductVersion",
};

// The field of `info` that holds the version text number `index` (0..7) of kVersionTextNames.
std::string& VersionText(FileVersionInfo& info, int index);

// "\StringFileInfo\" + language and code page as eight lower-case hex digits.
std::string StringFileInfoPath(uint16_t languageId, uint16_t codePage);
