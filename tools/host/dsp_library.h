// A DSP library loaded the host's way: LoadLibraryA, winampDSPGetHeader2(main window), the
// header's version checked, getModule(index) for the chosen module, and the module record's
// hwndParent and hDllInstance filled. Every call into the library runs under the module
// guard; a fault there is reported as a failure, never a crash.
//
// Loaded and unloaded on the window thread; the module record is then driven by the host
// session (Init, Config, Quit) and the playback thread (ModifySamples).
#pragma once

#include <windows.h>

#include <string>

#include "base/dsp_records.h"

inline constexpr int kModuleCountLimit = 64;  // how far the host looks when counting modules

struct DspLibraryLoad {
    HMODULE Library = nullptr;
    winampDSPHeader* Header = nullptr;
    winampDSPModule* Module = nullptr;
    std::string Error;  // empty when the module is ready for Init; the library is then loaded
};

DspLibraryLoad LoadDspModule(const std::string& path, HWND mainWindow, int moduleIndex);

// The number of modules getModule answers from index 0 on (stopping at the first null).
int CountDspModules(winampDSPHeader* header);

std::string HexCode(unsigned long code);
