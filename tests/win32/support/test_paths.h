// Paths the Win32 tests use: the built DLL and the fixtures live beside the test program.
#pragma once

#include <windows.h>

#include <string>

inline std::string TestProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/"));
}

inline std::string PluginDllPath() { return TestProgramFolder() + "\\dsp_qxtidewell.dll"; }
inline std::string FixturePath(const std::string& name) {
    return TestProgramFolder() + "\\fixtures\\" + name;
}
