// Reads a file's version resource into a FileVersionInfo record (window thread; also
// used at library attach on the plug-in's own file).
#pragma once

#include <string>

#include "host/file_version_info.h"

class TVersionReader {
public:
    bool ReadFixedPart = true;  // also read the fixed part and derive the build flags

    // Fills `record` (or a new record the caller then owns, when `record` is null) from
    // the version resource of `fileName`. A file without version information gives a
    // record that is all reset. Never throws for a missing or unreadable file.
    FileVersionInfo* Read(const std::string& fileName, FileVersionInfo* record = nullptr) const;
};
