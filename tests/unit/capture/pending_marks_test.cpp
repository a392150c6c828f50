// The release tail on the chain of pending push-to-talk marks.
#include "capture/pending_marks.h"

#include <gtest/gtest.h>

#include <vector>

#include "capture/mark_chain.h"
#include "capture/mark_position.h"

namespace {

constexpr double kSecond = 1.0 / kSecondsPerDay;
constexpr double kStart = 46000.5;  // a local date-time, days
constexpr double kTail = 1.5 * kSecond;

CaptureMark* Mark(uint8_t on, double when) { return new CaptureMark{on, when, 0, nullptr}; }

// The chain's events, 1 on and 0 off, and frees it.
std::vector<int> Events(CaptureMark* chain) {
    std::vector<int> events;
    for (const CaptureMark* mark = chain; mark != nullptr; mark = mark->NextPTT) events.push_back(mark->On);
    FreeMarkChain(chain);
    return events;
}

TEST(ReleaseTail, TheReleaseWaitsForTheBufferThatReachesItsTime) {
    PendingMarks marks;
    marks.Push(Mark(1, kStart));
    marks.Push(Mark(0, kStart + 2 * kSecond + kTail));  // released at 2 s, with the tail
    EXPECT_EQ(Events(marks.TakeDue(kStart + 2.5 * kSecond)), (std::vector<int>{1}));
    EXPECT_EQ(marks.Count(), 1);
    EXPECT_EQ(Events(marks.TakeDue(kStart + 3.4 * kSecond)), (std::vector<int>{}));
    CaptureMark* release = marks.TakeDue(kStart + 3.6 * kSecond);
    ASSERT_NE(release, nullptr);
    EXPECT_DOUBLE_EQ(release->When, kStart + 2 * kSecond + kTail) << "it lands where the tail ends";
    EXPECT_EQ(Events(release), (std::vector<int>{0}));
    EXPECT_EQ(marks.Count(), 0);
}

TEST(ReleaseTail, APressWithinTheTailContinuesTheTalkWithoutAGap) {
    PendingMarks marks;
    marks.Push(Mark(1, kStart));
    marks.Push(Mark(0, kStart + kSecond + kTail));
    marks.Push(Mark(1, kStart + 2 * kSecond));  // pressed again before the tail ended
    marks.Push(Mark(0, kStart + 3 * kSecond + kTail));
    EXPECT_EQ(Events(marks.TakeDue(kStart + 3 * kSecond)), (std::vector<int>{1, 1}));
    EXPECT_EQ(Events(marks.TakeDue(kStart + 5 * kSecond)), (std::vector<int>{0}));

    // A press after the tail ended is a new talk: the release before it stays.
    marks.Push(Mark(0, kStart + 6 * kSecond + kTail));
    marks.Push(Mark(1, kStart + 8 * kSecond));
    EXPECT_EQ(Events(marks.TakeDue(kStart + 9 * kSecond)), (std::vector<int>{0, 1}));
}

TEST(ReleaseTail, AMarkWithoutTailQueuedDuringOneKeepsTheOrderOfTimes) {
    PendingMarks marks;
    marks.Push(Mark(0, kStart + kTail));
    marks.Push(Mark(0, kStart + kSecond / 2));
    CaptureMark* chain = marks.TakeDue(kStart + 2 * kSecond);
    ASSERT_NE(chain, nullptr);
    ASSERT_NE(chain->NextPTT, nullptr);
    EXPECT_LT(chain->When, chain->NextPTT->When);
    FreeMarkChain(chain);
}

TEST(ReleaseTail, NeverOutlastsALocalClockSetBack) {
    PendingMarks marks;
    marks.Push(Mark(0, kStart + kTail));
    const double anHourEarlier = kStart - 3600 * kSecond;
    EXPECT_EQ(Events(marks.TakeDue(anHourEarlier)), (std::vector<int>{0}));
}

}  // namespace
