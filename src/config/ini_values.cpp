#include "config/ini_values.h"

#include <cctype>
#include <limits>

namespace {

constexpr int kMaxHexDigits = 8;  // a 32-bit pattern
constexpr std::string_view kHexPrefixLower = "0x";
constexpr std::string_view kHexPrefixUpper = "0X";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(std::string_view digits, bool negative, int32_t& value) {
    if (digits.empty() || digits.size() > kMaxHexDigits) return false;
    uint32_t pattern = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        pattern = pattern * 16 + static_cast<uint32_t>(d);
    }
    if (negative) pattern = 0u - pattern;
    value = static_cast<int32_t>(pattern);
    return true;
}

bool ParseDecimal(std::string_view digits, bool negative, int32_t& value) {
    if (digits.empty()) return false;
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    int64_t magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

bool ParseIniInteger(std::string_view text, int32_t& value) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.starts_with(kHexPrefixLower) || text.starts_with(kHexPrefixUpper)) {
        return ParseHex(text.substr(kHexPrefixLower.size()), negative, value);
    }
    return ParseDecimal(text, negative, value);
}

bool ParseIniByte(std::string_view text, uint8_t& value) {
    int32_t wide = 0;
    if (!ParseIniInteger(text, wide)) return false;
    if (wide < 0 || wide > std::numeric_limits<uint8_t>::max()) return false;
    value = static_cast<uint8_t>(wide);
    return true;
}

bool ParseIniBool(std::string_view text, bool& value) {
    int32_t number = 0;
    if (!ParseIniInteger(text, number)) return false;
    value = number != 0;
    return true;
}

std::string FormatIniInteger(int64_t value) { return std::to_string(value); }

std::string FormatIniBool(bool value) { return value ? "1" : "0"; }
