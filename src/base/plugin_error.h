// Failures inside the plug-in are raised as PluginError carrying a fixed message text for
// the user. A SilentAbort is a failure whose user has been told already (or needs no
// telling): whoever catches it reports failure without showing anything.
#pragma once

#include <stdexcept>
#include <string>

class PluginError : public std::runtime_error {
public:
    explicit PluginError(const std::string& message) : std::runtime_error(message) {}
};

class SilentAbort : public PluginError {
public:
    SilentAbort() : PluginError(std::string()) {}
};
