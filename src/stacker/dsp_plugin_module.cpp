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
    StackLockHold hold(StackLock());
    if (TDSPPluginModulesStack* stack = manager.Stack()) stack->Take(this);
    if (Active && !IsMixIn) {
        // A failing Quit is swallowed: the library goes away regardless.
        GuardedQuit(manager.Guard(), Module);
        Active = false;
    }
    if (manager.MixInEntry == this) manager.MixInEntry = nullptr;
    if (manager.BypassEntry == this) manager.BypassEntry = nullptr;
}

bool TDSPPluginModule::SetActive(bool desired) {
    if (IsMixIn) {
        Active = true;
        return true;
    }
    if (desired == Active) return Active;

    ForeignCallGuard& guard = Plugin->Owner->Guard();
    StackLockHold hold(StackLock());
    if (desired) {
        if (GuardedInit(guard, Module)) Active = true;
    } else {
        if (GuardedQuit(guard, Module)) Active = false;
    }
    return Active;
}

void TDSPPluginModule::Configure() {
    bool active;
    {
        StackLockHold hold(StackLock());
        active = Active;
    }
    if (active) GuardedConfig(Plugin->Owner->Guard(), Module);
}
