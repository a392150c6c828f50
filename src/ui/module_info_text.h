// The module information text the DSP page's "Details" shows for one stack entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/file_version_info.h"

struct ModuleInfoFacts {
    int IndexInPlugin = 0;           // the entry's module index in its library
    int EntryCount = 0;              // modules the library offers
    std::string ModuleDescription;   // the entry's description
    std::string PluginDescription;   // the library's description
    int32_t HeaderVersion = 0;       // version field of the library's header
    std::string FileName;            // the library's file name
    const FileVersionInfo* VersionInfo = nullptr;  // may be null: no version information
    // Libraries of the plug-in folder that were left out, each as "<file name>: <why>".
    std::vector<std::string> LeftOut;
};

inline constexpr const char* kModuleInfoCaption = "Tidewell: Module/Plugin Information";

// The details text; when libraries were left out, a closing section "Libraries left out"
// names each with the reason, so the user learns why a module is missing from the stack.
std::string ModuleInfoText(const ModuleInfoFacts& facts);
