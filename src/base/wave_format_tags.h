// The format tags of a WAVE 'fmt ' chunk (the platform's WAVE_FORMAT_PCM and
// WAVE_FORMAT_EXTENSIBLE), for code that builds without the platform's headers.
#pragma once

#include <cstdint>

inline constexpr uint16_t kWaveFormatPcm = 0x0001;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
