// A small reader for PCM WAV files, for the native tools and tests that check what the
// plug-in produced (the substitute host itself reads and writes WAV with the platform's
// RIFF functions).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WavData {
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    std::vector<uint8_t> Bytes;  // interleaved PCM as stored

    int64_t Frames() const;
    // Sample value `index` (interleaved, all channels counted) scaled to -1..1.
    double Sample(int64_t index) const;
};

// Reads a PCM WAV file (8-bit unsigned, 16/24/32-bit signed). Throws std::runtime_error with
// a readable reason for a missing, truncated or non-PCM file.
WavData ReadWavFile(const std::string& path);
