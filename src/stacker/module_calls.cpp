#include "stacker/module_calls.h"

namespace {

struct HeaderCall {
    DspGetHeaderProc entry;
    void* parentWindow;
    winampDSPHeader* result;
};

struct GetModuleCall {
    DspGetModuleProc getModule;
    int index;
    winampDSPModule* result;
};

struct ModuleCall {
    winampDSPModule* module;
    int result;
};

struct ModifyCall {
    DspModifySamplesProc proc;
    winampDSPModule* module;
    short* samples;
    int count;
    int bps;
    int nch;
    int srate;
    int result;
};

}  // namespace

bool GuardedGetHeader(ForeignCallGuard& guard, DspGetHeaderProc entry, void* parentWindow,
                      winampDSPHeader*& header) {
    if (entry == nullptr) return false;
    HeaderCall call{entry, parentWindow, nullptr};
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<HeaderCall*>(c);
            call->result = call->entry(call->parentWindow);
        },
        &call);
    if (ok) header = call.result;
    return ok;
}

bool GuardedGetModule(ForeignCallGuard& guard, const winampDSPHeader& header, int index,
                      winampDSPModule*& module) {
    if (header.getModule == nullptr) return false;
    GetModuleCall call{header.getModule, index, nullptr};
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<GetModuleCall*>(c);
            call->result = call->getModule(call->index);
        },
        &call);
    if (ok) module = call.result;
    return ok;
}

bool GuardedInit(ForeignCallGuard& guard, winampDSPModule* module) {
    if (module == nullptr || module->Init == nullptr) return false;
    ModuleCall call{module, 0};
    // Init's result is not examined: the host does not look at it either.
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            call->result = call->module->Init(call->module);
        },
        &call);
}

bool GuardedQuit(ForeignCallGuard& guard, winampDSPModule* module) {
    if (module == nullptr) return false;
    if (module->Quit == nullptr) return true;  // nothing to shut down
    ModuleCall call{module, 0};
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            call->module->Quit(call->module);
        },
        &call);
}

bool GuardedConfig(ForeignCallGuard& guard, winampDSPModule* module) {
    if (module == nullptr || module->Config == nullptr) return false;
    ModuleCall call{module, 0};
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            call->module->Config(call->module);
        },
        &call);
}

bool GuardedModifySamples(ForeignCallGuard& guard, DspModifySamplesProc proc,
                          winampDSPModule* module, short* samples, int& count, int bps, int nch,
                          int srate) {
    if (proc == nullptr) return false;
    ModifyCall call{proc, module, samples, count, bps, nch, srate, 0};
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<ModifyCall*>(c);
            call->result = call->proc(call->module, call->samples, call->count, call->bps,
                                      call->nch, call->srate);
        },
        &call);
    if (ok) count = call.result;
    return ok;
}
