#include "base/wav_file.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
}  // namespace

int64_t WavData::Frames() const {
    const int frameBytes = BitsPerSample / 8 * Channels;
    return frameBytes > 0 ? static_cast<int64_t>(Bytes.size()) / frameBytes : 0;
}

double WavData::Sample(int64_t index) const {
    const uint8_t* p = Bytes.data() + index * (BitsPerSample / 8);
    switch (BitsPerSample) {
        case 8: return (p[0] - 128) / 128.0;
        case 16: return static_cast<int16_t>(Le16(p)) / 32768.0;
        case 24: {
            int32_t v = p[0] | p[1] << 8 | p[2] << 16;
            if (v & 0x800000) v -= 0x1000000;
            return v / 8388608.0;
        }
        case 32: return static_cast<int32_t>(Le32(p)) / 2147483648.0;
        default: return 0.0;
    }
}

WavData ReadWavFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        throw std::runtime_error(path + " is not a RIFF WAVE file");

    WavData wav;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const uint32_t size = Le32(file.data() + at + 4);
        const uint8_t* body = file.data() + at + 8;
        const size_t available = file.size() - (at + 8);
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0) {
            if (size < 16 || available < 16) throw std::runtime_error(path + ": truncated format chunk");
            const uint16_t tag = Le16(body);
            if (tag != kFormatPcm && tag != kFormatExtensible) throw std::runtime_error(path + ": not PCM");
            wav.Channels = Le16(body + 2);
            wav.SampleRate = static_cast<int>(Le32(body + 4));
            wav.BitsPerSample = Le16(body + 14);
            haveFormat = true;
        } else if (std::memcmp(file.data() + at, "data", 4) == 0) {
            if (!haveFormat) throw std::runtime_error(path + ": data before format");
            wav.Bytes.assign(body, body + std::min<size_t>(size, available));
            return wav;
        }
        at += 8 + size + (size & 1);
    }
    throw std::runtime_error(path + ": no data chunk");
}
