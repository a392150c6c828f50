#include "core/exported_globals.h"

namespace {
char emptyText[1] = "";
}

extern "C" {
uint8_t MixInLoaded = 0;
char* ThisLibraryFileName = emptyText;
TMixInForm* MixInForm = nullptr;
TWaveInRecThread* WaveInRecThread = nullptr;
TPluginConfig* PluginConfig = nullptr;
TConfigForm* ConfigForm = nullptr;
TDSPPlugins* DSPPlugins = nullptr;
TDSPPluginModulesStack* DSPPluginModulesStack = nullptr;
TVersionReader* VersionReader = nullptr;
FileVersionInfo* VersionReaderResult = nullptr;
TInfoForm* InfoForm = nullptr;
TWinAmpAPIMan* WinAmpAPIMan = nullptr;
}
