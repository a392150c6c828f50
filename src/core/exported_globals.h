// The library's exported globals: every main object of the plug-in is reachable through
// one of these, by name, from other parts and from outside tools. Each pointer is null
// while its object does not exist; an object is published only once it is fully built,
// and unpublished (null) before it is destroyed.
#pragma once

#include <cstdint>

class TMixInForm;
class TWaveInRecThread;
class TPluginConfig;
class TConfigForm;
class TDSPPlugins;
class TDSPPluginModulesStack;
class TVersionReader;
class TInfoForm;
class TWinAmpAPIMan;
struct FileVersionInfo;

extern "C" {
extern uint8_t MixInLoaded;          // true from a successful start of MixIn Init until Quit
extern char* ThisLibraryFileName;    // full path of the plug-in file, "" before attach
extern TMixInForm* MixInForm;
extern TWaveInRecThread* WaveInRecThread;
extern TPluginConfig* PluginConfig;
extern TConfigForm* ConfigForm;
extern TDSPPlugins* DSPPlugins;
extern TDSPPluginModulesStack* DSPPluginModulesStack;
extern TVersionReader* VersionReader;
extern FileVersionInfo* VersionReaderResult;
extern TInfoForm* InfoForm;
extern TWinAmpAPIMan* WinAmpAPIMan;  // never set: the link in use lives in module 0's userData
}
