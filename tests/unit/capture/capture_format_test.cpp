#include "capture/capture_format.h"

#include <gtest/gtest.h>

#include <climits>

#include "capture/mark_position.h"

namespace {

constexpr double kOneSecond = 1.0 / 86400.0;

TEST(CaptureFormat, CdQualityStereo) {
    const PcmFormat format = MakePcmFormat(44100, 16, 2);
    EXPECT_EQ(format.wFormatTag, 1);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(CaptureBufferSize(44100, 16, 2), 88200);
    EXPECT_EQ(RecordedSampleCount(88200, 16), 44100) << "22050 frames of 2 values";
}

TEST(CaptureFormat, BufferSizeUsesIntegerDivisions) {
    EXPECT_EQ(CaptureBufferSize(44100, 24, 2), 132300);
    EXPECT_EQ(CaptureBufferSize(11025, 8, 1), 5512) << "11025 bytes a second, halved and truncated";
    EXPECT_EQ(CaptureBufferSize(8000, 4, 1), 2000);
    EXPECT_EQ(CaptureBufferSize(0, 16, 2), 0);
}

TEST(CaptureFormat, AbsurdFormatsGiveNoBufferInsteadOfOverflowing) {
    EXPECT_EQ(CaptureBufferSize(INT_MAX, 32, 8), 0);
    EXPECT_EQ(CaptureBufferSize(-44100, 16, 2), 0);
}

TEST(CaptureFormat, SampleCountOfFewerThanEightBitsIsZero) {
    EXPECT_EQ(RecordedSampleCount(1000, 4), 0);
    EXPECT_EQ(RecordedSampleCount(1001, 16), 500) << "unsigned division";
    EXPECT_EQ(RecordedSampleCount(3, 24), 1);
}

TEST(MarkPosition, OneSecondBeforeArrivalIsABufferLengthBack) {
    const double now = 45000.5;
    EXPECT_EQ(MarkSamplePosition(88200, 16, now, now - kOneSecond, 44100, 2), 44100 - 88200);
    EXPECT_EQ(MarkSamplePosition(88200, 16, now, now, 44100, 2), 44100);
    EXPECT_EQ(MarkSamplePosition(88200, 16, now, now - kOneSecond / 4, 44100, 2), 44100 - 22050);
}

TEST(MarkPosition, TruncatesTowardZero) {
    const double now = 45000.5;
    // 1 ms at 44100 Hz stereo is 88.2 values: 44100 - 88.2 = 44011.8 -> 44011.
    EXPECT_EQ(MarkSamplePosition(88200, 16, now, now - kOneSecond / 1000, 44100, 2), 44011);
    // Negative: 0 - 88.2 = -88.2 -> -88.
    EXPECT_EQ(MarkSamplePosition(0, 16, now, now - kOneSecond / 1000, 44100, 2), -88);
}

TEST(MarkPosition, MarkFromTheFutureLiesPastTheEnd) {
    const double now = 45000.5;
    EXPECT_EQ(MarkSamplePosition(88200, 16, now, now + kOneSecond, 44100, 2), 44100 + 88200);
}

TEST(MarkPosition, ClockJumpsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(MarkSamplePosition(88200, 16, 45000.5, 0.0, 44100, 2), INT32_MIN);
    EXPECT_EQ(MarkSamplePosition(88200, 16, 0.0, 45000.5, 44100, 2), INT32_MAX);
}

}  // namespace
