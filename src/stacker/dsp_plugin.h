// TDSPPlugin: one DSP library loaded from the host's plug-in folder, with one stack entry
// for each module its header lists.
//
// Owned by the manager (TDSPPlugins), built and destroyed on the window thread. Owns its
// entries (`Modules`) and its version record; frees the library at destruction unless it
// is the plug-in's own file, which must stay loaded while its code runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/dsp_records.h"
#include "stacker/dsp_plugin_module.h"
#include "host/file_version_info.h"

class TDSPPlugins;

// A library offering more modules than this is taken for one whose getModule never answers
// null, and is left out.
inline constexpr int kMaxModulesPerLibrary = 256;

class TDSPPlugin {
public:
    // Loads the library at `fullPath`, reads its version resource and header, and creates
    // an entry for each module. A library that cannot be loaded, lacks the entry point or
    // returns no header stays as a record without modules. So does one left out because
    // its header or a module record cannot be read (a contained fault), or its module list
    // does not end within kMaxModulesPerLibrary; SkipReason then says why.
    TDSPPlugin(TDSPPlugins* owner, const std::string& fullPath);
    // Destroys the entries in order, then frees the library (never the plug-in's own).
    ~TDSPPlugin();
    TDSPPlugin(const TDSPPlugin&) = delete;
    TDSPPlugin& operator=(const TDSPPlugin&) = delete;

    int EntryCount() const { return static_cast<int>(Modules.size()); }

    std::vector<std::unique_ptr<TDSPPluginModule>> Modules;  // in getModule order
    TDSPPlugins* Owner = nullptr;
    void* ParentWindow = nullptr;  // the host main window; belongs to the host
    void* Handle = nullptr;
    winampDSPHeader* Header = nullptr;
    // The full path while loading; then the bare name as the folder listed it, which is
    // the "Lib" text of the saved stack.
    std::string FileName;
    std::string Description;
    int32_t HeaderVersion = 0;
    FileVersionInfo VersionInfo;
    bool IsOwnLibrary = false;
    // Why the library gives no modules although it answered a header; empty otherwise.
    std::string SkipReason;

private:
    void EnumerateModules(DspGetModuleProc getModule);
    void LeaveOut(std::string reason);
};
