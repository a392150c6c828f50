#include "base/number_format.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string FormatFloat(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

    // %.15g picks fixed notation exactly for 1e-4 <= |x| < 1e15 (after rounding to 15
    // digits) and drops trailing zeros; only the exponent's spelling differs.
    char raw[40];
    std::snprintf(raw, sizeof raw, "%.15g", value);

    std::string out;
    for (const char* p = raw; *p != '\0'; ++p) {
        if (*p == '.') {
            out += decimalSeparator;
        } else if (*p == 'e') {
            out += 'E';
            ++p;
            if (*p == '-') out += '-';
            if (*p == '-' || *p == '+') ++p;
            while (*p == '0' && p[1] != '\0') ++p;  // no leading zeros in the exponent
            out += p;
            break;
        } else {
            out += *p;
        }
    }
    if (out == "-0") out = "0";
    return out;
}

bool ParseFloat(std::string_view text, char decimalSeparator, double& value) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (begin == end) return false;

    // Validate the shape ourselves and hand strtod a '.'-separated copy, so the C locale
    // of the process never matters.
    std::string canonical;
    size_t i = begin;
    if (text[i] == '+' || text[i] == '-') canonical += text[i++];
    int digits = 0;
    bool separatorSeen = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            canonical += c;
            ++digits;
        } else if (c == decimalSeparator && !separatorSeen) {
            canonical += '.';
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
        int exponentDigits = 0;
        while (i < end && std::isdigit(static_cast<unsigned char>(text[i]))) {
            canonical += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) return false;
    }
    if (i != end) return false;

    errno = 0;
    const double parsed = std::strtod(canonical.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(parsed)) return false;
    value = parsed;
    return true;
}
