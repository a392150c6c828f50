#include "ui/user_decimal_separator.h"

#include <windows.h>

char UserDecimalSeparator() {
    char separator[4] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 1) return separator[0];
    return '.';
}
