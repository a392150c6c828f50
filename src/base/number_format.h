// Numbers as text: one formatter serves the statistics report, the INI file and the edit
// boxes, so a value always reads back the way it was written.
#pragma once

#include <string>
#include <string_view>

// General format, up to 15 significant digits: fixed notation for 1e-4 <= |x| < 1e15,
// otherwise "d.dddE-n" / "d.dddE+n" written without '+' and without leading zeros in the
// exponent ("2.26757369614512E-5", "1E20"); trailing zeros dropped; `decimalSeparator`
// in place of the point. NaN and infinities read "NAN", "INF" and "-INF".
std::string FormatFloat(double value, char decimalSeparator = '.');

// Reads a number written with `decimalSeparator` (optional sign, digits, one separator,
// optional exponent), allowing blanks around it. Returns false, leaving `value` alone,
// for anything else: another separator, letters, an empty text, a value out of range.
bool ParseFloat(std::string_view text, char decimalSeparator, double& value);
