// Which folder entries are DSP libraries: the upper-case name starts with "DSP_" and ends
// with ".DLL" (the shortest such name is "DSP_.DLL").
#pragma once

#include <string_view>

inline constexpr std::string_view kDspLibraryPrefix = "DSP_";
inline constexpr std::string_view kDspLibrarySuffix = ".DLL";

// `upperName` is the entry's name already upper-cased by the platform's locale rules.
bool IsDspLibraryName(std::string_view upperName);
