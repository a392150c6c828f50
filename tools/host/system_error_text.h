// The system's own text for a Win32 error code, for messages the tool prints.
#pragma once

#include <string>

std::string SystemErrorText(unsigned long code);
