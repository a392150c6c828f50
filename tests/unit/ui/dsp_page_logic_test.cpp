#include "ui/dsp_page_logic.h"

#include <gtest/gtest.h>

#include <set>

namespace {

int Select(int count, std::set<int> selected, std::set<int> missing = {}, bool stackExists = true) {
    return SelectedStackIndex(
        stackExists, static_cast<int>(selected.size()), count, [&](int i) { return !missing.count(i); },
        [&](int i) { return selected.count(i) > 0; });
}

TEST(DspPageSelection, OneSelectedLineIsTheSelection) {
    EXPECT_EQ(Select(3, {1}), 1);
    EXPECT_EQ(Select(3, {0}), 0);
}

TEST(DspPageSelection, NoStackNothingOrSeveralSelectedGiveNone) {
    EXPECT_EQ(Select(3, {}), kNoSelection);
    EXPECT_EQ(Select(3, {0, 2}), kNoSelection);
    EXPECT_EQ(Select(3, {1}, {}, false), kNoSelection);
}

TEST(DspPageSelection, LinesBeyondTheStackOrWithoutEntryDoNotCount) {
    EXPECT_EQ(Select(2, {2}), kNoSelection) << "a stale line past Count";
    EXPECT_EQ(Select(3, {1}, {1}), kNoSelection) << "entry missing";
}

TEST(DspPageButtons, FollowTheSelectionTable) {
    const DspButtonStates none{};
    EXPECT_EQ(DspButtonStatesFor(false, 0, 3, true), none);
    EXPECT_EQ(DspButtonStatesFor(true, kNoSelection, 3, true), none);
    EXPECT_EQ(DspButtonStatesFor(true, 0, 1, true), (DspButtonStates{true, false, false, true}))
        << "one entry only: Details and Configure, no moves";
    EXPECT_EQ(DspButtonStatesFor(true, 0, 3, true), (DspButtonStates{true, false, true, true}));
    EXPECT_EQ(DspButtonStatesFor(true, 1, 3, true), (DspButtonStates{true, true, true, true}));
    EXPECT_EQ(DspButtonStatesFor(true, 2, 3, true), (DspButtonStates{true, true, false, true}))
        << "the last entry cannot move down";
}

TEST(DspPageButtons, InactiveEntryLeavesConfigureOff) {
    EXPECT_EQ(DspButtonStatesFor(true, 1, 3, false), (DspButtonStates{false, true, true, true}));
}

}  // namespace
