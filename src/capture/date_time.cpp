#include "capture/date_time.h"

namespace {

// Days from 1 January 1970 to a civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// 30 December 1899, the day the count starts, is 25569 days before 1 January 1970.
constexpr int64_t kDaysBeforeUnixEpoch = 25569;

}  // namespace

double EncodeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
                      int32_t millisecond) {
    const int64_t days = DaysFromCivil(year, month, day) + kDaysBeforeUnixEpoch;
    const double milliseconds = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return static_cast<double>(days) + milliseconds / kMillisecondsPerDay;
}
