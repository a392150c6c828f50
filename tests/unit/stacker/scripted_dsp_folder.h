// A plug-in folder of scripted DSP libraries for the portable stacker tests: a platform
// that lists, "loads" and counts references of in-memory libraries, a host answering the
// link's and the configuration's questions, and module records whose callbacks act on the
// block by a behaviour and write every call into a shared trace.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/dsp_records.h"
#include "stacker/dsp_library_platform.h"
#include "stacker/dsp_plugins.h"
#include "stacker/stacker_host.h"
#include "host/file_version_info.h"

namespace scripted {

inline const std::string kFolder = "C:\\Host\\Plugins\\";
inline const std::string kOwnName = "dsp_qxtidewell.dll";

enum class Behaviour {
    Pass,           // returns the count unchanged
    Halve,          // halves every sample
    AddOffset,      // adds `param` to every sample
    HalfCount,      // returns half the count
    Throw,          // ModifySamples throws
    ReturnCount,    // returns `param` whatever it was given
    Twice,          // returns twice the count
};

struct ModuleScript {
    std::string description;
    Behaviour behaviour = Behaviour::Pass;
    int param = 0;
    bool initThrows = false;
    bool quitThrows = false;
    std::function<void()> duringInit = nullptr;  // run inside Init, as messages a module pumps there
};

// Every call into a module, as "<description>.<call>", in the order made.
inline std::vector<std::string>& Trace() {
    static std::vector<std::string> trace;
    return trace;
}
// Off while a test counts allocations: the trace itself allocates.
inline bool& Tracing() {
    static bool tracing = true;
    return tracing;
}
inline void Note(const std::string& description, const char* call) {
    if (Tracing()) Trace().push_back(description + call);
}

struct ModuleState {
    ModuleScript script;
    winampDSPModule record{};
};

inline int TIDEWELL_CDECL ScriptedInit(winampDSPModule* m) {
    auto* s = static_cast<ModuleState*>(m->userData);
    Note(s->script.description, ".Init");
    if (s->script.duringInit) s->script.duringInit();
    if (s->script.initThrows) throw std::runtime_error("Init failed");
    return 0;
}
inline void TIDEWELL_CDECL ScriptedQuit(winampDSPModule* m) {
    auto* s = static_cast<ModuleState*>(m->userData);
    Note(s->script.description, ".Quit");
    if (s->script.quitThrows) throw std::runtime_error("Quit failed");
}
inline void TIDEWELL_CDECL ScriptedConfig(winampDSPModule* m) {
    Note(static_cast<ModuleState*>(m->userData)->script.description, ".Config");
}
inline int TIDEWELL_CDECL ScriptedModify(winampDSPModule* m, short* samples, int n, int,
                                         int nch, int) {
    auto* s = static_cast<ModuleState*>(m->userData);
    Note(s->script.description, ".Modify");
    switch (s->script.behaviour) {
        case Behaviour::Pass: return n;
        case Behaviour::Halve:
            for (int i = 0; i < n * nch; ++i) samples[i] = static_cast<short>(samples[i] / 2);
            return n;
        case Behaviour::AddOffset:
            for (int i = 0; i < n * nch; ++i) samples[i] = static_cast<short>(samples[i] + s->script.param);
            return n;
        case Behaviour::HalfCount: return n / 2;
        case Behaviour::Throw: throw std::runtime_error("ModifySamples failed");
        case Behaviour::ReturnCount: return s->script.param;
        case Behaviour::Twice: return 2 * n;
    }
    return n;
}

struct LibraryScript {
    std::string name;  // as the folder lists it
    std::vector<ModuleScript> modules;
    bool loads = true;
    bool hasEntry = true;
    bool nullHeader = false;
    int getModuleThrowsAt = -1;
    bool endless = false;  // getModule answers its first module for every index
};

constexpr int kSlots = 12;

struct Library {
    LibraryScript script;
    winampDSPHeader header{};
    std::vector<std::unique_ptr<ModuleState>> modules;
    int references = 0;
    bool heldByProcess = false;  // loaded before the scan (by the host)
    int slot = 0;
};

inline Library*& Slot(int i) {
    static Library* slots[kSlots] = {};
    return slots[i];
}

template <int N>
winampDSPModule* TIDEWELL_CDECL GetModuleOf(int index) {
    Library* lib = Slot(N);
    if (index == lib->script.getModuleThrowsAt) throw std::runtime_error("getModule failed");
    if (lib->script.endless && !lib->modules.empty()) return &lib->modules[0]->record;
    if (index < 0 || index >= static_cast<int>(lib->modules.size())) return nullptr;
    return &lib->modules[static_cast<size_t>(index)]->record;
}

template <int N>
winampDSPHeader* TIDEWELL_CDECL GetHeaderOf(void*) {
    return Slot(N)->script.nullHeader ? nullptr : &Slot(N)->header;
}

inline DspGetHeaderProc HeaderProc(int i) {
    static constexpr DspGetHeaderProc procs[kSlots] = {
        &GetHeaderOf<0>, &GetHeaderOf<1>, &GetHeaderOf<2>, &GetHeaderOf<3>,
        &GetHeaderOf<4>, &GetHeaderOf<5>, &GetHeaderOf<6>, &GetHeaderOf<7>,
        &GetHeaderOf<8>, &GetHeaderOf<9>, &GetHeaderOf<10>, &GetHeaderOf<11>};
    return procs[i];
}
inline DspGetModuleProc ModuleProc(int i) {
    static constexpr DspGetModuleProc procs[kSlots] = {
        &GetModuleOf<0>, &GetModuleOf<1>, &GetModuleOf<2>, &GetModuleOf<3>,
        &GetModuleOf<4>, &GetModuleOf<5>, &GetModuleOf<6>, &GetModuleOf<7>,
        &GetModuleOf<8>, &GetModuleOf<9>, &GetModuleOf<10>, &GetModuleOf<11>};
    return procs[i];
}

// The mixing step at the MixIn entry: adds kMixOffset to every sample.
constexpr int kMixOffset = 1000;
inline int TIDEWELL_CDECL ScriptedMix(winampDSPModule*, short* samples, int n, int, int nch, int) {
    if (Tracing()) Trace().push_back("Mix");
    for (int i = 0; i < n * nch; ++i) samples[i] = static_cast<short>(samples[i] + kMixOffset);
    return n;
}

class Folder final : public DspLibraryPlatform {
public:
    Folder() { Trace().clear(); }
    ~Folder() override {
        for (int i = 0; i < kSlots; ++i) Slot(i) = nullptr;
    }

