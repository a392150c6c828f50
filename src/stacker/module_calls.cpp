#include "stacker/module_calls.h"

namespace {

struct HeaderCall {
    DspGetHeaderProc entry;
    void* parentWindow;
    winampDSPHeader* result;
};

struct ReadHeaderCall {
    const winampDSPHeader* header;
    HeaderFields* fields;
};

struct TextCall {
    const winampDSPModule* module;
    char* text;
};

struct FillCall {
    winampDSPModule* module;
    void* parentWindow;
    void* instance;
};

struct GetModuleCall {
    DspGetModuleProc getModule;
    int index;
    winampDSPModule* result;
};

struct ModuleCall {
    winampDSPModule* module;
    int result;
    bool missing;  // the record has no such function: the call could not be made
};

struct ModifyCall {
    DspModifySamplesProc proc;  // null: the module's own, read inside the guard
    winampDSPModule* module;
    short* samples;
    int count;
    int bps;
    int nch;
    int srate;
    int result;
    bool missing;  // no function to call
};

// Copies a NUL-terminated text of unknown length, cut at kMaxForeignTextLength; runs inside
// the guard, so it allocates nothing.
void CopyForeignText(const char* source, char* target) {
    int length = 0;
    if (source != nullptr) {
        for (; length < kMaxForeignTextLength && source[length] != '\0'; ++length) target[length] = source[length];
    }
    target[length] = '\0';
}

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

bool GuardedReadHeader(ForeignCallGuard& guard, const winampDSPHeader* header, HeaderFields& fields) {
    if (header == nullptr) return false;
    ReadHeaderCall call{header, &fields};
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<ReadHeaderCall*>(c);
            call->fields->Version = call->header->version;
            call->fields->GetModule = call->header->getModule;
            CopyForeignText(call->header->description, call->fields->Description);
        },
        &call);
}

bool GuardedReadDescription(ForeignCallGuard& guard, const winampDSPModule* module, ForeignText& text) {
    if (module == nullptr) return false;
    TextCall call{module, text};
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<TextCall*>(c);
            CopyForeignText(call->module->description, call->text);
        },
        &call);
}

bool GuardedFillHostFields(ForeignCallGuard& guard, winampDSPModule* module, void* parentWindow,
                           void* instance) {
    if (module == nullptr) return false;
    FillCall call{module, parentWindow, instance};
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<FillCall*>(c);
            call->module->hwndParent = call->parentWindow;
            call->module->hDllInstance = call->instance;
        },
        &call);
}

bool GuardedGetModule(ForeignCallGuard& guard, DspGetModuleProc getModule, int index,
                      winampDSPModule*& module) {
    if (getModule == nullptr) return false;
    GetModuleCall call{getModule, index, nullptr};
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
    if (module == nullptr) return false;
    ModuleCall call{module, 0, false};
    // Init's result is not examined: the host does not look at it either.
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            DspInitProc init = call->module->Init;
            if (init == nullptr) {
                call->missing = true;
                return;
            }
            call->result = init(call->module);
        },
        &call);
    return ok && !call.missing;
}

bool GuardedQuit(ForeignCallGuard& guard, winampDSPModule* module) {
    if (module == nullptr) return false;
    ModuleCall call{module, 0, false};
    // A missing Quit counts as done: there is nothing to shut down.
    return guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            if (DspQuitProc quit = call->module->Quit) quit(call->module);
        },
        &call);
}

bool GuardedConfig(ForeignCallGuard& guard, winampDSPModule* module) {
    if (module == nullptr) return false;
    ModuleCall call{module, 0, false};
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<ModuleCall*>(c);
            DspConfigProc config = call->module->Config;
            if (config == nullptr) {
                call->missing = true;
                return;
            }
            config(call->module);
        },
        &call);
    return ok && !call.missing;
}

namespace {

bool RunModify(ForeignCallGuard& guard, ModifyCall& call, int& count) {
    const bool ok = guard.Run(
        [](void* c) {
            auto* call = static_cast<ModifyCall*>(c);
            DspModifySamplesProc proc = call->proc != nullptr ? call->proc : call->module->ModifySamples;
            if (proc == nullptr) {
                call->missing = true;
                return;
            }
            call->result = proc(call->module, call->samples, call->count, call->bps, call->nch, call->srate);
        },
        &call);
    if (!ok || call.missing) return false;
    count = call.result;
    return true;
}

}  // namespace

bool GuardedModuleModifySamples(ForeignCallGuard& guard, winampDSPModule* module, short* samples,
                                int& count, int bps, int nch, int srate) {
    if (module == nullptr) return false;
    ModifyCall call{nullptr, module, samples, count, bps, nch, srate, 0, false};
    return RunModify(guard, call, count);
}

bool GuardedModifySamples(ForeignCallGuard& guard, DspModifySamplesProc proc,
                          winampDSPModule* module, short* samples, int& count, int bps, int nch,
                          int srate) {
    if (proc == nullptr) return false;
    ModifyCall call{proc, module, samples, count, bps, nch, srate, 0, false};
    return RunModify(guard, call, count);
}
