// TDSPPlugins: the stacker manager. Scans the host's plug-in folder once, loads every DSP
// library there (the plug-in's own file included, so that its mixing has a place in the
// chain), builds the module stack, applies the saved order and the default placement;
// at destruction saves the order and unloads everything.
//
// Created and destroyed by the MixIn module's Init and Quit on the window thread, which
// publish it in DSPPlugins. Receives from them:
// - `host`: the host window link and the configuration store (stacker_host.h);
// - `own`: the plug-in's own file, header, module records and the mixing step MixSamples;
// - `platform`: folder listing and library loading (Win32LibraryPlatform in the DLL);
// - `guard`: the foreign-call guard (StructuredCallGuard in the DLL);
// - `publishedStack`: where to publish the stack once it is complete, until destruction
//   begins (&DSPPluginModulesStack); written under the stack lock, read by
//   RunPublishedChain under it.
// All four references must outlive the manager. Owns the libraries and the stack.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "stacker/dsp_library_platform.h"
#include "stacker/dsp_plugin.h"
#include "stacker/dsp_plugin_modules_stack.h"
#include "host/foreign_call_guard.h"
#include "stacker/stacker_host.h"

class TDSPPlugins {
public:
    TDSPPlugins(StackerHost& host, OwnLibrary own, DspLibraryPlatform& platform,
                ForeignCallGuard& guard, TDSPPluginModulesStack** publishedStack = nullptr);
    ~TDSPPlugins();
    TDSPPlugins(const TDSPPlugins&) = delete;
    TDSPPlugins& operator=(const TDSPPlugins&) = delete;

    // Unloads everything, then loads every DSP library of the plug-in folder; false when
    // the host gives no folder. Each entry takes the stack lock itself to join or leave
    // the stack; the libraries' own code runs outside it.
    bool ScanFolder();
    // Destroys every library, the most recently loaded first.
    void UnloadAll();

    // The stack, or null once destruction has saved and removed it.
    TDSPPluginModulesStack* Stack() const { return stack_.get(); }
    StackerHost& Host() const { return host_; }
    const OwnLibrary& Own() const { return own_; }
    DspLibraryPlatform& Platform() const { return platform_; }
    ForeignCallGuard& Guard() const { return guard_; }
    // Whether `handle` is the plug-in's own library.
    bool IsOwnHandle(const void* handle) const { return handle != nullptr && handle == own_.Handle; }

    std::vector<std::unique_ptr<TDSPPlugin>> Plugins;  // in load order
    std::string PluginFolder;                          // ends in a path delimiter after a scan
    TDSPPluginModule* MixInEntry = nullptr;
    TDSPPluginModule* BypassEntry = nullptr;

private:
    bool ShouldLoad(const std::string& fullPath, bool alwaysLoad);
    void LoadLibraryFile(const std::string& fullPath, const std::string& listedName);
    // First start (or entries the saved order does not place): MixIn first, Bypass last.
    void PlaceOwnEntries();

    StackerHost& host_;
    OwnLibrary own_;
    DspLibraryPlatform& platform_;
    ForeignCallGuard& guard_;
    TDSPPluginModulesStack** publishedStack_;
    std::unique_ptr<TDSPPluginModulesStack> stack_;
};
