// The host's DSP plug-in records, laid out exactly as the host reads and writes them:
// 32-bit fields in the host's order, cdecl callbacks. Both our own two modules and the
// hosted DSP libraries of the stacker use these records.
//
// This header needs no Windows header: window and module handles are opaque pointers
// here, which is what HWND and HINSTANCE are on the platform.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define TIDEWELL_CDECL __cdecl
#else
#define TIDEWELL_CDECL
#endif

extern "C" {

struct winampDSPModule;

using DspConfigProc = void(TIDEWELL_CDECL*)(winampDSPModule*);
using DspInitProc = int(TIDEWELL_CDECL*)(winampDSPModule*);
using DspModifySamplesProc = int(TIDEWELL_CDECL*)(winampDSPModule*, short* samples, int numsamples,
                                                  int bps, int nch, int srate);
using DspQuitProc = void(TIDEWELL_CDECL*)(winampDSPModule*);

struct winampDSPModule {
    char* description;
    void* hwndParent;    // HWND, filled by the host before Init
    void* hDllInstance;  // HINSTANCE, filled by the host before Init
    DspConfigProc Config;
    DspInitProc Init;
    DspModifySamplesProc ModifySamples;
    DspQuitProc Quit;
    void* userData;
};

using DspGetModuleProc = winampDSPModule*(TIDEWELL_CDECL*)(int index);
using DspIntegrityProc = int(TIDEWELL_CDECL*)(int key);

struct winampDSPHeader {
    int version;
    char* description;
    DspGetModuleProc getModule;
    DspIntegrityProc sf;
};

// The library's one lookup entry point; the host passes its main window handle, which a
// function declared without parameters ignores safely under cdecl.
using DspGetHeaderProc = winampDSPHeader*(TIDEWELL_CDECL*)(void* hostWindow);

}  // extern "C"

inline constexpr int kDspHeaderVersion = 0x20;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(winampDSPModule) == 32, "module record must match the host's 32-bit layout");
static_assert(sizeof(winampDSPHeader) == 16, "header record must match the host's 32-bit layout");
#endif
