// How the settings file spells integers and switches, and how leniently it reads them.
//
// Reading never fails loudly: a text that does not parse leaves the caller's value alone, so
// a damaged file costs at most the settings it damaged. Doubles use the shared number
// formatter (base/number_format.h) with the system's decimal separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decimal with an optional sign, or hexadecimal after "0x" / "0X" (up to eight digits, read as
// the 32-bit pattern, so "0xFFFFFFFF" is -1). Blanks around the number are allowed. Returns
// false, leaving `value` alone, for anything else or a decimal outside the 32-bit range.
bool ParseIniInteger(std::string_view text, int32_t& value);

// An integer as above that fits an unsigned byte; anything else leaves `value` alone.
bool ParseIniByte(std::string_view text, uint8_t& value);

// A switch is an integer: 0 is false, any other integer is true.
bool ParseIniBool(std::string_view text, bool& value);

std::string FormatIniInteger(int64_t value);  // decimal
std::string FormatIniBool(bool value);        // "1" or "0"
