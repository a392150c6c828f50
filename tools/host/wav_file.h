// WAV files read and written with the platform's RIFF functions (winmm's mmio family:
// mmioDescend, mmioRead, mmioCreateChunk, mmioWrite, mmioAscend), through an I/O procedure
// on plain file handles so that long paths work too.
//
// Used on the main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stream_format.h"

struct WavStream {
    std::vector<uint8_t> FormatChunk;  // the 'fmt ' chunk's data as found, written back unchanged
    StreamFormat Format;
    std::vector<uint8_t> Data;         // whole frames only
    int64_t Frames = 0;
};

struct WavReadResult {
    WavStream Stream;
    std::string Error;    // empty on success
    std::string Warning;  // something the reader mended (a partial last frame dropped)
};

WavReadResult ReadWavStream(const std::string& path);

// Writes a RIFF WAVE file with the given 'fmt ' chunk data and sample data. Returns an
// empty text on success, else what went wrong.
std::string WriteWavFile(const std::string& path, const std::vector<uint8_t>& formatChunk, const uint8_t* data,
                         size_t dataBytes);
