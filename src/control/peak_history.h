// The length of the level meter's peak-hold history: one slot per 150 ms meter tick, so the
// peak marker shows the highest level of the last 2.25 s. The "RecThreadStats" reply lists
// every slot, which is why the command vocabulary holds the number.
#pragma once

inline constexpr int kPeakHistorySlots = 15;
