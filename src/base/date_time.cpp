#include "base/date_time.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int64_t kMillisecondsPerHour = 3600000;
constexpr int64_t kMillisecondsPerMinute = 60000;
constexpr int64_t kMillisecondsPerSecond = 1000;
// 1 January 1970 on this scale.
constexpr int64_t kUnixEpochDay = 25569;
// The civil calendar arithmetic counts in 400-year eras of 146097 days, from 1 March of
// year 0, which lies 719468 days before 1 January 1970.
constexpr int64_t kDaysPerEra = 146097;
constexpr int64_t kYearsPerEra = 400;
constexpr int64_t kEraStartToUnixEpoch = 719468;
// 1 January 0001 and 31 December 9999 on this scale.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

// Days since 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - (kYearsPerEra - 1)) / kYearsPerEra;
    const int64_t yearOfEra = y - era * kYearsPerEra;
    const int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + dayOfEra - kEraStartToUnixEpoch;
}

void CivilFromDays(int64_t z, CivilDateTime& civil) {
    z += kEraStartToUnixEpoch;
    const int64_t era = (z >= 0 ? z : z - (kDaysPerEra - 1)) / kDaysPerEra;
    const int64_t dayOfEra = z - era * kDaysPerEra;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    civil.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    civil.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    civil.year = static_cast<int>(yearOfEra + era * kYearsPerEra + (civil.month <= 2));
}

}  // namespace

double ComposeDateTime(const CivilDateTime& c) {
    const int64_t day = DaysFromCivil(c.year, c.month, c.day) + kUnixEpochDay;
    const int64_t ms = c.hour * kMillisecondsPerHour + c.minute * kMillisecondsPerMinute +
                       c.second * kMillisecondsPerSecond + c.millisecond;
    const double time = static_cast<double>(ms) / kMillisecondsPerDay;
    return day >= 0 ? day + time : day - time;
}

bool SplitDateTime(double days, CivilDateTime& civil) {
    if (!(days >= kFirstDay && days < kLastDay)) return false;
    int64_t day = static_cast<int64_t>(days);  // toward zero
    int64_t ms = std::llround(std::fabs(days - static_cast<double>(day)) * kMillisecondsPerDay);
    if (ms >= kMillisecondsPerDay) {  // rounded up to the next midnight
        ms -= kMillisecondsPerDay;
        day += days >= 0 ? 1 : -1;
    }
    CivilFromDays(day - kUnixEpochDay, civil);
    civil.hour = static_cast<int>(ms / kMillisecondsPerHour);
    civil.minute = static_cast<int>(ms / kMillisecondsPerMinute % 60);
    civil.second = static_cast<int>(ms / kMillisecondsPerSecond % 60);
    civil.millisecond = static_cast<int>(ms % kMillisecondsPerSecond);
    return civil.year >= kFirstYear && civil.year <= kLastYear;
}

DateTimeParts PartsToShow(double days) {
    CivilDateTime civil;
    if (!SplitDateTime(days, civil)) return DateTimeParts::kDateAndTime;
    if (civil.hour == 0 && civil.minute == 0 && civil.second == 0 && civil.millisecond == 0) {
        return DateTimeParts::kDate;
    }
    if (std::fabs(days) < 1.0) return DateTimeParts::kTime;
    return DateTimeParts::kDateAndTime;
}
