#include "base/wav_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace {

void Put32(std::string& s, uint32_t v) { for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i)); }
void Put16(std::string& s, uint16_t v) { s += static_cast<char>(v); s += static_cast<char>(v >> 8); }

std::string WriteWav(const std::string& name, int bits, int channels, const std::string& data, uint16_t tag = 1) {
    std::string body = "WAVE";
    body += "fmt ";
    Put32(body, 16);
    Put16(body, tag);
    Put16(body, static_cast<uint16_t>(channels));
    Put32(body, 8000);
    Put32(body, 8000u * channels * bits / 8);
    Put16(body, static_cast<uint16_t>(channels * bits / 8));
    Put16(body, static_cast<uint16_t>(bits));
    body += "LIST";  // an unrelated chunk of odd size, padded
    Put32(body, 3);
    body += std::string("abc\0", 4);
    body += "data";
    Put32(body, static_cast<uint32_t>(data.size()));
    body += data;
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    file += body;
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

TEST(WavFile, ReadsEachSampleWidth) {
    auto w8 = ReadWavFile(WriteWav("w8.wav", 8, 1, std::string("\x80\xFF\x00", 3)));
    EXPECT_EQ(w8.Frames(), 3);
    EXPECT_DOUBLE_EQ(w8.Sample(0), 0.0);
    EXPECT_DOUBLE_EQ(w8.Sample(1), 127.0 / 128);
    EXPECT_DOUBLE_EQ(w8.Sample(2), -1.0);

    auto w16 = ReadWavFile(WriteWav("w16.wav", 16, 2, std::string("\x00\x80\xFF\x7F", 4)));
    EXPECT_EQ(w16.Frames(), 1);
    EXPECT_DOUBLE_EQ(w16.Sample(0), -1.0);
    EXPECT_DOUBLE_EQ(w16.Sample(1), 32767.0 / 32768);

    auto w24 = ReadWavFile(WriteWav("w24.wav", 24, 1, std::string("\xFF\xFF\xFF\x00\x00\x80", 6)));
    EXPECT_DOUBLE_EQ(w24.Sample(0), -1.0 / 8388608);
    EXPECT_DOUBLE_EQ(w24.Sample(1), -1.0);
}

TEST(WavFile, RefusesWhatIsNoPcmWave) {
    EXPECT_THROW(ReadWavFile(::testing::TempDir() + "missing.wav"), std::runtime_error);
    const std::string text = ::testing::TempDir() + "text.wav";
    std::ofstream(text) << "hello, this is no wave file";
    EXPECT_THROW(ReadWavFile(text), std::runtime_error);
    EXPECT_THROW(ReadWavFile(WriteWav("float.wav", 32, 1, std::string(8, '\0'), 3)), std::runtime_error);
}

}  // namespace
