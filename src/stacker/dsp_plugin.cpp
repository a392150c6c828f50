#include "stacker/dsp_plugin.h"

#include "stacker/dsp_plugins.h"
#include "stacker/module_calls.h"

TDSPPlugin::TDSPPlugin(TDSPPlugins* owner, const std::string& fullPath) : Owner(owner) {
    DspLibraryPlatform& platform = owner->Platform();
    const OwnLibrary& own = owner->Own();
    ParentWindow = owner->Host().MainWnd();
    FileName = fullPath;

    // The plug-in's own file is already loaded by the host: take no extra reference on it.
    Handle = fullPath == own.FileName ? platform.FindLoaded(fullPath) : platform.Load(fullPath);
    platform.ReadVersion(fullPath, VersionInfo);

    DspGetHeaderProc entry = Handle != nullptr ? platform.FindHeaderEntry(Handle) : nullptr;
    if (entry == nullptr) return;
    winampDSPHeader* header = nullptr;
    if (!GuardedGetHeader(owner->Guard(), entry, ParentWindow, header)) return;
    Header = header;
    if (Header == nullptr) return;
    // Recognised by the header's address, so a differently spelled path still counts.
    IsOwnLibrary = own.Header != nullptr && Header == own.Header;

    if (Header->description != nullptr) Description = Header->description;
    HeaderVersion = Header->version;
    EnumerateModules();
}

void TDSPPlugin::EnumerateModules() {
    for (int index = 0;; ++index) {
        winampDSPModule* module = nullptr;
        // A failing getModule ends the list at that index, as a null answer does.
        if (!GuardedGetModule(Owner->Guard(), *Header, index, module) || module == nullptr) break;
        auto entry = std::make_unique<TDSPPluginModule>(this, module);
        entry->IndexInPlugin = index;
        Modules.push_back(std::move(entry));
    }
}

TDSPPlugin::~TDSPPlugin() {
    // Each entry leaves the stack under the stack lock and then runs its Quit outside it.
    while (!Modules.empty()) {
        std::unique_ptr<TDSPPluginModule> entry = std::move(Modules.front());
        Modules.erase(Modules.begin());
        entry.reset();
    }
    if (Handle != nullptr && !IsOwnLibrary) Owner->Platform().Free(Handle);
}
