// ConfigPlatform: what the configuration store needs from the operating system.
//
// The store (TPluginConfig) holds the rules; this seam holds the platform: private-profile
// reads and writes on one file, the few file and folder operations, the system's decimal
// separator and the standard error display. The Win32 shell supplies the real one
// (PrivateProfilePlatform); native tests supply an in-memory one. Called on the host's
// window thread only, like the store.
#pragma once

#include <string>
#include <vector>

class ConfigPlatform {
public:
    virtual ~ConfigPlatform() = default;

    // The value of `key` in `section` of the file at `path`, or `fallback` when the file,
    // the section or the key is missing.
    virtual std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                                   const std::string& fallback) = 0;
    // The names of all keys of `section`, in file order; empty when there are none.
    virtual std::vector<std::string> ReadKeyNames(const std::string& path, const std::string& section) = 0;
    // Writes one key, creating the file and the section when needed. False when the file
    // could not be written.
    virtual bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                             const std::string& value) = 0;

    virtual bool DirectoryExists(const std::string& path) = 0;
    // Creates the folder and any missing parents; a failure is not reported here.
    virtual void CreateDirectories(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Deletes a file; a failure is ignored.
    virtual void RemoveFile(const std::string& path) = 0;

    // The decimal separator of the user's locale, for the doubles of the file.
    virtual char DecimalSeparator() = 0;
    // The standard error display: a message box with the error's message.
    virtual void ShowError(const std::string& message) = 0;
};
