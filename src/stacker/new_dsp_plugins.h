// Building the stacker manager inside the plug-in DLL: the Win32 library platform, the
// structured-exception guard, and DSPPluginModulesStack as the published stack.
//
// Called by the MixIn module's Init on the window thread, after the host window link and
// the configuration store exist; the caller publishes the result in DSPPlugins and, at
// Quit, clears DSPPlugins before deleting it. May throw (out of memory) like any
// construction; Init's boundary catches.
#pragma once

#include "stacker/dsp_plugins.h"

TDSPPlugins* NewDSPPlugins(StackerHost& host, OwnLibrary own);
