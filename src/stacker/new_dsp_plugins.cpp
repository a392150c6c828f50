#include "stacker/new_dsp_plugins.h"

#include "core/exported_globals.h"
#include "host/own_module.h"
#include "host/structured_call_guard.h"
#include "stacker/win32_library_platform.h"

TDSPPlugins* NewDSPPlugins(StackerHost& host, OwnLibrary own) {
    // Both hold no state, so one of each serves every manager of the process.
    static Win32LibraryPlatform platform;
    static StructuredCallGuard guard;
    // The module this code lives in is the plug-in's own library.
    if (own.Handle == nullptr) own.Handle = ModuleOfControlWindowCode();
    return new TDSPPlugins(host, std::move(own), platform, guard, &DSPPluginModulesStack);
}
