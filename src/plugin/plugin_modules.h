// The library's DSP header and its two module records, and the callbacks behind them.
#pragma once

#include <string>

#include "base/dsp_records.h"

inline constexpr const char* kMixInDescription = "Tidewell MixIn";
inline constexpr const char* kBypassDescription = "Tidewell Bypass";
inline constexpr const char* kLibraryDescriptionPrefix = "Quorvex Tidewell v";
inline constexpr const char* kLibraryDescriptionAtLoad = "Quorvex Tidewell v1.3";

inline constexpr int kMixInModuleIndex = 0;
inline constexpr int kBypassModuleIndex = 1;

// The one static header and the two static module records.
winampDSPHeader& PluginHeader();
winampDSPModule& PluginModule(int index);  // 0 MixIn, 1 Bypass

// Replaces the library description (library attach) and fills the header's fixed fields.
void FillPluginHeader(const std::string& description);

// MixIn module callbacks (module 0). Each ignores a record that is not module 0's.
int TIDEWELL_CDECL MixInInit(winampDSPModule* module);
void TIDEWELL_CDECL MixInConfig(winampDSPModule* module);
int TIDEWELL_CDECL MixInModifySamples(winampDSPModule* module, short* samples, int numsamples,
                                      int bps, int nch, int srate);
void TIDEWELL_CDECL MixInQuit(winampDSPModule* module);
