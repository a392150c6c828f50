// PrivateProfilePlatform: the configuration store's platform on Win32.
//
// INI access through GetPrivateProfileStringA / WritePrivateProfileStringA, files and folders
// through the file API, the decimal separator from the user's locale, errors through the
// plug-in's message-box seam. Made and used by TPluginConfig on the host's window thread.
#pragma once

#include "config/config_platform.h"

class PrivateProfilePlatform : public ConfigPlatform {
public:
    std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    std::vector<std::string> ReadKeyNames(const std::string& path, const std::string& section) override;
    bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& value) override;

    bool DirectoryExists(const std::string& path) override;
    void CreateDirectories(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    void RemoveFile(const std::string& path) override;

    char DecimalSeparator() override;
    void ShowError(const std::string& message) override;
};
