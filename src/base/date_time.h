// Date-time values as this plug-in keeps them: a double counting days since 30 December
// 1899 (midnight), the fraction being the time of day. A value below zero keeps its time
// of day in the absolute fraction (-1.25 is 29 December 1899, 06:00). Pure; any thread.
#pragma once

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

double ComposeDateTime(const CivilDateTime& civil);

// Splits a date-time to the millisecond. False for values outside the years 1 to 9999
// (and NaN).
bool SplitDateTime(double days, CivilDateTime& civil);

// Which parts a date-time is written with: the date alone when it has no time part (to
// the millisecond), the time alone when it is below one day, otherwise both.
enum class DateTimeParts { kDate, kTime, kDateAndTime };
DateTimeParts PartsToShow(double days);
