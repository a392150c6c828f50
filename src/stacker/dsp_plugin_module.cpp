#include "stacker/dsp_plugin_module.h"

#include <utility>

#include "stacker/dsp_plugin.h"
#include "stacker/dsp_plugins.h"
#include "stacker/module_calls.h"
#include "stacker/stack_lock.h"

TDSPPluginModule::TDSPPluginModule(TDSPPlugin* plugin, winampDSPModule* module, std::string description)
    : Plugin(plugin), Module(module), Description(std::move(description)) {
    TDSPPlugins& manager = *plugin->Owner;
    const OwnLibrary& own = manager.Own();
    if (own.MixIn != nullptr && module == own.MixIn) {
        // The mixing step is active from birth; it never goes through Init here.
        IsMixIn = true;
        Active = true;
        manager.MixInEntry = this;
    } else if (own.Bypass != nullptr && module == own.Bypass) {
        IsBypass = true;
        manager.BypassEntry = this;
    }

    StackerHost& host = manager.Host();
    const bool keptOut = IsBypass && host.ConfigExists() && !host.EnableBypass();
    if (!keptOut) {
        StackLockHold hold(StackLock());
        if (TDSPPluginModulesStack* stack = manager.Stack()) stack->Append(this);
    }
}

TDSPPluginModule::~TDSPPluginModule() {
    TDSPPlugins& manager = *Plugin->Owner;
    bool quit = false;
    {
        StackLockHold hold(StackLock());
        if (TDSPPluginModulesStack* stack = manager.Stack()) stack->Take(this);
        quit = Active && !IsMixIn;
        if (quit) Active = false;
    }
    // Out of the chain now. A failing Quit is swallowed: the library goes away regardless.
    if (quit) GuardedQuit(manager.Guard(), Module);
    if (manager.MixInEntry == this) manager.MixInEntry = nullptr;
    if (manager.BypassEntry == this) manager.BypassEntry = nullptr;
}

bool TDSPPluginModule::SetActive(bool desired) {
    // Active from birth and never changed: nothing to write.
    if (IsMixIn) return true;
    if (changing_ || desired == Active) return Active;

    ForeignCallGuard& guard = Plugin->Owner->Guard();
    changing_ = true;
    if (desired) {
        // The chain may run the module only once its Init has returned.
        if (GuardedInit(guard, Module)) StoreActive(true);
    } else {
        // Out of the chain first: once the lock has been taken no chain run is inside the
        // module's ModifySamples, and none enters it again before Quit.
        StoreActive(false);
        if (!GuardedQuit(guard, Module)) StoreActive(true);
    }
    changing_ = false;
    return Active;
}

void TDSPPluginModule::StoreActive(bool active) {
    StackLockHold hold(StackLock());
    Active = active;
}

void TDSPPluginModule::Configure() {
    bool active;
    {
        StackLockHold hold(StackLock());
        active = Active;
    }
    if (active) GuardedConfig(Plugin->Owner->Guard(), Module);
}
