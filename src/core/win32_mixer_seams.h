// The Win32 side of the mixing engine's seams, as the DLL uses them.
//
// PostMessageSink: posts each notification to the window handle stored in `target`
// (MixState.NotifyHWnd) with lParam 0, and drops it while there is none (a null handle
// would post to the playback thread's own queue). Called on the playback thread; never
// waits.
// Win32MixClock: GetLocalTime as a date-time in days; QueryPerformanceCounter in seconds.
// Win32ReportTextFormat: the user's locale: its decimal separator, short date and long
// time formats. Called on the window thread.
#pragma once

#include <string>

#include "core/mix_clock.h"
#include "core/notification_sink.h"
#include "base/relaxed_atomic.h"
#include "core/report_text_format.h"

class PostMessageSink : public NotificationSink {
public:
    explicit PostMessageSink(const RelaxedAtomic<void*>& target) : target_(target) {}
    void Post(uint32_t message, intptr_t wParam) override;

private:
    const RelaxedAtomic<void*>& target_;
};

class Win32MixClock : public MixClock {
public:
    double LocalDateTime() override;
    double MonotonicSeconds() override;
};

class Win32ReportTextFormat : public ReportTextFormat {
public:
    char DecimalSeparator() const override;
    std::string DateTime(double days) const override;
};
