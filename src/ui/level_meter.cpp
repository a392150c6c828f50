#include "ui/level_meter.h"

void LevelMeter::ReceiveLevel(int32_t percent) {
    if (Hidden) return;
    FRMSStatus = percent;
    for (int32_t& slot : RMSP) {
        if (slot < percent) slot = percent;
    }
}

LevelMeter::TickResult LevelMeter::Tick() {
    if (Hidden) return TickResult::StopTimer;
    for (int i = kPeakHistorySlots - 1; i > 0; --i) RMSP[i] = RMSP[i - 1];
    RMSP[0] = FRMSStatus;
    return Update(FRMSStatus, RMSP[kPeakHistorySlots - 1]) ? TickResult::Repaint : TickResult::Unchanged;
}

bool LevelMeter::Update(int32_t current, int32_t newPeak) {
    if (Bar == current && Peak == newPeak) return false;
    Bar = Peak < newPeak ? newPeak : current;
    Peak = newPeak;
    return !Hidden;
}

bool LevelMeter::ToggleShown() {
    Hidden = !Hidden;
    if (!Hidden) Update(0, 0);
    return !Hidden;
}
