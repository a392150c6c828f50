// TPluginConfig as the plug-in builds it: on the host's INI folder, through the private-profile
// functions.
#include "config/plugin_config.h"
#include "config/private_profile_platform.h"
#include "base/plugin_error.h"
#include "host/winamp_api_man.h"

namespace {
std::string HostIniFolder(TWinAmpAPIMan* hostLink) {
    if (hostLink == nullptr) throw PluginError(kNoHostLinkText);
    return hostLink->IniDirectory();
}
}  // namespace

TPluginConfig::TPluginConfig(TWinAmpAPIMan* hostLink)
    : TPluginConfig(HostIniFolder(hostLink), std::make_unique<PrivateProfilePlatform>()) {}
