// LevelMeter: the state behind the control window's RMS level meter.
//
// Owned by the control window and used on the host's window thread only. The mixing
// engine's level notifications feed ReceiveLevel; the 150 ms meter timer calls Tick; a
// double-click on the meter calls ToggleShown. The meter keeps a peak-hold history of the
// last kPeakHistorySlots ticks, so the marker shows the highest level of the last 2.25 s
// while the bar follows the live level. No drawing here: the window asks what changed and
// repaints (see meter_rows.h for what the surface shows).
#pragma once

#include <cstdint>

#include "control/peak_history.h"

class LevelMeter {
public:
    enum class TickResult {
        StopTimer,  // the meter is hidden: its timer should stop
        Repaint,    // bar or peak changed
        Unchanged,
    };

    // A level from the mixing engine, integer percent. Ignored while hidden; otherwise it
    // becomes the current level and lifts every history slot that is below it.
    void ReceiveLevel(int32_t percent);

    // One timer tick: shift the history (slot 0 takes the current level) and show the
    // current level with the oldest slot as the peak.
    TickResult Tick();

    // Shows `current` with peak `newPeak`. A rising peak drags the bar up with it. Returns
    // true when bar or peak changed and the meter is shown (the surface needs repainting).
    bool Update(int32_t current, int32_t newPeak);

    // Hides a shown meter or shows a hidden one; showing clears bar and peak. History and
    // current level stay. Returns true when the meter is now shown.
    bool ToggleShown();

    int32_t FRMSStatus = 0;
    int32_t RMSP[kPeakHistorySlots] = {};
    int32_t Bar = 0;
    int32_t Peak = 0;
    bool Hidden = false;
};
