// A clock the test moves by hand. Advance moves both clocks, as time passing does;
// SetWallClock moves only the local date-time, as a clock change does.
#pragma once

#include "core/mix_clock.h"

class ManualClock : public MixClock {
public:
    // 1 June 2024, 12:00 on the date-time scale.
    double localDays = 45444.5;
    double monotonic = 1000.0;

    double LocalDateTime() override { return localDays; }
    double MonotonicSeconds() override { return monotonic; }

    void Advance(double seconds) {
        monotonic += seconds;
        localDays += seconds / 86400.0;
    }
    void SetWallClock(double days) { localDays = days; }
};
