#include "capture/local_clock.h"

#include <windows.h>

#include "base/date_time.h"

double LocalDateTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ComposeDateTime({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}
