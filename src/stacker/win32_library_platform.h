// The stacker's platform operations on Win32: FindFirstFileA/FindNextFileA for the folder,
// GetFullPathNameA, CharUpperBuffA (the user's locale), GetModuleHandleA, LoadLibraryA,
// GetProcAddress, FreeLibrary, and the version reader. Window thread; no state.
#pragma once

#include "stacker/dsp_library_platform.h"

class Win32LibraryPlatform final : public DspLibraryPlatform {
public:
    std::vector<std::string> ListFolder(const std::string& pattern) override;
    std::string FullPath(const std::string& path) override;
    std::string UpperCase(const std::string& text) override;
    void* FindLoaded(const std::string& path) override;
    void* Load(const std::string& path) override;
    void Free(void* handle) override;
    DspGetHeaderProc FindHeaderEntry(void* handle) override;
    void ReadVersion(const std::string& path, FileVersionInfo& info) override;
};
