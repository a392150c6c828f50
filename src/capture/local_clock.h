// The local clock as the capture thread reads it: the local date and time now, as a
// date-time value in days, with millisecond resolution.
#pragma once

using LocalClock = double (*)();

double LocalDateTimeNow();
