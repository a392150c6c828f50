// Path rules for the answers of the host's window-message API.
#pragma once

#include <string>
#include <string_view>

// The folder of the host's INI file: the path up to and including its last '\' or drive
// colon, with a '\' appended when it does not end with one. A path without either (or no
// path at all) gives a lone "\".
std::string IniDirectoryOf(std::string_view iniFilePath);
