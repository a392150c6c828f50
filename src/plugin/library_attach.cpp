// Library attach: when the host loads the library, keep its module handle, learn its own
// full path, read its version information and build the header's description from it.
#include <windows.h>

#include <string>

#include "core/exported_globals.h"
#include "plugin/library_instance.h"
#include "plugin/plugin_modules.h"
#include "host/version_reader.h"

namespace {

std::string libraryFileName;
char emptyText[1] = "";

void AttachLibrary(HINSTANCE instance) {
    ThisLibraryInstance = instance;
    std::string description = kLibraryDescriptionAtLoad;

    char name[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(instance, name, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        char full[MAX_PATH * 2] = {};
        const DWORD fullLength = GetFullPathNameA(name, sizeof full, full, nullptr);
        libraryFileName = (fullLength > 0 && fullLength < sizeof full) ? full : name;
        ThisLibraryFileName = libraryFileName.data();

        VersionReader = new TVersionReader();
        VersionReaderResult = VersionReader->Read(libraryFileName);
        if (VersionReaderResult->StringInfoRead) {
            description = kLibraryDescriptionPrefix + VersionReaderResult->FileVersion;
        }
    }
    FillPluginHeader(description);
}

void DetachLibrary() {
    delete VersionReaderResult;
    VersionReaderResult = nullptr;
    delete VersionReader;
    VersionReader = nullptr;
    ThisLibraryFileName = emptyText;
    libraryFileName.clear();
}

}  // namespace

HINSTANCE ThisLibraryInstance = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    try {
        if (reason == DLL_PROCESS_ATTACH) AttachLibrary(instance);
        if (reason == DLL_PROCESS_DETACH) DetachLibrary();
    } catch (...) {
        // Out of memory at attach: keep the description given at load and go on.
        FillPluginHeader(kLibraryDescriptionAtLoad);
    }
    return TRUE;
}
