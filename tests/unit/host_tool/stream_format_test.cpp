#include "stream_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, unsigned v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, unsigned v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

std::vector<uint8_t> FormatChunk(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                                 unsigned align = 0, size_t size = 16) {
    std::vector<uint8_t> b(size, 0);
    if (align == 0) align = channels * bits / 8;
    Put16(b, 0, tag);
    Put16(b, 2, channels);
    Put32(b, 4, rate);
    Put32(b, 8, rate * align);
    Put16(b, 12, align);
    Put16(b, 14, bits);
    return b;
}

std::vector<uint8_t> Extensible(unsigned channels, unsigned bits, uint8_t subFormatFirstByte) {
    std::vector<uint8_t> b = FormatChunk(kWaveFormatExtensible, channels, 48000, bits, 0, 40);
    Put16(b, 16, 22);
    Put16(b, 18, bits);
    const uint8_t tail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b[24] = subFormatFirstByte;
    b[25] = 0;
    std::copy(std::begin(tail), std::end(tail), b.begin() + 26);
    return b;
}

TEST(StreamFormat, EverySampleWidthTheHostTakesIsAccepted) {
    for (unsigned bits : {8u, 16u, 24u, 32u}) {
        const StreamFormatResult r = DecodeStreamFormat(FormatChunk(kWaveFormatPcm, 2, 44100, bits));
        EXPECT_EQ(r.Error, "") << bits;
        EXPECT_EQ(r.Format.BitsPerSample, static_cast<int>(bits));
        EXPECT_EQ(r.Format.Channels, 2);
        EXPECT_EQ(r.Format.SampleRate, 44100);
        EXPECT_EQ(r.Format.BlockAlign, static_cast<int>(2 * bits / 8));
    }
}

TEST(StreamFormat, ExtensibleWithThePcmSubFormatAndManyChannelsIsAccepted) {
    const StreamFormatResult r = DecodeStreamFormat(Extensible(6, 24, 0x01));
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Format.Channels, 6);
    EXPECT_EQ(r.Format.BlockAlign, 18);
}

TEST(StreamFormat, FormatsAModuleCannotTakeAreRefusedWithTheReason) {
    struct Case {
        std::vector<uint8_t> Chunk;
        const char* Expected;
    };
    const Case cases[] = {
        {std::vector<uint8_t>(14, 0), "holds 14 bytes"},
        {FormatChunk(3, 2, 44100, 32), "format tag 0x0003 is not integer PCM"},
        {FormatChunk(0x55, 2, 44100, 16), "format tag 0x0055"},
        {Extensible(2, 32, 0x03), "sub-format is not integer PCM"},
        {FormatChunk(kWaveFormatExtensible, 2, 44100, 16), "extensible 'fmt ' chunk holds 16 bytes"},
        {FormatChunk(kWaveFormatPcm, 0, 44100, 16, 4), "no channels"},
        {FormatChunk(kWaveFormatPcm, 2, 0, 16), "sample rate 0 Hz"},
        {FormatChunk(kWaveFormatPcm, 2, 44100, 12, 4), "12 bits per sample"},
        {FormatChunk(kWaveFormatPcm, 2, 44100, 16, 6), "block align 6 does not match"},
    };
    for (const Case& c : cases) {
        const StreamFormatResult r = DecodeStreamFormat(c.Chunk);
        EXPECT_NE(r.Error.find(c.Expected), std::string::npos) << "got: " << r.Error;
    }
}

}  // namespace
