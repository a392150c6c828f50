// The platform operations the stacker manager needs to find and load DSP libraries: the
// folder listing, path expansion, the locale's upper-casing, and dynamic loading. The Win32
// build passes Win32LibraryPlatform (FindFirstFileA, GetFullPathNameA, CharUpperBuffA,
// GetModuleHandleA, LoadLibraryA, GetProcAddress, FreeLibrary, the version reader); tests
// of the portable logic pass a scripted one. Called on the window thread only.
#pragma once

#include <string>
#include <vector>

#include "base/dsp_records.h"

struct FileVersionInfo;

class DspLibraryPlatform {
public:
    virtual ~DspLibraryPlatform() = default;

    // The names of every entry matching `pattern` (files and directories alike), in the
    // order the file system lists them.
    virtual std::vector<std::string> ListFolder(const std::string& pattern) = 0;
    // `path` expanded to an absolute path.
    virtual std::string FullPath(const std::string& path) = 0;
    // The locale-aware upper-case form of `text`.
    virtual std::string UpperCase(const std::string& text) = 0;
    // The handle of the library at `path` if the process holds it already, else null.
    // Takes no reference.
    virtual void* FindLoaded(const std::string& path) = 0;
    // Loads the library (one more reference); null when it cannot be loaded.
    virtual void* Load(const std::string& path) = 0;
    // Releases one reference taken by Load.
    virtual void Free(void* handle) = 0;
    // The library's "winampDSPGetHeader2" entry point, or null.
    virtual DspGetHeaderProc FindHeaderEntry(void* handle) = 0;
    // The file's version resource (a record left reset when it has none).
    virtual void ReadVersion(const std::string& path, FileVersionInfo& info) = 0;
};
