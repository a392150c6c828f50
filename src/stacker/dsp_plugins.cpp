#include "stacker/dsp_plugins.h"

#include <utility>

#include "stacker/dsp_library_name.h"
#include "stacker/stack_lock.h"

namespace {
constexpr const char* kListAllPattern = "*.*";
bool EndsInDelimiter(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}
}  // namespace

TDSPPlugins::TDSPPlugins(StackerHost& host, OwnLibrary own, DspLibraryPlatform& platform,
                         ForeignCallGuard& guard, TDSPPluginModulesStack** publishedStack)
    : host_(host),
      own_(std::move(own)),
      platform_(platform),
      guard_(guard),
      publishedStack_(publishedStack) {
    StackLock();  // created before anything can need it
    stack_ = std::make_unique<TDSPPluginModulesStack>(guard_, own_.MixSamples);
    // The stack is built completely before the playback thread can see it: loading, the
    // saved order and the modules' Init calls all happen on an unpublished stack.
    try {
        ScanFolder();
        stack_->LoadOrder(host_.StackLines());
        PlaceOwnEntries();
    } catch (...) {
        // No destructor runs for a half-built manager: take the stack down first, so the
        // entries find none, then unload what was loaded.
        stack_.reset();
        UnloadAll();
        throw;
    }
    // Published under the lock that RunPublishedChain reads it under, so the playback
    // thread sees everything written while building.
    StackLockHold hold(StackLock());
    if (publishedStack_ != nullptr) *publishedStack_ = stack_.get();
}

TDSPPlugins::~TDSPPlugins() {
    {
        // Unpublished first: once the lock has been taken no chain runs this stack, and
        // none starts again, so what follows needs the lock no more than building did.
        StackLockHold hold(StackLock());
        if (publishedStack_ != nullptr) *publishedStack_ = nullptr;
    }
    if (host_.ConfigExists() && stack_ != nullptr) {
        // A destructor must not throw: without memory for the lines the order is not
        // saved, and a failed write is the host's to report.
        try {
            std::vector<std::string> lines;
            stack_->SaveOrder(lines);
            host_.SetStackLines(lines);
        } catch (...) {
        }
    }
    stack_.reset();
    UnloadAll();
}

bool TDSPPlugins::ScanFolder() {
    const bool alwaysLoad = host_.ConfigExists() && host_.AlwaysLoad();
    UnloadAll();

    PluginFolder = host_.PluginDirectory();
    if (PluginFolder.empty()) return false;
    if (!EndsInDelimiter(PluginFolder)) PluginFolder += '\\';

    for (const std::string& name : platform_.ListFolder(PluginFolder + kListAllPattern)) {
        if (!IsDspLibraryName(platform_.UpperCase(name))) continue;
        const std::string fullPath = platform_.FullPath(PluginFolder + name);
        if (ShouldLoad(fullPath, alwaysLoad)) LoadLibraryFile(fullPath, name);
    }
    return true;
}

// A library the process holds already (most likely the host's own choice of DSP) is left
// alone unless it is our own file or the user asked to load everything. Our own file is
// known by its module handle, whatever the spelling of the path it was found under.
bool TDSPPlugins::ShouldLoad(const std::string& fullPath, bool alwaysLoad) {
    void* loaded = platform_.FindLoaded(fullPath);
    return loaded == nullptr || IsOwnHandle(loaded) || alwaysLoad;
}

void TDSPPlugins::LoadLibraryFile(const std::string& fullPath, const std::string& listedName) {
    auto plugin = std::make_unique<TDSPPlugin>(this, fullPath);
    plugin->FileName = listedName;
    Plugins.push_back(std::move(plugin));
}

void TDSPPlugins::UnloadAll() {
    while (!Plugins.empty()) {
        std::unique_ptr<TDSPPlugin> last = std::move(Plugins.back());
        Plugins.pop_back();
        last.reset();
    }
}

void TDSPPlugins::PlaceOwnEntries() {
    if (MixInEntry != nullptr && !MixInEntry->Placed) {
        const int at = stack_->IndexOf(MixInEntry);
        if (at > 0) {
            stack_->Move(at, 0);
            MixInEntry->Placed = true;
        }
    }
    if (BypassEntry != nullptr && !BypassEntry->Placed) {
        const int at = stack_->IndexOf(BypassEntry);
        const int last = stack_->Count() - 1;
        if (at >= 0 && at != last) {
            stack_->Move(at, last);
            BypassEntry->Placed = true;
        }
    }
}
