#include "stream_schedule.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRate = 1000;

StreamAction At(StreamActionKind kind, double at, double span = 0) { return {kind, at, span}; }

TEST(StreamSchedule, AnActionIsDueBeforeTheFirstBlockStartingAtOrAfterItsTime) {
    StreamSchedule schedule({At(StreamActionKind::Pause, 0.25, 1)}, kRate);
    EXPECT_TRUE(schedule.TakeDue(0).empty());
    EXPECT_TRUE(schedule.TakeDue(249).empty());
    const auto due = schedule.TakeDue(300);  // the block at 249 did not start at 250
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].Kind, StreamActionKind::Pause);
}

TEST(StreamSchedule, EachActionIsHandedOutOnce) {
    StreamSchedule schedule({At(StreamActionKind::Config, 0)}, kRate);
    EXPECT_EQ(schedule.TakeDue(0).size(), 1u);
    EXPECT_TRUE(schedule.TakeDue(0).empty());
    EXPECT_TRUE(schedule.TakeDue(5000).empty());
    EXPECT_TRUE(schedule.Remaining().empty());
}

TEST(StreamSchedule, ActionsComeInStreamOrderAndEqualTimesKeepCommandLineOrder) {
    StreamSchedule schedule({At(StreamActionKind::Stop, 2, 1), At(StreamActionKind::Config, 1),
                             At(StreamActionKind::Pause, 1, 1)},
                            kRate);
    const auto due = schedule.TakeDue(2000);
    ASSERT_EQ(due.size(), 3u);
    EXPECT_EQ(due[0].Kind, StreamActionKind::Config);
    EXPECT_EQ(due[1].Kind, StreamActionKind::Pause);
    EXPECT_EQ(due[2].Kind, StreamActionKind::Stop);
}

TEST(StreamSchedule, ActionsBeyondTheStreamRemainForTheReport) {
    StreamSchedule schedule({At(StreamActionKind::Config, 0.1), At(StreamActionKind::Pause, 9, 1)}, kRate);
    EXPECT_EQ(schedule.TakeDue(576).size(), 1u);
    ASSERT_EQ(schedule.Remaining().size(), 1u);
    EXPECT_DOUBLE_EQ(schedule.Remaining()[0].AtSeconds, 9);
}

TEST(StreamSchedule, DueFrameRoundsToTheNearestFrame) {
    EXPECT_EQ(StreamSchedule::DueFrame(At(StreamActionKind::Config, 1.0 / 3), 44100), 14700);
    EXPECT_EQ(StreamSchedule::DueFrame(At(StreamActionKind::Config, 0.5), 44100), 22050);
}

}  // namespace
