#include "dsp_library.h"

#include <cstdio>

#include "host/structured_call_guard.h"
#include "system_error_text.h"

std::string HexCode(unsigned long code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", code);
    return text;
}

int CountDspModules(winampDSPHeader* header) {
    int count = 0;
    const unsigned long fault = Guarded([&] {
        while (count < kModuleCountLimit && header->getModule(count) != nullptr) ++count;
    });
    return fault == kNoFault ? count : 0;
}

DspLibraryLoad LoadDspModule(const std::string& path, HWND mainWindow, int moduleIndex) {
    DspLibraryLoad load;
    auto fail = [&load](std::string message) {
        if (load.Library) FreeLibrary(load.Library);
        load.Library = nullptr;
        load.Header = nullptr;
        load.Module = nullptr;
        load.Error = std::move(message);
        return load;
    };

    load.Library = LoadLibraryA(path.c_str());
    if (!load.Library) return fail("cannot load " + path + ": " + SystemErrorText(GetLastError()));

    auto getHeader = reinterpret_cast<DspGetHeaderProc>(
        reinterpret_cast<void*>(GetProcAddress(load.Library, "winampDSPGetHeader2")));
    if (!getHeader) return fail(path + " is not a DSP library: it has no winampDSPGetHeader2 entry point");

    unsigned long fault = Guarded([&] { load.Header = getHeader(mainWindow); });
    if (fault != kNoFault) return fail("winampDSPGetHeader2 of " + path + " faulted with exception " + HexCode(fault));
    if (!load.Header) return fail("winampDSPGetHeader2 of " + path + " returned no header");
    if (load.Header->version != kDspHeaderVersion) {
        return fail("the header of " + path + " has version " + HexCode(static_cast<unsigned long>(load.Header->version)) +
                    ", this host takes " + HexCode(kDspHeaderVersion));
    }
    if (!load.Header->getModule) return fail("the header of " + path + " has no getModule");

    fault = Guarded([&] { load.Module = load.Header->getModule(moduleIndex); });
    if (fault != kNoFault) return fail("getModule(" + std::to_string(moduleIndex) + ") faulted with exception " + HexCode(fault));
    if (!load.Module) {
        const int count = CountDspModules(load.Header);
        return fail("module index " + std::to_string(moduleIndex) + " is out of range: " + path + " has " +
                    std::to_string(count) + (count == 1 ? " module" : " modules") +
                    (count > 0 ? " (0 to " + std::to_string(count - 1) + ")" : ""));
    }
    load.Module->hwndParent = mainWindow;
    load.Module->hDllInstance = load.Library;
    return load;
}
