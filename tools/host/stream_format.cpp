#include "stream_format.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr size_t kPcmFormatBytes = 16;         // tag, channels, rate, byte rate, align, bits
constexpr size_t kExtensibleFormatBytes = 40;  // plus cbSize, valid bits, mask, sub-format
constexpr size_t kSubFormatOffset = 24;

// KSDATAFORMAT_SUBTYPE_PCM: {00000001-0000-0010-8000-00AA00389B71}, as stored.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Read16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Read32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string Hex16(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", v);
    return text;
}

}  // namespace

StreamFormatResult DecodeStreamFormat(std::span<const uint8_t> chunk) {
    StreamFormatResult result;
    if (chunk.size() < kPcmFormatBytes) {
        result.Error = "the 'fmt ' chunk holds " + std::to_string(chunk.size()) + " bytes, fewer than the " +
                       std::to_string(kPcmFormatBytes) + " of a PCM format";
        return result;
    }
    const uint16_t tag = Read16(chunk, 0);
    if (tag == kWaveFormatExtensible) {
        if (chunk.size() < kExtensibleFormatBytes) {
            result.Error = "the extensible 'fmt ' chunk holds " + std::to_string(chunk.size()) +
                           " bytes, fewer than " + std::to_string(kExtensibleFormatBytes);
            return result;
        }
        if (!std::equal(std::begin(kPcmSubFormat), std::end(kPcmSubFormat), chunk.begin() + kSubFormatOffset)) {
            result.Error = "the extensible format's sub-format is not integer PCM";
            return result;
        }
    } else if (tag != kWaveFormatPcm) {
        result.Error = "format tag " + Hex16(tag) + " is not integer PCM (a DSP module takes PCM only)";
        return result;
    }

    StreamFormat& f = result.Format;
    f.Channels = Read16(chunk, 2);
    const uint32_t rate = Read32(chunk, 4);
    f.BlockAlign = Read16(chunk, 12);
    f.BitsPerSample = Read16(chunk, 14);
    if (f.Channels == 0) {
        result.Error = "the format has no channels";
    } else if (rate == 0 || rate > static_cast<uint32_t>(INT32_MAX)) {
        result.Error = "sample rate " + std::to_string(rate) + " Hz is not usable";
    } else if (f.BitsPerSample != 8 && f.BitsPerSample != 16 && f.BitsPerSample != 24 && f.BitsPerSample != 32) {
        result.Error = std::to_string(f.BitsPerSample) + " bits per sample: supported are 8, 16, 24 and 32";
    } else if (f.BlockAlign != f.Channels * (f.BitsPerSample / 8)) {
        result.Error = "block align " + std::to_string(f.BlockAlign) + " does not match " +
                       std::to_string(f.Channels) + " channels of " + std::to_string(f.BitsPerSample) + " bits";
    }
    f.SampleRate = static_cast<int>(rate);
    return result;
}
