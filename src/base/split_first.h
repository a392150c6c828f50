// Splitting "key=value" lines: used by the configuration store and the stack persistence.
#pragma once

#include <string>
#include <string_view>

// Returns the part of `text` before the first `delimiter` and removes that part and the
// delimiter from `text`. An empty or absent delimiter yields the whole text and leaves
// `text` empty.
std::string SplitFirst(std::string& text, std::string_view delimiter);
