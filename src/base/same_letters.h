// Comparing words typed by people (command arguments, key names, setting values), where
// letter case does not matter.
#pragma once

#include <string_view>

// True when `a` and `b` have the same letters, ignoring ASCII letter case.
bool SameLetters(std::string_view a, std::string_view b);
