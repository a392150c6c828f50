// MixIn module (module 0) callbacks: the life cycle that creates the plug-in's objects on
// Init and takes them down on Quit, and the per-block routing through the bypass save.
#include "core/bypass.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "core/mixer_wiring.h"
#include "core/plugin_modules.h"

namespace {
bool IsMixInRecord(const winampDSPModule* module) {
    return module == &PluginModule(kMixInModuleIndex);
}
}  // namespace

int TIDEWELL_CDECL MixInInit(winampDSPModule* module) {
    if (!IsMixInRecord(module) || MixState.InitBusy || MixInLoaded) return 0;
    MixState.InitBusy = true;
    MixInLoaded = 1;
    MixState.ResetForInit();
    MixState.InitBusy = false;
    return 0;
}

void TIDEWELL_CDECL MixInConfig(winampDSPModule* module) {
    if (!IsMixInRecord(module)) return;
}

int TIDEWELL_CDECL MixInModifySamples(winampDSPModule* module, short* samples, int numsamples,
                                      int bps, int nch, int srate) {
    if (!IsMixInRecord(module)) return numsamples;
    BypassSaveStep(samples, numsamples, bps, nch, srate);
    return MixSamples(module, samples, numsamples, bps, nch, srate);
}

void TIDEWELL_CDECL MixInQuit(winampDSPModule* module) {
    if (!IsMixInRecord(module)) return;
    MixerDropBuffer();
    MixState.NotifyHWnd = nullptr;
    BypassFreeCopy();
    MixInLoaded = 0;
}
