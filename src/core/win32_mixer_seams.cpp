#include "core/win32_mixer_seams.h"

#include <windows.h>

#include "capture/monotonic_clock.h"
#include "base/date_time.h"
#include "base/number_format.h"

namespace {
constexpr int kTextRoom = 128;  // a formatted date or time
}  // namespace

void PostMessageSink::Post(uint32_t message, intptr_t wParam) {
    HWND window = static_cast<HWND>(target_.load());
    if (window == nullptr) return;
    PostMessageA(window, message, static_cast<WPARAM>(wParam), 0);
}

double Win32MixClock::LocalDateTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CivilDateTime civil;
    civil.year = now.wYear;
    civil.month = now.wMonth;
    civil.day = now.wDay;
    civil.hour = now.wHour;
    civil.minute = now.wMinute;
    civil.second = now.wSecond;
    civil.millisecond = now.wMilliseconds;
    return ComposeDateTime(civil);
}

double Win32MixClock::MonotonicSeconds() { return MonotonicSecondsNow(); }

char Win32ReportTextFormat::DecimalSeparator() const {
    char separator[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 0 &&
        separator[0] != '\0') {
        return separator[0];
    }
    return '.';
}

std::string Win32ReportTextFormat::DateTime(double days) const {
    CivilDateTime civil;
    if (!SplitDateTime(days, civil)) return FormatFloat(days, DecimalSeparator());
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(civil.year);
    time.wMonth = static_cast<WORD>(civil.month);
    time.wDay = static_cast<WORD>(civil.day);
    time.wHour = static_cast<WORD>(civil.hour);
    time.wMinute = static_cast<WORD>(civil.minute);
    time.wSecond = static_cast<WORD>(civil.second);
    time.wMilliseconds = static_cast<WORD>(civil.millisecond);

    char date[kTextRoom] = {};
    char clock[kTextRoom] = {};
    const DateTimeParts parts = PartsToShow(days);
    if (parts != DateTimeParts::kTime &&
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date) == 0) {
        return FormatFloat(days, DecimalSeparator());
    }
    if (parts != DateTimeParts::kDate &&
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock) == 0) {
        return FormatFloat(days, DecimalSeparator());
    }
    switch (parts) {
        case DateTimeParts::kDate: return date;
        case DateTimeParts::kTime: return clock;
        default: return std::string(date) + " " + clock;
    }
}
