#include "test_streams.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kSeed = 12345;
constexpr uint32_t kMultiplier = 1103515245;
constexpr uint32_t kIncrement = 12345;

void Put(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> FormatChunkFor(const TestStreamFormat& f) {
    const int align = f.Channels * f.Bits / 8;
    std::vector<uint8_t> chunk(f.Extensible ? 40 : 16, 0);
    Put(chunk, 0, f.Extensible ? kWaveFormatExtensible : kWaveFormatPcm, 2);
    Put(chunk, 2, f.Channels, 2);
    Put(chunk, 4, f.SampleRate, 4);
    Put(chunk, 8, static_cast<uint64_t>(f.SampleRate) * align, 4);
    Put(chunk, 12, align, 2);
    Put(chunk, 14, f.Bits, 2);
    if (f.Extensible) {
        const uint8_t pcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        Put(chunk, 16, 22, 2);
        Put(chunk, 18, f.Bits, 2);
        Put(chunk, 20, (1u << f.Channels) - 1, 4);
        std::copy(std::begin(pcm), std::end(pcm), chunk.begin() + 24);
    }
    return chunk;
}

std::vector<uint8_t> TestSamples(const TestStreamFormat& f, int frames) {
    const int bytesPerSample = f.Bits / 8;
    const size_t count = static_cast<size_t>(frames) * f.Channels;
    std::vector<uint8_t> bytes(count * bytesPerSample);
    const int64_t high = f.Bits == 8 ? 255 : (int64_t{1} << (f.Bits - 1)) - 1;
    const int64_t low = f.Bits == 8 ? 0 : -high - 1;
    const int64_t extremes[] = {low, high, low + 1, high - 1, -1, 1, 0, -3, 3};
    uint32_t state = kSeed;
    for (size_t i = 0; i < count; ++i) {
        int64_t value;
        if (i < std::size(extremes)) {
            value = f.Bits == 8 ? (extremes[i] & 0xFF) : extremes[i];
        } else {
            state = state * kMultiplier + kIncrement;
            const uint64_t wide = (static_cast<uint64_t>(state) << 32) | (state * kMultiplier + kIncrement);
            value = low + static_cast<int64_t>(wide % static_cast<uint64_t>(high - low + 1));
        }
        Put(bytes, i * bytesPerSample, static_cast<uint64_t>(value), bytesPerSample);
    }
    return bytes;
}

WavStream WriteTestWav(const std::string& path, const TestStreamFormat& format, int frames) {
    WavStream stream;
    stream.FormatChunk = FormatChunkFor(format);
    stream.Data = TestSamples(format, frames);
    stream.Format = {format.Channels, format.SampleRate, format.Bits, format.Channels * format.Bits / 8};
    stream.Frames = frames;
    EXPECT_EQ(WriteWavFile(path, stream.FormatChunk, stream.Data.data(), stream.Data.size()), "");
    return stream;
}

WavStream ReadTestWav(const std::string& path) {
    WavReadResult read = ReadWavStream(path);
    EXPECT_EQ(read.Error, "") << path;
    return read.Stream;
}

size_t SampleCount(const WavStream& stream) { return stream.Data.size() / (stream.Format.BitsPerSample / 8); }

int64_t SampleAt(const WavStream& stream, size_t index) {
    const int bytes = stream.Format.BitsPerSample / 8;
    const uint8_t* p = stream.Data.data() + index * bytes;
    uint64_t raw = 0;
    for (int i = 0; i < bytes; ++i) raw |= static_cast<uint64_t>(p[i]) << (8 * i);
    if (bytes == 1) return static_cast<int64_t>(raw);
    const int shift = 64 - 8 * bytes;
    return static_cast<int64_t>(raw << shift) >> shift;
}

int64_t Halved(int64_t sample, int bits) { return bits == 8 ? 128 + (sample - 128) / 2 : sample / 2; }
