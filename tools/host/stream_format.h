// The format of a WAV file's 'fmt ' chunk as far as a DSP module cares: integer PCM of 8
// (unsigned), 16, 24 or 32 (signed, little-endian) bits, any channel count. Decoding the
// chunk's bytes needs no platform header, so every rule about what the host accepts is here.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/wave_format_tags.h"

struct StreamFormat {
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    int BlockAlign = 0;  // bytes per frame
};

struct StreamFormatResult {
    StreamFormat Format;
    std::string Error;  // empty when the chunk describes a format the host can play
};

// `chunk` is the 'fmt ' chunk's data (WAVEFORMATEX, or WAVEFORMATEXTENSIBLE whose
// sub-format is PCM).
StreamFormatResult DecodeStreamFormat(std::span<const uint8_t> chunk);
