// Test streams for the substitute host: PCM data of any width and channel count with the
// extreme values first and a fixed pseudo-random sequence after, written as WAV files; and
// sample access for checking what came out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wav_file.h"

struct TestStreamFormat {
    int Channels = 2;
    int SampleRate = 44100;
    int Bits = 16;
    bool Extensible = false;
};

std::vector<uint8_t> FormatChunkFor(const TestStreamFormat& format);
std::vector<uint8_t> TestSamples(const TestStreamFormat& format, int frames);

// Writes `frames` frames of TestSamples to `path`; returns the stream as written.
WavStream WriteTestWav(const std::string& path, const TestStreamFormat& format, int frames);

WavStream ReadTestWav(const std::string& path);  // fails the test when unreadable

// Sample `index` (counted over all channels) as stored: 8-bit raw unsigned, others signed.
int64_t SampleAt(const WavStream& stream, size_t index);
size_t SampleCount(const WavStream& stream);

// What the probe's "Half volume" module makes of a stored sample.
int64_t Halved(int64_t sample, int bits);
