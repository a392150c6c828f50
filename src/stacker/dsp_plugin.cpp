#include "stacker/dsp_plugin.h"

#include <utility>

#include "stacker/dsp_plugins.h"
#include "stacker/module_calls.h"

namespace {
constexpr const char* kHeaderFailedText = "its header entry point failed";
constexpr const char* kHeaderUnreadableText = "its header cannot be read";
constexpr const char* kEndlessListText = "its module list does not end within 256 modules";
}  // namespace

TDSPPlugin::TDSPPlugin(TDSPPlugins* owner, const std::string& fullPath) : Owner(owner) {
    DspLibraryPlatform& platform = owner->Platform();
    ParentWindow = owner->Host().MainWnd();
    FileName = fullPath;

    // The plug-in's own file is already loaded by the host: take no extra reference on it.
    // It is known by its module handle, so a differently spelled path still counts.
    void* loaded = platform.FindLoaded(fullPath);
    Handle = owner->IsOwnHandle(loaded) ? loaded : platform.Load(fullPath);
    IsOwnLibrary = owner->IsOwnHandle(Handle);
    platform.ReadVersion(fullPath, VersionInfo);

    DspGetHeaderProc entry = Handle != nullptr ? platform.FindHeaderEntry(Handle) : nullptr;
    if (entry == nullptr) return;
    winampDSPHeader* header = nullptr;
    if (!GuardedGetHeader(owner->Guard(), entry, ParentWindow, header)) {
        LeaveOut(kHeaderFailedText);
        return;
    }
    if (header == nullptr) return;
    const OwnLibrary& own = owner->Own();
    if (own.Header != nullptr && header == own.Header) IsOwnLibrary = true;

    HeaderFields fields;
    if (!GuardedReadHeader(owner->Guard(), header, fields)) {
        LeaveOut(kHeaderUnreadableText);
        return;
    }
    Header = header;
    Description = fields.Description;
    HeaderVersion = fields.Version;
    EnumerateModules(fields.GetModule);
}

void TDSPPlugin::LeaveOut(std::string reason) {
    Header = nullptr;
    SkipReason = std::move(reason);
}

void TDSPPlugin::EnumerateModules(DspGetModuleProc getModule) {
    ForeignCallGuard& guard = Owner->Guard();
    const OwnLibrary& own = Owner->Own();
    struct Found {
        winampDSPModule* Module;
        std::string Description;
    };
    std::vector<Found> found;

    // Every record is read (and filled) before any entry joins the stack, so a library
    // with one unusable record contributes nothing.
    for (int index = 0;; ++index) {
        winampDSPModule* module = nullptr;
        // A failing getModule ends the list at that index, as a null answer does.
        if (!GuardedGetModule(guard, getModule, index, module) || module == nullptr) break;
        if (index == kMaxModulesPerLibrary) {
            LeaveOut(kEndlessListText);
            return;
        }
        ForeignText description;
        if (!GuardedReadDescription(guard, module, description)) {
            LeaveOut("the record of module " + std::to_string(index + 1) + " cannot be read");
            return;
        }
        const bool ownRecord = module == own.MixIn || module == own.Bypass;
        // What the host fills for a module it loads itself; the plug-in's own records stay.
        if (!ownRecord && !GuardedFillHostFields(guard, module, ParentWindow, Handle)) {
            LeaveOut("the record of module " + std::to_string(index + 1) + " cannot be written");
            return;
        }
        found.push_back({module, description});
    }

    for (size_t index = 0; index < found.size(); ++index) {
        auto entry = std::make_unique<TDSPPluginModule>(this, found[index].Module, std::move(found[index].Description));
        entry->IndexInPlugin = static_cast<int32_t>(index);
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
