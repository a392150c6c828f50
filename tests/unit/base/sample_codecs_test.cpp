#include "base/sample_codecs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/sample_limits.h"

namespace {

TEST(SampleCodecs, TwentyFourBitIsLowWordThenHighByte) {
    uint8_t bytes[3];
    PcmS24::Store(bytes, -1);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 3), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
    PcmS24::Store(bytes, -65537);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 3), (std::vector<uint8_t>{0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(PcmS24::Load(bytes), -65537);
    for (int64_t v : {-8388608LL, -1LL, 0LL, 1LL, 65535LL, 65536LL, 8388607LL}) {
        PcmS24::Store(bytes, v);
        EXPECT_EQ(PcmS24::Load(bytes), v);
    }
}

TEST(SampleLimits, RangeAndSilenceOfEachWidth) {
    const SampleLimits u8 = LimitsForWidth(8);
    EXPECT_EQ(u8.ltv, 0);
    EXPECT_EQ(u8.gtv, 255);
    EXPECT_EQ(u8.center, 128);
    const SampleLimits s24 = LimitsForWidth(24);
    EXPECT_EQ(s24.ltv, -8388608);
    EXPECT_EQ(s24.gtv, 8388607);
    EXPECT_EQ(s24.center, 0);
    const SampleLimits s32 = LimitsForWidth(32);
    EXPECT_EQ(s32.gtv - s32.center, 2147483647);
    const SampleLimits none = LimitsForWidth(0);
    EXPECT_EQ(none.gtv, 0);
}

}  // namespace
