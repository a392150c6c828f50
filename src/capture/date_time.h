// Date-time values as the system keeps them: days (with the time of day as the fraction)
// counted from 30 December 1899. Only differences of two such values are used.
#pragma once

#include <cstdint>

inline constexpr double kMillisecondsPerDay = 86400000.0;

// The date-time of a calendar date and time of day (month 1..12, day 1..31).
double EncodeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
                      int32_t millisecond);
