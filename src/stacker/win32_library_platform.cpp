#include "stacker/win32_library_platform.h"

#include <windows.h>

#include "host/version_reader.h"

namespace {
constexpr const char* kHeaderEntryName = "winampDSPGetHeader2";
}

std::vector<std::string> Win32LibraryPlatform::ListFolder(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Win32LibraryPlatform::FullPath(const std::string& path) {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

std::string Win32LibraryPlatform::UpperCase(const std::string& text) {
    std::string upper = text;
    if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

void* Win32LibraryPlatform::FindLoaded(const std::string& path) {
    return GetModuleHandleA(path.c_str());
}

void* Win32LibraryPlatform::Load(const std::string& path) { return LoadLibraryA(path.c_str()); }

void Win32LibraryPlatform::Free(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

DspGetHeaderProc Win32LibraryPlatform::FindHeaderEntry(void* handle) {
    return reinterpret_cast<DspGetHeaderProc>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), kHeaderEntryName)));
}

void Win32LibraryPlatform::ReadVersion(const std::string& path, FileVersionInfo& info) {
    TVersionReader().Read(path, &info);
}
