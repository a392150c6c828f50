// The host-facing entry of the library: the header, the two module records, and the
// exported lookup. The host calls winampDSPGetHeader2, then getModule, fills hwndParent and
// hDllInstance, and drives the chosen module: Init, Config / ModifySamples, Quit.
#include <string>

#include "core/block_gate.h"
#include "core/bypass.h"
#include "core/exported_globals.h"
#include "plugin/host_integrity.h"
#include "plugin/plugin_modules.h"

namespace {

char mixInText[] = "Tidewell MixIn";
char bypassText[] = "Tidewell Bypass";
std::string libraryDescription = kLibraryDescriptionAtLoad;

winampDSPHeader header{};
winampDSPModule modules[2]{};

winampDSPModule* TIDEWELL_CDECL GetModule(int index) {
    if (index == kMixInModuleIndex || index == kBypassModuleIndex) return &modules[index];
    return nullptr;
}

int TIDEWELL_CDECL IntegrityCheck(int key) { return HostIntegrityResponse(key); }

// Bypass module callbacks (module 1).
int TIDEWELL_CDECL BypassModuleInit(winampDSPModule*) {
    return BypassInit(PluginConfig != nullptr, MixInLoaded != 0);
}
void TIDEWELL_CDECL BypassModuleConfig(winampDSPModule*) {}
int TIDEWELL_CDECL BypassModuleModifySamples(winampDSPModule*, short* samples, int numsamples,
                                             int bps, int nch, int srate) {
    // The copy it puts back is freed by MixIn Quit, which waits for blocks inside the gate.
    const BlockPass pass(PluginBlockGate());
    if (!pass) return numsamples;
    return BypassModifySamples(samples, numsamples, bps, nch, srate);
}
void TIDEWELL_CDECL BypassModuleQuit(winampDSPModule*) { BypassQuit(); }

}  // namespace

winampDSPHeader& PluginHeader() { return header; }
winampDSPModule& PluginModule(int index) { return modules[index]; }

void FillPluginHeader(const std::string& description) {
    libraryDescription = description;
    header.version = kDspHeaderVersion;
    header.description = libraryDescription.data();
    header.getModule = GetModule;
    header.sf = IntegrityCheck;
}

extern "C" winampDSPHeader* TIDEWELL_CDECL winampDSPGetHeader2() {
    winampDSPModule& mixIn = modules[kMixInModuleIndex];
    mixIn.description = mixInText;
    mixIn.Config = MixInConfig;
    mixIn.Init = MixInInit;
    mixIn.ModifySamples = MixInModifySamples;
    mixIn.Quit = MixInQuit;

    winampDSPModule& bypass = modules[kBypassModuleIndex];
    bypass.description = bypassText;
    bypass.Config = BypassModuleConfig;
    bypass.Init = BypassModuleInit;
    bypass.ModifySamples = BypassModuleModifySamples;
    bypass.Quit = BypassModuleQuit;
    return &header;
}