    // Adds a library to the listing (in listing order) and returns it.
    Library& Add(LibraryScript script) {
        auto lib = std::make_unique<Library>();
        lib->slot = static_cast<int>(libraries_.size());
        lib->script = std::move(script);
        for (const ModuleScript& m : lib->script.modules) {
            auto state = std::make_unique<ModuleState>();
            state->script = m;
            state->record.description = state->script.description.data();
            state->record.Init = ScriptedInit;
            state->record.Quit = ScriptedQuit;
            state->record.Config = ScriptedConfig;
            state->record.ModifySamples = ScriptedModify;
            state->record.userData = state.get();
            lib->modules.push_back(std::move(state));
        }
        lib->header.version = kDspHeaderVersion;
        lib->header.description = lib->script.name.data();
        lib->header.getModule = ModuleProc(lib->slot);
        Slot(lib->slot) = lib.get();
        listing.push_back(lib->script.name);
        libraries_.push_back(std::move(lib));
        return *libraries_.back();
    }

    // The plug-in's own library: modules "Tidewell MixIn" and "Tidewell Bypass".
    Library& AddOwn() {
        Library& own = Add({kOwnName, {{"Tidewell MixIn"}, {"Tidewell Bypass"}}});
        own.heldByProcess = true;
        own.references = 1;
        return own;
    }
    OwnLibrary OwnOf(Library& own) const {
        OwnLibrary result;
        result.Handle = &own;
        result.Header = &own.header;
        result.MixIn = &own.modules[0]->record;
        result.Bypass = &own.modules[1]->record;
        result.MixSamples = ScriptedMix;
        return result;
    }

    // Paths match in any letter case, as the platform's file names do.
    Library* Find(const std::string& path) {
        for (auto& lib : libraries_) {
            if (UpperCase(kFolder + lib->script.name) == UpperCase(path)) return lib.get();
        }
        return nullptr;
    }

    std::vector<std::string> ListFolder(const std::string& pattern) override {
        lastPattern = pattern;
        return listing;
    }
    std::string FullPath(const std::string& path) override { return path; }
    std::string UpperCase(const std::string& text) override {
        std::string upper = text;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper;
    }
    void* FindLoaded(const std::string& path) override {
        Library* lib = Find(path);
        return lib != nullptr && lib->references > 0 ? lib : nullptr;
    }
    void* Load(const std::string& path) override {
        events.push_back("Load " + path.substr(kFolder.size()));
        Library* lib = Find(path);
        if (lib == nullptr || !lib->script.loads) return nullptr;
        ++lib->references;
        return lib;
    }
    void Free(void* handle) override {
        auto* lib = static_cast<Library*>(handle);
        events.push_back("Free " + lib->script.name);
        --lib->references;
    }
    DspGetHeaderProc FindHeaderEntry(void* handle) override {
        auto* lib = static_cast<Library*>(handle);
        return lib->script.hasEntry ? HeaderProc(lib->slot) : nullptr;
    }
    void ReadVersion(const std::string&, FileVersionInfo& info) override { info.Reset(); }

    std::vector<std::string> listing;  // extra names may be pushed directly
    std::vector<std::string> events;
    std::string lastPattern;

private:
    std::vector<std::unique_ptr<Library>> libraries_;
};

class Host final : public StackerHost {
public:
    void* MainWnd() override { return mainWnd; }
    std::string PluginDirectory() override { return folder; }
    bool ConfigExists() override { return configExists; }
    bool AlwaysLoad() override { return alwaysLoad; }
    bool EnableBypass() override { return enableBypass; }
    std::vector<std::string> StackLines() override { return lines; }
    void SetStackLines(const std::vector<std::string>& l) noexcept override {
        lines = l;
        ++saves;
    }

    void* mainWnd = reinterpret_cast<void*>(0x4242);
    std::string folder = "C:\\Host\\Plugins";
    bool configExists = true;
    bool alwaysLoad = false;
    bool enableBypass = true;
    std::vector<std::string> lines;
    int saves = 0;
};

// "<lib>/<description>" of each stack position, with "*" after an active entry.
inline std::vector<std::string> Order(const TDSPPluginModulesStack& stack) {
    std::vector<std::string> order;
    for (int i = 0; i < stack.Count(); ++i) {
        const TDSPPluginModule* e = stack.Get(i);
        order.push_back(e->Plugin->FileName + "/" + e->Description + (e->Active ? "*" : ""));
    }
    return order;
}

}  // namespace scripted
